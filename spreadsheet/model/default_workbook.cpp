#include "workbook.h"

namespace spreadsheet {

// Excel's defaults: four Arial 10 fonts, fifteen style XFs, XF 15 for cells, and the Normal
// style. The file layer fills this in completely (number formats, the other built-in styles).
Workbook makeDefaultWorkbook(const std::string& sheetName)
{
    Workbook workbook;
    workbook.fonts.assign(4, Font{});
    Xf style;
    style.isStyle = true;
    style.usedAttributes = 0;
    workbook.xfs.assign(15, style);
    Xf cell;
    cell.usedAttributes = 0;
    workbook.xfs.push_back(cell);
    workbook.styles.push_back(CellStyle{});
    Worksheet sheet;
    sheet.name = sheetName;
    workbook.sheets.push_back(std::move(sheet));
    return workbook;
}

} // namespace spreadsheet
