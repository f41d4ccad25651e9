#pragma once

#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/model/workbook.h"

namespace spreadsheet::biff {

// Whether `sheet` is a chart, macro or module sheet written back from its kept substream.
inline bool isKeptWhole(const Worksheet& sheet)
{
    return sheet.sheetType != 0 && !sheet.substream.empty();
}

// Appends the worksheet substream of `sheet`, BOF to EOF, at the end of the stream `out` writes.
void writeWorksheet(RecordWriter& out, const Worksheet& sheet);

} // namespace spreadsheet::biff
