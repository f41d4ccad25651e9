#include "spreadsheet/biff/sheet_records.h"

#include "spreadsheet/biff/record_types.h"

#include "spreadsheet/model/cell_range.h"

#include <algorithm>

namespace spreadsheet::biff {

// COLINFO
//   0  2  colFirst
//   2  2  colLast
//   4  2  coldx    width, 1/256 of the default font's zero digit
//   6  2  ixfe     XF of the columns' empty cells
//   8  2  grbit    bit 0 hidden, 1 width set by hand, 8-10 outline level, 12 collapsed
//  10  2  reserved
ColumnInfo readColInfo(ByteReader& in)
{
    ColumnInfo column;
    column.first = in.u16();
    column.last = in.u16();
    column.width = in.u16();
    column.xf = in.u16();
    const uint16_t flags = in.u16();
    column.hidden = (flags & 0x0001) != 0;
    column.customWidth = (flags & 0x0002) != 0;
    column.outlineLevel = (flags >> 8) & 0x07;
    column.collapsed = (flags & 0x1000) != 0;
    return column;
}

void writeColInfo(RecordWriter& out, const ColumnInfo& column)
{
    ByteWriter& w = out.begin(kColInfo);
    w.u16(column.first);
    w.u16(column.last);
    w.u16(column.width);
    w.u16(column.xf);
    w.u16(uint16_t((column.hidden ? 0x0001 : 0) | (column.customWidth ? 0x0002 : 0) |
                   ((column.outlineLevel & 0x07) << 8) | (column.collapsed ? 0x1000 : 0)));
    w.u16(0);
    out.end();
}

// DEFAULTROWHEIGHT
//   0  2  grbit   bit 0 height differs from the font's, 1 rows hidden, 2 thick top, 3 thick
//                 bottom
//   2  2  miyRw   height of rows without a ROW record, twips
void readDefaultRowHeight(ByteReader& in, Worksheet& sheet)
{
    sheet.defaultRowOptions = in.u16();
    sheet.defaultRowHeightTwips = in.u16();
}

void writeDefaultRowHeight(RecordWriter& out, const Worksheet& sheet)
{
    ByteWriter& w = out.begin(kDefaultRowHeight);
    w.u16(sheet.defaultRowOptions);
    w.u16(sheet.defaultRowHeightTwips);
    out.end();
}

// ROW
//   0  2  rw
//   2  2  colMic   first column with a cell
//   4  2  colMac   one past the last column with a cell
//   6  2  miyRw    bits 0-14 height in twips
//   8  4  reserved
//  12  4  bits 0-2 outline level, 4 collapsed, 5 hidden, 6 height set by hand, 7 formatted,
//         8 always set, 16-27 XF, 28 thick top, 29 thick bottom
uint16_t readRowNumber(ByteReader& in)
{
    return in.u16();
}

void readRowProperties(ByteReader& in, Row& row)
{
    const uint16_t firstColumn = in.u16();
    const uint16_t columnEnd = in.u16();
    // The row's cells follow; room for them saves growing the vector cell by cell.
    if (columnEnd > firstColumn && row.cells.empty())
        row.cells.reserve(std::min<size_t>(columnEnd - firstColumn, kMaxColumns));
    row.hasRecord = true;
    row.heightTwips = in.u16() & 0x7FFF;
    in.skip(4);
    const uint32_t flags = in.u32();
    row.outlineLevel = flags & 0x07;
    row.collapsed = (flags & 0x10) != 0;
    row.hidden = (flags & 0x20) != 0;
    row.customHeight = (flags & 0x40) != 0;
    row.formatted = (flags & 0x80) != 0;
    row.xf = (flags >> 16) & 0x0FFF;
    row.thickTop = (flags & 0x10000000) != 0;
    row.thickBottom = (flags & 0x20000000) != 0;
}

void writeRow(RecordWriter& out, uint32_t index, const Row& row, uint16_t defaultHeight)
{
    ByteWriter& w = out.begin(kRow);
    w.u16(uint16_t(index));
    w.u16(row.cells.empty() ? 0 : row.cells.front().column);
    w.u16(row.cells.empty() ? 0 : uint16_t(row.cells.back().column + 1));
    w.u16(uint16_t((row.hasRecord ? row.heightTwips : defaultHeight) & 0x7FFF));
    w.u32(0);
    if (!row.hasRecord) {
        w.u32(0x000F0100);
    } else {
        w.u32(uint32_t(row.outlineLevel & 0x07) | (row.collapsed ? 0x10u : 0) |
              (row.hidden ? 0x20u : 0) | (row.customHeight ? 0x40u : 0) |
              (row.formatted ? 0x80u : 0) | 0x100u | uint32_t(row.xf & 0x0FFF) << 16 |
              (row.thickTop ? 0x10000000u : 0) | (row.thickBottom ? 0x20000000u : 0));
    }
    out.end();
}

bool isPlainRow(const Row& row, uint16_t defaultHeight)
{
    return row.heightTwips == defaultHeight && !row.customHeight && !row.hidden && !row.formatted &&
           row.xf == 15 && row.outlineLevel == 0 && !row.collapsed && !row.thickTop &&
           !row.thickBottom;
}

// DIMENSIONS
//   0  4  rwMic   first row with a cell
//   4  4  rwMac   one past the last
//   8  2  colMic
//  10  2  colMac
//  12  2  reserved
void writeDimensions(RecordWriter& out, const Extent& extent)
{
    ByteWriter& w = out.begin(kDimensions);
    w.u32(extent.firstRow);
    w.u32(extent.rowEnd);
    w.u16(extent.firstColumn);
    w.u16(extent.columnEnd);
    w.u16(0);
    out.end();
}

// MERGEDCELLS
//   0  2  cmcs   number of ranges, at most 1,027 in one record
//   2  8*cmcs    rwFirst, rwLast, colFirst, colLast
void readRangeList(ByteReader& in, std::vector<CellRange>& ranges)
{
    const uint16_t count = in.u16();
    for (uint16_t i = 0; i < count; ++i) {
        CellRange range;
        range.firstRow = in.u16();
        range.lastRow = in.u16();
        range.firstColumn = in.u16();
        range.lastColumn = in.u16();
        if (range.firstRow <= range.lastRow && range.firstColumn <= range.lastColumn &&
            range.lastColumn < kMaxColumns)
            ranges.push_back(range);
    }
}

void writeRange(ByteWriter& out, const CellRange& range)
{
    out.u16(uint16_t(range.firstRow));
    out.u16(uint16_t(range.lastRow));
    out.u16(range.firstColumn);
    out.u16(range.lastColumn);
}

void writeMergedCells(RecordWriter& out, const std::vector<CellRange>& ranges)
{
    constexpr size_t kPerRecord = 1027;
    for (size_t at = 0; at < ranges.size(); at += kPerRecord) {
        const size_t count = std::min(kPerRecord, ranges.size() - at);
        ByteWriter& w = out.begin(kMergedCells);
        w.u16(uint16_t(count));
        for (size_t i = at; i < at + count; ++i)
            writeRange(w, ranges[i]);
        out.end();
    }
}

// INDEX
//   0  4  reserved
//   4  4  rwMic   first row with a cell
//   8  4  rwMac   one past the last
//  12  4  ibXF    stream position of the DEFCOLWIDTH record
//  16  4*n        stream position of each row block's DBCELL
size_t writeIndex(RecordWriter& out, const Extent& extent, size_t blockCount,
                  size_t& defColWidthField)
{
    ByteWriter& w = out.begin(kIndex);
    w.u32(0);
    w.u32(extent.firstRow);
    w.u32(extent.rowEnd);
    defColWidthField = w.position();
    w.u32(0);
    const size_t first = w.position();
    w.zeros(4 * blockCount);
    out.end();
    return first;
}

// DBCELL
//   0  4  dbRtrw  distance from this record back to the block's first ROW record
//   4  2*n        distance to each row's first cell: the first from the end of the first ROW
//                 record, each further one from the previous row's first cell
void writeDbCell(RecordWriter& out, uint32_t toFirstRow, const std::vector<uint16_t>& cellOffsets)
{
    ByteWriter& w = out.begin(kDbCell);
    w.u32(toFirstRow);
    for (uint16_t offset : cellOffsets)
        w.u16(offset);
    out.end();
}

// GUTS
//   0  2  dxRwGut  width of the row outline gutter
//   2  2  dyColGut height of the column outline gutter
//   4  2  iLevelRwMac   number of row outline levels in use (0 none, else levels + 1)
//   6  2  iLevelColMac
void writeGuts(RecordWriter& out, const Worksheet& sheet)
{
    uint16_t rowLevels = 0;
    for (const Row& row : sheet.rows)
        rowLevels = std::max<uint16_t>(rowLevels, row.outlineLevel);
    uint16_t columnLevels = 0;
    for (const ColumnInfo& column : sheet.columns)
        columnLevels = std::max<uint16_t>(columnLevels, column.outlineLevel);
    ByteWriter& w = out.begin(kGuts);
    w.u16(rowLevels ? uint16_t(12 * rowLevels + 17) : 0);
    w.u16(columnLevels ? uint16_t(12 * columnLevels + 17) : 0);
    w.u16(rowLevels ? uint16_t(rowLevels + 1) : 0);
    w.u16(columnLevels ? uint16_t(columnLevels + 1) : 0);
    out.end();
}

} // namespace spreadsheet::biff
