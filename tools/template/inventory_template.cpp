#include "tools/template/inventory_template.h"

#include "spreadsheet/formula/functions.h"
#include "spreadsheet/formula/tokens.h"
#include "spreadsheet/numfmt/number_format.h"

#include <initializer_list>
#include <string_view>

namespace spreadsheet {

namespace {

// Custom palette slots. Slots are replaced rather than added because a BIFF8 palette has a
// fixed 56 entries; these four are rarely used defaults, so other formats are not disturbed.
constexpr uint16_t kHeadingBlue = 53; // #3B4E87: section and column heading fills
constexpr uint16_t kCaptionTint = 47; // #E4E8F3: caption fills
constexpr uint16_t kBandGrey = 22;    // #F4F4F4: title and item block fills
constexpr uint16_t kTitleInk = 60;    // #273359: the title's text
constexpr uint16_t kWhite = 9;

constexpr uint16_t kNoFill = 0;

void setCustomPalette(Workbook& workbook)
{
    const auto set = [&](uint16_t slot, uint32_t rgb) { workbook.palette[slot - 8] = rgb; };
    set(kHeadingBlue, 0x3B4E87);
    set(kCaptionTint, 0xE4E8F3);
    set(kBandGrey, 0xF4F4F4);
    set(kTitleInk, 0x273359);
    workbook.customPalette = true;
}

uint16_t addTimesFont(Workbook& workbook, uint16_t points, bool bold,
                      uint16_t colorIndex = kColorAutomaticFont)
{
    Font font;
    font.name = "Times New Roman";
    font.heightTwips = static_cast<uint16_t>(points * 20);
    font.weight = bold ? 700 : 400;
    font.colorIndex = colorIndex;
    font.family = 1; // roman (serif)
    workbook.fonts.push_back(font);
    return static_cast<uint16_t>(workbook.fonts.size() - 1);
}

// What a cell format of the sheet sets on top of the Normal style.
struct CellLook
{
    uint16_t font = 0;
    HorizontalAlignment horizontal = HorizontalAlignment::General;
    VerticalAlignment vertical = VerticalAlignment::Bottom;
    bool wrap = false;
    uint16_t fill = kNoFill;
    bool border = false;
    uint16_t numberFormat = numfmt::kFormatGeneral;
};

uint16_t addCellXf(Workbook& workbook, const CellLook& look)
{
    Xf xf;
    xf.parent = 0;
    xf.font = look.font;
    xf.format = look.numberFormat;
    xf.horizontal = look.horizontal;
    xf.vertical = look.vertical;
    xf.wrap = look.wrap;
    if (look.border) {
        const BorderLine thin{1, kColorSystemForeground};
        xf.left = xf.right = xf.top = xf.bottom = thin;
    }
    if (look.fill != kNoFill) {
        xf.fillPattern = 1;
        xf.patternColorIndex = look.fill;
        xf.backgroundColorIndex = kColorSystemForeground;
    }
    // The "used" bits name the attributes that differ from the parent style: number format
    // (bit 0), font (1), alignment (2), border (3) and fill (4).
    const bool aligned = look.horizontal != HorizontalAlignment::General ||
                         look.vertical != VerticalAlignment::Bottom || look.wrap;
    xf.usedAttributes = static_cast<uint8_t>(
        (look.numberFormat != numfmt::kFormatGeneral ? 0x01 : 0) | 0x02 | (aligned ? 0x04 : 0) |
        (look.border ? 0x08 : 0) | (look.fill != kNoFill ? 0x10 : 0));
    workbook.xfs.push_back(xf);
    return static_cast<uint16_t>(workbook.xfs.size() - 1);
}

// The cell formats of the sheet, as XF indexes.
struct SheetFormats
{
    uint16_t plain;          // Times New Roman 10: every cell without a format of its own
    uint16_t plainBold;      // E8:H8
    uint16_t title;          // A1:E1
    uint16_t titleTail;      // F1:L1
    uint16_t section;        // A2:B2, E2:F2
    uint16_t sectionTail;    // I2:K2
    uint16_t caption;        // A3:A6, E3:E7
    uint16_t ownerValue;     // B3:B6
    uint16_t insuranceValue; // F3:F6
    uint16_t total;          // F7
    uint16_t columnHeader;   // A9:L9
    uint16_t itemText;       // A10:D11, F10:G11, K10:L11
    uint16_t itemDate;       // E10:E11
    uint16_t itemPrice;      // H10:H11
    uint16_t itemCondition;  // I10:I11
    uint16_t itemValue;      // J10:J11
};

// Number formats are built-in ones: the default workbook already holds the FORMAT records of the
// currency and accounting formats among them.
SheetFormats addSheetFormats(Workbook& workbook)
{
    const uint16_t plainFont = addTimesFont(workbook, 10, false);
    const uint16_t boldFont = addTimesFont(workbook, 10, true);
    const uint16_t titleFont = addTimesFont(workbook, 16, true, kTitleInk);
    const uint16_t headingFont = addTimesFont(workbook, 11, true, kWhite);
    const uint16_t smallFont = addTimesFont(workbook, 9, false);

    using H = HorizontalAlignment;
    using V = VerticalAlignment;
    const auto add = [&](const CellLook& look) { return addCellXf(workbook, look); };
    SheetFormats f{};
    f.plain = add({.font = plainFont});
    f.plainBold = add({.font = boldFont});
    f.title =
        add({.font = titleFont, .horizontal = H::Center, .vertical = V::Center, .fill = kBandGrey});
    f.titleTail = add({.font = titleFont, .horizontal = H::Left, .vertical = V::Center});
    f.section = add({.font = headingFont,
                     .horizontal = H::Center,
                     .vertical = V::Center,
                     .fill = kHeadingBlue});
    f.sectionTail = add({.font = headingFont, .horizontal = H::Left, .vertical = V::Center});
    f.caption = add({.font = smallFont, .horizontal = H::Right, .fill = kCaptionTint});
    f.ownerValue = add({.font = smallFont, .border = true});
    f.insuranceValue = add({.font = smallFont, .horizontal = H::Left, .border = true});
    f.total = add({.font = smallFont,
                   .border = true,
                   .numberFormat = numfmt::kFormatAccountingCurrencyDecimals});
    f.columnHeader = add({.font = headingFont,
                          .horizontal = H::Center,
                          .vertical = V::Center,
                          .wrap = true,
                          .fill = kHeadingBlue});
    f.itemText = add({.font = smallFont, .fill = kBandGrey, .border = true});
    f.itemDate = add({.font = smallFont,
                      .fill = kBandGrey,
                      .border = true,
                      .numberFormat = numfmt::kFormatShortDate});
    f.itemPrice = add({.font = smallFont,
                       .fill = kBandGrey,
                       .border = true,
                       .numberFormat = numfmt::kFormatCurrencyDecimalsRed});
    f.itemCondition = add({.font = smallFont,
                           .horizontal = H::Left,
                           .fill = kBandGrey,
                           .border = true,
                           .numberFormat = numfmt::kFormatCurrencyDecimalsRed});
    f.itemValue = add({.font = smallFont,
                       .horizontal = H::Right,
                       .fill = kBandGrey,
                       .border = true,
                       .numberFormat = numfmt::kFormatCurrencyDecimalsRed});
    return f;
}

// Cell addresses below are zero-based: row 0 is the sheet's row 1, column 0 is A.
enum Column : uint16_t
{
    A,
    B,
    C,
    D,
    E,
    F,
    G,
    H,
    I,
    J,
    K,
    L,
    M,
    N
};
constexpr uint16_t kLastColumn = 255; // IV

void putText(Workbook& workbook, uint32_t row, uint16_t column, std::string_view text, uint16_t xf)
{
    Cell& cell = workbook.sheets[0].ensureRow(row).ensure(column, xf);
    cell.kind = CellKind::String;
    cell.index = workbook.strings.intern(text);
}

void putBlanks(Worksheet& sheet, uint32_t row, uint16_t firstColumn, uint16_t lastColumn,
               uint16_t xf)
{
    for (uint16_t column = firstColumn; column <= lastColumn; ++column)
        sheet.ensureRow(row).ensure(column, xf);
}

void appendU16(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

// =SUM(J:J): the whole column as rows 1..65536 with absolute rows and a relative column, the
// form Excel stores, so inserting rows never narrows it.
std::vector<uint8_t> sumOfColumnJ()
{
    formula::Token column = formula::makeArea(0, J, kMaxRows - 1, J);
    column.first.rowRelative = column.last.rowRelative = false;
    return formula::encodeTokens({column, formula::makeFunctionVar(formula::function::Sum, 1)});
}

void putTotalFormula(Worksheet& sheet, uint16_t xf)
{
    Formula total;
    total.row = 6;
    total.column = F;
    total.tokens = sumOfColumnJ();
    total.cached.kind = CachedValue::Kind::Number;
    total.cached.number = 0;
    Cell& cell = sheet.ensureRow(total.row).ensure(total.column, xf);
    cell.kind = CellKind::Formula;
    cell.index = static_cast<uint32_t>(sheet.formulas.size());
    sheet.formulas.push_back(std::move(total));
}

void putCells(Workbook& workbook, const SheetFormats& f)
{
    Worksheet& sheet = workbook.sheets[0];
    const auto text = [&](uint32_t row, uint16_t column, std::string_view value, uint16_t xf) {
        putText(workbook, row, column, value, xf);
    };

    text(0, A, "Home Inventory List", f.title);
    putBlanks(sheet, 0, B, E, f.title);
    putBlanks(sheet, 0, F, L, f.titleTail);

    text(1, A, "Owner Information", f.section);
    putBlanks(sheet, 1, B, B, f.section);
    text(1, E, "Insurance", f.section);
    putBlanks(sheet, 1, F, F, f.section);
    putBlanks(sheet, 1, I, K, f.sectionTail);

    uint32_t row = 2;
    for (std::string_view caption : {"Name", "Address", "City, State, ZIP code", "Phone"}) {
        text(row, A, caption, f.caption);
        putBlanks(sheet, row, B, B, f.ownerValue);
        ++row;
    }
    row = 2;
    for (std::string_view caption : {"Company", "Agent Name", "Phone", "Policy Number"}) {
        text(row, E, caption, f.caption);
        putBlanks(sheet, row, F, F, f.insuranceValue);
        ++row;
    }
    text(6, E, "Est. Value", f.caption);
    putTotalFormula(sheet, f.total);

    putBlanks(sheet, 7, E, H, f.plainBold);
    putBlanks(sheet, 7, K, K, f.plain);

    uint16_t column = A;
    for (std::string_view header :
         {"Item Location", "Description", "Model", "Serial #", "Purchase Date", "Purchase Location",
          "Warranty", "Price at Purchase", "Condition", "Estimated Value to Date", "Notes",
          "Photo"})
        text(8, column++, header, f.columnHeader);

    for (uint32_t itemRow : {9u, 10u}) {
        putBlanks(sheet, itemRow, A, D, f.itemText);
        putBlanks(sheet, itemRow, E, E, f.itemDate);
        putBlanks(sheet, itemRow, F, G, f.itemText);
        putBlanks(sheet, itemRow, H, H, f.itemPrice);
        putBlanks(sheet, itemRow, I, I, f.itemCondition);
        putBlanks(sheet, itemRow, J, J, f.itemValue);
        putBlanks(sheet, itemRow, K, L, f.itemText);
    }

    sheet.merged = {{0, 0, A, E}, {1, 1, A, B}, {1, 1, E, F}, {1, 1, I, K}};
}

// Rows 1, 2, 8 and 9 have a height set by hand; rows 3 to 7, 10 and 11 have the height Excel
// fits to their 9-point text, which it still records in the ROW record.
void setRowHeights(Worksheet& sheet)
{
    struct RowHeight
    {
        uint32_t row;
        uint16_t twips;
        bool custom;
    };
    static constexpr RowHeight kHeights[] = {
        {0, 540, true},  {1, 375, true},  {2, 240, false},  {3, 240, false},
        {4, 240, false}, {5, 240, false}, {6, 240, false},  {7, 105, true},
        {8, 855, true},  {9, 240, false}, {10, 240, false},
    };
    for (const RowHeight& height : kHeights) {
        Row& row = sheet.ensureRow(height.row);
        row.hasRecord = true;
        row.heightTwips = height.twips;
        row.customHeight = height.custom;
    }
    sheet.defaultRowHeightTwips = 255;
}

// Widths in 1/256 of a character. Every column carries the plain Times New Roman format, so
// cells typed anywhere on the sheet get the sheet's font rather than the workbook's Arial.
void setColumns(Worksheet& sheet, uint16_t xf)
{
    static constexpr uint16_t kWidths[] = {6582, 6802, 3437, 3328, 5632, 4790,
                                           2925, 2998, 4059, 3474, 7204, 4205};
    uint16_t column = A;
    for (uint16_t width : kWidths) {
        sheet.columns.push_back(
            ColumnInfo{.first = column, .last = column, .width = width, .xf = xf});
        ++column;
    }
    sheet.columns.push_back(ColumnInfo{.first = M, .last = kLastColumn, .width = 2340, .xf = xf});
    sheet.defaultColumnWidth = 8;
}

// Print_Area covers A1:L11 so it grows as the builder inserts item rows inside it;
// Print_Titles repeats the column headers of row 9 on every printed page. Both are absolute
// 3-D areas through EXTERNSHEET entry 0, this workbook's own sheet.
void addPrintNames(Workbook& workbook)
{
    workbook.externSheets = {ExternSheet{0, 0, 0}};
    constexpr uint16_t kBuiltInName = 0x0020;
    const auto add = [&](DefinedName::BuiltIn code, const CellRange& range) {
        DefinedName name;
        name.builtIn = true;
        name.builtInCode = code;
        name.options = kBuiltInName;
        name.sheet = 1;
        name.tokens = formula::encodeTokens(
            {formula::makeArea3d(0, uint16_t(range.firstRow), range.firstColumn,
                                 uint16_t(range.lastRow), range.lastColumn)});
        workbook.names.push_back(std::move(name));
    };
    add(DefinedName::PrintArea, {0, 10, A, L});
    add(DefinedName::PrintTitles, {8, 8, A, kLastColumn});
}

// =MOD(ROW(),2)=1 over A10:N11. The rule's fill is the block's own grey, so copies of the
// block look the same whichever row they land on.
ConditionalFormat itemBandFormat()
{
    using namespace formula;
    ConditionalRule rule;
    rule.type = 2; // formula
    rule.formula1 = encodeTokens({makeFunctionVar(function::Row, 0), makeInt(2),
                                  makeFunction(function::Mod), makeInt(1), makeOperator(ptg::Eq)});

    // The flags' low 21 bits say what the rule leaves alone: all alignment, protection and
    // border bits are set, and of the fill only the foreground colour is left alone; bit 29
    // announces the pattern block. As Excel does for a fill colour, the colour is the
    // block's background colour with a solid pattern; the (unused) foreground field holds the
    // same grey so that a reader ignoring the flags fills grey too.
    constexpr uint32_t kLeavesAlignmentProtectionBorders = 0x0000FFFF;
    constexpr uint32_t kLeavesForegroundColor = 0x00020000;
    constexpr uint32_t kLeavesNumberFormatAndFont = 0x00180000;
    constexpr uint32_t kHasPatternBlock = 0x20000000;
    rule.flags = kLeavesAlignmentProtectionBorders | kLeavesForegroundColor |
                 kLeavesNumberFormatAndFont | kHasPatternBlock;
    constexpr uint16_t kSolidPattern = 1 << 10;
    constexpr uint16_t kColors = kBandGrey | (kBandGrey << 7);
    rule.formatBlocks = {0x02, 0x80}; // the reserved word that follows the flags
    appendU16(rule.formatBlocks, kSolidPattern);
    appendU16(rule.formatBlocks, kColors);

    ConditionalFormat format;
    format.ranges = {CellRange{9, 10, A, N}};
    format.rules = {std::move(rule)};
    return format;
}

// Letter, landscape, one page wide, quarter-inch margins, centred across the page.
void setPageSetup(PageSetup& page)
{
    page.paperSize = 1;
    page.options = 0x0000; // landscape, printer settings valid
    page.scale = 60;
    page.fitToPage = true;
    page.fitWidth = 1;
    page.fitHeight = 0;
    page.leftMargin = page.rightMargin = page.topMargin = page.bottomMargin = 0.25;
    page.hasLeftMargin = page.hasRightMargin = page.hasTopMargin = page.hasBottomMargin = true;
    page.headerMargin = 0.5;
    page.footerMargin = 0.5;
    page.centerHorizontally = true;
    page.centerVertically = false;
    page.printGridlines = false;
    page.printHeadings = false;
    page.horizontalDpi = 600;
    page.verticalDpi = 600;
    page.copies = 1;
}

void setWindow(SheetWindow& window)
{
    constexpr uint16_t kShowGridlines = 0x0002;
    window.options = static_cast<uint16_t>(SheetWindow{}.options & ~kShowGridlines);
    window.zoomNumerator = 23; // 115 %
    window.zoomDenominator = 20;
    window.activeRow = 0;
    window.activeColumn = A;
    window.selection = {CellRange{0, 0, A, A}};
}

} // namespace

Workbook makeInventoryTemplate()
{
    Workbook workbook = makeDefaultWorkbook("Home Inventory");
    workbook.codePage = 1252;
    workbook.date1904 = false;
    setCustomPalette(workbook);
    const SheetFormats formats = addSheetFormats(workbook);

    Worksheet& sheet = workbook.sheets[0];
    putCells(workbook, formats);
    setRowHeights(sheet);
    setColumns(sheet, formats.plain);
    addPrintNames(workbook);
    sheet.conditionalFormats = {itemBandFormat()};
    setPageSetup(sheet.pageSetup);
    setWindow(sheet.window);
    return workbook;
}

} // namespace spreadsheet
