// Reads a workbook from arbitrary bytes (a compound file or a bare Workbook stream, as the
// reader's fuzzer does) and draws the picture of its active sheet, as the preview and --render
// do: the used range first, then a range taken from the input, each within small picture limits
// so that every run stays quick, and paints the picture into a bitmap at half size.

#include "fuzz/fuzz_workbooks.h"

#include "spreadsheet/render/sheet_drawing.h"

#include <QGuiApplication>
#include <QImage>

namespace {

spreadsheet::render::PictureLimits smallLimits()
{
    spreadsheet::render::PictureLimits limits;
    limits.maxSide = 4000;
    limits.maxPixels = 2'000'000;
    limits.maxCells = 20'000;
    limits.maxTextBytes = 1u << 20;
    return limits;
}

void draw(const spreadsheet::Workbook& workbook, std::optional<spreadsheet::CellRange> range)
{
    static const spreadsheet::render::PictureLimits limits = smallLimits();
    try {
        const spreadsheet::render::SheetPicture picture = spreadsheet::render::drawSheet(
            workbook, spreadsheet::render::sheetToDraw(workbook), range, &limits);
        if (!picture.isEmpty())
            picture.toImage(0.5);
    } catch (const spreadsheet::Error&) {
        // Too large for the limits, or a workbook without sheets: refused properly.
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzing::silenceLibraryWarnings();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The renderer measures text with the application's fonts; the application lives as long
    // as the process.
    new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto read = fuzzing::readInput(data, size);
    if (!read)
        return 0;
    const spreadsheet::Workbook& workbook = *read;
    draw(workbook, std::nullopt);
    // A range from the input's first bytes, anywhere on the grid, as --range gives one.
    if (size >= 6) {
        const uint32_t row = uint32_t(data[0] | data[1] << 8);
        const uint32_t rows = data[2] % 64;
        const auto column = uint16_t(data[3]);
        const auto columns = uint16_t(data[4] % 16);
        draw(workbook, spreadsheet::CellRange{row, row + rows, column,
                                              uint16_t(std::min(255, column + columns))});
    }
    return 0;
}
