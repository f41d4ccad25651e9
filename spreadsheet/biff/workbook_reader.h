#pragma once

// Reading an Excel 97-2003 workbook (.xls or .xlt): the compound file's Workbook stream is read
// record by record into the model. The records the model does not interpret are kept in
// Workbook::preserved and Worksheet::preserved so that saving loses nothing; those holding
// stream positions (BOUNDSHEET offsets, INDEX, DBCELL, EXTSST) and the fixed settings records
// that the writer always writes are not kept.

#include "spreadsheet/model/workbook.h"

#include <cstdint>
#include <string>
#include <vector>

namespace spreadsheet {

// Throws Error("<path>: <what is wrong>") for a file that cannot be read.
Workbook readWorkbookFile(const std::string& path);
// `ole2Bytes` is the whole compound file; `nameForErrors` starts every error message.
Workbook readWorkbookBytes(const std::vector<uint8_t>& ole2Bytes, const std::string& nameForErrors);

namespace biff {
// The records of a Workbook stream, without the compound file around it. Errors carry no name.
Workbook readWorkbookStream(const std::vector<uint8_t>& stream);
} // namespace biff

} // namespace spreadsheet
