#pragma once

// The shared string table (SST) and its index (EXTSST).

#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/model/workbook.h"

namespace spreadsheet::biff {

// Appends the strings of an SST record (joined with its CONTINUE records) to `strings`. A
// formatting run naming a font past `fontCount` falls back to font 0.
void readSst(const ContinuedRecord& sst, size_t fontCount, StringTable& strings);

// Writes SST, split across CONTINUE records, and the EXTSST that indexes it. `references` is
// the number of LABELSST cells that use the table.
void writeSst(RecordWriter& out, const StringTable& strings, uint32_t references);

} // namespace spreadsheet::biff
