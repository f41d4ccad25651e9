#include "spreadsheet/automation/row_operations.h"

#include "spreadsheet/automation/limits.h"

#include "spreadsheet/formula/print.h"
#include "spreadsheet/formula/shift.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/number_text.h"

#include <algorithm>
#include <functional>
#include <tuple>

namespace spreadsheet::automation {

namespace {

using formula::RowEdit;
using formula::ShiftContext;

bool externSheetCovers(const spreadsheet::Workbook& book, uint16_t index, uint32_t sheet)
{
    if (index >= book.externSheets.size())
        return false;
    const ExternSheet& xti = book.externSheets[index];
    return sheet >= xti.firstSheet && sheet <= xti.lastSheet;
}

ShiftContext contextFor(const spreadsheet::Workbook& book, uint32_t editedSheet,
                        const RowEdit& edit, bool onEditedSheet)
{
    ShiftContext context;
    context.edit = edit;
    context.ownSheetEdited = onEditedSheet;
    context.externSheetEdited = [&book, editedSheet](uint16_t index) {
        return externSheetCovers(book, index, editedSheet);
    };
    return context;
}

void shiftMergedAreas(spreadsheet::Worksheet& sheet, const RowEdit& edit)
{
    std::vector<CellRange> kept;
    for (const CellRange& area : sheet.merged) {
        auto shifted = formula::shiftRange(area, edit);
        // A merged area reduced to one cell is no merge any more.
        if (shifted &&
            (shifted->firstRow != shifted->lastRow || shifted->firstColumn != shifted->lastColumn))
            kept.push_back(*shifted);
    }
    sheet.merged = std::move(kept);
}

uint32_t firstRowOf(const std::vector<CellRange>& ranges)
{
    uint32_t first = kMaxRows;
    for (const CellRange& range : ranges)
        first = std::min(first, range.firstRow);
    return first;
}

std::vector<CellRange> shiftedRanges(const std::vector<CellRange>& ranges, const RowEdit& edit)
{
    std::vector<CellRange> kept;
    for (const CellRange& range : ranges)
        if (auto shifted = formula::shiftRange(range, edit))
            kept.push_back(*shifted);
    return kept;
}

// Ranges of one format that touch vertically over the same columns become one range, so that
// a block grown by repeated copies keeps a single range (A10:N11 + A12:N13 = A10:N13).
void joinRanges(std::vector<CellRange>& ranges)
{
    std::sort(ranges.begin(), ranges.end(), [](const CellRange& a, const CellRange& b) {
        return std::tie(a.firstColumn, a.lastColumn, a.firstRow) <
               std::tie(b.firstColumn, b.lastColumn, b.firstRow);
    });
    std::vector<CellRange> joined;
    for (const CellRange& range : ranges) {
        CellRange* previous = joined.empty() ? nullptr : &joined.back();
        if (previous && previous->firstColumn == range.firstColumn &&
            previous->lastColumn == range.lastColumn && range.firstRow <= previous->lastRow + 1)
            previous->lastRow = std::max(previous->lastRow, range.lastRow);
        else
            joined.push_back(range);
    }
    std::sort(joined.begin(), joined.end(), [](const CellRange& a, const CellRange& b) {
        return std::tie(a.firstRow, a.firstColumn) < std::tie(b.firstRow, b.firstColumn);
    });
    ranges = std::move(joined);
}

// Shared, array and table formulas tie cells to a range held in a record of their own, which
// this layer does not move; editing rows under them would leave the file inconsistent, so the
// edit is refused before anything changes. Files this program makes have none.
void checkNoTiedFormulas(const spreadsheet::Worksheet& sheet)
{
    for (const Formula& f : sheet.formulas)
        if (!f.removed && !f.attachments.empty())
            throw Error("rows of the sheet \"" + sheet.name +
                        "\" cannot be inserted or deleted: it holds shared or array formulas, "
                        "which this program does not move (cell " +
                        columnLetters(f.column) + std::to_string(f.row + 1) + ")");
}

std::vector<formula::Token> readForEdit(const std::vector<uint8_t>& rgce,
                                        const std::function<std::string()>& describe)
{
    try {
        return formula::parseTokens(rgce);
    } catch (const Error& e) {
        throw Error("rows cannot be inserted or deleted: " + describe() + " cannot be read (" +
                    e.what() + ")");
    }
}

// The formulas a row edit rewrites: every cell formula of every sheet (3-D references
// elsewhere can point at the edited sheet), the defined names and the edited sheet's
// conditional-format rules. All are read before anything changes, so that one the program
// cannot read stops the edit instead of leaving it half done.
class FormulaRewrites
{
public:
    FormulaRewrites(spreadsheet::Workbook& book, uint32_t sheet, const RowEdit& edit)
    {
        for (uint32_t s = 0; s < book.sheets.size(); ++s) {
            spreadsheet::Worksheet& on = book.sheets[s];
            const size_t context = addContext(contextFor(book, sheet, edit, s == sheet));
            for (Formula& f : on.formulas)
                if (!f.removed)
                    add(f.tokens, context, [&] {
                        return "the formula in " + on.name + "!" + columnLetters(f.column) +
                               std::to_string(f.row + 1);
                    });
        }
        for (DefinedName& name : book.names) {
            // A name's 2-D references (rare; Excel writes 3-D ones) mean the sheet it is local
            // to.
            add(name.tokens, addContext(contextFor(book, sheet, edit, name.sheet == sheet + 1)),
                [] { return std::string("a defined name"); });
        }
        for (ConditionalFormat& format : book.sheets[sheet].conditionalFormats) {
            // Their relative (N) references are offsets from the format's first row, which may
            // move with the edit.
            ShiftContext context = contextFor(book, sheet, edit, true);
            context.anchorBefore = firstRowOf(format.ranges);
            context.anchorAfter = firstRowOf(shiftedRanges(format.ranges, edit));
            const size_t index = addContext(std::move(context));
            for (ConditionalRule& rule : format.rules)
                for (auto* rgce : {&rule.formula1, &rule.formula2})
                    add(*rgce, index, [] { return std::string("a conditional format"); });
        }
    }

    // After the rows moved: the new references written back where they changed.
    void apply()
    {
        for (Pending& pending : m_pending)
            if (formula::shiftTokens(pending.tokens, m_contexts[pending.context]))
                *pending.rgce = formula::encodeTokens(pending.tokens);
    }

private:
    struct Pending
    {
        std::vector<uint8_t>* rgce;
        std::vector<formula::Token> tokens;
        size_t context;
    };

    size_t addContext(ShiftContext context)
    {
        m_contexts.push_back(std::move(context));
        return m_contexts.size() - 1;
    }

    void add(std::vector<uint8_t>& rgce, size_t context,
             const std::function<std::string()>& describe)
    {
        if (!rgce.empty())
            m_pending.push_back({&rgce, readForEdit(rgce, describe), context});
    }

    std::vector<ShiftContext> m_contexts;
    std::vector<Pending> m_pending;
};

void applyEdit(spreadsheet::Workbook& book, uint32_t sheet, const RowEdit& edit)
{
    spreadsheet::Worksheet& target = book.sheets.at(sheet);
    checkNoTiedFormulas(target);
    FormulaRewrites rewrites(book, sheet, edit);
    if (edit.kind == RowEdit::Kind::Insert)
        target.insertRows(edit.at, edit.count);
    else
        target.eraseRows(edit.at, edit.count);
    rewrites.apply();
    shiftMergedAreas(target, edit);
    for (ConditionalFormat& format : target.conditionalFormats)
        format.ranges = shiftedRanges(format.ranges, edit);
    std::erase_if(target.conditionalFormats,
                  [](const ConditionalFormat& f) { return f.ranges.empty(); });
}

// Rows are stored up to the last one with a record or a cell: inserting may not push any of
// them past the sheet's end, as Excel refuses to push non-empty cells off the sheet.
void checkRoomFor(const spreadsheet::Worksheet& sheet, uint32_t at, uint32_t count)
{
    if (at < sheet.rowCount() && sheet.rowCount() + static_cast<uint64_t>(count) > kMaxRows)
        throw Error("inserting " + withThousands(count) + " rows would push row " +
                    withThousands(sheet.rowCount()) + " beyond the last row of the .xls format (" +
                    withThousands(kMaxRows) + ")");
    if (static_cast<uint64_t>(at) + count > kMaxRows)
        throw Error("row " + withThousands(static_cast<int64_t>(at) + count) +
                    " is beyond the last row of the .xls format (" + withThousands(kMaxRows) + ")");
}

// The part of `range` inside rows [first, first + count), with rows made relative to first.
std::optional<CellRange> clippedRelative(const CellRange& range, uint32_t first, uint32_t count)
{
    const uint32_t top = std::max(range.firstRow, first);
    const uint32_t bottom = std::min(range.lastRow, first + count - 1);
    if (top > bottom)
        return std::nullopt;
    CellRange part = range;
    part.firstRow = top - first;
    part.lastRow = bottom - first;
    return part;
}

CellRange movedBy(CellRange range, uint32_t offset)
{
    range.firstRow += offset;
    range.lastRow += offset;
    return range;
}

void pasteConditionalFormats(spreadsheet::Workbook& book, uint32_t sheet, uint32_t at,
                             const RowClip& clip)
{
    auto& formats = book.sheets[sheet].conditionalFormats;
    for (const ConditionalFormat& copied : clip.conditionalFormats) {
        auto same = std::find_if(formats.begin(), formats.end(), [&](const ConditionalFormat& f) {
            return f.rules == copied.rules;
        });
        if (same == formats.end()) {
            ConditionalFormat added = copied;
            for (CellRange& range : added.ranges)
                range = movedBy(range, at);
            formats.push_back(std::move(added));
            continue;
        }
        for (const CellRange& range : copied.ranges)
            same->ranges.push_back(movedBy(range, at));
        joinRanges(same->ranges);
    }
}

void pasteRows(spreadsheet::Workbook& book, uint32_t sheet, uint32_t at, const RowClip& clip,
               const RowEdit& edit)
{
    spreadsheet::Worksheet& target = book.sheets[sheet];
    const ShiftContext context = contextFor(book, sheet, edit, true);
    const int32_t rowDelta = static_cast<int32_t>(at) - static_cast<int32_t>(clip.firstRow);
    for (uint32_t i = 0; i < clip.rowCount(); ++i) {
        Row& row = target.ensureRow(at + i);
        row = clip.rows[i];
        for (Cell& cell : row.cells) {
            if (cell.kind != CellKind::Formula)
                continue;
            if (cell.index >= clip.formulas.size()) {
                cell.kind = CellKind::Blank;
                continue;
            }
            Formula copy = clip.formulas[cell.index];
            copy.row = at + i;
            std::vector<formula::Token> tokens = formula::parseTokens(copy.tokens);
            formula::relocateCopiedTokens(tokens, rowDelta, context);
            copy.tokens = formula::encodeTokens(tokens);
            cell.index = static_cast<uint32_t>(target.formulas.size());
            target.formulas.push_back(std::move(copy));
        }
    }
    for (const CellRange& area : clip.merged)
        target.merged.push_back(movedBy(area, at));
    pasteConditionalFormats(book, sheet, at, clip);
}

} // namespace

RowClip copyRows(const spreadsheet::Workbook& book, uint32_t sheet, uint32_t firstRow,
                 uint32_t count)
{
    const spreadsheet::Worksheet& source = book.sheets.at(sheet);
    RowClip clip;
    clip.firstRow = firstRow;
    clip.rows.reserve(count);
    for (uint32_t r = firstRow; r < firstRow + count; ++r) {
        const Row* row = source.findRow(r);
        clip.rows.push_back(row ? *row : Row{});
        for (Cell& cell : clip.rows.back().cells) {
            if (cell.kind != CellKind::Formula)
                continue;
            if (cell.index < source.formulas.size()) {
                clip.formulas.push_back(source.formulas[cell.index]);
                cell.index = static_cast<uint32_t>(clip.formulas.size() - 1);
            } else {
                cell.kind = CellKind::Blank; // a formula cell without its formula
            }
        }
    }
    // Merged areas entirely inside the copied rows travel with them.
    for (const CellRange& area : source.merged)
        if (area.firstRow >= firstRow && area.lastRow < firstRow + count)
            clip.merged.push_back(*clippedRelative(area, firstRow, count));
    for (const ConditionalFormat& format : source.conditionalFormats) {
        ConditionalFormat part;
        part.rules = format.rules;
        for (const CellRange& range : format.ranges)
            if (auto clipped = clippedRelative(range, firstRow, count))
                part.ranges.push_back(*clipped);
        if (!part.ranges.empty())
            clip.conditionalFormats.push_back(std::move(part));
    }
    return clip;
}

void insertCopiedRows(spreadsheet::Workbook& book, uint32_t sheet, uint32_t at, const RowClip& clip)
{
    const uint32_t count = clip.rowCount();
    if (count == 0)
        return;
    checkRoomFor(book.sheets.at(sheet), at, count);
    for (const Formula& f : clip.formulas)
        readForEdit(f.tokens, [] { return std::string("a copied formula"); });
    const RowEdit edit{RowEdit::Kind::Insert, at, count};
    applyEdit(book, sheet, edit);
    pasteRows(book, sheet, at, clip, edit);
}

void insertEmptyRows(spreadsheet::Workbook& book, uint32_t sheet, uint32_t at, uint32_t count)
{
    if (count == 0)
        return;
    spreadsheet::Worksheet& target = book.sheets.at(sheet);
    checkRoomFor(target, at, count);
    // The new rows take the formats of the row above: its properties and formatted blanks.
    Row look;
    if (const Row* above = at > 0 ? target.findRow(at - 1) : nullptr) {
        look = *above;
        for (Cell& cell : look.cells) {
            cell.kind = CellKind::Blank;
            cell.flag = 0;
            cell.index = 0;
            cell.number = 0;
        }
    }
    applyEdit(book, sheet, {RowEdit::Kind::Insert, at, count});
    if (look == Row{})
        return;
    for (uint32_t i = 0; i < count; ++i)
        target.ensureRow(at + i) = look;
}

void deleteRows(spreadsheet::Workbook& book, uint32_t sheet, uint32_t at, uint32_t count)
{
    if (count == 0)
        return;
    if (static_cast<uint64_t>(at) + count > kMaxRows)
        throw Error("row " + withThousands(static_cast<int64_t>(at) + count) +
                    " is beyond the last row of the .xls format (" + withThousands(kMaxRows) + ")");
    applyEdit(book, sheet, {RowEdit::Kind::Delete, at, count});
}

} // namespace spreadsheet::automation
