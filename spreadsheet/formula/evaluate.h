#pragma once

// Cached results for the formulas a reader that does not recalculate (xlrd, many viewers)
// would otherwise show stale: SUM over references, areas and numbers, plain arithmetic,
// comparisons, MOD, ROW and COLUMN. Anything else is left to the spreadsheet program, which is
// told to recalculate on open.

#include "spreadsheet/formula/tokens.h"

#include "spreadsheet/model/cell.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace spreadsheet {
class Workbook;
}

namespace spreadsheet::formula {

// FORMULA record flags.
inline constexpr uint16_t kAlwaysCalculate = 0x0001;
inline constexpr uint16_t kCalculateOnLoad = 0x0002;

struct CellPosition
{
    uint32_t sheet = 0; // index into Workbook::sheets
    uint32_t row = 0;
    uint16_t column = 0;
};

// The value of `tokens` evaluated for the cell `at`, or nothing when the formula uses
// something this evaluator does not compute. Other formula cells it refers to are evaluated
// in turn (a circular reference is not computable).
std::optional<CachedValue> evaluate(const Workbook& book, const std::vector<Token>& tokens,
                                    const CellPosition& at);

// Recomputes every formula's cached result; a formula that cannot be computed keeps its old
// result and is flagged so that Excel and LibreOffice recalculate it when the file opens.
void refreshCachedResults(Workbook& book);

} // namespace spreadsheet::formula
