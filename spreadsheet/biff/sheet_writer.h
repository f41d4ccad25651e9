#pragma once

#include "record_stream.h"
#include "spreadsheet/model/workbook.h"

namespace spreadsheet::biff {

// Appends the worksheet substream of `sheet`, BOF to EOF, at the end of the stream `out` writes.
void writeWorksheet(RecordWriter& out, const Worksheet& sheet);

} // namespace spreadsheet::biff
