#pragma once

// Sheet window records: WINDOW2, SCL (zoom), PANE and SELECTION.

#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/model/worksheet.h"

namespace spreadsheet::biff {

// Reads a window record into `window`; false when `type` is not one.
bool readWindowRecord(uint16_t type, ByteReader& in, SheetWindow& window);
void writeSheetWindow(RecordWriter& out, const SheetWindow& window);

} // namespace spreadsheet::biff
