#pragma once

// What the workbook fuzzers share: reading the input, keeping libgsf quiet, and the check that
// a written workbook reads again and writes the same bytes.

#include "spreadsheet/biff/file_kind.h"
#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/workbook.h"

#include <glib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace fuzzing {

// libgsf warns on stderr about every damaged compound file; that slows a fuzzer down and buries
// its own output.
inline void silenceLibraryWarnings()
{
    g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
}

[[noreturn]] inline void fail(const char* what, const char* detail)
{
    std::fprintf(stderr, "%s: %s\n", what, detail);
    std::abort();
}

// A whole compound file when the input starts with the OLE2 signature, a bare Workbook stream
// otherwise (which reaches the BIFF code far more often than bytes that must first pass for a
// compound file). Nothing when the reader refuses it.
inline std::optional<spreadsheet::Workbook> readInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    try {
        return spreadsheet::biff::hasCompoundFileSignature(bytes)
                   ? spreadsheet::readWorkbookBytes(bytes, "fuzz.xls")
                   : spreadsheet::biff::readWorkbookStream(bytes);
    } catch (const spreadsheet::Error&) {
        return std::nullopt;
    }
}

// Writes `workbook`, reads what was written and writes that again: both writes must be the same
// bytes. Returns the stream, or nothing when the workbook exceeds a limit of the format (which
// the writer reports properly).
inline std::optional<std::vector<uint8_t>>
checkSavesTheSameTwice(const spreadsheet::Workbook& workbook)
{
    std::vector<uint8_t> written;
    try {
        written = spreadsheet::biff::writeWorkbookStream(workbook, {});
    } catch (const spreadsheet::Error&) {
        return std::nullopt;
    }
    try {
        const spreadsheet::Workbook again = spreadsheet::biff::readWorkbookStream(written);
        if (spreadsheet::biff::writeWorkbookStream(again, {}) != written)
            fail("a written workbook saves differently the second time", "");
    } catch (const spreadsheet::Error& error) {
        fail("a written workbook does not read back", error.what());
    }
    return written;
}

} // namespace fuzzing
