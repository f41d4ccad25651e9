// The insurer's report as PDF: 1,000 items without photos, 100 items each with a 12-megapixel
// JPEG photo, and 65,526 items. Each job runs in a process of its own (the program started
// again with the job as its argument), so each peak memory figure is that job's alone.

#include "bench/peak_memory.h"
#include "report/inventory_report.h"
#include "workbook/excel_factory.h"
#include "workbook/workbook_builder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using stowfolio::bench::peakMegabytes;

// A photo as a camera takes it: 4,000 x 3,000 pixels with detail all over, so that it does
// not compress to nothing.
QString writePhoto(const QString& folder)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 4000, 3000);
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(1, Qt::yellow);
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 3000; i += 7)
        painter.drawLine(0, i, 4000, (i * 13) % 3000);
    painter.end();
    const QString path = QDir(folder).filePath(QStringLiteral("photo.jpg"));
    image.save(path, "JPEG", 90);
    return path;
}

int runJob(const std::string& job, int items)
{
    QTemporaryDir temp;
    stowfolio::ExcelFactory factory;
    stowfolio::registerBuiltInEngine(factory);
    const QString photo = job == "photos" ? writePhoto(temp.path()) : QString();
    stowfolio::Inventory inventory;
    inventory.ownerFields = QStringList(8, QStringLiteral("x"));
    for (int i = 0; i < items; ++i)
        inventory.items.push_back(stowfolio::itemFromTexts(
            {QStringLiteral("Room %1").arg(i % 40), "Chevrolet Suburban", "10/16/2005",
             "Gus's garage", "Ended", "45000", "Old", QString::number(100 + i % 900), "LT",
             QStringLiteral("CTJ%1").arg(i), "", photo}));
    const QString workbook = QDir(temp.path()).filePath(QStringLiteral("items.xls"));
    stowfolio::exportInventoryWorkbook(factory, inventory, temp.path(), workbook);
    const QString pdf = QDir(temp.path()).filePath(QStringLiteral("report.pdf"));
    QElapsedTimer timer;
    timer.start();
    stowfolio::report::writeReportPdf(workbook, pdf, QDate::currentDate());
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%-8s %8d %10.1f %10.1f %10.1f\n", job.c_str(), items, ms, peakMegabytes(),
                QFileInfo(pdf).size() / 1e6);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication application(argc, argv);
        return runJob(argv[1], std::atoi(argv[2]));
    }
    std::printf("%-8s %8s %10s %10s %10s\n", "job", "items", "ms", "peak MB", "PDF MB");
    int failures = 0;
    for (const char* job : {"plain 1000", "photos 100", "plain 65526"})
        failures += std::system((std::string(argv[0]) + " " + job).c_str()) != 0;
    return failures == 0 ? 0 : 1;
}
