// From the "Start Creating Template" click to the preview's picture in hand, and the same build
// written by --export, for inventories of 1,000 to 65,526 items. Each size runs in a process of
// its own (the program started again with the size as its argument), so each peak memory
// figure is that size's alone.

#include "bench/peak_memory.h"
#include "spreadsheet/render/sheet_picture.h"
#include "workbook/excel_factory.h"
#include "workbook/workbook_builder.h"

#include "tests/support/scripted_prompts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

stowfolio::Inventory inventoryOf(int count)
{
    stowfolio::Inventory inventory;
    inventory.ownerFields = {
        "Tobin Harwell", "115 Birchwood st", "French Leek, IN", "", "Oak Insurance", "Marla", "",
        "000-585-678"};
    for (int i = 0; i < count; ++i)
        inventory.items.push_back(stowfolio::itemFromTexts(
            {QStringLiteral("Room %1").arg(i % 40), "Chevrolet Suburban", "10/16/2005",
             "Gus's garage", "Ended", "45000", "Old", QString::number(100 + i % 900), "LT",
             QStringLiteral("CTJ%1").arg(i), "", "/photos/car.jpg"}));
    return inventory;
}

using stowfolio::bench::peakMegabytes;

int runOne(int count)
{
    QTemporaryDir temp;
    stowfolio::ExcelFactory factory;
    stowfolio::registerBuiltInEngine(factory);
    stowfolio::testing::ScriptedPrompts prompts;
    const stowfolio::Inventory inventory = inventoryOf(count);
    bool pictureArrived = false;
    const stowfolio::BuildTargets targets{
        [](int) {}, [&](spreadsheet::render::SheetPicture) { pictureArrived = true; },
        [](const QString&) {}, [] {}, [] {}};

    QElapsedTimer timer;
    timer.start();
    stowfolio::WorkbookBuilder builder(factory, prompts, temp.path());
    const bool shown = builder.buildAndShowPreview(inventory, targets);
    const double clickMs = timer.nsecsElapsed() / 1e6;
    if (!shown || !pictureArrived || prompts.errorReports() != 0) {
        std::fprintf(stderr, "build of %d items failed\n", count);
        return 1;
    }
    const double clickPeak = peakMegabytes();

    timer.restart();
    stowfolio::exportInventoryWorkbook(factory, inventory, temp.path(),
                                       QDir(temp.path()).filePath(QStringLiteral("out.xls")));
    const double exportMs = timer.nsecsElapsed() / 1e6;
    std::printf("%8d %14.1f %12.1f %12.1f\n", count, clickMs, exportMs, clickPeak);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication application(argc, argv);
        return runOne(std::atoi(argv[1]));
    }
    std::printf("%8s %14s %12s %12s\n", "items", "click->shown", "export ms", "peak MB");
    int failures = 0;
    for (int count : {100, 1000, 10000, 65526})
        failures += std::system((std::string(argv[0]) + " " + std::to_string(count)).c_str()) != 0;
    return failures == 0 ? 0 : 1;
}
