#include "spreadsheet/model/worksheet.h"

#include <algorithm>

namespace spreadsheet {

namespace {

auto lowerBound(auto& cells, uint16_t column)
{
    return std::lower_bound(cells.begin(), cells.end(), column,
                            [](const Cell& cell, uint16_t c) { return cell.column < c; });
}

} // namespace

const Cell* Row::find(uint16_t column) const
{
    auto it = lowerBound(cells, column);
    return it != cells.end() && it->column == column ? &*it : nullptr;
}

Cell* Row::find(uint16_t column)
{
    auto it = lowerBound(cells, column);
    return it != cells.end() && it->column == column ? &*it : nullptr;
}

Cell& Row::ensure(uint16_t column, uint16_t xf)
{
    auto it = lowerBound(cells, column);
    if (it != cells.end() && it->column == column)
        return *it;
    Cell cell;
    cell.column = column;
    cell.xf = xf;
    return *cells.insert(it, cell);
}

void Row::erase(uint16_t column)
{
    auto it = lowerBound(cells, column);
    if (it != cells.end() && it->column == column)
        cells.erase(it);
}

const Row* Worksheet::findRow(uint32_t row) const
{
    return row < rows.size() ? &rows[row] : nullptr;
}

Row* Worksheet::findRow(uint32_t row)
{
    return row < rows.size() ? &rows[row] : nullptr;
}

Row& Worksheet::ensureRow(uint32_t row)
{
    if (row >= rows.size())
        rows.resize(row + 1);
    return rows[row];
}

const Cell* Worksheet::findCell(uint32_t row, uint16_t column) const
{
    const Row* r = findRow(row);
    return r ? r->find(column) : nullptr;
}

void Worksheet::insertRows(uint32_t at, uint32_t count)
{
    if (count == 0)
        return;
    if (at < rows.size())
        rows.insert(rows.begin() + at, count, Row{});
    for (Formula& formula : formulas)
        if (!formula.removed && formula.row >= at)
            formula.row += count;
}

void Worksheet::eraseRows(uint32_t at, uint32_t count)
{
    if (count == 0)
        return;
    if (at < rows.size()) {
        const uint32_t end = std::min<uint32_t>(at + count, rowCount());
        rows.erase(rows.begin() + at, rows.begin() + end);
    }
    for (Formula& formula : formulas) {
        if (formula.removed || formula.row < at)
            continue;
        if (formula.row < at + count)
            formula.removed = true;
        else
            formula.row -= count;
    }
}

const ColumnInfo* Worksheet::findColumn(uint16_t column) const
{
    for (const ColumnInfo& info : columns)
        if (column >= info.first && column <= info.last)
            return &info;
    return nullptr;
}

uint16_t Worksheet::columnWidth(uint16_t column, uint16_t defaultFontHeightTwips) const
{
    const ColumnInfo* info = findColumn(column);
    return info ? info->width : defaultColumnWidth256(defaultFontHeightTwips);
}

// DEFCOLWIDTH counts characters without the cell's padding. The padding, a few pixels, is a
// smaller share of a character the larger the font: 1.06 characters for a 10-point font,
// 0.98 for 11 points, 0.91 for 12 points. This curve is the one LibreOffice applies, so that
// a sheet without its own widths is laid out as there (Arial 10's default of 8 characters
// becomes 8 + 271/256, about 67 pixels).
uint16_t Worksheet::defaultColumnWidth256(uint16_t defaultFontHeightTwips) const
{
    if (standardWidth != 0)
        return standardWidth;
    const int padding = 40960 / std::max(int(defaultFontHeightTwips) - 15, 60) + 50;
    return static_cast<uint16_t>(std::min(defaultColumnWidth * 256 + padding, 0xFFFF));
}

uint16_t Worksheet::rowHeightTwips(uint32_t row) const
{
    const Row* r = findRow(row);
    return r && r->hasRecord ? r->heightTwips : defaultRowHeightTwips;
}

} // namespace spreadsheet
