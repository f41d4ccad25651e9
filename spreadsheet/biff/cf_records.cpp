#include "spreadsheet/biff/cf_records.h"

#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/sheet_records.h"

#include "spreadsheet/model/error.h"

#include <algorithm>

namespace spreadsheet::biff {

// CFHEADER
//   0  2  ccf        number of CFRULE records that follow
//   2  2  bit 0 recalculate on every change, bits 1-15 the format's id
//   4  8  bounding range: rwFirst, rwLast, colFirst, colLast
//  12  2  cref       number of ranges
//  14  8*cref        the ranges, as the bounding range
ConditionalFormat readCfHeader(ByteReader& in, uint16_t& ruleCount)
{
    ConditionalFormat format;
    ruleCount = in.u16();
    in.skip(2 + 8);
    readRangeList(in, format.ranges);
    return format;
}

// CFRULE
//   0  1  ct     1 cell value, 2 formula
//   1  1  cp     comparison operator of a cell value rule
//   2  2  cce1   size of the first formula
//   4  2  cce2   size of the second formula
//   6  4  flags  which formats the rule changes and which blocks follow
//  10  2  reserved word
//  12  var  font (118 bytes), border (8) and pattern (4) blocks as the flags announce
//  ..  cce1  first formula, tokens relative to the first cell of the bounding range
//  ..  cce2  second formula
// The model keeps bytes 10 up to the first formula as they are.
ConditionalRule readCfRule(ByteReader& in)
{
    ConditionalRule rule;
    rule.type = in.u8();
    rule.operation = in.u8();
    const uint16_t size1 = in.u16();
    const uint16_t size2 = in.u16();
    rule.flags = in.u32();
    const size_t formulas = size_t(size1) + size2;
    if (formulas > in.remaining())
        throw Error("a conditional format's formulas are longer than its record");
    rule.formatBlocks = in.copy(in.remaining() - formulas);
    rule.formula1 = in.copy(size1);
    rule.formula2 = in.copy(size2);
    return rule;
}

bool writeConditionalFormat(RecordWriter& out, const ConditionalFormat& format, uint16_t id)
{
    if (format.ranges.empty() || format.rules.empty())
        return false;
    CellRange bounds = format.ranges.front();
    for (const CellRange& range : format.ranges) {
        bounds.firstRow = std::min(bounds.firstRow, range.firstRow);
        bounds.lastRow = std::max(bounds.lastRow, range.lastRow);
        bounds.firstColumn = std::min(bounds.firstColumn, range.firstColumn);
        bounds.lastColumn = std::max(bounds.lastColumn, range.lastColumn);
    }
    ByteWriter& w = out.begin(kCfHeader);
    w.u16(uint16_t(format.rules.size()));
    w.u16(uint16_t(1 | (id << 1)));
    writeRange(w, bounds);
    w.u16(uint16_t(format.ranges.size()));
    for (const CellRange& range : format.ranges)
        writeRange(w, range);
    out.end();
    for (const ConditionalRule& rule : format.rules) {
        if (rule.formula1.size() > 0xFFFF || rule.formula2.size() > 0xFFFF)
            throw Error("a conditional format's formula is too long");
        ByteWriter& r = out.begin(kCfRule);
        r.u8(rule.type);
        r.u8(rule.operation);
        r.u16(uint16_t(rule.formula1.size()));
        r.u16(uint16_t(rule.formula2.size()));
        r.u32(rule.flags);
        r.bytes(rule.formatBlocks);
        r.bytes(rule.formula1);
        r.bytes(rule.formula2);
        out.end();
    }
    return true;
}

} // namespace spreadsheet::biff
