#pragma once

// From a workbook to the picture of its sheet: which sheet (the active one), which range (the
// used range unless one is given), and whether the picture stays within limits that keep
// drawing and saving it inside the memory of an ordinary machine. The preview's snapshot and
// the --render command line both come through here, so they draw the same thing.

#include "spreadsheet/model/cell_range.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/render/sheet_picture.h"

#include <cstdint>
#include <optional>
#include <string>

namespace spreadsheet {
class Workbook;
class Worksheet;
} // namespace spreadsheet

namespace spreadsheet::render {

// What a picture may cost when it is to become a bitmap. The display list needs a few hundred
// bytes a cell plus its texts, the bitmap four bytes a pixel; with these limits both together
// stay well under a gigabyte (bench_render_limits measures it).
struct PictureLimits
{
    int maxSide = 32767;                // pixels a side, as PNG readers and QImage accept
    uint64_t maxPixels = 100'000'000;   // a 400 MB bitmap
    uint64_t maxCells = 1'000'000;      // cells of the range, each drawn into the display list
    uint64_t maxTextBytes = 256u << 20; // the texts of the range's cells, as UTF-16
};

// The size of a range's picture, known before drawing it.
struct PictureExtent
{
    int width = 0;
    int height = 0;
    uint64_t cells = 0;     // rows x columns of the range
    uint64_t textBytes = 0; // UTF-16 bytes of the shared strings its cells show
};

// Measures the picture of `range` without drawing it: the sheet's geometry and one pass over
// the range's cells.
PictureExtent measureRange(const Workbook& workbook, const Worksheet& sheet, CellRange range);

// The largest part of `range` from its top-left cell whose picture stays within `limits`
// (at least that one cell), for suggesting a range to draw instead.
CellRange fittingPart(const Workbook& workbook, const Worksheet& sheet, CellRange range,
                      const PictureLimits& limits);

// Why a picture of `extent` passes `limits` ("would be 1,517 x 1,048,600 pixels, more than
// ..."), or an empty text when it stays within them.
std::string limitProblem(const PictureExtent& extent, const PictureLimits& limits);

// Thrown by drawSheet() for a picture that would pass its limits.
class PictureTooLarge : public Error
{
public:
    PictureTooLarge(const std::string& message, CellRange range, CellRange fitting)
        : Error(message), m_range(range), m_fitting(fitting)
    {
    }
    CellRange range() const { return m_range; }
    CellRange fitting() const { return m_fitting; } // a part of it that would be drawn

private:
    CellRange m_range;
    CellRange m_fitting;
};

// The sheet that the picture of a workbook shows: the active one, or the first when the
// workbook's window names none that exists. Throws Error for a workbook without sheets.
const Worksheet& sheetToDraw(const Workbook& workbook);
// The index of that sheet in Workbook::sheets.
size_t indexOfSheetToDraw(const Workbook& workbook);

// The picture of `range` of `sheet` (its used range when none is given). With `limits`,
// throws PictureTooLarge instead of drawing a picture that passes them.
SheetPicture drawSheet(const Workbook& workbook, const Worksheet& sheet,
                       std::optional<CellRange> range = std::nullopt,
                       const PictureLimits* limits = nullptr);

} // namespace spreadsheet::render
