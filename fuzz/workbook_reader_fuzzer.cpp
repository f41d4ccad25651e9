// Feeds arbitrary bytes to the workbook reader, as a compound file or a bare Workbook stream.
//
// Whatever reads must also write, and what is written must read again and write the same
// bytes: the writer accepts every model the reader makes.

#include "fuzz/fuzz_workbooks.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzing::silenceLibraryWarnings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (const auto workbook = fuzzing::readInput(data, size))
        fuzzing::checkSavesTheSameTwice(*workbook);
    return 0;
}
