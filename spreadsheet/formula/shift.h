#pragma once

// How references follow rows that are inserted or deleted, as Excel's own Insert and Delete of
// whole rows do it. Rows are zero-based; kLastRow is the sheet's last row (65,535 = Excel's
// 65,536).
//
// Insert `count` rows before row `at` (everything from `at` down moves down by `count`):
//   - a cell at or below `at` moves down; one pushed past the last row becomes #REF!;
//   - an area entirely above `at` stays, so inserting directly below its last row does not
//     stretch it;
//   - an area whose first row is at or below `at` moves down whole, so inserting AT its first
//     row moves it rather than stretching it;
//   - an area with first < at <= last (rows inserted strictly inside it, or directly below its
//     first row) stretches: its last row moves down by `count`;
//   - an area ending on the last row keeps ending there (whole columns such as J$1:J$65536 stay
//     whole columns; anything pushed past the end is gone).
// Delete rows [at, at + count) (everything below moves up by `count`):
//   - a cell in the deleted rows becomes #REF!, one below moves up;
//   - an area entirely inside the deleted rows becomes #REF!; one that overlaps them shrinks
//     by the overlap; one below moves up;
//   - an area ending on the last row keeps ending there, as rows arrive at the bottom.
// Absolute and relative references move alike: "$" only matters when a formula is copied.

#include "spreadsheet/formula/tokens.h"

#include "spreadsheet/model/cell_range.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace spreadsheet::formula {

inline constexpr uint32_t kLastRow = kMaxRows - 1;

struct RowEdit
{
    enum class Kind : uint8_t
    {
        Insert,
        Delete
    };
    Kind kind = Kind::Insert;
    uint32_t at = 0;
    uint32_t count = 0;
};

struct RowSpan
{
    uint32_t first = 0;
    uint32_t last = 0;
    bool operator==(const RowSpan&) const = default;
};

// Where a single cell's row goes; nothing when the reference becomes #REF!.
std::optional<uint32_t> shiftRow(uint32_t row, const RowEdit& edit);
// Where an area's rows go; nothing when it becomes #REF!.
std::optional<RowSpan> shiftSpan(RowSpan span, const RowEdit& edit);
// A range of the sheet (merged area, conditional-format range): nothing when it is deleted.
std::optional<CellRange> shiftRange(const CellRange& range, const RowEdit& edit);

// What a formula's references point at and how its relative (N) forms are anchored.
struct ShiftContext
{
    RowEdit edit;
    // 2-D references point at the edited sheet (the formula lives on it).
    bool ownSheetEdited = true;
    // 3-D references: does this EXTERNSHEET index point at the edited sheet?
    std::function<bool(uint16_t)> externSheetEdited = [](uint16_t) { return false; };
    // ptgRefN/ptgAreaN: the row their relative rows are offsets from, before and after the
    // edit (a conditional format's first row, a shared formula's cell).
    uint32_t anchorBefore = 0;
    uint32_t anchorAfter = 0;
};

// Shifts every reference of `tokens` for the edit; true when anything changed.
bool shiftTokens(std::vector<Token>& tokens, const ShiftContext& context);
// The same on stored bytes; the bytes are rewritten only when something changed.
bool shiftFormula(std::vector<uint8_t>& rgce, const ShiftContext& context);

// A formula copied `rowDelta` rows away as part of rows inserted by `context.edit` (the copy of
// rows 10:11 inserted at row 10): relative rows keep their distance from the formula's cell,
// absolute rows follow the insertion like every other reference. A relative row that leaves
// the sheet becomes #REF!.
void relocateCopiedTokens(std::vector<Token>& tokens, int32_t rowDelta,
                          const ShiftContext& context);

} // namespace spreadsheet::formula
