#include "tests/spreadsheet/biff/rich_workbook.h"

namespace spreadsheet::samples {

namespace {

Cell makeCell(uint16_t column, CellKind kind, uint16_t xf = 15)
{
    Cell cell;
    cell.column = column;
    cell.kind = kind;
    cell.xf = xf;
    return cell;
}

void fillFirstSheet(Workbook& workbook, uint16_t boldXf)
{
    Worksheet& sheet = workbook.sheets[0];
    Row& title = sheet.ensureRow(0);
    title.hasRecord = true;
    title.heightTwips = 540;
    title.customHeight = true;
    Cell text = makeCell(0, CellKind::String, boldXf);
    text.index = workbook.strings.intern("Home Inventory List");
    title.cells.push_back(text);
    Cell rich = makeCell(1, CellKind::String);
    rich.index = workbook.strings.add(SharedString{"bold then plain", {{0, 4}, {4, 0}}});
    title.cells.push_back(rich);

    // Every cell kind, with numbers that take the RK, integer RK and NUMBER forms.
    Row& values = sheet.ensureRow(2);
    const double numbers[] = {1, -7, 0.25, 12.34, 1.0 / 3, 1e300};
    for (uint16_t c = 0; c < 6; ++c) {
        Cell number = makeCell(c, CellKind::Number);
        number.number = numbers[c];
        values.cells.push_back(number);
    }
    Cell yes = makeCell(6, CellKind::Boolean);
    yes.flag = 1;
    values.cells.push_back(yes);
    Cell error = makeCell(7, CellKind::Error);
    error.flag = uint8_t(ErrorCode::Div0);
    values.cells.push_back(error);
    values.cells.push_back(makeCell(8, CellKind::Blank, boldXf));
    values.cells.push_back(makeCell(9, CellKind::Blank));
    values.cells.push_back(makeCell(11, CellKind::Blank));

    // Formulas with each kind of cached result; the text result needs a STRING record.
    const CachedValue results[] = {
        {CachedValue::Kind::Number, 42, "", 0},
        {CachedValue::Kind::String, 0, "text result \xE2\x82\xAC", 0},
        {CachedValue::Kind::Boolean, 0, "", 1},
        {CachedValue::Kind::Error, 0, "", uint8_t(ErrorCode::NA)},
        {CachedValue::Kind::Empty, 0, "", 0},
    };
    Row& formulas = sheet.ensureRow(4);
    for (uint16_t c = 0; c < 5; ++c) {
        Formula formula;
        formula.row = 4;
        formula.column = c;
        formula.tokens = {0x1E, 0x2A, 0x00}; // =42
        formula.cached = results[c];
        if (c == 4) {
            // A one-cell array formula {=42}: the cell points at the ARRAY record after it.
            formula.tokens = {0x01, 0x04, 0x00, 0x04, 0x00};
            formula.attachments.push_back(FormulaAttachment{
                0x0221, {4, 0, 4, 0, 4, 4, 0, 0, 0, 0, 0, 0, 3, 0, 0x1E, 0x2A, 0x00}});
        }
        Cell cell = makeCell(c, CellKind::Formula);
        cell.index = uint32_t(sheet.formulas.size());
        sheet.formulas.push_back(formula);
        formulas.cells.push_back(cell);
    }
    Row& hidden = sheet.ensureRow(40);
    hidden.hasRecord = true;
    hidden.hidden = true;
    hidden.outlineLevel = 1;
    Row& formatted = sheet.ensureRow(41);
    formatted.hasRecord = true;
    formatted.formatted = true;
    formatted.xf = boldXf;

    sheet.columns = {ColumnInfo{0, 0, 6582, 15, false, true, 0, false},
                     ColumnInfo{1, 3, 3000, boldXf, true, true, 1, false}};
    sheet.defaultColumnWidth = 10;
    sheet.standardWidth = 2340;
    sheet.defaultRowHeightTwips = 270;
    sheet.merged = {CellRange{0, 0, 0, 4}, CellRange{10, 12, 2, 3}};
    ConditionalRule rule;
    rule.type = 2;
    rule.formula1 = {0x1E, 0x01, 0x00};
    rule.flags = 0x203FFFFF;
    rule.formatBlocks = {0x02, 0x80, 0x00, 0x04, 0x16, 0x0B};
    sheet.conditionalFormats = {ConditionalFormat{{CellRange{9, 10, 0, 13}}, {rule}}};
    PageSetup& page = sheet.pageSetup;
    page.paperSize = 1;
    page.options = 0;
    page.scale = 60;
    page.fitToPage = true;
    page.fitHeight = 0;
    page.leftMargin = page.rightMargin = 0.25;
    page.hasLeftMargin = page.hasRightMargin = true;
    page.centerHorizontally = true;
    page.header = "&CInventory";
    page.printGridlines = true;
    sheet.window.options = 0x06B4;
    sheet.window.zoomNumerator = 23;
    sheet.window.zoomDenominator = 20;
    sheet.window.activeRow = 2;
    sheet.window.activeColumn = 1;
    sheet.window.selection = {CellRange{2, 3, 1, 2}};
    // Record types no reader knows, so each keeps its place without meaning anything.
    sheet.preserved = {RawRecord{0x0FFE, RawRecord::Place::SheetBeforeDimensions, {9}},
                       RawRecord{0x0FFF, RawRecord::Place::SheetEnd, {1, 2, 3}}};
}

} // namespace

Workbook richWorkbook()
{
    Workbook workbook = makeDefaultWorkbook("Home Inventory");
    Font bold;
    bold.name = "Times New Roman";
    bold.weight = 700;
    bold.heightTwips = 320;
    bold.colorIndex = 60;
    workbook.fonts.push_back(bold); // model font 4, file font 5
    Xf boldXf;
    boldXf.font = 4;
    boldXf.format = 164;
    boldXf.horizontal = HorizontalAlignment::Center;
    boldXf.vertical = VerticalAlignment::Center;
    boldXf.wrap = true;
    boldXf.usedAttributes = 0x3F;
    boldXf.left = boldXf.right = boldXf.top = boldXf.bottom = BorderLine{1, 8};
    boldXf.fillPattern = 1;
    boldXf.patternColorIndex = 22;
    workbook.xfs.push_back(boldXf);
    const auto boldIndex = uint16_t(workbook.xfs.size() - 1);
    workbook.numberFormats[164] = "0.00%;[Red]-0.00%";
    workbook.customPalette = true;
    workbook.palette[53 - 8] = 0x3B4E87;
    workbook.date1904 = true;
    workbook.styles.push_back(CellStyle{boldIndex, false, 0, 0xFF, "Heading"});

    Worksheet second;
    second.name = "Second \xC3\xBC";
    second.visibility = 1;
    second.visible = false;
    Row& row = second.ensureRow(65535);
    Cell cell = makeCell(255, CellKind::String);
    cell.index = workbook.strings.intern(std::string(32767, 'z'));
    row.cells.push_back(cell);
    workbook.sheets.push_back(second);

    fillFirstSheet(workbook, boldIndex);
    workbook.externSheets = {ExternSheet{0, 0, 0}};
    DefinedName printArea;
    printArea.builtIn = true;
    printArea.builtInCode = DefinedName::PrintArea;
    printArea.options = 0x0020;
    printArea.sheet = 1;
    printArea.tokens = {0x3B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x0B, 0x00};
    DefinedName user;
    user.name = "Total";
    user.tokens = {0x1E, 0x05, 0x00};
    workbook.names = {printArea, user};
    workbook.preserved = {RawRecord{0x0FFE, RawRecord::Place::GlobalsBeforeSheets, {1, 2}},
                          RawRecord{0x0FFF, RawRecord::Place::GlobalsEnd, {3, 4, 5}}};
    workbook.window.activeSheet = 0;
    return workbook;
}

} // namespace spreadsheet::samples
