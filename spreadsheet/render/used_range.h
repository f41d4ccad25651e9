#pragma once

// The renderer's name for the sheet's used range, which the model owns (one rule for the object
// model, the snapshot, --render and the report).

#include "spreadsheet/model/used_range.h"

namespace spreadsheet::render {

using spreadsheet::usedRange;

} // namespace spreadsheet::render
