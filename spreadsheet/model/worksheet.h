#pragma once

#include "spreadsheet/model/cell.h"
#include "spreadsheet/model/cell_range.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace spreadsheet {

// A record the model does not interpret, kept so that saving loses nothing. `where` tells the
// writer where in the sheet (or globals) substream it goes back.
struct RawRecord
{
    enum class Place : uint8_t
    {
        GlobalsBeforeSheets, // workbook globals, after the style tables
        GlobalsEnd,          // workbook globals, before EOF
        SheetBeforeDimensions,
        SheetAfterCells,  // after the cell table, before WINDOW2
        SheetAfterWindow, // after WINDOW2/SCL/PANE/SELECTION, before merged cells
        SheetEnd,         // before the sheet's EOF
    };
    uint16_t type = 0;
    Place where = Place::SheetAfterCells;
    std::vector<uint8_t> data;

    bool operator==(const RawRecord&) const = default;
};

// One ROW record's properties together with the row's cells.
struct Row
{
    std::vector<Cell> cells; // sorted by column, at most one per column
    bool hasRecord = false;  // the row carries its own properties (a ROW record)
    uint16_t heightTwips = 255;
    bool customHeight = false; // height set by hand, not fitted to the contents
    bool hidden = false;
    bool formatted = false; // xf applies to the row's empty cells
    uint16_t xf = 15;
    uint8_t outlineLevel = 0;
    bool collapsed = false;
    bool thickTop = false;
    bool thickBottom = false;

    const Cell* find(uint16_t column) const;
    Cell* find(uint16_t column);
    // The cell at `column`, created blank with `xf` when missing.
    Cell& ensure(uint16_t column, uint16_t xf);
    void erase(uint16_t column);
    bool operator==(const Row&) const = default;
};

// One COLINFO record: width and format of a run of columns.
struct ColumnInfo
{
    uint16_t first = 0;
    uint16_t last = 0;
    uint16_t width = 2340; // 1/256 of the width of the default font's zero digit
    uint16_t xf = 15;
    bool hidden = false;
    bool customWidth = true;
    uint8_t outlineLevel = 0;
    bool collapsed = false;
    bool operator==(const ColumnInfo&) const = default;
};

// A conditional-format rule (CFRULE). The formulas are BIFF8 token arrays whose relative
// references are relative to the first cell of the format's bounding range.
struct ConditionalRule
{
    uint8_t type = 2; // 1 cell value, 2 formula
    uint8_t operation = 0;
    std::vector<uint8_t> formula1;
    std::vector<uint8_t> formula2;
    // Everything between the formula sizes and the formulas, kept as stored: the flags word,
    // then (formatBlocks) the 2-byte word after it and the font, border and pattern blocks
    // that the flags announce.
    uint32_t flags = 0;
    std::vector<uint8_t> formatBlocks;
    bool operator==(const ConditionalRule&) const = default;
};

// CFHEADER with its rules.
struct ConditionalFormat
{
    std::vector<CellRange> ranges;
    std::vector<ConditionalRule> rules;
    bool operator==(const ConditionalFormat&) const = default;
};

struct PageSetup
{
    double leftMargin = 0.75; // inches
    double rightMargin = 0.75;
    double topMargin = 1.0;
    double bottomMargin = 1.0;
    bool hasLeftMargin = false; // whether a margin record is written (absent = default)
    bool hasRightMargin = false;
    bool hasTopMargin = false;
    bool hasBottomMargin = false;
    bool centerHorizontally = false;
    bool centerVertically = false;
    std::string header; // UTF-8; empty = no HEADER text
    std::string footer;
    bool printGridlines = false;
    bool printHeadings = false;
    bool fitToPage = false; // WSBOOL fFitToPage

    // SETUP record.
    uint16_t paperSize = 9;
    uint16_t scale = 100;
    uint16_t startPage = 1;
    uint16_t fitWidth = 1;
    uint16_t fitHeight = 1;
    uint16_t options = 0x0004; // bit 1 portrait (0 = landscape), bit 2 not initialised, ...
    uint16_t horizontalDpi = 600;
    uint16_t verticalDpi = 600;
    double headerMargin = 0.5;
    double footerMargin = 0.5;
    uint16_t copies = 1;

    bool landscape() const { return (options & 0x0002) == 0 && (options & 0x0004) == 0; }
    bool operator==(const PageSetup&) const = default;
};

struct SheetWindow
{
    uint16_t options = 0x06B6; // WINDOW2 grbit: gridlines, headings, zero values, ...
    uint16_t topRow = 0;
    uint16_t leftColumn = 0;
    uint16_t gridlineColorIndex = 64;
    uint16_t zoomNumerator = 0; // SCL; 0 = none written (100 %)
    uint16_t zoomDenominator = 0;
    uint32_t activeRow = 0;
    uint16_t activeColumn = 0;
    std::vector<CellRange> selection;
    std::vector<uint8_t> pane; // PANE record body, empty when the sheet has none

    bool showGridlines() const { return (options & 0x0002) != 0; }
    bool selected() const { return (options & 0x0200) != 0; }
    bool operator==(const SheetWindow&) const = default;
};

// One worksheet. Rows are held by position (rows[r] is sheet row r, zero-based), in a deque so
// that inserting rows near the top moves only the rows above the insertion point: growing an
// item block by repeated inserts at the same row stays linear overall.
//
// insertRows/eraseRows move storage only (rows, their cells, formula positions). What the
// spreadsheet application does on top of that - shifting formula references, names, merged
// areas and conditional-format ranges - is the automation layer's job.
class Worksheet
{
public:
    std::string name;
    std::deque<Row> rows; // size = one past the last row that has a record or a cell
    std::vector<ColumnInfo> columns;
    uint16_t defaultColumnWidth = 8; // DEFCOLWIDTH, in characters
    uint16_t standardWidth = 0;      // STANDARDWIDTH in 1/256 character; 0 = not written
    uint16_t defaultRowHeightTwips = 255;
    uint16_t defaultRowOptions = 0; // DEFAULTROWHEIGHT flags
    uint16_t sheetOptions = 0x04C1; // WSBOOL without the fit-to-page bit (PageSetup has it)
    std::vector<CellRange> merged;
    std::vector<ConditionalFormat> conditionalFormats;
    std::vector<Formula> formulas;
    PageSetup pageSetup;
    SheetWindow window;
    std::vector<RawRecord> preserved;
    bool visible = true; // BOUNDSHEET hidden state
    uint8_t visibility = 0;
    // A chart, macro or module sheet is no worksheet: its substream is kept whole, BOF to EOF,
    // and written back as it was; it has no rows. 0 worksheet, 1 macro sheet, 2 chart, 6 module
    // (BOUNDSHEET's sheet type).
    uint8_t sheetType = 0;
    std::vector<RawRecord> substream;

    uint32_t rowCount() const { return static_cast<uint32_t>(rows.size()); }
    const Row* findRow(uint32_t row) const;
    Row* findRow(uint32_t row);
    Row& ensureRow(uint32_t row);
    const Cell* findCell(uint32_t row, uint16_t column) const;

    // Inserts `count` default rows before `at`, moving `at` and everything below down.
    void insertRows(uint32_t at, uint32_t count);
    // Removes rows [at, at + count), moving everything below up. Formulas in them are marked
    // removed.
    void eraseRows(uint32_t at, uint32_t count);

    // The COLINFO that covers `column`, if any.
    const ColumnInfo* findColumn(uint16_t column) const;
    // Width of a column in 1/256 of the default font's widest digit, from COLINFO or the
    // sheet's default width. The default depends on that font's height (see the .cpp).
    uint16_t columnWidth(uint16_t column, uint16_t defaultFontHeightTwips) const;
    uint16_t defaultColumnWidth256(uint16_t defaultFontHeightTwips) const;
    // Height of a row in twips, from its ROW record or the default row height.
    uint16_t rowHeightTwips(uint32_t row) const;

    bool operator==(const Worksheet&) const = default;
};

} // namespace spreadsheet
