// Times the sheet picture on inventories the size the program makes: building the picture of
// 10, 1,000 and 65,526 items (twelve filled cells a row under the template's title block),
// saving and loading the largest one, and one repaint of the preview's 622 x 495 pixel viewport
// at 25 %, 100 % and 200 % at the top, the middle and the end of the sheet. Each build runs in
// a child process so that the memory it reports is its own. Runs on the offscreen platform
// unless told otherwise.

#include "tests/spreadsheet/render/inventory_fixture.h"

#include "spreadsheet/model/used_range.h"
#include "spreadsheet/render/sheet_renderer.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace spreadsheet;
using spreadsheet::render::SheetPicture;

namespace {

using Clock = std::chrono::steady_clock;

// The preview's viewport: 9330 x 7425 twips.
constexpr QSize kViewport(622, 495);

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Processor time of this thread: on a machine busy with other work it still shows what a repaint
// costs.
double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double residentMegabytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::vector<render::testing::ItemRow> items(int count)
{
    std::vector<render::testing::ItemRow> rows(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto& item = rows[static_cast<size_t>(i)];
        const std::string n = std::to_string(i + 1);
        item.location = "Room " + std::to_string(i % 40);
        item.description = "Item number " + n + " with a description";
        item.model = "M-" + n;
        item.serial = "SN" + n + "X";
        item.purchaseDate = 38000 + i % 3000;
        item.where = "Shop " + std::to_string(i % 97);
        item.warranty = i % 3 ? "1 year" : "Ended";
        item.price = 10 + (i % 5000) * 1.25;
        item.condition = i % 2 ? "Good" : "Used";
        item.estimate = 5 + (i % 4000) * 0.75;
        item.notes = "Note " + n;
        item.photo = "C:\\Photos\\item" + n + ".jpg";
    }
    return rows;
}

SheetPicture renderItems(int count)
{
    const Workbook workbook = render::testing::inventoryWorkbook(items(count));
    const Worksheet& sheet = workbook.sheets.front();
    return render::renderRange(workbook, sheet, usedRange(sheet));
}

// Builds the picture in a child process and reports its time and the memory it holds.
void benchBuild(int count)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const Workbook workbook = render::testing::inventoryWorkbook(items(count));
        const Worksheet& sheet = workbook.sheets.front();
        const double before = residentMegabytes();
        const auto start = Clock::now();
        SheetPicture picture = render::renderRange(workbook, sheet, usedRange(sheet));
        const double elapsed = millisecondsSince(start);
        const double held = residentMegabytes() - before;
        std::printf("build %6d items: %9.1f ms, picture %6.1f MB (%zu texts, %zu fills, "
                    "%zu lines, %d x %d px)\n",
                    count, elapsed, held, picture.texts().size(), picture.fills().size(),
                    picture.lines().size(), picture.size().width(), picture.size().height());
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

void benchFile(const SheetPicture& picture)
{
    const QString path = QDir::temp().filePath(QStringLiteral("bench_render_picture.bin"));
    QString error;
    auto start = Clock::now();
    if (!picture.save(path, &error)) {
        std::printf("save failed: %s\n", qPrintable(error));
        return;
    }
    const double saved = millisecondsSince(start);
    const double before = residentMegabytes();
    start = Clock::now();
    const std::optional<SheetPicture> loaded = SheetPicture::load(path, &error);
    const double load = millisecondsSince(start);
    std::printf("file of 65,526 items: %.1f MB, save %.0f ms, load %.0f ms (%s, %.1f MB held)\n",
                QFileInfo(path).size() / (1024.0 * 1024.0), saved, load,
                loaded ? "ok" : qPrintable(error), residentMegabytes() - before);
    QFile::remove(path);
}

struct RepaintTime
{
    double wall;
    double processor;
};

// One repaint: what the preview does for a scroll step at `zoom`, its view's top-left at `top`.
// Medians of 40 repaints.
RepaintTime repaintMilliseconds(const SheetPicture& picture, double zoom, double top)
{
    QImage target(kViewport, QImage::Format_ARGB32_Premultiplied);
    const QRectF visible(0, top, kViewport.width() / zoom, kViewport.height() / zoom);
    constexpr int kRounds = 40;
    std::vector<double> times;
    std::vector<double> processor;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        const double startProcessor = threadMilliseconds();
        target.fill(Qt::white);
        QPainter painter(&target);
        painter.scale(zoom, zoom);
        painter.translate(-visible.topLeft());
        picture.paint(painter, visible);
        painter.end();
        times.push_back(millisecondsSince(start));
        processor.push_back(threadMilliseconds() - startProcessor);
    }
    std::sort(times.begin(), times.end());
    std::sort(processor.begin(), processor.end());
    return {times[times.size() / 2], processor[processor.size() / 2]};
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // "bench_render repaint" skips the builds and the file, for profiling the repaint alone.
    const bool repaintOnly = argc > 1 && std::string(argv[1]) == "repaint";
    if (!repaintOnly)
        for (int count : {10, 1000, 65526})
            benchBuild(count);

    const SheetPicture picture = renderItems(65526);
    if (!repaintOnly)
        benchFile(picture);
    // BENCH_RENDER_PICTURE=PATH keeps the largest picture for other programs to load.
    if (const QString keep = qEnvironmentVariable("BENCH_RENDER_PICTURE"); !keep.isEmpty())
        picture.save(keep, nullptr);
    std::printf("repaint of the %dx%d viewport, 65,526 items (median of 40; wall clock / "
                "processor time):\n",
                kViewport.width(), kViewport.height());
    for (double zoom : {0.25, 1.0, 2.0}) {
        const double height = kViewport.height() / zoom;
        const double last = picture.size().height() - height;
        std::printf("  zoom %3.0f %%:", zoom * 100);
        for (const auto& [where, top] :
             {std::pair{"top", 0.0}, std::pair{"middle", last / 2}, std::pair{"end", last}}) {
            const RepaintTime time = repaintMilliseconds(picture, zoom, top);
            std::printf("  %s %5.2f / %5.2f ms", where, time.wall, time.processor);
        }
        std::printf("\n");
    }
    return 0;
}
