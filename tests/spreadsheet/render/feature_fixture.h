#pragma once

// A sheet on the default Arial 10 with gridlines that shows one of each thing the renderer
// draws: alignments, number formats, fonts, fills and patterns, border styles, vertical
// alignment and wrapping, merged areas, spilling text and "#" marks.

#include "spreadsheet/model/workbook.h"

namespace spreadsheet::render::testing {

Workbook featureWorkbook();

} // namespace spreadsheet::render::testing
