#pragma once

// The "Home Inventory" sheet that every generated inventory starts from, described cell by
// cell. The make_template tool writes it once to resources/template.xlt, which the program
// embeds; nothing of this layout is produced at run time.
//
// The builder relies on its fixed addresses: owner values in B3:B6, insurance values in F3:F6,
// the total in F7 over column J, column headers in row 9 and the two-row item block 10:11 that
// it copies for each pair of items.

#include "spreadsheet/model/workbook.h"

namespace spreadsheet {

Workbook makeInventoryTemplate();

} // namespace spreadsheet
