// Workbooks as the builder leaves them - the template with item rows, thousands of rows, text
// beyond Latin-1, strings long enough to spill the shared string table into CONTINUE records -
// written by the engine and read back by xlrd, Gnumeric and LibreOffice, cell by cell.

#include "tests/interop/interop_readers.h"

#include "spreadsheet/biff/workbook_writer.h"
#include "spreadsheet/formula/evaluate.h"
#include "spreadsheet/formula/tokens.h"
#include "tests/support/oracle.h"
#include "tools/template/inventory_template.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

namespace {

using spreadsheet::CellKind;
using spreadsheet::Workbook;

// A cell as we wrote it. `text` is a text cell's text, or how a boolean or error reads
// ("TRUE", "#DIV/0!"); `shown` is the text LibreOffice shows for it, when worth checking.
struct ExpectedCell
{
    enum class Kind
    {
        Text,
        Number,
        Boolean,
        Error,
        FormulaText, // a formula whose cached result is text
    };
    std::string ref;
    Kind kind = Kind::Text;
    std::string text;
    double number = 0;
    std::optional<std::string> shown;
};
using Kind = ExpectedCell::Kind;

// The template's own merged areas, which every sample keeps.
const std::vector<std::string> kTemplateMerges = {"A1:E1", "A2:B2", "E2:F2", "I2:K2"};

struct Sample
{
    std::string name;
    Workbook book;
    std::vector<ExpectedCell> cells;
    std::vector<std::string> merged = kTemplateMerges;
    std::string path;
};

constexpr uint32_t kFirstItemRow = 9; // row 10

class SampleBuilder
{
public:
    explicit SampleBuilder(std::string name)
    {
        m_sample.name = std::move(name);
        m_sample.book = spreadsheet::makeInventoryTemplate();
    }

    // New item rows take the formats of the template's first item row, as a copied block would.
    uint16_t itemXf(uint16_t column) const
    {
        const auto* cell = m_sample.book.sheets[0].findCell(kFirstItemRow, column);
        return cell ? cell->xf : uint16_t(15);
    }

    void text(uint32_t row, uint16_t column, const std::string& value,
              std::optional<std::string> shown = std::nullopt)
    {
        auto& cell = m_sample.book.sheets[0].ensureRow(row).ensure(column, itemXf(column));
        cell.kind = CellKind::String;
        cell.index = m_sample.book.strings.intern(value);
        m_sample.cells.push_back({interop::cellRef(int(row), column), Kind::Text, value, 0,
                                  shown ? shown : std::optional<std::string>(value)});
    }

    void number(uint32_t row, uint16_t column, double value,
                std::optional<std::string> shown = std::nullopt)
    {
        auto& cell = m_sample.book.sheets[0].ensureRow(row).ensure(column, itemXf(column));
        cell.kind = CellKind::Number;
        cell.number = value;
        m_sample.cells.push_back(
            {interop::cellRef(int(row), column), Kind::Number, {}, value, shown});
    }

    void flag(uint32_t row, uint16_t column, bool value)
    {
        auto& cell = m_sample.book.sheets[0].ensureRow(row).ensure(column, itemXf(column));
        cell.kind = CellKind::Boolean;
        cell.flag = value;
        // LibreOffice's CSV export writes a boolean from any .xls as 1 or 0, so what it
        // shows is not compared.
        m_sample.cells.push_back({interop::cellRef(int(row), column), Kind::Boolean,
                                  value ? "TRUE" : "FALSE", 0, std::nullopt});
    }

    void error(uint32_t row, uint16_t column, spreadsheet::ErrorCode code, const std::string& text)
    {
        auto& cell = m_sample.book.sheets[0].ensureRow(row).ensure(column, itemXf(column));
        cell.kind = CellKind::Error;
        cell.flag = uint8_t(code);
        m_sample.cells.push_back({interop::cellRef(int(row), column), Kind::Error, text, 0, text});
    }

    // A formula whose result is text, which the file carries in a STRING record.
    void textFormula(uint32_t row, uint16_t column,
                     const std::vector<spreadsheet::formula::Token>& tokens,
                     const std::string& result)
    {
        spreadsheet::Worksheet& sheet = m_sample.book.sheets[0];
        spreadsheet::Formula formula;
        formula.row = row;
        formula.column = column;
        formula.tokens = spreadsheet::formula::encodeTokens(tokens);
        formula.cached.kind = spreadsheet::CachedValue::Kind::String;
        formula.cached.text = result;
        auto& cell = sheet.ensureRow(row).ensure(column, itemXf(column));
        cell.kind = CellKind::Formula;
        cell.index = uint32_t(sheet.formulas.size());
        sheet.formulas.push_back(std::move(formula));
        m_sample.cells.push_back(
            {interop::cellRef(int(row), column), Kind::FormulaText, result, 0, result});
    }

    void merge(const spreadsheet::CellRange& range)
    {
        m_sample.book.sheets[0].merged.push_back(range);
        m_sample.merged.push_back(interop::cellRef(int(range.firstRow), range.firstColumn) + ":" +
                                  interop::cellRef(int(range.lastRow), range.lastColumn));
    }

    // Formats rows 10..lastRow as copies of the item block's first row and stretches
    // Print_Area and the banding format over them, as inserting item rows does.
    void formatItemRows(uint32_t lastRow)
    {
        Workbook& book = m_sample.book;
        for (auto& name : book.names)
            if (name.builtInCode == spreadsheet::DefinedName::PrintArea)
                name.tokens = spreadsheet::formula::encodeTokens(
                    {spreadsheet::formula::makeArea3d(0, 0, 0, uint16_t(lastRow), 11)});
        book.sheets[0].conditionalFormats[0].ranges[0].lastRow = lastRow;
        const spreadsheet::Row itemRow = book.sheets[0].rows[kFirstItemRow];
        for (uint32_t row = kFirstItemRow + 1; row <= lastRow; ++row)
            book.sheets[0].ensureRow(row) = itemRow;
    }

    // The sample with F7's total computed, as saving does.
    Sample finish()
    {
        spreadsheet::formula::refreshCachedResults(m_sample.book);
        return std::move(m_sample);
    }

private:
    Sample m_sample;
};

std::string itemText(const char* what, uint32_t item)
{
    return what + std::to_string(item);
}

// "$1,234.50 ": how the item columns' currency format shows a positive amount (its "_)"
// leaves room for the closing parenthesis of negative amounts).
std::string currencyText(double amount)
{
    const auto cents = static_cast<long long>(amount * 100 + 0.5);
    std::string whole = std::to_string(cents / 100);
    for (int at = int(whole.size()) - 3; at > 0; at -= 3)
        whole.insert(size_t(at), ",");
    const int fraction = int(cents % 100);
    return "$" + whole + (fraction < 10 ? ".0" : ".") + std::to_string(fraction) + " ";
}

// Twenty items with text, dates and amounts, and a note outside the print area.
Sample itemsSample()
{
    SampleBuilder b("items");
    constexpr uint32_t kItems = 20;
    b.formatItemRows(kFirstItemRow + kItems - 1);
    double total = 0;
    for (uint32_t i = 1; i <= kItems; ++i) {
        const uint32_t row = kFirstItemRow + i - 1;
        b.text(row, 0, itemText("Room ", i));
        b.text(row, 1, itemText("Item number ", i));
        b.number(row, 4, 45000 + i); // dates in 2023
        b.number(row, 7, 1000.25 * i, currencyText(1000.25 * i));
        b.number(row, 9, 100.0 * i, currencyText(100.0 * i));
        total += 100.0 * i;
        b.text(row, 11, itemText("C:\\Photos\\item", i) + ".jpg");
    }
    b.text(19, 13, "outside the print area");
    Sample sample = b.finish();
    sample.cells.push_back({"F7", Kind::Number, {}, total, std::nullopt});
    return sample;
}

// Enough item rows for many ROW blocks, DBCELL and INDEX entries and printed pages.
constexpr uint32_t kManyItems = 1000;

Sample manyRowsSample()
{
    SampleBuilder b("many_rows");
    const uint32_t lastRow = kFirstItemRow + kManyItems - 1;
    b.formatItemRows(lastRow);
    for (uint32_t i = 1; i <= kManyItems; ++i) {
        const uint32_t row = kFirstItemRow + i - 1;
        b.text(row, 0, itemText("Location ", i));
        b.text(row, 1, itemText("Description of item ", i));
        b.text(row, 2, itemText("Model ", i % 37));
        b.text(row, 3, itemText("SN-", 100000 + i));
        b.text(row, 5, itemText("Store ", i % 11));
        b.text(row, 6, i % 2 ? "1 year" : "none");
        b.number(row, 7, double(i % 500) + 0.99);
        b.text(row, 8, i % 3 ? "Good" : "Fair");
        b.number(row, 9, double(i));
        b.text(row, 10, itemText("Note ", i));
        b.text(row, 11, itemText("/home/owner/photos/", i) + ".png");
    }
    return b.finish();
}

// Text beyond Latin-1 and Basic Multilingual Plane, and control characters a cell may hold.
Sample unicodeSample()
{
    SampleBuilder b("unicode");
    const char* texts[] = {
        "Caf\u00e9 cr\u00e8me br\u00fbl\u00e9e",
        "Gr\u00f6\u00dfe \u00a3 \u20ac \u00a5",
        "\u65e5\u672c\u8a9e\u306e\u8aac\u660e",
        "\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",
        "\u05e9\u05dc\u05d5\u05dd",
        "box \U0001F4E6 and camera \U0001F4F7",
        "line one\nline two",
        "quote \" and, comma",
    };
    uint32_t row = kFirstItemRow;
    for (const char* text : texts)
        b.text(row++, 1, text);
    return b.finish();
}

// A shared string table far beyond one record: hundreds of strings, with two-byte characters
// placed so that CONTINUE boundaries fall inside them, and one string of the longest length a
// cell may hold.
Sample longStringsSample()
{
    SampleBuilder b("long_strings");
    uint32_t row = kFirstItemRow;
    for (uint32_t i = 0; i < 600; ++i) {
        std::string text = itemText("string ", i) + " ";
        for (uint32_t k = 0; k < 10 + i % 23; ++k)
            text += i % 3 == 0 ? "\u00e9\u4e2d" : "abc";
        b.text(row++, 1, text);
    }
    std::string longest;
    while (longest.size() < 3 * 10000)
        longest += "\u4e2d\u6587"; // 3 bytes each in UTF-8, one UTF-16 unit
    longest += std::string(spreadsheet::kMaxCellTextLength - 10000, 'x');
    b.text(row++, 10, longest, std::nullopt);
    return b.finish();
}

// Numbers at the edges of the compact RK form and beyond it, booleans, errors, a formula with a
// text result, and more merged areas than one MERGEDCELLS record holds (1,027).
Sample valuesSample()
{
    SampleBuilder b("values");
    const double numbers[] = {
        0,         -1,         1.5,        0.1,     123456789,   536870911,
        536870912, -536870912, -536870913, 1234.56, -0.01,       2147483648,
        1e100,     -2.5e-10,   45000.75,   1e-300,  99999999.99, 0.30000000000000004};
    uint32_t row = kFirstItemRow;
    for (double number : numbers)
        b.number(row++, 2, number);
    b.flag(row++, 2, true);
    b.flag(row++, 2, false);
    b.error(row++, 2, spreadsheet::ErrorCode::Div0, "#DIV/0!");
    b.error(row++, 2, spreadsheet::ErrorCode::NA, "#N/A");
    using namespace spreadsheet::formula;
    b.textFormula(row++, 2, {makeString("Stow"), makeString("folio"), makeOperator(ptg::Concat)},
                  "Stowfolio");
    for (uint32_t area = 0; area < 1500; ++area) {
        const uint32_t merged = 100 + area;
        b.text(merged, 0, itemText("merged ", area));
        b.merge({merged, merged, 0, 1});
    }
    return b.finish();
}

struct Readings
{
    std::vector<Sample> samples;
    std::map<std::string, QJsonObject> xlrd;     // by sample name
    std::map<std::string, QJsonObject> gnumeric; // by sample name
    std::map<std::string, interop::CsvTable> libreCsv;
    std::map<std::string, interop::PdfDocument> librePdf;
    std::map<std::string, std::string> failures; // "reader sample" -> what went wrong
};

class EditedWorkbookInterop : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_folder = new QTemporaryDir;
        s_readings = new Readings;
        Readings& r = *s_readings;
        r.samples.push_back(itemsSample());
        r.samples.push_back(manyRowsSample());
        r.samples.push_back(unicodeSample());
        r.samples.push_back(longStringsSample());
        r.samples.push_back(valuesSample());
        const std::string folder = s_folder->path().toStdString();
        std::vector<std::string> paths;
        for (Sample& sample : r.samples) {
            sample.path = folder + "/" + sample.name + ".xls";
            spreadsheet::writeWorkbookFile(sample.book, sample.path);
            paths.push_back(sample.path);
        }
        const auto attempt = [&](const std::string& what, auto&& read) {
            try {
                read();
            } catch (const std::exception& error) {
                r.failures[what] = error.what();
            }
        };
        for (const Sample& sample : r.samples) {
            if (interop::xlrdAvailable())
                attempt("xlrd " + sample.name,
                        [&] { r.xlrd[sample.name] = interop::describeWithXlrd(sample.path); });
            if (interop::gnumericAvailable())
                attempt("gnumeric " + sample.name, [&] {
                    r.gnumeric[sample.name] = interop::describeWithGnumeric(sample.path);
                });
        }
        if (interop::libreOfficeAvailable() && interop::popplerAvailable()) {
            const std::string out = folder + "/libreoffice";
            attempt("libreoffice", [&] {
                interop::convertWithLibreOffice(paths, "csv", out);
                interop::convertWithLibreOffice({r.samples[0].path, r.samples[1].path}, "pdf", out);
                for (const Sample& sample : r.samples)
                    r.libreCsv[sample.name] =
                        interop::readCsv(interop::convertedPath(sample.path, out, "csv"));
                for (size_t i = 0; i < 2; ++i)
                    r.librePdf[r.samples[i].name] =
                        interop::readPdf(interop::convertedPath(r.samples[i].path, out, "pdf"));
            });
        }
    }
    static void TearDownTestSuite()
    {
        delete s_readings;
        delete s_folder;
    }

    // The failure reading `what` ran into, reported; false when there was none.
    static bool reportedFailure(const std::string& what)
    {
        const auto failure = s_readings->failures.find(what);
        if (failure == s_readings->failures.end())
            return false;
        ADD_FAILURE() << what << ": " << failure->second;
        return true;
    }

    static QTemporaryDir* s_folder;
    static Readings* s_readings;
};

QTemporaryDir* EditedWorkbookInterop::s_folder = nullptr;
Readings* EditedWorkbookInterop::s_readings = nullptr;

std::string shortened(const std::string& text)
{
    return text.size() > 60 ? text.substr(0, 60) + "... (" + std::to_string(text.size()) + ")"
                            : text;
}

// A cell's type and value in one line: "number 1234.5", "text Room 1", "boolean TRUE".
std::string numberText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string expectedReading(const ExpectedCell& cell)
{
    switch (cell.kind) {
    case Kind::Number:
        return "number " + numberText(cell.number);
    case Kind::Boolean:
        return "boolean " + cell.text;
    case Kind::Error:
        return "error " + cell.text;
    case Kind::Text:
    case Kind::FormulaText:
        break;
    }
    return "text " + shortened(cell.text);
}

std::string xlrdReading(const QJsonObject& cell)
{
    const QString type = cell.value("type").toString();
    const QJsonValue value = cell.value("value");
    if (type == "number" || type == "date")
        return "number " + numberText(value.toDouble());
    if (type == "boolean")
        return std::string("boolean ") + (value.toBool() ? "TRUE" : "FALSE");
    if (type == "error")
        return "error " + value.toString().toStdString();
    if (type == "text")
        return "text " + shortened(value.toString().toStdString());
    return type.toStdString();
}

// Gnumeric's value types: 20 boolean, 40 number, 50 error, 60 text.
std::string gnumericReading(const QJsonObject& cell)
{
    const QString type = cell.value("value_type").toString();
    const QString value = cell.value("value").toString();
    if (type == "40")
        return "number " + numberText(value.toDouble());
    if (type == "20")
        return "boolean " + value.toUpper().toStdString();
    if (type == "50")
        return "error " + value.toStdString();
    if (type == "60")
        return "text " + shortened(value.toStdString());
    return "value type " + type.toStdString();
}

TEST_F(EditedWorkbookInterop, xlrdReadsEveryCellAsWritten)
{
    if (!interop::xlrdAvailable())
        STOWFOLIO_ORACLE_MISSING("xlrd", interop::installCommand({"xlrd"}));
    for (const Sample& sample : s_readings->samples) {
        SCOPED_TRACE(sample.name);
        if (reportedFailure("xlrd " + sample.name))
            continue;
        const auto cells = interop::cellsByRef(interop::firstSheet(s_readings->xlrd[sample.name]));
        for (const ExpectedCell& expected : sample.cells) {
            SCOPED_TRACE(expected.ref);
            ASSERT_TRUE(cells.contains(expected.ref));
            EXPECT_EQ(xlrdReading(cells.at(expected.ref)), expectedReading(expected));
        }
    }
}

TEST_F(EditedWorkbookInterop, gnumericReadsEveryCellAsWritten)
{
    if (!interop::gnumericAvailable())
        STOWFOLIO_ORACLE_MISSING("Gnumeric", interop::installCommand({"gnumeric"}));
    for (const Sample& sample : s_readings->samples) {
        SCOPED_TRACE(sample.name);
        if (reportedFailure("gnumeric " + sample.name))
            continue;
        const auto cells =
            interop::cellsByRef(interop::firstSheet(s_readings->gnumeric[sample.name]));
        for (const ExpectedCell& expected : sample.cells) {
            SCOPED_TRACE(expected.ref);
            ASSERT_TRUE(cells.contains(expected.ref));
            const QJsonObject& cell = cells.at(expected.ref);
            // Gnumeric keeps a formula, not its cached result.
            if (cell.value("formula").isNull()) {
                EXPECT_EQ(gnumericReading(cell), expectedReading(expected));
            }
        }
    }
}

TEST_F(EditedWorkbookInterop, libreOfficeShowsEveryCellAsWritten)
{
    if (!interop::libreOfficeAvailable() || !interop::popplerAvailable())
        STOWFOLIO_ORACLE_MISSING("LibreOffice", interop::installCommand({"libreoffice"}));
    if (reportedFailure("libreoffice"))
        return;
    for (const Sample& sample : s_readings->samples) {
        SCOPED_TRACE(sample.name);
        const interop::CsvTable& table = s_readings->libreCsv[sample.name];
        for (const ExpectedCell& expected : sample.cells) {
            if (expected.shown) {
                EXPECT_EQ(shortened(interop::csvField(table, expected.ref)),
                          shortened(*expected.shown))
                    << expected.ref;
            }
        }
    }
}

std::vector<std::string> sortedMerges(const QJsonObject& book)
{
    std::vector<std::string> merged;
    for (const QJsonValue& range : interop::firstSheet(book).value("merged").toArray())
        merged.push_back(range.toString().toStdString());
    std::sort(merged.begin(), merged.end());
    return merged;
}

TEST_F(EditedWorkbookInterop, xlrdAndGnumericReadEveryMergedArea)
{
    if (!interop::xlrdAvailable() || !interop::gnumericAvailable())
        STOWFOLIO_ORACLE_MISSING("xlrd together with Gnumeric",
                                 interop::installCommand({"xlrd", "gnumeric"}));
    for (const Sample& sample : s_readings->samples) {
        SCOPED_TRACE(sample.name);
        if (reportedFailure("xlrd " + sample.name) || reportedFailure("gnumeric " + sample.name))
            continue;
        std::vector<std::string> wanted = sample.merged;
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(sortedMerges(s_readings->xlrd[sample.name]), wanted);
        EXPECT_EQ(sortedMerges(s_readings->gnumeric[sample.name]), wanted);
    }
}

TEST_F(EditedWorkbookInterop, totalOverColumnJIsCachedForReadersThatDoNotRecalculate)
{
    if (!interop::xlrdAvailable())
        STOWFOLIO_ORACLE_MISSING("xlrd", interop::installCommand({"xlrd"}));
    if (reportedFailure("xlrd many_rows"))
        return;
    const auto cells = interop::cellsByRef(interop::firstSheet(s_readings->xlrd["many_rows"]));
    ASSERT_TRUE(cells.contains("F7"));
    EXPECT_EQ(cells.at("F7").value("value").toDouble(), kManyItems * (kManyItems + 1) / 2.0);
}

TEST_F(EditedWorkbookInterop, printAreaLimitsWhatLibreOfficePrints)
{
    if (!interop::libreOfficeAvailable() || !interop::popplerAvailable())
        STOWFOLIO_ORACLE_MISSING("LibreOffice", interop::installCommand({"libreoffice"}));
    if (reportedFailure("libreoffice"))
        return;
    const interop::PdfDocument& pdf = s_readings->librePdf["items"];
    std::string all;
    for (const std::string& page : pdf.pageTexts)
        all += page;
    EXPECT_NE(all.find("Room 20"), std::string::npos);
    EXPECT_EQ(all.find("outside the print area"), std::string::npos);
}

// Fit to one page wide with automatic height: many landscape pages, each holding every column
// and the repeated header row.
TEST_F(EditedWorkbookInterop, manyRowsPrintOnePageWideWithRepeatedHeaders)
{
    if (!interop::libreOfficeAvailable() || !interop::popplerAvailable())
        STOWFOLIO_ORACLE_MISSING("LibreOffice", interop::installCommand({"libreoffice"}));
    if (reportedFailure("libreoffice"))
        return;
    const interop::PdfDocument& pdf = s_readings->librePdf["many_rows"];
    EXPECT_GT(pdf.pages, 5);
    EXPECT_NEAR(pdf.widthPt, 792, 1);
    EXPECT_NEAR(pdf.heightPt, 612, 1);
    for (size_t page = 0; page < pdf.pageTexts.size(); ++page) {
        EXPECT_NE(pdf.pageTexts[page].find("Item Location"), std::string::npos) << page;
        EXPECT_NE(pdf.pageTexts[page].find("Photo"), std::string::npos) << page;
    }
    ASSERT_FALSE(pdf.pageTexts.empty());
    EXPECT_NE(pdf.pageTexts.back().find(itemText("/home/owner/photos/", kManyItems)),
              std::string::npos);
}

} // namespace
