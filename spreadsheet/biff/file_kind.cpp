#include "spreadsheet/biff/file_kind.h"

#include "spreadsheet/biff/byte_reader.h"
#include "spreadsheet/biff/record_types.h"

#include <algorithm>
#include <array>

namespace spreadsheet::biff {

namespace {

constexpr std::array<uint8_t, 8> kCompoundSignature = {0xD0, 0xCF, 0x11, 0xE0,
                                                       0xA1, 0xB1, 0x1A, 0xE1};

// Excel 2.x to 4.x saved a sheet as a bare BIFF stream, not inside a compound file; its first
// record is a BOF whose type tells the version (BIFF2 0x0009, BIFF3 0x0209, BIFF4 0x0409).
// BIFF5 and BIFF8 streams (0x0809) may also be found bare when taken out of their container.
const char* bareBiffKind(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 8)
        return nullptr;
    ByteReader bof(bytes.first(8));
    const uint16_t type = bof.u16();
    const uint16_t length = bof.u16();
    const uint16_t version = bof.u16();
    const uint16_t kind = bof.u16();
    if (length < 4 || length > 20)
        return nullptr;
    switch (type) {
    case 0x0009:
    case 0x0209:
        return "an Excel 2.x-3.x worksheet, which this program cannot open";
    case 0x0409:
        // Excel 4.0 kept workbooks as bundles of such sheets; type 0x0100 marks one.
        return kind == 0x0100 ? "an Excel 4.0 workbook, which this program cannot open"
                              : "an Excel 4.0 worksheet, which this program cannot open";
    case kBof:
        return version == 0x0600
                   ? "a bare Excel 97-2003 workbook stream without its compound file, which this "
                     "program cannot open"
                   : "an Excel 5.0/95 workbook stream without its compound file, which this "
                     "program cannot open";
    default:
        return nullptr;
    }
}

// Text: no NUL and no control characters other than tab, line feed, carriage return and form
// feed in the first kilobytes (UTF-8, Latin-1 and the like all pass; UTF-16 is told by its
// byte order mark).
bool looksLikeText(std::span<const uint8_t> bytes)
{
    if (bytes.size() >= 2 &&
        ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)))
        return true;
    const auto head = bytes.first(std::min<size_t>(bytes.size(), 4096));
    return !head.empty() && std::all_of(head.begin(), head.end(), [](uint8_t b) {
        return b >= 0x20 || b == '\t' || b == '\n' || b == '\r' || b == '\f';
    });
}

} // namespace

bool hasCompoundFileSignature(std::span<const uint8_t> bytes)
{
    return bytes.size() >= kCompoundSignature.size() &&
           std::equal(kCompoundSignature.begin(), kCompoundSignature.end(), bytes.begin());
}

std::string describeForeignFile(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return "the file is empty";
    if (const char* kind = bareBiffKind(bytes))
        return kind;
    if (bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' && bytes[2] == 3 && bytes[3] == 4)
        return "a zip file, such as an Excel 2007 or later workbook (.xlsx); this program opens "
               "only Excel 97-2003 workbooks (.xls)";
    if (looksLikeText(bytes))
        return "a text file, not an Excel workbook";
    return "not an Excel workbook (the file is no Excel 97-2003 compound file)";
}

} // namespace spreadsheet::biff
