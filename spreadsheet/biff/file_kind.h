#pragma once

// What a file is when it is no Excel 97-2003 workbook, told from its first bytes, so that the
// message names the format the user has in hand (an old Excel worksheet, a text file) rather
// than the container's complaint about a missing signature.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace spreadsheet::biff {

// True when `bytes` start with the compound file signature.
bool hasCompoundFileSignature(std::span<const uint8_t> bytes);

// For a file without the compound file signature: why it cannot be opened, as the rest of a
// message that starts with the file's name ("an Excel 2.x-4.x worksheet, which this program
// cannot open").
std::string describeForeignFile(std::span<const uint8_t> bytes);

} // namespace spreadsheet::biff
