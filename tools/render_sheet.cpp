// render_sheet IN.xls OUT.png [--zoom Z] [--print-copy COPY.xls]
//
// Writes our picture of the used range of a workbook's active sheet as a PNG. With
// --print-copy it also writes a copy of the workbook whose active sheet prints at 100 % on
// A3 landscape paper without margins, names or page fitting, with gridlines printed when the
// sheet shows them: LibreOffice's PDF of that copy, turned into pixels at 96 dpi, lines up
// with our picture pixel for pixel (compare_with_libreoffice.sh).

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/render/png_file.h"
#include "spreadsheet/render/sheet_drawing.h"

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cstdio>

namespace {

constexpr uint16_t kPaperA3 = 8;

void preparePrintCopy(spreadsheet::Workbook& workbook, spreadsheet::Worksheet& sheet)
{
    spreadsheet::PageSetup& page = sheet.pageSetup;
    page.paperSize = kPaperA3;
    page.options &= ~uint16_t(0x0006); // landscape, settings initialised
    page.fitToPage = false;
    page.scale = 100;
    page.leftMargin = page.rightMargin = page.topMargin = page.bottomMargin = 0;
    page.hasLeftMargin = page.hasRightMargin = page.hasTopMargin = page.hasBottomMargin = true;
    page.headerMargin = page.footerMargin = 0;
    page.header.clear();
    page.footer.clear();
    page.centerHorizontally = page.centerVertically = false;
    page.printGridlines = sheet.window.showGridlines();
    page.printHeadings = false;
    std::erase_if(workbook.names,
                  [](const spreadsheet::DefinedName& name) { return name.builtIn; });
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    double zoom = 1.0;
    QString printCopy;
    QStringList files;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--zoom") && i + 1 < arguments.size())
            zoom = arguments[++i].toDouble();
        else if (arguments[i] == QLatin1String("--print-copy") && i + 1 < arguments.size())
            printCopy = arguments[++i];
        else
            files.append(arguments[i]);
    }
    if (files.size() != 2 || zoom < 0.05 || zoom > 8) {
        std::fprintf(stderr, "usage: render_sheet IN.xls OUT.png [--zoom 0.05..8] "
                             "[--print-copy COPY.xls]\n");
        return 2;
    }
    try {
        spreadsheet::Workbook workbook = spreadsheet::readWorkbookFile(files[0].toStdString());
        spreadsheet::Worksheet& sheet =
            workbook.sheets[spreadsheet::render::indexOfSheetToDraw(workbook)];
        // The same limits as --render, scaled by the zoom: a picture at 200 % has four times
        // the pixels.
        spreadsheet::render::PictureLimits limits;
        limits.maxSide = int(limits.maxSide / std::max(zoom, 1.0));
        limits.maxPixels = uint64_t(double(limits.maxPixels) / std::max(zoom * zoom, 1.0));
        const QImage image =
            spreadsheet::render::drawSheet(workbook, sheet, std::nullopt, &limits).toImage(zoom);
        if (image.isNull()) {
            std::fprintf(stderr, "render_sheet: the picture is too large for one image\n");
            return 1;
        }
        spreadsheet::render::writePngFile(image, files[1]);
        if (!printCopy.isEmpty()) {
            preparePrintCopy(workbook, sheet);
            spreadsheet::writeWorkbookFile(workbook, printCopy.toStdString());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "render_sheet: %s\n", error.what());
        return 1;
    }
    return 0;
}
