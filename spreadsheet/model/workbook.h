#pragma once

// The in-memory workbook that the reader fills, the automation layer edits, the writer saves
// and the renderer draws. It mirrors the parts of a BIFF8 workbook that the program needs:
//
//   Workbook  - globals: fonts, number formats, XFs, styles, palette, shared strings, names
//   Worksheet - rows of cells, column widths, merged areas, conditional formats, page setup
//   Cell      - a small value: number, shared-string index, boolean/error or formula index
//
// Indexes are zero-based everywhere (row 0 is Excel's row 1). Text is UTF-8.

#include "spreadsheet/model/cell_range.h"
#include "spreadsheet/model/styles.h"
#include "spreadsheet/model/worksheet.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace spreadsheet {

// A shared string with optional rich-text runs (character position, model font index).
struct SharedString
{
    std::string text; // UTF-8
    std::vector<std::pair<uint16_t, uint16_t>> runs;
    bool operator==(const SharedString&) const = default;
};

// The workbook's strings, each stored once, as the SST holds them.
class StringTable
{
public:
    // Index of `text` (without runs), added when new.
    uint32_t intern(std::string_view text);
    // Adds a rich string without looking for an equal one.
    uint32_t add(SharedString string);
    const SharedString& at(uint32_t index) const { return m_strings.at(index); }
    uint32_t size() const { return static_cast<uint32_t>(m_strings.size()); }
    const std::vector<SharedString>& all() const { return m_strings; }
    bool operator==(const StringTable& other) const { return m_strings == other.m_strings; }

private:
    void indexPendingStrings();
    void insertSlot(uint64_t hash, uint32_t index);

    std::vector<SharedString> m_strings;
    // Open-addressing index of the plain strings: (hash's high half << 32) | (index + 1), 0 for
    // a free slot. Built lazily by intern(), so reading a file and writing it never hashes.
    std::vector<uint64_t> m_slots;
    uint32_t m_indexed = 0; // m_strings[0, m_indexed) are in m_slots
};

// A NAME record. Built-in names have `builtIn` set and a one-character name code.
struct DefinedName
{
    enum BuiltIn : uint8_t
    {
        PrintArea = 0x06,
        PrintTitles = 0x07
    };
    std::string name; // user names; empty for built-in names
    bool builtIn = false;
    uint8_t builtInCode = 0;
    uint16_t options = 0;        // NAME grbit (hidden, function, built-in, ...)
    uint16_t sheet = 0;          // 1-based sheet the name is local to; 0 = global
    std::vector<uint8_t> tokens; // BIFF8 formula; 3-D references use externSheets
    bool operator==(const DefinedName&) const = default;
};

// One XTI of EXTERNSHEET. The model supports only references into this workbook: every entry
// points at the internal SUPBOOK, which the writer regenerates.
struct ExternSheet
{
    uint16_t supbook = 0;
    uint16_t firstSheet = 0;
    uint16_t lastSheet = 0;
    bool operator==(const ExternSheet&) const = default;
};

struct WorkbookWindow
{
    int16_t left = 0; // WINDOW1, twips
    int16_t top = 0;
    uint16_t width = 0x3A5C;
    uint16_t height = 0x23BE;
    uint16_t options = 0x0038;
    uint16_t activeSheet = 0;
    uint16_t firstVisibleTab = 0;
    uint16_t selectedTabs = 1;
    uint16_t tabRatio = 600;
    bool operator==(const WorkbookWindow&) const = default;
};

class Workbook
{
public:
    uint16_t codePage = 1252;
    bool date1904 = false;
    bool isTemplate = false; // the file carried a TEMPLATE record
    WorkbookWindow window;
    std::vector<Font> fonts;
    std::map<uint16_t, std::string> numberFormats; // FORMAT records by id
    std::vector<Xf> xfs;
    std::vector<CellStyle> styles;
    Palette palette = defaultPalette();
    bool customPalette = false; // write a PALETTE record
    StringTable strings;
    std::vector<DefinedName> names;
    std::vector<ExternSheet> externSheets;
    std::vector<Worksheet> sheets;
    std::vector<RawRecord> preserved;

    // 0xRRGGBB of a palette index (8..63), with the system and automatic indexes mapped to
    // black or white as a spreadsheet shows them.
    uint32_t colorOf(uint16_t index, bool isBackground = false) const;

    // The code of number format `formatId` (an Xf's `format`): the workbook's own FORMAT record,
    // else the built-in code, else "General", which is what a spreadsheet shows for an id it
    // does not know.
    std::string_view numberFormatCode(uint16_t formatId) const;

    bool operator==(const Workbook&) const = default;
};

// A workbook with Excel's default globals: the four default fonts, the currency number
// formats, the 15 style XFs, XF 15 (the default cell format), XFs 16-20 of the built-in
// Comma, Currency and Percent styles, the six built-in STYLE records and one empty sheet named
// `sheetName`. New cell formats go after XF 20.
Workbook makeDefaultWorkbook(const std::string& sheetName);

} // namespace spreadsheet
