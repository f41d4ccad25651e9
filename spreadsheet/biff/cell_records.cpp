#include "spreadsheet/biff/cell_records.h"

#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/strings.h"

#include "spreadsheet/model/error.h"

#include <bit>
#include <cmath>

namespace spreadsheet::biff {

// Every cell record starts:
//   0  2  rw    row
//   2  2  col   column
//   4  2  ixfe  XF index
CellHeader readCellHeader(ByteReader& in)
{
    CellHeader header;
    header.row = in.u16();
    header.column = in.u16();
    header.xf = in.u16();
    return header;
}

namespace {

void writeCellHeader(ByteWriter& w, uint16_t row, const Cell& cell)
{
    w.u16(row);
    w.u16(cell.column);
    w.u16(cell.xf);
}

} // namespace

// RK: a 30-bit integer or the top 30 bits of a double, bit 0 "divide by 100", bit 1 "integer".
double decodeRk(uint32_t rk)
{
    double value;
    if (rk & 0x02)
        value = double(int32_t(rk) >> 2);
    else
        value = std::bit_cast<double>(uint64_t(rk & 0xFFFFFFFCu) << 32);
    return (rk & 0x01) ? value / 100 : value;
}

std::optional<uint32_t> encodeRk(double value)
{
    constexpr double kLowest = -(1 << 29);
    constexpr double kHighest = (1 << 29) - 1;
    if (value >= kLowest && value <= kHighest && value == std::floor(value) &&
        !(value == 0 && std::signbit(value)))
        return (uint32_t(int32_t(value)) << 2) | 0x02;
    const auto bits = std::bit_cast<uint64_t>(value);
    if ((bits & 0xFFFFFFFFull) == 0 && ((bits >> 32) & 0x03) == 0)
        return uint32_t(bits >> 32);
    const double hundredfold = value * 100;
    if (hundredfold >= kLowest && hundredfold <= kHighest &&
        hundredfold == std::floor(hundredfold)) {
        const uint32_t rk = (uint32_t(int32_t(hundredfold)) << 2) | 0x03;
        if (decodeRk(rk) == value)
            return rk;
    }
    return std::nullopt;
}

// FORMULA
//   0  6  cell header
//   6  8  num     result: a double, or when bytes 6-7 are 0xFFFF, byte 0 is the kind
//                 (0 text in a following STRING record, 1 boolean, 2 error, 3 empty text) and
//                 byte 2 the boolean or error code
//  14  2  grbit   bit 0 always calculate, bit 1 calculate on open, bit 3 shared formula
//  16  4  chn     (ignored)
//  20  2  cce     size of the tokens
//  22  cce  rgce  tokens
//  ..  var  rgcb  extra data of array constants and the like
Formula readFormula(ByteReader& in, const CellHeader& header)
{
    Formula formula;
    formula.row = header.row;
    formula.column = header.column;
    const auto result = in.bytes(8);
    if (result[6] == 0xFF && result[7] == 0xFF) {
        switch (result[0]) {
        case 0:
            formula.cached.kind = CachedValue::Kind::String;
            break;
        case 1:
            formula.cached.kind = CachedValue::Kind::Boolean;
            formula.cached.flag = result[2] ? 1 : 0;
            break;
        case 2:
            formula.cached.kind = CachedValue::Kind::Error;
            formula.cached.flag = result[2];
            break;
        default:
            formula.cached.kind = CachedValue::Kind::Empty;
            break;
        }
    } else {
        ByteReader number(result);
        formula.cached.kind = CachedValue::Kind::Number;
        formula.cached.number = number.f64();
    }
    formula.options = in.u16();
    in.skip(4);
    const uint16_t size = in.u16();
    formula.tokens = in.copy(size);
    formula.extraData = in.copy(in.remaining());
    return formula;
}

// LABELSST
//   0  6  cell header
//   6  4  isst  index into the shared string table
void writeLabelSst(RecordWriter& out, uint16_t row, const Cell& cell)
{
    ByteWriter& w = out.begin(kLabelSst);
    writeCellHeader(w, row, cell);
    w.u32(cell.index);
    out.end();
}

// NUMBER
//   0  6  cell header
//   6  8  num   IEEE double
// RK (written instead when the number has an exact RK form)
//   0  6  cell header
//   6  4  rk
void writeNumber(RecordWriter& out, uint16_t row, const Cell& cell)
{
    if (const auto rk = encodeRk(cell.number)) {
        ByteWriter& w = out.begin(kRk);
        writeCellHeader(w, row, cell);
        w.u32(*rk);
    } else {
        ByteWriter& w = out.begin(kNumber);
        writeCellHeader(w, row, cell);
        w.f64(cell.number);
    }
    out.end();
}

// BOOLERR
//   0  6  cell header
//   6  1  bBoolErr  boolean value or error code
//   7  1  fError    1 for an error
void writeBoolErr(RecordWriter& out, uint16_t row, const Cell& cell)
{
    ByteWriter& w = out.begin(kBoolErr);
    writeCellHeader(w, row, cell);
    w.u8(cell.flag);
    w.u8(cell.kind == CellKind::Error ? 1 : 0);
    out.end();
}

// BLANK
//   0  6  cell header
// MULBLANK
//   0  2  rw
//   2  2  colFirst
//   4  2*n  XF index of each cell
//   ..  2  colLast
void writeBlanks(RecordWriter& out, uint16_t row, std::span<const Cell> run)
{
    if (run.size() == 1) {
        ByteWriter& w = out.begin(kBlank);
        writeCellHeader(w, row, run.front());
        out.end();
        return;
    }
    ByteWriter& w = out.begin(kMulBlank);
    w.u16(row);
    w.u16(run.front().column);
    for (const Cell& cell : run)
        w.u16(cell.xf);
    w.u16(run.back().column);
    out.end();
}

// STRING
//   0  var  text result of the formula before it, XLUnicodeString
void writeFormula(RecordWriter& out, uint16_t row, const Cell& cell, const Formula& formula)
{
    ByteWriter& w = out.begin(kFormula);
    writeCellHeader(w, row, cell);
    const CachedValue& cached = formula.cached;
    if (cached.kind == CachedValue::Kind::Number) {
        w.f64(cached.number);
    } else {
        uint8_t kind = 3;
        uint8_t value = 0;
        if (cached.kind == CachedValue::Kind::String)
            kind = 0;
        else if (cached.kind == CachedValue::Kind::Boolean)
            kind = 1, value = cached.flag ? 1 : 0;
        else if (cached.kind == CachedValue::Kind::Error)
            kind = 2, value = cached.flag;
        const uint8_t result[8] = {kind, 0, value, 0, 0, 0, 0xFF, 0xFF};
        w.bytes(result);
    }
    w.u16(formula.options);
    w.u32(0);
    if (formula.tokens.size() > 0xFFFF)
        throw Error("a formula is too long for the .xls format");
    w.u16(uint16_t(formula.tokens.size()));
    w.bytes(formula.tokens);
    w.bytes(formula.extraData);
    out.end();
    if (cached.kind == CachedValue::Kind::String) {
        // A long result continues in CONTINUE records, split between characters.
        std::u16string units;
        toUtf16(cached.text, units);
        if (units.size() > 0xFFFF)
            throw Error("a formula result is too long for the .xls format");
        const bool compressed = isCompressible(units);
        SplitRecordWriter text(out, kString);
        text.bytes().u16(uint16_t(units.size()));
        text.bytes().u8(compressed ? 0x00 : 0x01);
        text.characters(units, compressed);
        text.finish();
    }
    for (const FormulaAttachment& attachment : formula.attachments)
        out.record(attachment.type, attachment.data);
}

} // namespace spreadsheet::biff
