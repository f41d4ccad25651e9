#include "spreadsheet/model/workbook.h"

#include "spreadsheet/numfmt/number_format.h"

namespace spreadsheet {

namespace {

// The number formats whose text depends on the locale are stored in every file; these are
// the ones Excel writes for English (United States), as the built-in table has them.
void addCurrencyFormats(Workbook& workbook)
{
    workbook.numberFormats.clear();
    for (const uint16_t id :
         {numfmt::kFormatCurrency, numfmt::kFormatCurrencyRed, numfmt::kFormatCurrencyDecimals,
          numfmt::kFormatCurrencyDecimalsRed, numfmt::kFormatAccounting,
          numfmt::kFormatAccountingCurrency, numfmt::kFormatAccountingDecimals,
          numfmt::kFormatAccountingCurrencyDecimals})
        workbook.numberFormats.emplace(id, numfmt::builtinFormatCode(id));
}

Xf styleXf(uint16_t font, uint16_t format, uint8_t unusedAttributes)
{
    Xf xf;
    xf.isStyle = true;
    xf.font = font;
    xf.format = format;
    // For a style XF a set bit means the style leaves that attribute alone.
    xf.usedAttributes = unusedAttributes;
    return xf;
}

// XF 0 is the Normal style, 1 to 14 the outline level styles, 15 the default cell format,
// 16 to 20 the Comma, Comma [0], Currency, Currency [0] and Percent styles.
void addCellFormats(Workbook& workbook)
{
    constexpr uint8_t kOnlyFont = 0x3D;   // number, alignment, border, fill, protection unused
    constexpr uint8_t kOnlyNumber = 0x3E; // font, alignment, border, fill, protection unused
    workbook.xfs.clear();
    workbook.xfs.push_back(styleXf(0, 0, 0));
    for (uint16_t level = 1; level <= 14; ++level) {
        const uint16_t font = level <= 2 ? 1 : level <= 4 ? 2 : 0;
        workbook.xfs.push_back(styleXf(font, 0, kOnlyFont));
    }
    Xf cell;
    cell.usedAttributes = 0;
    workbook.xfs.push_back(cell);
    for (const uint16_t format : {numfmt::kFormatAccountingDecimals, numfmt::kFormatAccounting,
                                  numfmt::kFormatAccountingCurrencyDecimals,
                                  numfmt::kFormatAccountingCurrency, numfmt::kFormatPercent})
        workbook.xfs.push_back(styleXf(1, format, kOnlyNumber));
}

CellStyle builtInStyle(uint16_t xf, uint8_t id)
{
    CellStyle style;
    style.xf = xf;
    style.builtIn = true;
    style.builtInId = id;
    return style;
}

} // namespace

Workbook makeDefaultWorkbook(const std::string& sheetName)
{
    Workbook workbook;
    workbook.fonts.assign(4, Font{});
    addCurrencyFormats(workbook);
    addCellFormats(workbook);
    workbook.styles = {builtInStyle(16, 3), builtInStyle(17, 6), builtInStyle(18, 4),
                       builtInStyle(19, 7), builtInStyle(0, 0),  builtInStyle(20, 5)};
    Worksheet sheet;
    sheet.name = sheetName;
    workbook.sheets.push_back(std::move(sheet));
    return workbook;
}

} // namespace spreadsheet
