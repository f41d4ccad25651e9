// Times one repaint of the preview's viewport, the work behind every scroll step, drag move and
// zoom, on the largest picture the builder makes: 65,526 item rows of twelve cells with text,
// borders and a fill under a title block. Runs on the offscreen platform unless told otherwise.

#include "bench/silent_prompts.h"
#include "preview/picture_surface.h"
#include "preview/preview_window.h"
#include "spreadsheet/render/sheet_picture.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using spreadsheet::render::SheetPicture;
using namespace stowfolio;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kItemRows = 65'526;
constexpr int kRowHeight = 16;
constexpr int kTitleHeight = 9 * kRowHeight;
constexpr int kColumns = 12;
constexpr int kColumnWidth = 96;

using bench::SilentPrompts;

SheetPicture largestSheet()
{
    const int width = kColumns * kColumnWidth;
    SheetPicture picture(QSize(width, kTitleHeight + kItemRows * kRowHeight));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(10);
    picture.addText({QRectF(0, 0, width, 2 * kRowHeight), QRectF(),
                     QStringLiteral("Home Inventory"), font, Qt::black, Qt::AlignCenter});
    for (int row = 0; row < kItemRows; ++row) {
        const qreal top = kTitleHeight + row * kRowHeight;
        if (row % 2 == 0)
            picture.addFill({QRectF(0, top, width, kRowHeight), QColor(235, 241, 222)});
        picture.addLine(
            {QPointF(0, top + kRowHeight), QPointF(width, top + kRowHeight), Qt::black});
        for (int column = 0; column < kColumns; ++column) {
            const QRectF cell(column * kColumnWidth, top, kColumnWidth, kRowHeight);
            picture.addText({cell.adjusted(2, 0, -2, 0), cell,
                             QStringLiteral("Item %1 / %2").arg(row + 1).arg(column + 1), font,
                             Qt::black, Qt::AlignLeft | Qt::AlignVCenter});
        }
    }
    // The renderer joins equal borders down a column into one line the height of the block.
    for (int column = 0; column <= kColumns; ++column)
        picture.addLine({QPointF(column * kColumnWidth, kTitleHeight),
                         QPointF(column * kColumnWidth, picture.size().height()), Qt::black});
    picture.finish();
    return picture;
}

// Median milliseconds of repainting the viewport's inner area into an image.
double repaintMilliseconds(QWidget& viewport)
{
    QImage image(viewport.size(), QImage::Format_RGB32);
    std::vector<double> times;
    for (int run = 0; run < 15; ++run) {
        const auto start = Clock::now();
        viewport.render(&image);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SilentPrompts prompts;
    preview::PreviewWindow form(preview::PreviewServices{prompts, [] {}, [] {}, [] { return true; },
                                                         [] {}, QString(), QIcon()});

    auto start = Clock::now();
    SheetPicture picture = largestSheet();
    std::printf("picture of %d rows built in %.0f ms\n", kItemRows,
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    start = Clock::now();
    form.setPicture(std::move(picture));
    form.show();
    std::printf("handed over and shown in %.1f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());

    const preview::PreviewControls& controls = form.controls();
    QWidget& viewport = *controls.surface->parentWidget();
    while (form.zoomModel().zoom() > 0.25f)
        controls.zoomOutButton->click();
    std::printf("%6s %10s %10s %10s\n", "zoom", "top ms", "middle ms", "end ms");
    for (;;) {
        QScrollBar& bar = *controls.verticalBar;
        double at[3] = {};
        const int positions[3] = {0, bar.maximum() / 2, bar.maximum()};
        for (int i = 0; i < 3; ++i) {
            bar.setValue(positions[i]);
            at[i] = repaintMilliseconds(viewport);
        }
        std::printf("%5.0f%% %10.2f %10.2f %10.2f\n", form.zoomModel().zoom() * 100.0, at[0], at[1],
                    at[2]);
        if (form.zoomModel().zoom() >= 2.0f)
            break;
        start = Clock::now();
        controls.zoomInButton->click();
        std::printf("  zoom step %.2f ms\n",
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return EXIT_SUCCESS;
}
