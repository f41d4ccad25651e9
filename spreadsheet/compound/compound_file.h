#pragma once

// The OLE2 compound file ("structured storage") that holds an .xls workbook's streams. The
// container itself is libgsf's business; this layer only moves whole streams in and out as
// bytes, so the BIFF code above never sees a GLib type.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace spreadsheet::compound {

// A stream at the root of a compound file.
struct Stream
{
    std::string name;
    std::vector<uint8_t> data;
};

// The class id of the root storage, as stored (16 bytes); all zero for none.
using ClassId = std::array<uint8_t, 16>;

// Excel 97-2003 workbooks: {00020820-0000-0000-C000-000000000046}.
inline constexpr ClassId kExcelWorkbookClassId = {0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                  0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// The root stream called `name` (compared without regard to ASCII case, as Excel does) from the
// compound file in `bytes`, whether it lives in the regular or the mini stream; nullopt when the
// file has no such stream. Throws spreadsheet::Error when `bytes` is no compound file or the
// stream cannot be read; the message starts with `nameForErrors`.
std::optional<std::vector<uint8_t>> readStream(const std::vector<uint8_t>& bytes,
                                               const std::string& name,
                                               const std::string& nameForErrors);

// The whole compound file holding `streams` at its root, in that order. Each stream's data is
// released once copied, which keeps the peak memory of writing a large workbook down.
std::vector<uint8_t> writeCompoundFile(std::vector<Stream> streams, const ClassId& classId = {});

// Writes the compound file holding `streams` to `path` through a temporary file in the same
// folder that then replaces `path` (files::AtomicFile), so a failed write never leaves half a
// file behind. Throws spreadsheet::Error naming the path.
void writeCompoundFileTo(const std::string& path, std::vector<Stream> streams,
                         const ClassId& classId = {});

// The "\005SummaryInformation" and "\005DocumentSummaryInformation" streams of a document that
// sets no properties; Excel writes both into every workbook.
std::vector<Stream> emptySummaryStreams();

} // namespace spreadsheet::compound
