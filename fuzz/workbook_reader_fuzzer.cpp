// Feeds arbitrary bytes to the workbook reader: a whole compound file when the input starts
// with the OLE2 signature, a bare Workbook stream otherwise (which reaches the BIFF code far
// more often than bytes that must first pass for a compound file).
//
// Whatever reads must also write, and what is written must read again and write the same
// bytes: the writer accepts every model the reader makes.

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"

#include "spreadsheet/model/error.h"

#include <glib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

bool isCompoundFile(const uint8_t* data, size_t size)
{
    static constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (size < sizeof kSignature)
        return false;
    for (size_t i = 0; i < sizeof kSignature; ++i)
        if (data[i] != kSignature[i])
            return false;
    return true;
}

void checkWriteReadsBack(const spreadsheet::Workbook& workbook)
{
    std::vector<uint8_t> written;
    try {
        written = spreadsheet::biff::writeWorkbookStream(workbook, {});
    } catch (const spreadsheet::Error&) {
        return; // a limit of the format, reported properly
    }
    try {
        const spreadsheet::Workbook again = spreadsheet::biff::readWorkbookStream(written);
        if (spreadsheet::biff::writeWorkbookStream(again, {}) != written) {
            std::fprintf(stderr, "a written workbook saves differently the second time\n");
            std::abort();
        }
    } catch (const spreadsheet::Error& error) {
        std::fprintf(stderr, "a written workbook does not read back: %s\n", error.what());
        std::abort();
    }
}

} // namespace

// libgsf warns on stderr about every damaged compound file; that slows the fuzzer down and
// buries its own output.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    try {
        const spreadsheet::Workbook workbook =
            isCompoundFile(data, size) ? spreadsheet::readWorkbookBytes(bytes, "fuzz.xls")
                                       : spreadsheet::biff::readWorkbookStream(bytes);
        checkWriteReadsBack(workbook);
    } catch (const spreadsheet::Error&) {
    }
    return 0;
}
