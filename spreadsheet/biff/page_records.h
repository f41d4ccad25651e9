#pragma once

// Page setup records: PRINTHEADERS, PRINTGRIDLINES, GRIDSET, WSBOOL, HEADER, FOOTER, HCENTER,
// VCENTER, the four margins and SETUP.

#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/model/worksheet.h"

namespace spreadsheet::biff {

// Reads a page setup record into `sheet`; false when `type` is not one.
bool readPageRecord(uint16_t type, ByteReader& in, Worksheet& sheet);

// PRINTHEADERS, PRINTGRIDLINES, GRIDSET: in the sheet's calculation settings block.
void writePrintOptions(RecordWriter& out, const PageSetup& page);
void writeWsBool(RecordWriter& out, const Worksheet& sheet);
// HEADER, FOOTER, HCENTER, VCENTER, the margins that are set, SETUP.
void writePageSetup(RecordWriter& out, const PageSetup& page);

} // namespace spreadsheet::biff
