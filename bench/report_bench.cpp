// The insurer's report as PDF: 1,000 items without photos, 100 items each with a 12-megapixel
// JPEG photo, 1,000 items each with a 2-megapixel photo, and 65,526 items. Each job runs in a
// process of its own (the program started again with the job as its argument), so each peak
// memory figure is that job's alone. The photos are written once per job, before the clock
// starts; ten different files serve all the items in turn, each decoded anew for its item.

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
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using stowfolio::bench::peakMegabytes;

constexpr int kPhotoFiles = 10;

// A photo as a camera takes it, `size` pixels with detail and noise all over, so that it does not
// compress to nothing; `seed` makes each file different.
QString writePhoto(const QString& folder, QSize size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(1, Qt::yellow);
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < size.height(); i += 7)
        painter.drawLine(0, i, size.width(), (i * 13 + seed) % size.height());
    painter.end();
    QRandomGenerator random(static_cast<quint32>(seed));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int noise = static_cast<int>(random.bounded(48)) - 24;
            const QRgb pixel = line[x];
            line[x] = qRgb(std::clamp(qRed(pixel) + noise, 0, 255),
                           std::clamp(qGreen(pixel) + noise, 0, 255),
                           std::clamp(qBlue(pixel) + noise, 0, 255));
        }
    }
    const QString path = QDir(folder).filePath(QStringLiteral("photo%1.jpg").arg(seed));
    image.save(path, "JPEG", 90);
    return path;
}

int runJob(const std::string& job, int items)
{
    QTemporaryDir temp;
    stowfolio::ExcelFactory factory;
    stowfolio::registerBuiltInEngine(factory);
    QStringList photos;
    if (job == "photos" || job == "small") {
        const QSize size = job == "photos" ? QSize(4000, 3000) : QSize(1600, 1200);
        for (int i = 0; i < kPhotoFiles; ++i)
            photos << writePhoto(temp.path(), size, i);
    }
    stowfolio::Inventory inventory;
    inventory.ownerFields = QStringList(8, QStringLiteral("x"));
    for (int i = 0; i < items; ++i)
        inventory.items.push_back(stowfolio::itemFromTexts(
            {QStringLiteral("Room %1").arg(i % 40), "Chevrolet Suburban", "10/16/2005",
             "Gus's garage", "Ended", "45000", "Old", QString::number(100 + i % 900), "LT",
             QStringLiteral("CTJ%1").arg(i), "",
             photos.isEmpty() ? QString() : photos[i % photos.size()]}));
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
    for (const char* job : {"plain 1000", "photos 100", "small 1000", "plain 65526"})
        failures += std::system((std::string(argv[0]) + " " + job).c_str()) != 0;
    return failures == 0 ? 0 : 1;
}
