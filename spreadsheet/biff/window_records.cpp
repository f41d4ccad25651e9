#include "spreadsheet/biff/window_records.h"

#include "spreadsheet/biff/record_types.h"

namespace spreadsheet::biff {

namespace {

// The pane that holds the cursor: PANE's pnnAct, or the top-left pane (3) without a split.
uint8_t activePane(const SheetWindow& window)
{
    return window.pane.size() >= 9 ? window.pane[8] : 3;
}

// SELECTION
//   0  1  pnn      pane
//   1  2  rwAct    active cell
//   3  2  colAct
//   5  2  irefAct  selected range holding the active cell
//   7  2  cref     number of ranges
//   9  6*cref      rwFirst (2), rwLast (2), colFirst (1), colLast (1)
void readSelection(ByteReader& in, SheetWindow& window)
{
    // Only the active pane's selection is kept; the other panes' are rebuilt from it.
    if (in.u8() != activePane(window))
        return;
    window.activeRow = in.u16();
    window.activeColumn = in.u16();
    in.skip(2);
    const uint16_t count = in.u16();
    window.selection.clear();
    for (uint16_t i = 0; i < count; ++i) {
        CellRange range;
        range.firstRow = in.u16();
        range.lastRow = in.u16();
        range.firstColumn = in.u8();
        range.lastColumn = in.u8();
        if (range.firstRow <= range.lastRow && range.firstColumn <= range.lastColumn)
            window.selection.push_back(range);
    }
}

void writeSelection(RecordWriter& out, const SheetWindow& window)
{
    // A sheet whose cursor sits on A1 with nothing selected needs no SELECTION record.
    if (window.selection.empty() && window.activeRow == 0 && window.activeColumn == 0)
        return;
    std::vector<CellRange> ranges = window.selection;
    if (ranges.empty())
        ranges.push_back(CellRange{window.activeRow, window.activeRow, window.activeColumn,
                                   window.activeColumn});
    uint16_t activeRange = 0;
    for (size_t i = 0; i < ranges.size(); ++i)
        if (ranges[i].contains(window.activeRow, window.activeColumn)) {
            activeRange = uint16_t(i);
            break;
        }
    ByteWriter& w = out.begin(kSelection);
    w.u8(activePane(window));
    w.u16(uint16_t(window.activeRow));
    w.u16(window.activeColumn);
    w.u16(activeRange);
    w.u16(uint16_t(ranges.size()));
    for (const CellRange& range : ranges) {
        w.u16(uint16_t(range.firstRow));
        w.u16(uint16_t(range.lastRow));
        w.u8(uint8_t(range.firstColumn));
        w.u8(uint8_t(range.lastColumn));
    }
    out.end();
}

} // namespace

// WINDOW2
//   0  2  grbit     bit 0 formulas shown, 1 gridlines, 2 headings, 3 frozen panes, 4 zeros,
//                   5 default gridline colour, 7 outline symbols, 9 selected, 10 displayed,
//                   11 page break preview
//   2  2  rwTop     first visible row
//   4  2  colLeft   first visible column
//   6  2  icvHdr    gridline colour index
//   8  2  reserved
//  10  2  wScaleSLV     page break preview zoom (0 = default)
//  12  2  wScaleNormal  normal view zoom (0 = default)
//  14  4  reserved
// SCL
//   0  2  nscl   zoom numerator
//   2  2  dscl   zoom denominator
// PANE: 10 bytes, kept as stored; byte 8 is the active pane.
bool readWindowRecord(uint16_t type, ByteReader& in, SheetWindow& window)
{
    switch (type) {
    case kWindow2:
        window.options = in.u16();
        window.topRow = in.u16();
        window.leftColumn = in.u16();
        window.gridlineColorIndex = in.u16();
        return true;
    case kScl:
        window.zoomNumerator = in.u16();
        window.zoomDenominator = in.u16();
        return true;
    case kPane:
        window.pane = in.copy(in.remaining());
        return true;
    case kSelection:
        readSelection(in, window);
        return true;
    default:
        return false;
    }
}

void writeSheetWindow(RecordWriter& out, const SheetWindow& window)
{
    const bool zoomed = window.zoomNumerator != 0 && window.zoomDenominator != 0;
    ByteWriter& w = out.begin(kWindow2);
    w.u16(window.options);
    w.u16(window.topRow);
    w.u16(window.leftColumn);
    w.u16(window.gridlineColorIndex);
    w.u16(0);
    w.u16(0);
    w.u16(zoomed ? uint16_t(window.zoomNumerator * 100u / window.zoomDenominator) : 0);
    w.u32(0);
    out.end();
    if (window.zoomNumerator != 0 || window.zoomDenominator != 0) {
        ByteWriter& s = out.begin(kScl);
        s.u16(window.zoomNumerator);
        s.u16(window.zoomDenominator);
        out.end();
    }
    if (!window.pane.empty())
        out.record(kPane, window.pane);
    writeSelection(out, window);
}

} // namespace spreadsheet::biff
