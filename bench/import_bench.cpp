// Items in and out at 65,526 items: the CSV export, the CSV import and reopening a saved
// workbook. Each job runs in a process of its own (the program started again with the job as
// its argument), so each peak memory figure is that job's alone.

#include "bench/peak_memory.h"
#include "platform/file_helpers.h"
#include "state/item_import.h"
#include "workbook/excel_factory.h"
#include "workbook/workbook_builder.h"
#include "workbook/workbook_import.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kItems = 65526;

QList<QStringList> itemsOf(int count)
{
    QList<QStringList> items;
    for (int i = 0; i < count; ++i)
        items.push_back({QStringLiteral("Room %1").arg(i % 40), "Chevrolet Suburban, \"LT\"",
                         "10/16/2005", "Gus's garage", "Ended", "45000", "Old",
                         QString::number(100 + i % 900), "LT", QStringLiteral("CTJ%1").arg(i),
                         "Bought\nused", "/photos/car.jpg"});
    return items;
}

using stowfolio::bench::peakMegabytes;

int runJob(const std::string& job)
{
    QTemporaryDir temp;
    const QString csv = QDir(temp.path()).filePath(QStringLiteral("items.csv"));
    const QString xls = QDir(temp.path()).filePath(QStringLiteral("items.xls"));
    const QList<QStringList> rows = itemsOf(kItems);
    std::vector<stowfolio::Item> items;
    for (const QStringList& row : rows)
        items.push_back(stowfolio::itemFromTexts(row));
    QElapsedTimer timer;
    qsizetype count = 0;
    if (job == "csv-export") {
        timer.start();
        stowfolio::writeBytesToFile(stowfolio::itemsAsCsv(items), csv);
        count = static_cast<qsizetype>(items.size());
    } else if (job == "csv-import") {
        stowfolio::writeBytesToFile(stowfolio::itemsAsCsv(items), csv);
        timer.start();
        count =
            stowfolio::importCsvFile(csv, kItems, stowfolio::InventoryConventions{}).items.size();
    } else if (job == "reopen") {
        stowfolio::ExcelFactory factory;
        stowfolio::registerBuiltInEngine(factory);
        stowfolio::Inventory inventory;
        inventory.ownerFields = QStringList(8, QStringLiteral("x"));
        inventory.items = items;
        stowfolio::exportInventoryWorkbook(factory, inventory, temp.path(), xls);
        timer.start();
        count = stowfolio::importInventoryWorkbook(xls, kItems, stowfolio::InventoryConventions{})
                    .items.size();
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    if (count != kItems) {
        std::fprintf(stderr, "%s: %lld items instead of %d\n", job.c_str(),
                     static_cast<long long>(count), kItems);
        return 1;
    }
    std::printf("%-12s %8d %10.1f %10.1f\n", job.c_str(), kItems, ms, peakMegabytes());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication application(argc, argv);
        return runJob(argv[1]);
    }
    std::printf("%-12s %8s %10s %10s\n", "job", "items", "ms", "peak MB");
    int failures = 0;
    for (const char* job : {"csv-export", "csv-import", "reopen"})
        failures += std::system((std::string(argv[0]) + " " + job).c_str()) != 0;
    return failures == 0 ? 0 : 1;
}
