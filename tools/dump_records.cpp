// Prints the records of an .xls file's Workbook stream, one a line: offset in the stream, type
// in hex and by name, body length and the first bytes of the body. A debugging aid for comparing
// what we write with files from other programs.
//
// Usage: dump_records [--bytes N] WORKBOOK.xls

#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/compound/compound_file.h"
#include "spreadsheet/files/atomic_file.h"
#include "spreadsheet/model/error.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct RecordName
{
    uint16_t type;
    const char* name;
};

// The BIFF8 records a workbook usually holds; others print as "?".
constexpr RecordName kRecordNames[] = {
    {0x0006, "FORMULA"},
    {0x000A, "EOF"},
    {0x000C, "CALCCOUNT"},
    {0x000D, "CALCMODE"},
    {0x000E, "PRECISION"},
    {0x000F, "REFMODE"},
    {0x0010, "DELTA"},
    {0x0011, "ITERATION"},
    {0x0012, "PROTECT"},
    {0x0013, "PASSWORD"},
    {0x0014, "HEADER"},
    {0x0015, "FOOTER"},
    {0x0017, "EXTERNSHEET"},
    {0x0018, "NAME"},
    {0x0019, "WINDOWPROTECT"},
    {0x001A, "VERTICALPAGEBREAKS"},
    {0x001B, "HORIZONTALPAGEBREAKS"},
    {0x001C, "NOTE"},
    {0x001D, "SELECTION"},
    {0x0022, "DATEMODE"},
    {0x0026, "LEFTMARGIN"},
    {0x0027, "RIGHTMARGIN"},
    {0x0028, "TOPMARGIN"},
    {0x0029, "BOTTOMMARGIN"},
    {0x002A, "PRINTHEADERS"},
    {0x002B, "PRINTGRIDLINES"},
    {0x002F, "FILEPASS"},
    {0x0031, "FONT"},
    {0x003C, "CONTINUE"},
    {0x003D, "WINDOW1"},
    {0x0040, "BACKUP"},
    {0x0041, "PANE"},
    {0x0042, "CODEPAGE"},
    {0x004D, "PLS"},
    {0x0055, "DEFCOLWIDTH"},
    {0x005C, "WRITEACCESS"},
    {0x005D, "OBJ"},
    {0x005E, "UNCALCED"},
    {0x005F, "SAVERECALC"},
    {0x0060, "TEMPLATE"},
    {0x007D, "COLINFO"},
    {0x0080, "GUTS"},
    {0x0081, "WSBOOL"},
    {0x0082, "GRIDSET"},
    {0x0083, "HCENTER"},
    {0x0084, "VCENTER"},
    {0x0085, "BOUNDSHEET"},
    {0x0086, "WRITEPROT"},
    {0x008C, "COUNTRY"},
    {0x008D, "HIDEOBJ"},
    {0x0092, "PALETTE"},
    {0x0099, "STANDARDWIDTH"},
    {0x009C, "FNGROUPCOUNT"},
    {0x00A0, "SCL"},
    {0x00A1, "SETUP"},
    {0x00BD, "MULRK"},
    {0x00BE, "MULBLANK"},
    {0x00C1, "MMS"},
    {0x00D6, "RSTRING"},
    {0x00D7, "DBCELL"},
    {0x00DA, "BOOKBOOL"},
    {0x00E0, "XF"},
    {0x00E1, "INTERFACEHDR"},
    {0x00E2, "INTERFACEEND"},
    {0x00E5, "MERGEDCELLS"},
    {0x00EB, "MSODRAWINGGROUP"},
    {0x00EC, "MSODRAWING"},
    {0x00FC, "SST"},
    {0x00FD, "LABELSST"},
    {0x00FF, "EXTSST"},
    {0x013D, "TABID"},
    {0x0160, "USESELFS"},
    {0x0161, "DSF"},
    {0x01AE, "SUPBOOK"},
    {0x01AF, "PROT4REV"},
    {0x01B0, "CONDFMT"},
    {0x01B1, "CF"},
    {0x01B2, "DVAL"},
    {0x01B8, "HLINK"},
    {0x01BA, "CODENAME"},
    {0x01BC, "PROT4REVPASS"},
    {0x01BE, "DV"},
    {0x01C0, "EXCEL9FILE"},
    {0x01C1, "RECALCID"},
    {0x0200, "DIMENSIONS"},
    {0x0201, "BLANK"},
    {0x0203, "NUMBER"},
    {0x0204, "LABEL"},
    {0x0205, "BOOLERR"},
    {0x0207, "STRING"},
    {0x0208, "ROW"},
    {0x020B, "INDEX"},
    {0x0221, "ARRAY"},
    {0x0225, "DEFAULTROWHEIGHT"},
    {0x023E, "WINDOW2"},
    {0x027E, "RK"},
    {0x0293, "STYLE"},
    {0x041E, "FORMAT"},
    {0x04BC, "SHRFMLA"},
    {0x0800, "HLINKTOOLTIP"},
    {0x0809, "BOF"},
    {0x0862, "SHEETEXT"},
    {0x0863, "BOOKEXT"},
    {0x0867, "FEATHEADR"},
    {0x087C, "XFCRC"},
    {0x087D, "XFEXT"},
    {0x088C, "COMPAT12"},
    {0x0892, "STYLEEXT"},
    {0x0896, "THEME"},
    {0x089A, "MTRSETTINGS"},
    {0x08A3, "FORCEFULLCALCULATION"},
};

const char* recordName(uint16_t type)
{
    for (const RecordName& entry : kRecordNames)
        if (entry.type == type)
            return entry.name;
    return "?";
}

void printRecord(size_t offset, uint16_t type, std::span<const uint8_t> body, size_t shownBytes)
{
    std::printf("%08zx  %04x %-20s %5zu ", offset, type, recordName(type), body.size());
    for (size_t i = 0; i < body.size() && i < shownBytes; ++i)
        std::printf(" %02x", body[i]);
    if (body.size() > shownBytes)
        std::printf(" ...");
    std::printf("\n");
}

// A record whose length runs past the end of the stream is reported and ends the walk.
int dumpStream(const std::vector<uint8_t>& stream, size_t shownBytes)
{
    spreadsheet::biff::RecordReader records(stream);
    spreadsheet::biff::Record record;
    try {
        while (records.next(record))
            printRecord(record.offset, record.type, record.data, shownBytes);
        if (records.cutShort()) {
            std::printf("%08zx  %s\n", records.position(), records.cutMessage().c_str());
            return 1;
        }
    } catch (const spreadsheet::Error& error) {
        std::printf("%08zx  %s\n", records.position(), error.what());
        return 1;
    }
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: dump_records [--bytes N] WORKBOOK.xls\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    size_t shownBytes = 16;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--bytes" && i + 1 < argc)
            shownBytes = std::strtoul(argv[++i], nullptr, 10);
        else if (path.empty() && !argument.starts_with("--"))
            path = argument;
        else
            return usage();
    }
    if (path.empty())
        return usage();
    try {
        const auto file = spreadsheet::files::readFileBytes(path);
        // Excel 5 and 95 files call the stream "Book".
        auto stream = spreadsheet::compound::readStream(file, "Workbook", path);
        if (!stream)
            stream = spreadsheet::compound::readStream(file, "Book", path);
        if (!stream) {
            std::fprintf(stderr, "%s: no Workbook stream\n", path.c_str());
            return 1;
        }
        return dumpStream(*stream, shownBytes);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
