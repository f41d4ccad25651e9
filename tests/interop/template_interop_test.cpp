// The shipped template, opened by xlrd, Gnumeric and LibreOffice, compared with the sheet it
// must be: every caption, format, merge, width, height, name and print setting.

#include "interop_readers.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <regex>
#include <set>

namespace {

using interop::cellsOf;

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

struct Caption
{
    const char* ref;
    const char* text;
};

constexpr Caption kCaptions[] = {
    {"A1", "Home Inventory List"},
    {"A2", "Owner Information"},
    {"E2", "Insurance"},
    {"A3", "Name"},
    {"A4", "Address"},
    {"A5", "City, State, ZIP code"},
    {"A6", "Phone"},
    {"E3", "Company"},
    {"E4", "Agent Name"},
    {"E5", "Phone"},
    {"E6", "Policy Number"},
    {"E7", "Est. Value"},
    {"A9", "Item Location"},
    {"B9", "Description"},
    {"C9", "Model"},
    {"D9", "Serial #"},
    {"E9", "Purchase Date"},
    {"F9", "Purchase Location"},
    {"G9", "Warranty"},
    {"H9", "Price at Purchase"},
    {"I9", "Condition"},
    {"J9", "Estimated Value to Date"},
    {"K9", "Notes"},
    {"L9", "Photo"},
};

// Empty cells that exist for their format.
constexpr const char* kFormattedBlanks[] = {"B1:E1", "F1:L1", "B2",    "F2", "I2:K2",
                                            "B3:B6", "F3:F6", "E8:H8", "K8", "A10:L11"};

constexpr const char* kAccounting = R"(_("$"* #,##0.00_);_("$"* \(#,##0.00\);_("$"* "-"??_);_(@_))";
constexpr const char* kCurrency = R"("$"#,##0.00_);[Red]\("$"#,##0.00\))";

// One line of the sheet's format table. Colours are #RRGGBB; a null font colour is automatic
// (black), a null fill is none.
struct Look
{
    const char* range;
    double points;
    bool bold;
    const char* fontColor;
    const char* horizontal;
    const char* vertical;
    bool wrap;
    const char* fill;
    bool border;
    int numberFormatId; // as xlrd reports it: built-in 14, 8 and 44 or General 0
};

constexpr const char* kWhite = "#FFFFFF";
constexpr const char* kInk = "#273359";
constexpr const char* kBlue = "#3B4E87";
constexpr const char* kTint = "#E4E8F3";
constexpr const char* kGrey = "#F4F4F4";

constexpr Look kLooks[] = {
    {"A1:E1", 16, true, kInk, "center", "center", false, kGrey, false, 0},
    {"F1:L1", 16, true, kInk, "left", "center", false, nullptr, false, 0},
    {"A2:B2", 11, true, kWhite, "center", "center", false, kBlue, false, 0},
    {"E2:F2", 11, true, kWhite, "center", "center", false, kBlue, false, 0},
    {"I2:K2", 11, true, kWhite, "left", "center", false, nullptr, false, 0},
    {"A3:A6", 9, false, nullptr, "right", "bottom", false, kTint, false, 0},
    {"E3:E7", 9, false, nullptr, "right", "bottom", false, kTint, false, 0},
    {"B3:B6", 9, false, nullptr, "general", "bottom", false, nullptr, true, 0},
    {"F3:F6", 9, false, nullptr, "left", "bottom", false, nullptr, true, 0},
    {"F7", 9, false, nullptr, "general", "bottom", false, nullptr, true, 44},
    {"A9:L9", 11, true, kWhite, "center", "center", true, kBlue, false, 0},
    {"A10:D11", 9, false, nullptr, "general", "bottom", false, kGrey, true, 0},
    {"F10:G11", 9, false, nullptr, "general", "bottom", false, kGrey, true, 0},
    {"K10:L11", 9, false, nullptr, "general", "bottom", false, kGrey, true, 0},
    {"E10:E11", 9, false, nullptr, "general", "bottom", false, kGrey, true, 14},
    {"H10:H11", 9, false, nullptr, "general", "bottom", false, kGrey, true, 8},
    {"I10:I11", 9, false, nullptr, "left", "bottom", false, kGrey, true, 8},
    {"J10:J11", 9, false, nullptr, "right", "bottom", false, kGrey, true, 8},
    {"E8:H8", 10, true, nullptr, "general", "bottom", false, nullptr, false, 0},
    {"K8", 10, false, nullptr, "general", "bottom", false, nullptr, false, 0},
};

// A cell format in one line, so that a difference shows whole:
// "Times New Roman 16 bold #273359 | center center wrap | fill #F4F4F4 | thin border | 0".
std::string lookText(const QString& fontName, double points, bool bold, const QString& color,
                     const QString& horizontal, const QString& vertical, bool wrap,
                     const QString& fill, const QString& border, int numberFormatId)
{
    return QStringLiteral("%1 %2%3 %4 | %5 %6%7 | fill %8 | %9 | %10")
        .arg(fontName)
        .arg(points)
        .arg(bold ? " bold" : "", color, horizontal, vertical, wrap ? " wrap" : "", fill, border)
        .arg(numberFormatId)
        .toStdString();
}

std::string expectedLook(const Look& look)
{
    return lookText("Times New Roman", look.points, look.bold,
                    look.fontColor ? q(look.fontColor) : "automatic", q(look.horizontal),
                    q(look.vertical), look.wrap, look.fill ? q(look.fill) : "none",
                    look.border ? "thin border" : "no border", look.numberFormatId);
}

// Reads the description layout that both describe scripts share (font, horizontal, vertical,
// wrap, fill, borders, number_format_id).
std::string seenLook(const QJsonObject& format, bool automaticFontColor)
{
    const QJsonObject font = format.value("font").toObject();
    const QJsonObject fill = format.value("fill").toObject();
    const QJsonObject borders = format.value("borders").toObject();
    QStringList lines;
    for (const char* side : {"left", "right", "top", "bottom"}) {
        const QJsonObject line = borders.value(side).toObject();
        const bool black =
            line.value("color").isNull() || line.value("color").toString() == "#000000";
        lines << QString::number(line.value("style").toInt()) + (black ? "" : " coloured");
    }
    lines.removeDuplicates();
    const QString border = lines == QStringList{"1"}   ? QStringLiteral("thin border")
                           : lines == QStringList{"0"} ? QStringLiteral("no border")
                                                       : "borders " + lines.join(",");
    const int pattern = fill.value("pattern").toInt();
    const QString fillText = pattern == 0   ? QStringLiteral("none")
                             : pattern == 1 ? fill.value("color").toString()
                                            : "pattern " + QString::number(pattern);
    return lookText(
        font.value("name").toString(), font.value("points").toDouble(), font.value("bold").toBool(),
        automaticFontColor ? "automatic" : font.value("color").toString(),
        format.value("horizontal").toString(), format.value("vertical").toString(),
        format.value("wrap").toBool(), fillText, border, format.value("number_format_id").toInt());
}

struct RowHeight
{
    const char* row;
    int twips;
    bool custom;
};

constexpr RowHeight kRowHeights[] = {
    {"1", 540, true},  {"2", 375, true},   {"3", 240, false},  {"4", 240, false},
    {"5", 240, false}, {"6", 240, false},  {"7", 240, false},  {"8", 105, true},
    {"9", 855, true},  {"10", 240, false}, {"11", 240, false},
};

struct ColumnWidth
{
    const char* column;
    int width; // 1/256 of a character
};

constexpr ColumnWidth kColumnWidths[] = {
    {"A", 6582}, {"B", 6802}, {"C", 3437}, {"D", 3328}, {"E", 5632}, {"F", 4790}, {"G", 2925},
    {"H", 2998}, {"I", 4059}, {"J", 3474}, {"K", 7204}, {"L", 4205}, {"M", 2340}, {"IV", 2340},
};

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
            GTEST_SKIP() << #reader " is not installed";                                           \
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

// Gnumeric names number formats by their text: the ids of the table's formats.
int gnumericFormatId(const QString& format)
{
    if (format == "General")
        return 0;
    if (format.endsWith("m/d/yy")) // the system's short date: "[$-f8f2]m/d/yy"
        return 14;
    if (format == q(kCurrency))
        return 8;
    if (format == q(kAccounting))
        return 44;
    return -1;
}

TEST_F(TemplateInterop, gnumericStylesMatchTheLayoutTable)
{
    REQUIRE_READING(book, gnumeric);
    const QJsonObject styles = interop::firstSheet(*book).value("styles").toObject();
    for (const Look& look : kLooks)
        for (const std::string& ref : cellsOf(look.range)) {
            QJsonObject style = styles.value(QString::fromStdString(ref)).toObject();
            ASSERT_FALSE(style.isEmpty()) << ref;
            // Gnumeric shows the automatic colour as black and the fill colour as "back".
            const bool automatic =
                style.value("font").toObject().value("color").toString() == "#000000";
            QJsonObject fill = style.value("fill").toObject();
            fill["color"] = fill.value("back");
            style["fill"] = fill;
            style["number_format_id"] = gnumericFormatId(style.value("number_format").toString());
            EXPECT_EQ(seenLook(style, automatic), expectedLook(look)) << ref;
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

// LibreOffice turns number formats into its own styles: recognise the table's four by their
// parts. 8 is the currency format with red negatives, 44 the accounting format with its text
// section and the dash for zero.
int libreOfficeFormatId(const QJsonObject& format)
{
    const QString kind = format.value("kind").toString();
    const QString text = format.value("text").toString();
    const bool currency = format.value("decimals").toInt() == 2 &&
                          format.value("grouping").toBool() && text.contains('$');
    if (format.value("kind").isNull())
        return 0;
    if (kind == "date")
        return 14;
    if (currency && kind == "number" && format.value("red_negative").toBool())
        return 8;
    if (currency && kind == "text" && text.contains('-') && !format.value("red_negative").toBool())
        return 44;
    return -1;
}

// LibreOffice's cell style in the layout the xlrd and Gnumeric descriptions share.
QJsonObject libreOfficeFormat(const QJsonObject& style)
{
    QJsonObject format = style;
    const QJsonValue fill = style.value("fill");
    format["fill"] = QJsonObject{{"pattern", fill.isNull() ? 0 : 1}, {"color", fill}};
    QJsonObject borders;
    for (const char* side : {"left", "right", "top", "bottom"}) {
        const QJsonObject line = style.value("borders").toObject().value(side).toObject();
        // Excel's thin line arrives as a solid line of about 0.75 pt.
        const bool thin = line.value("style") == "solid" && line.value("width_pt").toDouble() < 1;
        borders[side] = QJsonObject{{"style", line.isEmpty() ? 0
                                              : thin         ? 1
                                                             : 99},
                                    {"color", line.isEmpty() ? QJsonValue() : line.value("color")}};
    }
    format["borders"] = borders;
    format["number_format_id"] = libreOfficeFormatId(style.value("number_format").toObject());
    return format;
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

TEST_F(TemplateInterop, libreOfficeShowsCaptionsAndTheAccountingZero)
{
    const auto* table = reading(s_readings->libreCsv, "libreoffice");
    if (!table) {
        if (!HasFailure())
            GTEST_SKIP() << "LibreOffice or poppler is not installed";
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
            GTEST_SKIP() << "LibreOffice or poppler is not installed";
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
