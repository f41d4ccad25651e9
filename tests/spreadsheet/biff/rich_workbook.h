#pragma once

// A workbook that uses every part of the model the file layer stores, for round-trip tests.

#include "spreadsheet/model/workbook.h"

namespace spreadsheet::samples {

Workbook richWorkbook();

} // namespace spreadsheet::samples
