#include "spreadsheet/render/sheet_drawing.h"

#include "spreadsheet/model/number_text.h"
#include "spreadsheet/model/used_range.h"
#include "spreadsheet/model/workbook.h"
#include "spreadsheet/render/sheet_geometry.h"
#include "spreadsheet/render/sheet_renderer.h"
#include "spreadsheet/render/style_cache.h"

#include <algorithm>

namespace spreadsheet::render {

namespace {

CellRange clampedToGrid(CellRange range)
{
    range.lastRow = std::min(range.lastRow, kMaxRows - 1);
    range.lastColumn = uint16_t(std::min<uint32_t>(range.lastColumn, kMaxColumns - 1));
    range.firstRow = std::min(range.firstRow, range.lastRow);
    range.firstColumn = std::min(range.firstColumn, range.lastColumn);
    return range;
}

uint64_t textBytesOf(const Workbook& workbook, const Worksheet& sheet, const CellRange& range)
{
    uint64_t bytes = 0;
    const uint32_t end = std::min(range.lastRow + 1, sheet.rowCount());
    for (uint32_t row = range.firstRow; row < end; ++row)
        for (const Cell& cell : sheet.rows[row].cells)
            if (cell.kind == CellKind::String && range.contains(row, cell.column) &&
                cell.index < workbook.strings.size())
                bytes += 2 * workbook.strings.at(cell.index).text.size();
    return bytes;
}

} // namespace

PictureExtent measureRange(const Workbook& workbook, const Worksheet& sheet, CellRange range)
{
    range = clampedToGrid(range);
    const SheetGeometry geometry(sheet, range, columnUnitOf(workbook));
    PictureExtent extent;
    extent.width = geometry.width();
    extent.height = geometry.height();
    extent.cells = uint64_t(range.lastRow - range.firstRow + 1) *
                   uint64_t(range.lastColumn - range.firstColumn + 1);
    extent.textBytes = textBytesOf(workbook, sheet, range);
    return extent;
}

std::string limitProblem(const PictureExtent& extent, const PictureLimits& limits)
{
    const std::string size = "would be " + withThousands(uint64_t(extent.width)) + " x " +
                             withThousands(uint64_t(extent.height)) + " pixels (" +
                             withThousands(extent.cells) + " cells)";
    if (extent.width > limits.maxSide || extent.height > limits.maxSide)
        return size + ", more than the " + withThousands(uint64_t(limits.maxSide)) +
               " pixels a side that a picture may have";
    if (uint64_t(extent.width) * uint64_t(extent.height) > limits.maxPixels)
        return size + ", more than the " + withThousands(limits.maxPixels) +
               " pixels that a picture may have";
    if (extent.cells > limits.maxCells)
        return size + ", more than the " + withThousands(limits.maxCells) +
               " cells that a picture may show";
    if (extent.textBytes > limits.maxTextBytes)
        return size + " and hold " + withThousands(extent.textBytes >> 20) +
               " MB of text, more than the " + withThousands(limits.maxTextBytes >> 20) +
               " MB that a picture may hold";
    return {};
}

CellRange fittingPart(const Workbook& workbook, const Worksheet& sheet, CellRange range,
                      const PictureLimits& limits)
{
    range = clampedToGrid(range);
    const SheetGeometry geometry(sheet, range, columnUnitOf(workbook));
    // Columns first, as many as fit a side; then rows, as many as fit everything else. The
    // edges grow with the index, so each count is the last index whose edge still fits.
    constexpr int kEnd = SheetGeometry::kEndMargin;
    uint32_t columns = 1;
    while (columns < geometry.columnCount() &&
           geometry.columnEdge(columns + 1) + kEnd <= limits.maxSide)
        ++columns;
    const uint64_t width = uint64_t(geometry.columnEdge(columns) + kEnd);
    const auto fits = [&](uint32_t rows) {
        const uint64_t height = uint64_t(geometry.rowEdge(rows) + kEnd);
        return height <= uint64_t(limits.maxSide) && width * height <= limits.maxPixels &&
               uint64_t(rows) * columns <= limits.maxCells;
    };
    uint32_t low = 1, high = geometry.rowCount();
    while (low < high) {
        const uint32_t middle = low + (high - low + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    return CellRange{range.firstRow, range.firstRow + low - 1, range.firstColumn,
                     uint16_t(range.firstColumn + columns - 1)};
}

size_t indexOfSheetToDraw(const Workbook& workbook)
{
    if (workbook.sheets.empty())
        throw Error("the workbook has no sheet");
    const size_t active = workbook.window.activeSheet;
    return active < workbook.sheets.size() ? active : 0;
}

const Worksheet& sheetToDraw(const Workbook& workbook)
{
    return workbook.sheets[indexOfSheetToDraw(workbook)];
}

SheetPicture drawSheet(const Workbook& workbook, const Worksheet& sheet,
                       std::optional<CellRange> range, const PictureLimits* limits)
{
    const CellRange drawn = clampedToGrid(range ? *range : usedRange(sheet));
    if (limits) {
        const std::string problem = limitProblem(measureRange(workbook, sheet, drawn), *limits);
        if (!problem.empty())
            throw PictureTooLarge("the picture of " + rangeAddress(drawn) + " " + problem, drawn,
                                  fittingPart(workbook, sheet, drawn, *limits));
    }
    return renderRange(workbook, sheet, drawn);
}

} // namespace spreadsheet::render
