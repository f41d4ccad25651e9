#pragma once

#include "spreadsheet/biff/globals_records.h"
#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/model/workbook.h"

namespace spreadsheet::biff {

// Reads the worksheet substream that starts at `entry.offset`, up to and including its EOF;
// `records` is left after it. Cell formats and shared strings are checked against `workbook`.
Worksheet readWorksheet(RecordReader& records, const SheetEntry& entry, Workbook& workbook);

} // namespace spreadsheet::biff
