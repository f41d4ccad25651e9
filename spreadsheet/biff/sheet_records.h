#pragma once

// Records that give a worksheet its shape: dimensions, column and row properties, merged
// areas, and the INDEX and DBCELL records that let readers find row blocks.

#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/model/worksheet.h"

#include <vector>

namespace spreadsheet::biff {

ColumnInfo readColInfo(ByteReader& in);
void writeColInfo(RecordWriter& out, const ColumnInfo& column);

void readDefaultRowHeight(ByteReader& in, Worksheet& sheet);
void writeDefaultRowHeight(RecordWriter& out, const Worksheet& sheet);

// Reads a ROW record's properties into `row` (found by the returned row number).
uint16_t readRowNumber(ByteReader& in);
void readRowProperties(ByteReader& in, Row& row);
// `heightTwips` is written for a row that has no properties of its own.
void writeRow(RecordWriter& out, uint32_t index, const Row& row, uint16_t defaultHeight);
// Whether a ROW record says nothing beyond "this row exists" on a sheet with this default
// height: such a row needs no properties of its own in the model.
bool isPlainRow(const Row& row, uint16_t defaultHeight);

// Cell extent: rows [firstRow, rowEnd), columns [firstColumn, columnEnd); all zero when empty.
struct Extent
{
    uint32_t firstRow = 0;
    uint32_t rowEnd = 0;
    uint16_t firstColumn = 0;
    uint16_t columnEnd = 0;
};
void writeDimensions(RecordWriter& out, const Extent& extent);

// A counted list of Ref8 ranges (MERGEDCELLS, CFHEADER). A range the sheet cannot hold is
// dropped rather than passed on.
void readRangeList(ByteReader& in, std::vector<CellRange>& ranges);
void writeRange(ByteWriter& out, const CellRange& range);
// One MERGEDCELLS record per 1,027 ranges.
void writeMergedCells(RecordWriter& out, const std::vector<CellRange>& ranges);

// Writes INDEX with `blockCount` DBCELL positions left zero; returns the stream position of the
// first of them. `defColWidthField` receives the position of the DEFCOLWIDTH pointer.
size_t writeIndex(RecordWriter& out, const Extent& extent, size_t blockCount,
                  size_t& defColWidthField);
// DBCELL: `toFirstRow` is the distance back to the block's first ROW record, `cellOffsets`
// the chain of distances to each row's first cell.
void writeDbCell(RecordWriter& out, uint32_t toFirstRow, const std::vector<uint16_t>& cellOffsets);

void writeGuts(RecordWriter& out, const Worksheet& sheet);

} // namespace spreadsheet::biff
