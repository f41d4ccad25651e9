#pragma once

// How a sheet goes onto paper, as its page setup says: the paper and its orientation, the
// margins, the scale (given, or the one that fits the print area to the pages asked for), the
// print area, the title rows repeated on every page, and where the pages break. Arithmetic
// only, in inches and in the sheet picture's pixels (96 to the inch at 100 %), so it is tested
// without painting.

#include "spreadsheet/model/cell_range.h"

#include <QPageSize>
#include <QRectF>

#include <cstdint>
#include <optional>
#include <vector>

namespace spreadsheet {
struct PageSetup;
class Workbook;
class Worksheet;
} // namespace spreadsheet

namespace stowfolio::report {

struct RowSpan
{
    uint32_t first = 0; // sheet rows, zero-based, both included
    uint32_t last = 0;
};

struct SheetPrintPlan
{
    QPageSize paper;
    bool landscape = false;
    QRectF printable;          // inches from the page's top left corner: inside the margins
    double headerInches = 0.5; // from the top edge to the header's baseline area
    double footerInches = 0.5;
    double scale = 1; // picture pixels to paper: 1 = 96 pixels an inch
    bool centerHorizontally = false;
    bool centerVertically = false;
    spreadsheet::CellRange area;
    std::optional<RowSpan> titleRows; // repeated at the top of every page after the first
    std::vector<RowSpan> pages;
};

// Whether page `page` of the plan starts with the repeated title rows: every page after the
// first does, once the rows it prints come after the titles.
bool repeatsTitles(const SheetPrintPlan& plan, std::size_t page);

// A strip of the sheet's picture across its whole width, in picture pixels: from `top` down to
// `bottom`, which is not part of it.
struct PictureBand
{
    double top = 0;
    double bottom = 0;
    bool operator==(const PictureBand&) const = default;
};

// What page `page` of the plan shows of the picture, top to bottom: the title rows when it
// repeats them, then the page's own rows, and nothing else. A band starts with the line above
// its first row (the last pixel of the row before, see sheet_geometry.h) and ends with the line
// below its last row, so the rows on both sides of a page break keep the line between them and
// the bands of two pages share that one pixel only. `rowEdges` are those planPages was given.
std::vector<PictureBand> pageBands(const SheetPrintPlan& plan, const std::vector<int>& rowEdges,
                                   std::size_t page);

// The paper of a BIFF paper size code (Letter, Legal, A3, A4, A5, B4, B5, Executive...); Letter
// for a code it does not know, as spreadsheet programs fall back to the default printer's paper.
QPageSize paperOf(uint16_t code);

// The page setup's plan for `area`, given where its rows and columns lie in the picture
// (rowEdges[i] is the top of area row i, rowEdges.back() the bottom of the last; the same for
// columns).
SheetPrintPlan planPages(const spreadsheet::PageSetup& setup, const spreadsheet::CellRange& area,
                         std::optional<RowSpan> titleRows, const std::vector<int>& rowEdges,
                         const std::vector<int>& columnEdges);

// The print area and title rows a workbook names for sheet `sheetIndex` (Print_Area,
// Print_Titles); nullopt when it names none.
std::optional<spreadsheet::CellRange> printAreaOf(const spreadsheet::Workbook& book,
                                                  std::size_t sheetIndex);
std::optional<RowSpan> titleRowsOf(const spreadsheet::Workbook& book, std::size_t sheetIndex);

} // namespace stowfolio::report
