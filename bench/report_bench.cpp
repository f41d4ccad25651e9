// The insurer's report as PDF: 1,000 items without photos, 100 items each with a 12-megapixel
// JPEG photo, 1,000 items each with a 2-megapixel photo, 65,526 items, 100 items each with three
// 12-megapixel JPEG attachments and a PDF receipt, and 100 items each with a 12-megapixel HEIC
// attachment. Each job runs in a
// process of its own (the program started again with the job as its argument), so each peak
// memory figure is that job's alone. The photos are written once per job, before the clock
// starts; ten different files serve all the items in turn, each decoded anew for its item.

#include "bench/peak_memory.h"
#include "report/inventory_report.h"
#include "tests/evidence/heic_picture.h"
#include "workbook/excel_factory.h"
#include "workbook/workbook_builder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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

std::string programPath;

// A 12-megapixel HEIC as a phone writes it; encoding one takes seconds, so two serve all items.
// The encoder holds hundreds of megabytes: it runs in a process of its own, so that the job's
// peak memory is the report's.
QString writeHeic(const QString& folder, int seed)
{
    const QString path = QDir(folder).filePath(QStringLiteral("photo%1.heic").arg(seed));
    const std::string command = programPath + " heic-file " + QString::number(seed).toStdString() +
                                " '" + QFile::encodeName(path).toStdString() + "'";
    return std::system(command.c_str()) == 0 ? path : QString();
}

int makeHeicFile(int seed, const QString& path)
{
    const QString folder = QFileInfo(path).path();
    const QString jpeg = writePhoto(folder, QSize(4000, 3000), 100 + seed);
    const QByteArray bytes = stowfolio::testing::heicBytes(QImage(jpeg), {});
    QFile file(path);
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly))
        return 1;
    file.write(bytes);
    return 0;
}

stowfolio::report::EvidenceFile evidenceFile(stowfolio::AttachmentKind kind, const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    stowfolio::report::EvidenceFile evidence;
    evidence.attachment.kind = kind;
    evidence.attachment.added = QStringLiteral("2026-12-01T10:00:00");
    evidence.attachment.file.sha256 =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    evidence.attachment.file.size = bytes.size();
    evidence.attachment.file.originalName = QFileInfo(path).fileName();
    evidence.path = path;
    return evidence;
}

// Each item's attachments: three of the photos and the receipt, or one HEIC.
stowfolio::report::ReportEvidence evidenceOf(const std::string& job, int items,
                                             const QStringList& photos, const QString& folder)
{
    stowfolio::report::ReportEvidence evidence;
    if (job == "evidence") {
        const QString receipt = QDir(folder).filePath(QStringLiteral("receipt.pdf"));
        QFile file(receipt);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray("%PDF-1.4\n") + QByteArray(200000, ' '));
        file.close();
        for (int i = 0; i < items; ++i) {
            evidence.items.emplace_back();
            for (int p = 0; p < 3; ++p)
                evidence.items.back().push_back(evidenceFile(stowfolio::AttachmentKind::Photo,
                                                             photos[(3 * i + p) % photos.size()]));
            evidence.items.back().push_back(
                evidenceFile(stowfolio::AttachmentKind::Receipt, receipt));
        }
    } else if (job == "heic") {
        const QStringList heics = {writeHeic(folder, 0), writeHeic(folder, 1)};
        for (int i = 0; i < items; ++i)
            evidence.items.push_back(
                {evidenceFile(stowfolio::AttachmentKind::Photo, heics[i % heics.size()])});
    }
    return evidence;
}

int runJob(const std::string& job, int items)
{
    QTemporaryDir temp;
    stowfolio::ExcelFactory factory;
    stowfolio::registerBuiltInEngine(factory);
    QStringList photos;
    if (job == "photos" || job == "small" || job == "evidence") {
        const QSize size = job == "small" ? QSize(1600, 1200) : QSize(4000, 3000);
        for (int i = 0; i < kPhotoFiles; ++i)
            photos << writePhoto(temp.path(), size, i);
    }
    const stowfolio::report::ReportEvidence evidence = evidenceOf(job, items, photos, temp.path());
    // The attachments are the items' only photos.
    if (job == "evidence")
        photos.clear();
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
    stowfolio::report::writeReportPdf(workbook, pdf, QDate::currentDate(),
                                      spreadsheet::files::ReadOnlyTarget::Refuse, {}, evidence);
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%-8s %8d %10.1f %10.1f %10.1f\n", job.c_str(), items, ms, peakMegabytes(),
                QFileInfo(pdf).size() / 1e6);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    programPath = argv[0];
    if (argc == 4 && std::string(argv[1]) == "heic-file") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication application(argc, argv);
        return makeHeicFile(std::atoi(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    if (argc == 3) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication application(argc, argv);
        return runJob(argv[1], std::atoi(argv[2]));
    }
    std::printf("%-8s %8s %10s %10s %10s\n", "job", "items", "ms", "peak MB", "PDF MB");
    int failures = 0;
    for (const char* job :
         {"plain 1000", "photos 100", "small 1000", "plain 65526", "evidence 100", "heic 100"})
        failures += std::system((std::string(argv[0]) + " " + job).c_str()) != 0;
    return failures == 0 ? 0 : 1;
}
