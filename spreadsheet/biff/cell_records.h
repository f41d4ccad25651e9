#pragma once

// Cell records: LABELSST, LABEL, RSTRING, NUMBER, RK, MULRK, BLANK, MULBLANK, BOOLERR,
// FORMULA and the STRING record that carries a formula's text result.

#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/model/cell.h"

#include <optional>
#include <string>
#include <vector>

namespace spreadsheet::biff {

// The row, column and XF index that every cell record starts with.
struct CellHeader
{
    uint16_t row = 0;
    uint16_t column = 0;
    uint16_t xf = 0;
};
CellHeader readCellHeader(ByteReader& in);

double decodeRk(uint32_t rk);
// The RK form of `value` when it has one that decodes to exactly the same number.
std::optional<uint32_t> encodeRk(double value);

// A FORMULA record's body after its cell header. `cached.kind` is String when a STRING record
// with the text follows.
Formula readFormula(ByteReader& in, const CellHeader& header);

void writeLabelSst(RecordWriter& out, uint16_t row, const Cell& cell);
void writeNumber(RecordWriter& out, uint16_t row, const Cell& cell);
void writeBoolErr(RecordWriter& out, uint16_t row, const Cell& cell);
// BLANK for one cell, MULBLANK for a run of adjacent blank cells.
void writeBlanks(RecordWriter& out, uint16_t row, std::span<const Cell> run);
// FORMULA, then STRING for a text result, then the formula's attached records.
void writeFormula(RecordWriter& out, uint16_t row, const Cell& cell, const Formula& formula);

} // namespace spreadsheet::biff
