#include "tests/spreadsheet/render/feature_fixture.h"
#include "tests/spreadsheet/render/inventory_fixture.h"

#include "spreadsheet/model/twips.h"
#include "spreadsheet/model/used_range.h"
#include "spreadsheet/render/sheet_geometry.h"
#include "spreadsheet/render/sheet_renderer.h"
#include "spreadsheet/render/style_cache.h"

#include <QFontInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace spreadsheet::render {
namespace {

TEST(SheetGeometry, ConvertsStoredSizes)
{
    const struct
    {
        uint16_t width256;
        int digitTwips;
        int twips;
    } widths[] = {
        {2340, 111, 1014}, // the default 8.43 characters of Arial 10
        {6582, 111, 2853}, // the template's column A
        {256, 111, 110},   {2340, 120, 1096}, {65535, 111, 28415},
        {1, 111, 0},       {0, 111, 0},       {2340, 0, 0},
    };
    for (const auto& w : widths)
        EXPECT_EQ(columnWidthTwips(w.width256, w.digitTwips), w.twips) << w.width256;

    const struct
    {
        uint16_t twips;
        int pixels;
    } heights[] = {{255, 17}, {240, 16}, {540, 36}, {375, 25},
                   {105, 7},  {855, 57}, {0, 0},    {300, 20}};
    for (const auto& h : heights)
        EXPECT_EQ(twipsToPixels(h.twips), h.pixels) << h.twips;
}

// Column widths in pixels as LibreOffice lays out the same files at 100 %, for the fonts that
// most workbooks use as their default. Each of ours, and each column's right edge, lies within
// a pixel of them.
TEST(SheetGeometry, ColumnsAreAsWideAsOtherSpreadsheetProgramsShowThem)
{
    const uint16_t widths[] = {256, 1000, 2340, 4000, 8000, 20000};
    const struct
    {
        const char* font;
        int points;
        std::vector<double> pixels; // the widths above, then a column of the default width
    } fonts[] = {
        {"Arial", 10, {7.33, 28.88, 67.61, 115.54, 231.20, 578.08, 67.01}},
        {"Calibri", 11, {7.33, 28.88, 67.61, 115.54, 231.20, 578.08, 66.33}},
        {"Times New Roman", 12, {7.94, 31.22, 73.06, 124.95, 249.94, 624.94, 71.20}},
    };
    for (const auto& font : fonts) {
        Workbook workbook = makeDefaultWorkbook("Widths");
        for (Font& f : workbook.fonts) {
            f.name = font.font;
            f.heightTwips = static_cast<uint16_t>(font.points * 20);
        }
        Worksheet& sheet = workbook.sheets[0];
        sheet.columns.clear();
        for (uint16_t c = 0; c < std::size(widths); ++c)
            sheet.columns.push_back({c, c, widths[c]});
        const SheetGeometry geometry(sheet, CellRange{0, 0, 0, uint16_t(std::size(widths))},
                                     columnUnitOf(workbook));
        double edge = SheetGeometry::kOrigin;
        for (uint32_t c = 0; c < geometry.columnCount(); ++c) {
            edge += font.pixels[c];
            EXPECT_NEAR(geometry.columnEdge(c + 1) - geometry.columnEdge(c), font.pixels[c], 1)
                << font.font << " column " << c;
            EXPECT_NEAR(geometry.columnEdge(c + 1), edge, 1) << font.font << " column " << c;
        }
    }
}

// The digit widths in twips that LibreOffice derives from these fonts (from its column widths):
// near halves decide the rounding.
TEST(SheetGeometry, DigitWidthOfTheDefaultFont)
{
    const struct
    {
        const char* font;
        uint16_t heightTwips;
        int digitTwips;
    } fonts[] = {
        {"Arial", 160, 89},
        {"Arial", 200, 111},
        {"Arial", 240, 133},
        {"Calibri", 200, 101},
        {"Calibri", 220, 111},
        {"Calibri", 240, 122},
        {"Times New Roman", 200, 100},
        {"Times New Roman", 240, 120},
    };
    for (const auto& f : fonts) {
        Workbook workbook = makeDefaultWorkbook("Fonts");
        workbook.fonts[0].name = f.font;
        workbook.fonts[0].heightTwips = f.heightTwips;
        EXPECT_EQ(columnUnitOf(workbook).digitTwips, f.digitTwips)
            << f.font << " " << f.heightTwips;
    }
}

TEST(SheetGeometry, TemplateColumnsAndRowsAddUp)
{
    const Workbook workbook = testing::inventoryWorkbook({}, false);
    const Worksheet& sheet = workbook.sheets[0];
    EXPECT_EQ(columnUnitOf(workbook).digitTwips, 111) << "Arial 10 (Liberation Sans)";
    const SheetGeometry geometry(sheet, CellRange{0, 10, 0, 11}, columnUnitOf(workbook));
    EXPECT_EQ(geometry.columnEdge(0), 2);
    EXPECT_EQ(geometry.columnEdge(1), 2 + 190); // 2853 twips
    // LibreOffice: 190.19 + 196.53 + 99.25 + 96.15 + 162.75 + 138.40 + 84.47 + 86.59 + 117.28 +
    // 100.35 + 208.21 + 121.48 = 1601.65 pixels.
    EXPECT_EQ(geometry.width(), 2 + 1602 + 1);
    EXPECT_EQ(geometry.rowEdge(1), 2 + 36);
    EXPECT_EQ(geometry.height(), 2 + 36 + 25 + 5 * 16 + 7 + 57 + 2 * 16 + 1);
}

TEST(UsedRange, EndsAtTheLastValueOrFormattedCell)
{
    EXPECT_EQ(usedRange(testing::inventoryWorkbook({}, false).sheets[0]),
              (CellRange{0, 10, 0, 11}));
    EXPECT_EQ(usedRange(testing::inventoryWorkbook({testing::sampleItem()}).sheets[0]),
              (CellRange{0, 9, 0, 11}));
    EXPECT_EQ(usedRange(testing::inventoryWorkbook(std::vector<testing::ItemRow>(5)).sheets[0]),
              (CellRange{0, 13, 0, 11}));
    EXPECT_EQ(usedRange(makeDefaultWorkbook("Empty").sheets[0]), (CellRange{0, 0, 0, 0}));

    Workbook workbook = makeDefaultWorkbook("Sheet");
    Worksheet& sheet = workbook.sheets[0];
    sheet.ensureRow(40).ensure(3, 15); // a blank cell in the default format is not used
    sheet.ensureRow(7).ensure(5, 15).kind = CellKind::Boolean;
    EXPECT_EQ(usedRange(sheet), (CellRange{0, 7, 0, 5}));
}

// A small workbook on Arial 10 with gridlines, for the layout rules below.
class RenderRules : public ::testing::Test
{
protected:
    RenderRules() : workbook(makeDefaultWorkbook("Sheet")), sheet(workbook.sheets[0])
    {
        sheet.standardWidth = 2216; // 960 twips of Arial 10's 111-twip digits: 64 pixels
    }

    uint16_t addXf(const std::function<void(Xf&)>& change)
    {
        Xf xf = workbook.xfs[15];
        change(xf);
        workbook.xfs.push_back(xf);
        return static_cast<uint16_t>(workbook.xfs.size() - 1);
    }
    void text(uint32_t row, uint16_t column, const std::string& value, uint16_t xf = 15)
    {
        Cell& cell = sheet.ensureRow(row).ensure(column, xf);
        cell.kind = CellKind::String;
        cell.index = workbook.strings.intern(value);
    }
    void number(uint32_t row, uint16_t column, double value, uint16_t xf = 15)
    {
        Cell& cell = sheet.ensureRow(row).ensure(column, xf);
        cell.kind = CellKind::Number;
        cell.number = value;
    }
    SheetPicture render(CellRange range = {0, 3, 0, 4})
    {
        return renderRange(workbook, sheet, range);
    }
    // The text items of one cell's value, by the text they show (joined).
    static QString shown(const SheetPicture& picture, const QRectF& cell)
    {
        QString joined;
        for (const auto& item : picture.texts())
            if (cell.contains(item.rect.center()))
                joined += item.text;
        return joined;
    }
    static const SheetPicture::TextItem* find(const SheetPicture& picture, const QString& text)
    {
        for (const auto& item : picture.texts())
            if (item.text == text)
                return &item;
        return nullptr;
    }
    static bool lineCovers(const SheetPicture& picture, QPointF point)
    {
        for (const auto& line : picture.lines()) {
            const QRectF box =
                QRectF(line.from, line.to).normalized().adjusted(-0.5, -0.5, 0.5, 0.5);
            if (box.contains(point))
                return true;
        }
        return false;
    }

    Workbook workbook;
    Worksheet& sheet;
    // Columns are 64 pixels, rows 17: column c spans x 2 + 64c .. 65 + 64c, and the line
    // after it lies on x = 65 + 64c (kLine + 64(c + 1) at its middle).
    static constexpr int kOrigin = SheetGeometry::kOrigin;
    static constexpr double kLine = kOrigin - 0.5;
    static constexpr int kColumn = 64;
    static constexpr int kRow = 17;
    static constexpr int kWideColumn = 116; // 4000/256 digits: 1733 twips
};

TEST_F(RenderRules, LeftTextSpillsRightOverEmptyCellsUntilAValue)
{
    text(0, 0, "A text much longer than one default column");
    number(0, 2, 5);
    const SheetPicture picture = render();
    const auto* item = find(picture, "A text much longer than one default column");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->clip.left(), kOrigin);
    EXPECT_EQ(item->clip.right(), kOrigin + 2 * kColumn - 1) << "cut at C1, which holds a value";
    // The gridline between A1 and B1 is hidden under the text, the one in row 2 is not.
    EXPECT_FALSE(lineCovers(picture, QPointF(kLine + kColumn, 8)));
    EXPECT_TRUE(lineCovers(picture, QPointF(kLine + kColumn, kRow + 8)));
    EXPECT_TRUE(lineCovers(picture, QPointF(kLine + 2 * kColumn, 8)));
}

TEST_F(RenderRules, AlignmentDecidesWhereTextSpills)
{
    const uint16_t right = addXf([](Xf& xf) { xf.horizontal = HorizontalAlignment::Right; });
    const uint16_t centre = addXf([](Xf& xf) { xf.horizontal = HorizontalAlignment::Center; });
    const uint16_t wrap = addXf([](Xf& xf) { xf.wrap = true; });
    text(0, 3, "Right aligned and quite long", right);
    text(1, 2, "Centred and rather long text", centre);
    text(2, 1, "Wrapped text stays in its cell", wrap);
    const SheetPicture picture = render();

    const auto* r = find(picture, "Right aligned and quite long");
    ASSERT_TRUE(r);
    EXPECT_LT(r->clip.left(), kOrigin + 3 * kColumn) << "spills to the left";
    EXPECT_EQ(r->clip.right(), kOrigin + 4 * kColumn - 1) << "never to the right";
    EXPECT_NEAR(r->rect.right(), kOrigin + 4 * kColumn - 1 - 2, 0.01);

    const auto* c = find(picture, "Centred and rather long text");
    ASSERT_TRUE(c);
    EXPECT_LT(c->clip.left(), kOrigin + 2 * kColumn);
    EXPECT_GT(c->clip.right(), 3 * kColumn);
    EXPECT_NEAR(c->rect.center().x(), kOrigin + 2.5 * kColumn - 0.5, 0.6);

    const auto* w = find(picture, "Wrapped text stays in its cell");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->flags & Qt::TextWordWrap);
    EXPECT_EQ(w->clip, QRectF(kOrigin + kColumn, kOrigin + 2 * kRow, kColumn - 1, kRow - 1));
}

TEST_F(RenderRules, NumbersThatDoNotFitShowHashMarksAndNeverSpill)
{
    const uint16_t currency = addXf([](Xf& xf) { xf.format = 8; });
    workbook.numberFormats[8] = R"("$"#,##0.00_);[Red]\("$"#,##0.00\))";
    number(0, 0, 12345678.5, currency);
    number(1, 0, 450, currency);
    number(2, 0, 1234567);      // General, fits whole
    number(3, 0, 123456789012); // General, shortened
    const SheetPicture picture = render();
    const QString tooWide = shown(picture, QRectF(kOrigin, kOrigin, kColumn, kRow));
    EXPECT_FALSE(tooWide.isEmpty());
    EXPECT_EQ(tooWide, QString(tooWide.size(), '#'));
    EXPECT_EQ(shown(picture, QRectF(kOrigin, kOrigin + kRow, kColumn, kRow)), "$450.00");
    EXPECT_EQ(shown(picture, QRectF(kOrigin, kOrigin + 2 * kRow, kColumn, kRow)), "1234567");
    const QString shortened = shown(picture, QRectF(kOrigin, kOrigin + 3 * kRow, kColumn, kRow));
    EXPECT_TRUE(shortened.contains("E+1")) << shortened.toStdString();
    for (const auto& item : picture.texts())
        EXPECT_LE(item.clip.right(), kLine + kColumn)
            << "a number spilled: " << item.text.toStdString();
}

// The renderer keeps the layout of values it has seen; the same value in a narrower column or
// another format, and a different value after it, must each still get their own.
TEST_F(RenderRules, RepeatedValuesAreLaidOutForEachCellAndFormat)
{
    const uint16_t currency = addXf([](Xf& xf) { xf.format = 8; });
    workbook.numberFormats[8] = R"("$"#,##0.00_);[Red]\("$"#,##0.00\))";
    sheet.columns.push_back(ColumnInfo{0, 0, 4000});
    for (uint32_t row = 0; row < 3; ++row) {
        number(row, 0, 1234567.25); // wide column A
        number(row, 1, 1234567.25); // default column B: fewer digits
        number(row, 2, 12345.5, row == 1 ? currency : uint16_t(15));
        text(row, 3, row == 2 ? "Other" : "Same");
    }
    const SheetPicture picture = render();
    for (uint32_t row = 0; row < 3; ++row) {
        const double top = kOrigin + row * kRow;
        EXPECT_EQ(shown(picture, QRectF(kOrigin, top, kWideColumn, kRow)), "1234567.25") << row;
        const QString narrow = shown(picture, QRectF(kOrigin + kWideColumn, top, kColumn, kRow));
        EXPECT_TRUE(narrow.startsWith("12345") && narrow.size() < 10) << narrow.toStdString();
        const QString formatted =
            shown(picture, QRectF(kOrigin + kWideColumn + kColumn, top, kColumn, kRow));
        if (row == 1)
            EXPECT_TRUE(!formatted.isEmpty() && formatted.count('#') == formatted.size());
        else
            EXPECT_EQ(formatted, "12345.5") << row;
        EXPECT_EQ(shown(picture, QRectF(kOrigin + kWideColumn + 2 * kColumn, top, kColumn, kRow)),
                  row == 2 ? "Other" : "Same")
            << row;
    }
}

TEST_F(RenderRules, NegativeCurrencyTakesTheSectionColourAndParenthesisSpace)
{
    const uint16_t currency = addXf([](Xf& xf) { xf.format = 8; });
    workbook.numberFormats[8] = R"("$"#,##0.00_);[Red]\("$"#,##0.00\))";
    sheet.columns.push_back(ColumnInfo{0, 0, 4000});
    number(0, 0, -12.5, currency);
    number(1, 0, 12.5, currency);
    const SheetPicture picture = render();
    const auto* negative = find(picture, "($12.50)");
    const auto* positive = find(picture, "$12.50");
    ASSERT_TRUE(negative && positive);
    EXPECT_EQ(negative->color, QColor(Qt::red));
    // "_)" keeps the width of ")" free after the positive number, so the digits line up.
    EXPECT_NEAR(positive->rect.right(), negative->rect.right() - 4, 1.0);
}

TEST_F(RenderRules, GeneralAlignmentFollowsTheValue)
{
    text(0, 0, "text");
    number(1, 0, 7);
    Cell& flag = sheet.ensureRow(2).ensure(0, 15);
    flag.kind = CellKind::Boolean;
    flag.flag = 1;
    const SheetPicture picture = render();
    EXPECT_TRUE(find(picture, "text")->flags & Qt::AlignLeft);
    EXPECT_TRUE(find(picture, "7")->flags & Qt::AlignRight);
    EXPECT_TRUE(find(picture, "TRUE")->flags & Qt::AlignHCenter);
}

TEST_F(RenderRules, MergedAreaShowsItsFirstCellAcrossTheArea)
{
    const uint16_t filled = addXf([](Xf& xf) {
        xf.fillPattern = 1;
        xf.patternColorIndex = 10; // palette red
        xf.horizontal = HorizontalAlignment::Center;
    });
    text(1, 1, "Merged", filled);
    text(1, 2, "hidden under the merge");
    sheet.merged.push_back(CellRange{1, 2, 1, 3});
    const SheetPicture picture = render();
    const auto* merged = find(picture, "Merged");
    ASSERT_TRUE(merged);
    EXPECT_EQ(merged->clip,
              QRectF(kOrigin + kColumn, kOrigin + kRow, 3 * kColumn - 1, 2 * kRow - 1));
    EXPECT_FALSE(find(picture, "hidden under the merge"));
    double filledArea = 0;
    for (const auto& fill : picture.fills()) {
        EXPECT_EQ(fill.color, QColor(0xFF, 0, 0));
        filledArea += fill.rect.width() * fill.rect.height();
    }
    EXPECT_EQ(filledArea, 3 * kColumn * 2 * kRow);
    // No gridline inside the area.
    EXPECT_FALSE(lineCovers(picture, QPointF(kLine + 2 * kColumn, kRow + 8)));
    EXPECT_FALSE(lineCovers(picture, QPointF(2 * kColumn, kLine + 2 * kRow)));
}

TEST_F(RenderRules, HiddenGridlinesLeaveOnlyBorders)
{
    sheet.window.options &= ~0x0002;
    const uint16_t boxed = addXf([](Xf& xf) {
        xf.top = xf.bottom = BorderLine{1, 64};
        xf.left = xf.right = BorderLine{2, 12}; // medium, palette blue
    });
    text(0, 0, "no grid");
    text(1, 1, "boxed", boxed);
    const SheetPicture picture = render();
    ASSERT_EQ(picture.lines().size(), 4u);
    for (const auto& line : picture.lines()) {
        const bool vertical = line.from.x() == line.to.x();
        EXPECT_EQ(line.width, vertical ? 2 : 1);
        EXPECT_EQ(line.color, vertical ? QColor(0, 0, 0xFF) : QColor(Qt::black));
    }
    EXPECT_TRUE(lineCovers(picture, QPointF(kLine + kColumn, kRow + 8)));
}

// Borders as an image shows them, without gridlines in the way.
class BorderPixels : public RenderRules
{
protected:
    BorderPixels() { sheet.window.options &= ~0x0002; }
    void box(const CellRange& range, uint8_t style)
    {
        for (uint32_t row = range.firstRow; row <= range.lastRow; ++row) {
            for (uint32_t column = range.firstColumn; column <= range.lastColumn; ++column) {
                const uint16_t xf = addXf([&](Xf& x) {
                    const BorderLine line{style, 8};
                    if (row == range.firstRow)
                        x.top = line;
                    if (row == range.lastRow)
                        x.bottom = line;
                    if (column == range.firstColumn)
                        x.left = line;
                    if (column == range.lastColumn)
                        x.right = line;
                });
                sheet.ensureRow(row).ensure(static_cast<uint16_t>(column), xf);
            }
        }
    }
    static bool dark(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }
};

TEST_F(BorderPixels, BordersOnTheEdgeOfThePictureAreDrawnWhole)
{
    box({0, 0, 0, 0}, 5); // thick around A1, at the picture's top left
    box({2, 2, 2, 2}, 6); // double around C3, at its bottom right
    const QImage image = render({0, 2, 0, 2}).toImage();
    // A thick line is three pixels across its edge's pixel; the picture keeps all three.
    for (int across = 0; across < 3; ++across) {
        EXPECT_TRUE(dark(image, across, 8)) << "left of A1, pixel " << across;
        EXPECT_TRUE(dark(image, 30, across)) << "top of A1, pixel " << across;
    }
    // The double line's outer line lies one pixel beyond the last cell's line.
    const int right = image.width() - 1;
    const int bottom = image.height() - 1;
    EXPECT_TRUE(dark(image, right, bottom - 8));
    EXPECT_FALSE(dark(image, right - 1, bottom - 8));
    EXPECT_TRUE(dark(image, right - 2, bottom - 8));
    EXPECT_TRUE(dark(image, right - 30, bottom));
}

TEST_F(BorderPixels, DoubleBordersJoinAtCornersWithoutCrossing)
{
    box({1, 2, 1, 2}, 6); // B2:C3
    const QImage image = render({0, 4, 0, 4}).toImage();
    // The corners' edge pixels: the lines of B2's top and left edges, and of C3's bottom and
    // right edges.
    const int left = kOrigin + kColumn - 1;
    const int top = kOrigin + kRow - 1;
    const int right = kOrigin + 3 * kColumn - 1;
    const int bottom = kOrigin + 3 * kRow - 1;
    const struct
    {
        int x, y, outward; // outward: -1 toward the picture's top left, +1 toward bottom right
    } corners[] = {{left, top, -1}, {right, bottom, 1}};
    for (const auto& c : corners) {
        const int o = c.outward;
        EXPECT_TRUE(dark(image, c.x + o, c.y + o)) << "the outer lines meet";
        EXPECT_FALSE(dark(image, c.x, c.y)) << "the gap between the lines stays open";
        EXPECT_FALSE(dark(image, c.x, c.y - o)) << "the inner line does not cross the gap";
        EXPECT_FALSE(dark(image, c.x - o, c.y));
        EXPECT_TRUE(dark(image, c.x - o, c.y - o)) << "the inner lines meet";
        EXPECT_FALSE(dark(image, c.x + 2 * o, c.y + 2 * o)) << "nothing beyond the corner";
    }
}

TEST_F(BorderPixels, DottedIsEveryOtherPixelAndHairIsSolid)
{
    for (uint16_t column = 0; column < 3; ++column) {
        sheet.ensureRow(0).ensure(column, addXf([](Xf& x) { x.bottom = BorderLine{4, 8}; }));
        sheet.ensureRow(2).ensure(column, addXf([](Xf& x) { x.bottom = BorderLine{7, 8}; }));
    }
    const QImage image = render({0, 3, 0, 3}).toImage();
    const int dotted = kOrigin + kRow - 1;
    const int hair = kOrigin + 3 * kRow - 1;
    for (int x = kOrigin + 10; x < kOrigin + 2 * kColumn; ++x) {
        EXPECT_NE(dark(image, x, dotted), dark(image, x + 1, dotted)) << x;
        EXPECT_TRUE(dark(image, x, hair)) << x;
    }
}

TEST_F(RenderRules, FontsUseTheirMetricTwinsAtWholePixelSizes)
{
    Font times;
    times.name = "Times New Roman";
    times.heightTwips = 220;
    times.weight = 700;
    workbook.fonts.push_back(times);
    const uint16_t xf =
        addXf([&](Xf& x) { x.font = static_cast<uint16_t>(workbook.fonts.size() - 1); });
    text(0, 0, "Heading", xf);
    const SheetPicture picture = render();
    const auto* heading = find(picture, "Heading");
    ASSERT_TRUE(heading);
    EXPECT_EQ(heading->font.pixelSize(), 15) << "11 points at 96 dpi, rounded as Windows does";
    EXPECT_TRUE(heading->font.bold());
    EXPECT_EQ(QFontInfo(heading->font).family(), "Liberation Serif");
}

TEST_F(RenderRules, EmptyOrInvertedRangeGivesAnEmptyPicture)
{
    EXPECT_TRUE(renderRange(workbook, sheet, CellRange{5, 2, 0, 0}).isEmpty());
    const SheetPicture clamped = renderRange(workbook, sheet, CellRange{65530, 70000, 250, 300});
    EXPECT_EQ(clamped.size(), QSize(kOrigin + 6 * kColumn + 1, kOrigin + 6 * kRow + 1));
}

// Equal borders continue each other down the item rows and along each row, so a long inventory
// costs about one line and one fill per row rather than a dozen of each.
TEST(RenderedPicture, BordersAndFillsOfManyRowsJoin)
{
    const Workbook workbook = testing::inventoryWorkbook(std::vector<testing::ItemRow>(1000));
    const Worksheet& sheet = workbook.sheets[0];
    const SheetPicture picture = renderRange(workbook, sheet, usedRange(sheet));
    EXPECT_LT(picture.lines().size(), 1000u + 60u);
    EXPECT_LT(picture.fills().size(), 1000u + 30u);
    size_t longLines = 0;
    for (const auto& line : picture.lines())
        if (line.to.y() - line.from.y() > 1000 * 16)
            ++longLines;
    EXPECT_EQ(longLines, 13u) << "one line down each column edge of the item block";
}

// What the snapshot saves is what the preview loads: the same picture, pixel for pixel.
TEST(RenderedPicture, SurvivesTheFile)
{
    const Workbook workbook = testing::featureWorkbook();
    const Worksheet& sheet = workbook.sheets[0];
    const SheetPicture picture = renderRange(workbook, sheet, usedRange(sheet));
    QTemporaryDir dir;
    const QString path = dir.filePath("sheet.picture");
    QString error;
    ASSERT_TRUE(picture.save(path, &error)) << error.toStdString();
    const std::optional<SheetPicture> loaded = SheetPicture::load(path, &error);
    ASSERT_TRUE(loaded) << error.toStdString();
    EXPECT_EQ(loaded->texts().size(), picture.texts().size());
    EXPECT_EQ(loaded->toImage(0.75), picture.toImage(0.75));
}

} // namespace
} // namespace spreadsheet::render
