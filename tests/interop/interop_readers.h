#pragma once

// Opens workbooks that the engine wrote with spreadsheet programs we did not write, and hands
// back what they saw, so tests can compare it with what we meant to write:
//
//   xlrd       describe_xls.py      values, types, every cell format, widths, heights, names
//   Gnumeric   describe_gnumeric.py values, formulas, styles, print setup, conditional formats
//   LibreOffice convertWithLibreOffice  CSV (values as shown), PDF (the printed pages) and
//              describe_fods.py     FODS: styles, conditional formats, page setup as it saw them
//
// A disagreement with any of them is a bug in our writer. Each reader is optional on a
// developer's machine: when `...Available()` is false, tests end with STOWFOLIO_ORACLE_MISSING
// (tests/support/oracle.h), a skip when run by hand and a failure under ./test.sh, which installs
// them.
//
// A typical end-to-end test writes its workbooks first, then reads each with every reader once
// (LibreOffice converts a whole batch in one run, which matters: each start costs seconds):
//
//     const QJsonObject book = interop::describeWithXlrd(path);
//     const auto cells = interop::cellsByRef(interop::firstSheet(book));
//     EXPECT_EQ(cells.at("B3").value("value").toString(), "Jane Doe");
//     EXPECT_EQ(interop::xlrdFormatOf(book, cells.at("H10")).value("number_format_id"), 8);
//
//     interop::convertWithLibreOffice(paths, "pdf", folder);
//     const auto pdf = interop::readPdf(interop::convertedPath(paths[0], folder, "pdf"));
//
// The scripts also run by hand: `tests/interop/describe_xls.py book.xls` prints the JSON.

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

#include <ostream>

#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace interop {

bool xlrdAvailable();
bool gnumericAvailable();
bool libreOfficeAvailable();
bool popplerAvailable();

// The command that installs the named readers ("xlrd", "gnumeric", "libreoffice", "poppler", in
// any case), for the message of a test that finds one missing: "apt-get install python3-xlrd".
// LibreOffice's PDF output is read with poppler, so "libreoffice" brings poppler too.
std::string installCommand(std::initializer_list<std::string_view> readers);

// describe_xls.py's JSON for the workbook at `path`. Throws std::runtime_error carrying the
// reader's own message when it cannot read the file.
QJsonObject describeWithXlrd(const std::string& path);

// describe_gnumeric.py's JSON; `styleRange` ("A1:N11") adds the style of each of its cells.
QJsonObject describeWithGnumeric(const std::string& path, const std::string& styleRange = {});

// describe_fods.py's JSON for a .fods file that convertWithLibreOffice wrote; `styleRange`
// ("A1:N11") adds the style of each of its cells.
QJsonObject describeLibreOfficeConversion(const std::string& fodsPath,
                                          const std::string& styleRange = {});

// Converts every file in `paths` with one LibreOffice run to `format` ("csv", "pdf", "fods") into
// `folder`, each output named after its input ("book.xls" -> "book.csv"). CSV is UTF-8 with
// the values as the sheet shows them. Throws std::runtime_error when an output is missing.
void convertWithLibreOffice(const std::vector<std::string>& paths, const std::string& format,
                            const std::string& folder);

// Where convertWithLibreOffice put the `extension` version of `path`.
std::string convertedPath(const std::string& path, const std::string& folder,
                          const std::string& extension);

using CsvTable = std::vector<std::vector<std::string>>;
CsvTable readCsv(const std::string& path);

// The field at an Excel address ("F7") of a CSV table, empty when outside it.
std::string csvField(const CsvTable& table, const std::string& ref);

struct PdfDocument
{
    int pages = 0;
    double widthPt = 0; // of the first page
    double heightPt = 0;
    std::vector<std::string> pageTexts;
};
PdfDocument readPdf(const std::string& path);

// Lookups into the JSON descriptions.
QJsonObject firstSheet(const QJsonObject& book);
// A sheet's "cells" list by address ("F7").
using CellMap = std::unordered_map<std::string, QJsonObject>;
CellMap cellsByRef(const QJsonObject& sheet);
// xlrd: the format of a cell (by its "xf").
QJsonObject xlrdFormatOf(const QJsonObject& book, const QJsonObject& cell);

// Excel's address of a zero-based cell: (6, 5) -> "F7".
std::string cellRef(int row, int column);

// Every cell address of a range such as "A10:D11".
std::vector<std::string> cellsOf(const std::string& range);

} // namespace interop

// Readable GoogleTest messages for the Qt values the descriptions hold (found by argument-
// dependent lookup, so they live beside Qt's types in the global namespace).
void PrintTo(const QString& value, std::ostream* out);
void PrintTo(const QStringList& value, std::ostream* out);
void PrintTo(const QJsonValue& value, std::ostream* out);
void PrintTo(const QJsonArray& value, std::ostream* out);
void PrintTo(const QJsonObject& value, std::ostream* out);
