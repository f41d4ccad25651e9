#pragma once

// Writing the model as an Excel 97-2003 workbook: the Workbook stream with its globals and one
// worksheet substream a sheet, inside a compound file with the two document property streams.

#include "spreadsheet/model/workbook.h"

#include <cstdint>
#include <string>
#include <vector>

namespace spreadsheet {

struct WriteOptions
{
    bool asTemplate = false; // adds the TEMPLATE record (.xlt)
};

// The whole compound file. Throws Error when the workbook breaks a limit of the format.
std::vector<uint8_t> writeWorkbookBytes(const Workbook& workbook, WriteOptions options = {});
// Writes through a temporary file, so `path` is either the old or the complete new file.
// Throws Error naming the path.
void writeWorkbookFile(const Workbook& workbook, const std::string& path,
                       WriteOptions options = {});

namespace biff {
// Throws Error describing the first limit of the format that `workbook` breaks.
void checkLimits(const Workbook& workbook);
// The Workbook stream alone.
std::vector<uint8_t> writeWorkbookStream(const Workbook& workbook, WriteOptions options);
} // namespace biff

} // namespace spreadsheet
