#include "spreadsheet/formula/shift.h"

#include <algorithm>

namespace spreadsheet::formula {

std::optional<uint32_t> shiftRow(uint32_t row, const RowEdit& edit)
{
    if (row < edit.at)
        return row;
    if (edit.kind == RowEdit::Kind::Insert) {
        if (row + edit.count > kLastRow)
            return std::nullopt;
        return row + edit.count;
    }
    if (row < edit.at + edit.count)
        return std::nullopt;
    return row - edit.count;
}

std::optional<RowSpan> shiftSpan(RowSpan span, const RowEdit& edit)
{
    if (span.last < edit.at || (span.first == 0 && span.last == kLastRow))
        return span;
    const bool toSheetEnd = span.last == kLastRow;
    if (edit.kind == RowEdit::Kind::Insert) {
        if (span.first >= edit.at) {
            if (span.first + edit.count > kLastRow)
                return std::nullopt;
            span.first += edit.count;
        }
        span.last = std::min(kLastRow, span.last + edit.count);
        return span;
    }
    const uint32_t end = edit.at + edit.count; // first row after the deleted ones
    if (span.first >= edit.at && span.last < end)
        return std::nullopt;
    if (span.first >= end)
        span.first -= edit.count;
    else if (span.first >= edit.at)
        span.first = edit.at;
    if (toSheetEnd)
        return span;
    span.last = span.last >= end ? span.last - edit.count : edit.at - 1;
    return span;
}

std::optional<CellRange> shiftRange(const CellRange& range, const RowEdit& edit)
{
    auto span = shiftSpan({range.firstRow, range.lastRow}, edit);
    if (!span)
        return std::nullopt;
    CellRange shifted = range;
    shifted.firstRow = span->first;
    shifted.lastRow = span->last;
    return shifted;
}

namespace {

uint8_t errorFormOf(uint8_t id)
{
    switch (id) {
    case ptg::Ref:
    case ptg::RefN:
        return ptg::RefErr;
    case ptg::Area:
    case ptg::AreaN:
        return ptg::AreaErr;
    case ptg::Ref3d:
        return ptg::RefErr3d;
    default:
        return ptg::AreaErr3d;
    }
}

void makeReferenceError(Token& token)
{
    token.id = errorFormOf(token.id);
    token.first = {};
    token.last = {};
}

bool isRelativeForm(const Token& token)
{
    return token.id == ptg::RefN || token.id == ptg::AreaN;
}

bool isArea(const Token& token)
{
    return token.id == ptg::Area || token.id == ptg::AreaN || token.id == ptg::Area3d;
}

bool pointsAtEditedSheet(const Token& token, const ShiftContext& context)
{
    if (token.id == ptg::Ref3d || token.id == ptg::Area3d)
        return context.externSheetEdited(token.sheet);
    return context.ownSheetEdited;
}

// The sheet row a stored row names: relative rows of the N forms are offsets (modulo the
// sheet's 65,536 rows) from the anchor.
uint32_t targetRow(const Token& token, const CellReference& cell, uint32_t anchor)
{
    if (isRelativeForm(token) && cell.rowRelative)
        return (anchor + cell.row) % kMaxRows;
    return cell.row;
}

uint16_t storedRow(const Token& token, const CellReference& cell, uint32_t target, uint32_t anchor)
{
    if (isRelativeForm(token) && cell.rowRelative)
        return static_cast<uint16_t>((target + kMaxRows - anchor) % kMaxRows);
    return static_cast<uint16_t>(target);
}

// Shifts one reference token; false when it became #REF!.
bool shiftReference(Token& token, const ShiftContext& context)
{
    const uint32_t before = context.anchorBefore;
    const uint32_t after = context.anchorAfter;
    if (!isArea(token)) {
        auto row = shiftRow(targetRow(token, token.first, before), context.edit);
        if (!row)
            return false;
        token.first.row = storedRow(token, token.first, *row, after);
        return true;
    }
    RowSpan span{targetRow(token, token.first, before), targetRow(token, token.last, before)};
    const bool reversed = span.first > span.last;
    if (reversed)
        std::swap(span.first, span.last);
    auto shifted = shiftSpan(span, context.edit);
    if (!shifted)
        return false;
    if (reversed)
        std::swap(shifted->first, shifted->last);
    token.first.row = storedRow(token, token.first, shifted->first, after);
    token.last.row = storedRow(token, token.last, shifted->last, after);
    return true;
}

} // namespace

bool shiftTokens(std::vector<Token>& tokens, const ShiftContext& context)
{
    bool changed = false;
    for (Token& token : tokens) {
        if (!isOperandReference(token) || !pointsAtEditedSheet(token, context))
            continue;
        const Token original = token;
        if (!shiftReference(token, context))
            makeReferenceError(token);
        changed = changed || token != original;
    }
    return changed;
}

bool shiftFormula(std::vector<uint8_t>& rgce, const ShiftContext& context)
{
    std::vector<Token> tokens = parseTokens(rgce);
    if (!shiftTokens(tokens, context))
        return false;
    rgce = encodeTokens(tokens);
    return true;
}

void relocateCopiedTokens(std::vector<Token>& tokens, int32_t rowDelta, const ShiftContext& context)
{
    for (Token& token : tokens) {
        if (!isOperandReference(token))
            continue;
        // Absolute rows first, as for any formula on the sheet; relative rows then keep their
        // distance from the copy's own cell instead.
        Token shifted = token;
        const bool kept = !pointsAtEditedSheet(token, context) || shiftReference(shifted, context);
        bool valid = true;
        for (auto [cell, shiftedCell] :
             {std::pair{&token.first, &shifted.first}, {&token.last, &shifted.last}}) {
            if (cell == &token.last && !isArea(token))
                break;
            if (cell->rowRelative && !isRelativeForm(token)) {
                const int64_t moved = static_cast<int64_t>(cell->row) + rowDelta;
                valid = valid && moved >= 0 && moved <= kLastRow;
                cell->row = static_cast<uint16_t>(std::clamp<int64_t>(moved, 0, kLastRow));
            } else {
                valid = valid && kept;
                cell->row = shiftedCell->row;
            }
        }
        if (!valid)
            makeReferenceError(token);
    }
}

} // namespace spreadsheet::formula
