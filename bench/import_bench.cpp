// Items in and out at 65,526 items: the CSV export, the CSV import and reopening a saved
// workbook; and hostile or huge CSV files: 200 MB of items with long notes, one row of 50
// million commas, a header of 10 million columns. Each job runs in a process of its own (the
// program started again with the job as its argument), so each peak memory figure is that
// job's alone; the file's size is printed beside it.

#include "bench/peak_memory.h"
#include "platform/file_helpers.h"
#include "state/item_import.h"
#include "workbook/excel_factory.h"
#include "workbook/workbook_builder.h"
#include "workbook/workbook_import.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kItems = 65526;
constexpr const char* kFileJobs[] = {"csv-200mb", "csv-50m-commas", "csv-10m-columns"};

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

// Writes a CSV file of `rows` pieces made by `row`, a piece at a time, and gives its size in MB.
template <typename Row>
double writeCsv(const QString& path, qint64 rows, Row row)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::abort();
    for (qint64 i = 0; i < rows; ++i)
        file.write(row(i));
    return static_cast<double>(file.size()) / (1024 * 1024);
}

// The hostile and huge files: how long the import takes, how much memory, and what it made.
int runFileJob(const std::string& job)
{
    QTemporaryDir temp;
    const QString csv = QDir(temp.path()).filePath(QStringLiteral("items.csv"));
    double megabytes = 0;
    if (job == "csv-200mb") {
        const QByteArray notes(3000, 'n');
        megabytes = writeCsv(csv, kItems + 1, [&](qint64 i) {
            if (i == 0)
                return QByteArray("Location,Description,Estimated Value,Notes\n");
            return QByteArray("Room ") + QByteArray::number(i % 40) + ",Chair " +
                   QByteArray::number(i) + "," + QByteArray::number(100 + i % 900) + ",\"" + notes +
                   "\"\n";
        });
    } else if (job == "csv-50m-commas") {
        megabytes = writeCsv(csv, 51, [](qint64 i) {
            return i == 0 ? QByteArray("Location,Description\nGarage,") : QByteArray(1000000, ',');
        });
    } else if (job == "csv-10m-columns") {
        megabytes = writeCsv(csv, 11, [](qint64 i) {
            if (i == 0)
                return QByteArray("Location,Description");
            if (i == 10)
                return QByteArray("\nGarage,Bike\n");
            QByteArray columns;
            for (int c = 0; c < 1000000; ++c)
                columns += ",x";
            return columns;
        });
    }
    QElapsedTimer timer;
    timer.start();
    const stowfolio::ItemImport imported =
        stowfolio::importCsvFile(csv, kItems, stowfolio::InventoryConventions{});
    const double ms = timer.nsecsElapsed() / 1e6;
    const qsizetype messages = imported.ignoredColumns.join(QString()).size() +
                               imported.skippedRows.join(QString()).size();
    std::printf("%-16s %8lld %10.1f %10.1f %9.1f %10lld\n", job.c_str(),
                static_cast<long long>(imported.items.size()), ms, peakMegabytes(), megabytes,
                static_cast<long long>(messages));
    return imported.items.isEmpty() ? 1 : 0;
}

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
        const std::string job = argv[1];
        const bool fileJob =
            std::find(std::begin(kFileJobs), std::end(kFileJobs), job) != std::end(kFileJobs);
        return fileJob ? runFileJob(job) : runJob(job);
    }
    std::printf("%-12s %8s %10s %10s\n", "job", "items", "ms", "peak MB");
    int failures = 0;
    for (const char* job : {"csv-export", "csv-import", "reopen"})
        failures += std::system((std::string(argv[0]) + " " + job).c_str()) != 0;
    std::printf("\n%-16s %8s %10s %10s %9s %10s\n", "file", "items", "ms", "peak MB", "file MB",
                "msg chars");
    for (const char* job : kFileJobs)
        failures += std::system((std::string(argv[0]) + " " + job).c_str()) != 0;
    return failures == 0 ? 0 : 1;
}
