// The shipped template, opened by xlrd, Gnumeric and LibreOffice, compared with the sheet it
// must be: every caption, format, merge, width, height, name and print setting.

#include "tests/interop/format_lines.h"
#include "tests/interop/interop_readers.h"
#include "tests/interop/template_layout.h"
#include "tests/support/oracle.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <regex>
#include <set>

namespace {

using interop::cellsOf;
using namespace template_layout;

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

// Everything the readers saw, gathered once for all tests: LibreOffice alone takes seconds.
struct Readings
{
    std::optional<QJsonObject> xlrd;
    std::optional<QJsonObject> gnumeric;
    std::optional<interop::CsvTable> libreCsv;
    std::optional<interop::PdfDocument> librePdf;
    std::optional<QJsonObject> libreFods;
    std::map<std::string, std::string> failures; // reader -> what went wrong
};

class TemplateInterop : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_readings = new Readings;
        const std::string path = STOWFOLIO_TEMPLATE_PATH;
        const auto attempt = [](const char* reader, auto&& read) {
            try {
                read();
            } catch (const std::exception& error) {
                s_readings->failures[reader] = error.what();
            }
        };
        if (interop::xlrdAvailable())
            attempt("xlrd", [&] { s_readings->xlrd = interop::describeWithXlrd(path); });
        if (interop::gnumericAvailable())
            attempt("gnumeric",
                    [&] { s_readings->gnumeric = interop::describeWithGnumeric(path, "A1:N12"); });
        if (interop::libreOfficeAvailable() && interop::popplerAvailable()) {
            static QTemporaryDir folder;
            const std::string out = folder.path().toStdString();
            attempt("libreoffice", [&] {
                interop::convertWithLibreOffice({path}, "csv", out);
                interop::convertWithLibreOffice({path}, "pdf", out);
                interop::convertWithLibreOffice({path}, "fods", out);
                s_readings->libreCsv = interop::readCsv(interop::convertedPath(path, out, "csv"));
                s_readings->librePdf = interop::readPdf(interop::convertedPath(path, out, "pdf"));
                s_readings->libreFods = interop::describeLibreOfficeConversion(
                    interop::convertedPath(path, out, "fods"), "A1:N12");
            });
        }
    }
    static void TearDownTestSuite() { delete s_readings; }

    // The reading of `reader`, or a skip or failure saying why there is none.
    template <typename T>
    static const T* reading(const std::optional<T>& value, const char* reader)
    {
        if (auto failure = s_readings->failures.find(reader);
            failure != s_readings->failures.end()) {
            ADD_FAILURE() << reader << " could not read the template: " << failure->second;
            return nullptr;
        }
        return value ? &*value : nullptr;
    }
    static const QJsonObject* xlrd() { return reading(s_readings->xlrd, "xlrd"); }
    static const QJsonObject* gnumeric() { return reading(s_readings->gnumeric, "gnumeric"); }
    static const QJsonObject* libreOffice()
    {
        return reading(s_readings->libreFods, "libreoffice");
    }

    static Readings* s_readings;
};

Readings* TemplateInterop::s_readings = nullptr;

#define REQUIRE_READING(pointer, reader)                                                           \
    const auto* pointer = reader();                                                                \
    if (!pointer) {                                                                                \
        if (!HasFailure())                                                                         \
            STOWFOLIO_ORACLE_MISSING(#reader, interop::installCommand({#reader}));                 \
        return;                                                                                    \
    }

TEST_F(TemplateInterop, xlrdReadsEveryCaptionAndNoOtherValue)
{
    REQUIRE_READING(book, xlrd);
    const auto cells = interop::cellsByRef(interop::firstSheet(*book));
    for (const Caption& caption : kCaptions) {
        SCOPED_TRACE(caption.ref);
        ASSERT_TRUE(cells.contains(caption.ref));
        const QJsonObject& cell = cells.at(caption.ref);
        EXPECT_EQ(cell.value("type").toString(), "text");
        EXPECT_EQ(cell.value("value").toString(), q(caption.text));
    }
    int values = 0;
    for (const auto& [ref, cell] : cells)
        if (cell.value("type").toString() != "blank")
            ++values;
    EXPECT_EQ(values, int(std::size(kCaptions)) + 1) << "only the captions and F7 hold values";
}

TEST_F(TemplateInterop, xlrdSeesTheFormattedBlankCells)
{
    REQUIRE_READING(book, xlrd);
    const auto cells = interop::cellsByRef(interop::firstSheet(*book));
    for (const char* range : kFormattedBlanks)
        for (const std::string& ref : cellsOf(range)) {
            ASSERT_TRUE(cells.contains(ref)) << ref;
            EXPECT_EQ(cells.at(ref).value("type").toString(), "blank") << ref;
        }
}

TEST_F(TemplateInterop, xlrdReadsTheTotalAsZeroInAccountingFormat)
{
    REQUIRE_READING(book, xlrd);
    const auto cells = interop::cellsByRef(interop::firstSheet(*book));
    ASSERT_TRUE(cells.contains("F7"));
    const QJsonObject& total = cells.at("F7");
    EXPECT_EQ(total.value("type").toString(), "number");
    EXPECT_EQ(total.value("value").toDouble(), 0.0);
    EXPECT_EQ(interop::xlrdFormatOf(*book, total).value("number_format").toString(),
              q(kAccounting));
}

TEST_F(TemplateInterop, xlrdFormatsMatchTheLayoutTable)
{
    REQUIRE_READING(book, xlrd);
    const auto cells = interop::cellsByRef(interop::firstSheet(*book));
    for (const Look& look : kLooks)
        for (const std::string& ref : cellsOf(look.range)) {
            ASSERT_TRUE(cells.contains(ref)) << ref;
            const QJsonObject format = interop::xlrdFormatOf(*book, cells.at(ref));
            EXPECT_EQ(
                seenLook(format, format.value("font").toObject().value("color_index") == 0x7FFF),
                expectedLook(look))
                << ref << " (xlrd takes boldness from bit 0 of FONT's option flags)";
            if (look.numberFormatId == 8 || look.numberFormatId == 44) {
                EXPECT_EQ(format.value("number_format").toString(),
                          q(look.numberFormatId == 8 ? kCurrency : kAccounting))
                    << ref;
            }
        }
}

TEST_F(TemplateInterop, xlrdReadsWorkbookSettingsAndPalette)
{
    REQUIRE_READING(book, xlrd);
    EXPECT_EQ(book->value("codepage").toInt(), 1252);
    EXPECT_EQ(book->value("datemode").toInt(), 0);
    const QJsonObject defaultFont = book->value("default_font").toObject();
    EXPECT_EQ(defaultFont.value("name").toString(), "Arial");
    EXPECT_EQ(defaultFont.value("points").toDouble(), 10.0);
    const QJsonObject palette = book->value("palette").toObject();
    EXPECT_EQ(palette.value("53").toString(), kBlue);
    EXPECT_EQ(palette.value("47").toString(), kTint);
    EXPECT_EQ(palette.value("22").toString(), kGrey);
    EXPECT_EQ(palette.value("60").toString(), kInk);
    EXPECT_EQ(palette.value("8").toString(), "#000000");
    EXPECT_EQ(palette.value("9").toString(), kWhite);
    const QJsonArray sheets = book->value("sheets").toArray();
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_EQ(sheets.first().toObject().value("name").toString(), "Home Inventory");
}

TEST_F(TemplateInterop, xlrdReadsMergesWidthsHeightsAndWindow)
{
    REQUIRE_READING(book, xlrd);
    const QJsonObject sheet = interop::firstSheet(*book);
    QStringList merged;
    for (const QJsonValue& range : sheet.value("merged").toArray())
        merged << range.toString();
    merged.sort();
    EXPECT_EQ(merged, QStringList({"A1:E1", "A2:B2", "E2:F2", "I2:K2"}));

    const QJsonObject widths = sheet.value("column_widths").toObject();
    for (const ColumnWidth& column : kColumnWidths)
        EXPECT_EQ(widths.value(column.column).toInt(), column.width) << column.column;
    EXPECT_EQ(sheet.value("default_column_width").toInt(), 8);
    // Every column, used or not, carries the sheet's Times New Roman 10.
    const QJsonObject columnXfs = sheet.value("column_xfs").toObject();
    EXPECT_EQ(columnXfs.size(), 256);
    for (const QString& column : columnXfs.keys()) {
        const QJsonObject format = book->value("formats")
                                       .toObject()
                                       .value(QString::number(columnXfs.value(column).toInt()))
                                       .toObject();
        const QJsonObject font = format.value("font").toObject();
        EXPECT_EQ(font.value("name").toString(), "Times New Roman") << column.toStdString();
        EXPECT_EQ(font.value("points").toDouble(), 10.0) << column.toStdString();
        EXPECT_EQ(format.value("fill").toObject().value("pattern").toInt(), 0);
    }

    const QJsonObject heights = sheet.value("row_heights").toObject();
    for (const RowHeight& row : kRowHeights) {
        const QJsonObject height = heights.value(row.row).toObject();
        EXPECT_EQ(height.value("twips").toInt(), row.twips) << "row " << row.row;
        EXPECT_EQ(height.value("custom").toBool(), row.custom) << "row " << row.row;
    }
    EXPECT_EQ(sheet.value("default_row_height").toInt(), 255);

    EXPECT_EQ(sheet.value("zoom").toInt(), 115);
    EXPECT_FALSE(sheet.value("show_gridlines").toBool());
    EXPECT_TRUE(sheet.value("show_headings").toBool());
    EXPECT_TRUE(sheet.value("selected").toBool());
}

TEST_F(TemplateInterop, xlrdReadsThePrintNamesLocalToTheSheet)
{
    REQUIRE_READING(book, xlrd);
    std::map<QString, QJsonObject> names;
    for (const QJsonValue& name : book->value("names").toArray())
        names[name.toObject().value("name").toString()] = name.toObject();
    ASSERT_EQ(names.size(), 2u);
    struct Expected
    {
        const char* name;
        QJsonArray rows;
        QJsonArray columns;
    };
    for (const Expected& expected :
         {Expected{"Print_Area", {0, 10}, {0, 11}}, Expected{"Print_Titles", {8, 8}, {0, 255}}}) {
        SCOPED_TRACE(expected.name);
        ASSERT_TRUE(names.contains(expected.name));
        const QJsonObject& name = names[expected.name];
        EXPECT_TRUE(name.value("builtin").toBool());
        EXPECT_EQ(name.value("scope").toInt(), 0) << "local to the first sheet";
        const QJsonObject area = name.value("area").toObject();
        EXPECT_EQ(area.value("sheet").toInt(), 0);
        EXPECT_EQ(area.value("rows").toArray(), expected.rows);
        EXPECT_EQ(area.value("columns").toArray(), expected.columns);
    }
}

TEST_F(TemplateInterop, gnumericStylesMatchTheLayoutTable)
{
    REQUIRE_READING(book, gnumeric);
    const QJsonObject styles = interop::firstSheet(*book).value("styles").toObject();
    for (const Look& look : kLooks)
        for (const std::string& ref : cellsOf(look.range)) {
            const QJsonObject style = styles.value(QString::fromStdString(ref)).toObject();
            ASSERT_FALSE(style.isEmpty()) << ref;
            // Gnumeric shows the automatic colour as black.
            const bool automatic =
                style.value("font").toObject().value("color").toString() == "#000000";
            EXPECT_EQ(seenLook(gnumericFormat(style), automatic), expectedLook(look)) << ref;
        }
    // Outside the layout, the sheet's plain Times New Roman 10.
    for (const char* ref : {"M5", "N12", "G3", "A12"}) {
        const QJsonObject style = styles.value(ref).toObject();
        EXPECT_EQ(style.value("font").toObject().value("name").toString(), "Times New Roman")
            << ref;
        EXPECT_EQ(style.value("font").toObject().value("points").toDouble(), 10.0) << ref;
        EXPECT_EQ(style.value("fill").toObject().value("pattern").toInt(), 0) << ref;
    }
}

TEST_F(TemplateInterop, gnumericReadsCaptionsAndTheTotalFormula)
{
    REQUIRE_READING(book, gnumeric);
    const QJsonObject sheet = interop::firstSheet(*book);
    const auto cells = interop::cellsByRef(sheet);
    for (const Caption& caption : kCaptions) {
        ASSERT_TRUE(cells.contains(caption.ref)) << caption.ref;
        EXPECT_EQ(cells.at(caption.ref).value("value").toString(), q(caption.text)) << caption.ref;
    }
    ASSERT_TRUE(cells.contains("F7"));
    // Gnumeric prints the whole column as the rows it covers.
    EXPECT_EQ(cells.at("F7").value("formula").toString().toUpper(), "=SUM(J$1:J$65536)");
    EXPECT_EQ(cells.size(), std::size(kCaptions) + 1);
}

TEST_F(TemplateInterop, gnumericReadsGeometry)
{
    REQUIRE_READING(book, gnumeric);
    const QJsonObject sheet = interop::firstSheet(*book);
    QStringList merged;
    for (const QJsonValue& range : sheet.value("merged").toArray())
        merged << range.toString();
    merged.sort();
    EXPECT_EQ(merged, QStringList({"A1:E1", "A2:B2", "E2:F2", "I2:K2"}));

    const QJsonObject heights = sheet.value("row_heights_pt").toObject();
    for (const RowHeight& row : kRowHeights) {
        const QJsonObject height = heights.value(row.row).toObject();
        EXPECT_NEAR(height.value("points").toDouble(), row.twips / 20.0, 0.01) << row.row;
        EXPECT_EQ(height.value("custom").toBool(), row.custom) << "row " << row.row;
    }
    // Gnumeric turns widths into points with its own font metrics: compare proportions.
    const QJsonObject widths = sheet.value("column_widths_pt").toObject();
    const double pointsPerUnit = widths.value("A").toDouble() / 6582;
    for (const ColumnWidth& column : kColumnWidths)
        EXPECT_NEAR(widths.value(column.column).toDouble() / pointsPerUnit, column.width,
                    column.width * 0.05)
            << column.column;

    EXPECT_NEAR(sheet.value("zoom").toDouble(), 1.15, 1e-9);
    EXPECT_FALSE(sheet.value("show_gridlines").toBool());
}

TEST_F(TemplateInterop, gnumericReadsThePageSetupAndPrintNames)
{
    REQUIRE_READING(book, gnumeric);
    const QJsonObject sheet = interop::firstSheet(*book);
    const QJsonObject print = sheet.value("print").toObject();
    const QJsonObject margins = print.value("margins_pt").toObject();
    for (const char* side : {"left", "right"})
        EXPECT_NEAR(margins.value(side).toDouble(), 18.0, 0.01) << side; // 0.25 inch
    const QJsonObject scale = print.value("scale").toObject();
    EXPECT_EQ(scale.value("type").toString(), "size_fit");
    EXPECT_EQ(scale.value("cols").toString(), "1");
    EXPECT_EQ(scale.value("rows").toString(), "0");
    EXPECT_EQ(print.value("orientation").toString(), "landscape");
    EXPECT_EQ(print.value("paper").toString(), "na_letter");
    EXPECT_TRUE(print.value("hcenter").toBool());
    EXPECT_FALSE(print.value("vcenter").toBool());
    EXPECT_FALSE(print.value("gridlines").toBool());
    EXPECT_FALSE(print.value("headings").toBool());
    // Gnumeric keeps its own default header and footer when a file has no text for them, so
    // their absence is checked in LibreOffice's PDF instead.

    const QJsonObject names = sheet.value("names").toObject();
    EXPECT_EQ(names.value("Print_Area").toString(), "'Home Inventory'!$A$1:$L$11");
    EXPECT_EQ(names.value("Print_Titles").toString(), "'Home Inventory'!$A$9:$IV$9");
}

TEST_F(TemplateInterop, gnumericReadsTheBandingConditionalFormat)
{
    REQUIRE_READING(book, gnumeric);
    const QJsonArray conditions = interop::firstSheet(*book).value("conditions").toArray();
    ASSERT_EQ(conditions.size(), 1);
    const QJsonObject condition = conditions.first().toObject();
    const QJsonArray expressions = condition.value("expressions").toArray();
    ASSERT_EQ(expressions.size(), 1);
    EXPECT_EQ(expressions.first().toString().toUpper(), "MOD(ROW(),2)=1");
    EXPECT_EQ(condition.value("style").toObject().value("Back").toString(), kGrey);
    std::set<std::string> covered;
    for (const QJsonValue& range : condition.value("ranges").toArray())
        for (const std::string& ref : cellsOf(range.toString().toStdString()))
            covered.insert(ref);
    const auto wanted = cellsOf("A10:N11");
    EXPECT_EQ(covered, std::set<std::string>(wanted.begin(), wanted.end()));
}

TEST_F(TemplateInterop, libreOfficeStylesMatchTheLayoutTable)
{
    REQUIRE_READING(book, libreOffice);
    const QJsonObject styles = interop::firstSheet(*book).value("styles").toObject();
    for (const Look& look : kLooks)
        for (const std::string& ref : cellsOf(look.range)) {
            const QJsonObject style = styles.value(QString::fromStdString(ref)).toObject();
            ASSERT_FALSE(style.isEmpty()) << ref;
            const bool automatic = style.value("font").toObject().value("color").isNull();
            EXPECT_EQ(seenLook(libreOfficeFormat(style), automatic), expectedLook(look)) << ref;
        }
    for (const char* ref : {"M5", "N12", "G3", "A12"}) {
        const QJsonObject font = styles.value(ref).toObject().value("font").toObject();
        EXPECT_EQ(font.value("name").toString(), "Times New Roman") << ref;
        EXPECT_EQ(font.value("points").toDouble(), 10.0) << ref;
    }
}

TEST_F(TemplateInterop, libreOfficeReadsPageSetupPrintRangesAndBanding)
{
    REQUIRE_READING(book, libreOffice);
    const QJsonObject sheet = interop::firstSheet(*book);
    const QJsonObject page = sheet.value("page").toObject();
    EXPECT_EQ(page.value("width_in").toDouble(), 11.0);
    EXPECT_EQ(page.value("height_in").toDouble(), 8.5);
    EXPECT_EQ(page.value("orientation").toString(), "landscape");
    for (const QJsonValue& margin : page.value("margins_in").toObject())
        EXPECT_NEAR(margin.toDouble(), 0.25, 1e-3);
    EXPECT_EQ(page.value("scale_to_x").toString(), "1") << "one page wide";
    EXPECT_TRUE(page.value("scale_to_y").isNull()) << "as many pages tall as needed";
    EXPECT_EQ(page.value("centering").toString(), "horizontal");
    EXPECT_FALSE(page.value("header").toBool());
    EXPECT_FALSE(page.value("footer").toBool());

    EXPECT_EQ(sheet.value("print_ranges").toString(), "'Home Inventory'.A1:'Home Inventory'.L11");
    EXPECT_EQ(sheet.value("header_rows").toArray(), QJsonArray({9}));
    QStringList merged;
    for (const QJsonValue& range : sheet.value("merged").toArray())
        merged << range.toString();
    merged.sort();
    EXPECT_EQ(merged, QStringList({"A1:E1", "A2:B2", "E2:F2", "I2:K2"}));

    const auto cells = interop::cellsByRef(sheet);
    ASSERT_TRUE(cells.contains("F7"));
    EXPECT_EQ(cells.at("F7").value("formula").toString(), "of:=SUM([.J:.J])");

    const QJsonArray conditions = sheet.value("conditions").toArray();
    ASSERT_EQ(conditions.size(), 1);
    const QJsonObject condition = conditions.first().toObject();
    EXPECT_EQ(condition.value("range").toString(), "'Home Inventory'.A10:'Home Inventory'.N11");
    EXPECT_EQ(condition.value("condition").toString(), "formula-is(MOD(ROW();2)=1)");
    EXPECT_EQ(condition.value("style").toObject().value("fill").toString(), kGrey);
}

TEST_F(TemplateInterop, libreOfficeReadsRowHeightsAndColumnWidths)
{
    REQUIRE_READING(book, libreOffice);
    const QJsonObject sheet = interop::firstSheet(*book);
    // LibreOffice marks every imported row height as set by hand, so only heights compare.
    const QJsonObject heights = sheet.value("row_heights_pt").toObject();
    for (const RowHeight& row : kRowHeights)
        EXPECT_NEAR(heights.value(row.row).toObject().value("points").toDouble(), row.twips / 20.0,
                    0.05)
            << "row " << row.row;
    // Widths arrive in inches through LibreOffice's font metrics: compare proportions.
    const QJsonObject widths = sheet.value("column_widths_in").toObject();
    const double inchesPerUnit = widths.value("A").toDouble() / 6582;
    for (const ColumnWidth& column : kColumnWidths)
        EXPECT_NEAR(widths.value(column.column).toDouble() / inchesPerUnit, column.width,
                    column.width * 0.05)
            << column.column;
}

TEST_F(TemplateInterop, libreOfficeShowsCaptionsAndTheAccountingZero)
{
    const auto* table = reading(s_readings->libreCsv, "libreoffice");
    if (!table) {
        if (!HasFailure())
            STOWFOLIO_ORACLE_MISSING("LibreOffice", interop::installCommand({"libreoffice"}));
        return;
    }
    for (const Caption& caption : kCaptions)
        EXPECT_EQ(interop::csvField(*table, caption.ref), caption.text) << caption.ref;
    const std::string total = interop::csvField(*table, "F7");
    EXPECT_TRUE(std::regex_match(total, std::regex(R"(\s*\$\s*-\s*)"))) << '"' << total << '"';
}

TEST_F(TemplateInterop, libreOfficePrintsOneLandscapeLetterPage)
{
    const auto* pdf = reading(s_readings->librePdf, "libreoffice");
    if (!pdf) {
        if (!HasFailure())
            STOWFOLIO_ORACLE_MISSING("LibreOffice", interop::installCommand({"libreoffice"}));
        return;
    }
    EXPECT_EQ(pdf->pages, 1);
    EXPECT_NEAR(pdf->widthPt, 792, 1);
    EXPECT_NEAR(pdf->heightPt, 612, 1);
    ASSERT_FALSE(pdf->pageTexts.empty());
    for (const char* text : {"Home Inventory List", "Policy Number", "Photo"})
        EXPECT_NE(pdf->pageTexts[0].find(text), std::string::npos) << text;
    // No header or footer: LibreOffice's own defaults would print the sheet name and "Page 1".
    EXPECT_EQ(pdf->pageTexts[0].find("Page 1"), std::string::npos);
}

} // namespace
