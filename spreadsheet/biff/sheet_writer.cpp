#include "spreadsheet/biff/sheet_writer.h"

#include "spreadsheet/biff/cell_records.h"
#include "spreadsheet/biff/cf_records.h"
#include "spreadsheet/biff/globals_records.h"
#include "spreadsheet/biff/page_records.h"
#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/sheet_records.h"
#include "spreadsheet/biff/window_records.h"

#include "spreadsheet/model/error.h"

#include <algorithm>

namespace spreadsheet::biff {

namespace {

using Place = RawRecord::Place;

constexpr uint32_t kRowsPerBlock = 32;
constexpr size_t kRowRecordSize = 20; // header and body

bool isWritten(const Row& row)
{
    return row.hasRecord || !row.cells.empty();
}

Extent cellExtent(const Worksheet& sheet)
{
    Extent extent;
    bool any = false;
    for (uint32_t r = 0; r < sheet.rowCount(); ++r) {
        const Row& row = sheet.rows[r];
        if (row.cells.empty())
            continue;
        if (!any) {
            extent.firstRow = r;
            extent.firstColumn = row.cells.front().column;
            any = true;
        }
        extent.rowEnd = r + 1;
        extent.firstColumn = std::min(extent.firstColumn, row.cells.front().column);
        extent.columnEnd = std::max<uint16_t>(extent.columnEnd, row.cells.back().column + 1);
    }
    return extent;
}

void writePreserved(RecordWriter& out, const Worksheet& sheet, Place place)
{
    for (const RawRecord& record : sheet.preserved)
        if (record.where == place)
            out.record(record.type, record.data);
}

// The fixed calculation settings: automatic, 100 iterations off, A1 references, full save.
void writeCalculationSettings(RecordWriter& out)
{
    out.u16Record(kCalcMode, 1);
    out.u16Record(kCalcCount, 100);
    out.u16Record(kRefMode, 1);
    out.u16Record(kIteration, 0);
    ByteWriter& w = out.begin(kDelta);
    w.f64(0.001);
    out.end();
    out.u16Record(kSaveRecalc, 1);
}

void writeCells(RecordWriter& out, const Worksheet& sheet, uint16_t rowIndex, const Row& row)
{
    const std::vector<Cell>& cells = row.cells;
    for (size_t i = 0; i < cells.size();) {
        const Cell& cell = cells[i];
        switch (cell.kind) {
        case CellKind::Blank: {
            // Adjacent blank cells share one MULBLANK.
            size_t end = i + 1;
            while (end < cells.size() && cells[end].kind == CellKind::Blank &&
                   cells[end].column == cells[end - 1].column + 1)
                ++end;
            writeBlanks(out, rowIndex, std::span(cells).subspan(i, end - i));
            i = end;
            continue;
        }
        case CellKind::Number:
            writeNumber(out, rowIndex, cell);
            break;
        case CellKind::String:
            writeLabelSst(out, rowIndex, cell);
            break;
        case CellKind::Boolean:
        case CellKind::Error:
            writeBoolErr(out, rowIndex, cell);
            break;
        case CellKind::Formula:
            writeFormula(out, rowIndex, cell, sheet.formulas[cell.index]);
            break;
        }
        ++i;
    }
}

// The cell table: blocks of up to 32 rows, each its ROW records, then their cells, then a
// DBCELL that points back at both. `dbCellSlots` is INDEX's table of DBCELL positions.
void writeCellTable(RecordWriter& out, const Worksheet& sheet, size_t dbCellSlots)
{
    std::vector<size_t> firstCells;
    firstCells.reserve(kRowsPerBlock);
    std::vector<uint16_t> offsets;
    offsets.reserve(kRowsPerBlock);
    uint32_t start = 0;
    while (start < sheet.rowCount()) {
        const uint32_t end =
            std::min<uint32_t>(start - start % kRowsPerBlock + kRowsPerBlock, sheet.rowCount());
        bool any = false;
        for (uint32_t r = start; r < end && !any; ++r)
            any = isWritten(sheet.rows[r]);
        if (!any) {
            start = end;
            continue;
        }
        const size_t firstRow = out.position();
        for (uint32_t r = start; r < end; ++r)
            if (isWritten(sheet.rows[r]))
                writeRow(out, r, sheet.rows[r], sheet.defaultRowHeightTwips);
        firstCells.clear();
        for (uint32_t r = start; r < end; ++r) {
            if (!isWritten(sheet.rows[r]))
                continue;
            firstCells.push_back(out.position());
            writeCells(out, sheet, uint16_t(r), sheet.rows[r]);
        }
        offsets.clear();
        size_t previous = firstRow + kRowRecordSize;
        for (size_t position : firstCells) {
            offsets.push_back(uint16_t(position - previous));
            previous = position;
        }
        const size_t dbCell = out.position();
        out.bytes().patchU32(dbCellSlots, uint32_t(dbCell));
        dbCellSlots += 4;
        writeDbCell(out, uint32_t(dbCell - firstRow), offsets);
        start = end;
    }
}

} // namespace

void writeWorksheet(RecordWriter& out, const Worksheet& sheet)
{
    if (isKeptWhole(sheet)) {
        for (const RawRecord& record : sheet.substream)
            out.record(record.type, record.data);
        return;
    }
    Extent rowExtent;
    size_t blocks = 0;
    for (uint32_t r = 0; r < sheet.rowCount(); ++r) {
        if (!isWritten(sheet.rows[r]))
            continue;
        if (rowExtent.rowEnd == 0)
            rowExtent.firstRow = r;
        if (rowExtent.rowEnd == 0 || (rowExtent.rowEnd - 1) / kRowsPerBlock != r / kRowsPerBlock)
            ++blocks;
        rowExtent.rowEnd = r + 1;
    }

    writeBof(out, kWorksheetSubstream);
    size_t defColWidthField = 0;
    const size_t dbCellSlots = writeIndex(out, rowExtent, blocks, defColWidthField);
    writeCalculationSettings(out);
    writePrintOptions(out, sheet.pageSetup);
    writeGuts(out, sheet);
    writeDefaultRowHeight(out, sheet);
    writeWsBool(out, sheet);
    writePageSetup(out, sheet.pageSetup);
    writePreserved(out, sheet, Place::SheetBeforeDimensions);

    out.bytes().patchU32(defColWidthField, uint32_t(out.position()));
    out.u16Record(kDefColWidth, sheet.defaultColumnWidth);
    for (const ColumnInfo& column : sheet.columns)
        writeColInfo(out, column);
    writeDimensions(out, cellExtent(sheet));
    writeCellTable(out, sheet, dbCellSlots);
    writePreserved(out, sheet, Place::SheetAfterCells);

    writeSheetWindow(out, sheet.window);
    if (sheet.standardWidth != 0)
        out.u16Record(kStandardWidth, sheet.standardWidth);
    writePreserved(out, sheet, Place::SheetAfterWindow);
    writeMergedCells(out, sheet.merged);
    // Numbered as written, so that a format left out leaves no gap a second save would close.
    uint16_t id = 1;
    for (const ConditionalFormat& format : sheet.conditionalFormats)
        if (writeConditionalFormat(out, format, id))
            ++id;
    writePreserved(out, sheet, Place::SheetEnd);
    out.empty(kEof);
}

} // namespace spreadsheet::biff
