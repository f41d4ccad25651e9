#pragma once

#include "spreadsheet/model/cell_range.h"
#include "state/inventory.h"
#include "state/item_import.h"

namespace stowfolio {

// The sheet row of the first item: row 10 of the template, where the item block starts. The
// report names items by their sheet rows, so it must not change.
inline constexpr int kFirstItemRow = 10;

// Items fill rows kFirstItemRow to 65,535: the block grows two rows at a time, and one more pair
// would reach past the sheet's last row (kMaxRows, 65,536).
static_assert(kMaxInventoryItems == static_cast<int>(spreadsheet::kMaxRows) - kFirstItemRow);

} // namespace stowfolio
