// Keeping photos with an item: 100 twelve-megapixel JPEGs (4000 by 3000, with EXIF) added to
// one item at once: each copied into the attachment store and hashed, its EXIF facts read and a
// thumbnail made, then all recorded in one transaction. Prints the seconds and the peak memory.
// The photos differ in a comment segment, so that each is a file of its own in the store.

#include "bench/peak_memory.h"
#include "evidence/attachment_keeper.h"
#include "evidence/picture_loader.h"
#include "tests/evidence/exif_block.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

namespace {

constexpr int kPhotos = 100;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A photo-like picture: a gradient with grain, so the JPEG is as large as a camera's.
QImage grainyPicture()
{
    QImage image = stowfolio::testing::testPicture(kWidth, kHeight);
    std::mt19937 random(12);
    std::uniform_int_distribution<int> grain(-24, 24);
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int shift = grain(random);
            const QRgb pixel = line[x];
            line[x] = qRgb(std::clamp(qRed(pixel) + shift, 0, 255),
                           std::clamp(qGreen(pixel) + shift, 0, 255),
                           std::clamp(qBlue(pixel) - shift, 0, 255));
        }
    }
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTemporaryDir temp;
    const QDir folder(temp.path());

    stowfolio::testing::ExifTags tags;
    tags.make = "Canon";
    tags.model = "Canon EOS 80D";
    tags.orientation = 1;
    tags.dateTimeOriginal = "2024:05:01 14:03:22";
    const QByteArray photo = stowfolio::testing::withExif(
        stowfolio::testing::jpegBytes(grainyPicture(), 92), stowfolio::testing::exifBlock(tags));
    std::vector<stowfolio::AttachmentSource> sources;
    for (int i = 0; i < kPhotos; ++i) {
        const QString path =
            folder.filePath(QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QChar(u'0')));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray comment = QByteArray::number(i).rightJustified(8, '0');
        file.write(photo.left(2));
        file.write(QByteArray("\xff\xfe\x00\x0a", 4) + comment);
        file.write(photo.mid(2));
        sources.push_back({path, stowfolio::AttachmentKind::Photo, QString()});
    }
    std::printf("source photos: %d of %d by %d, %.1f MB each\n", kPhotos, kWidth, kHeight,
                static_cast<double>(photo.size()) / 1e6);
    std::printf("peak memory before adding: %.0f MB\n", stowfolio::bench::peakMegabytes());

    // The steps one by one, on one thread, into a store of their own: where the time goes.
    {
        stowfolio::AttachmentFileStore stepStore(folder.filePath(QStringLiteral("steps")));
        QElapsedTimer step;
        step.start();
        std::vector<QString> stored;
        for (const stowfolio::AttachmentSource& source : sources)
            stored.push_back(stepStore.pathOf(stepStore.store(source.path).sha256));
        const double copying = static_cast<double>(step.nsecsElapsed()) / 1e9;
        step.restart();
        for (const QString& path : stored)
            stowfolio::pictureFactsOfFile(QFile::encodeName(path).toStdString());
        const double facts = static_cast<double>(step.nsecsElapsed()) / 1e9;
        step.restart();
        for (const QString& path : stored)
            stowfolio::loadPicture(path, stowfolio::AttachmentKeeper::kThumbnailSize, path);
        const double thumbnails = static_cast<double>(step.nsecsElapsed()) / 1e9;
        std::printf("one thread: copy and hash %.2f s, EXIF %.2f s, thumbnails %.2f s\n", copying,
                    facts, thumbnails);
    }

    stowfolio::InventoryStore records(folder.filePath(QStringLiteral("data/inventory.db")));
    stowfolio::AttachmentFileStore files(stowfolio::attachmentFolderFor(records.path()));
    stowfolio::AttachmentKeeper keeper(records, files);
    const stowfolio::ItemId item = records.append({stowfolio::ItemFields{}}).front();

    QElapsedTimer timer;
    timer.start();
    const std::vector<stowfolio::AddedAttachment> added = keeper.add(item, sources);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (added.size() != static_cast<std::size_t>(kPhotos) || added.back().thumbnail.isNull() ||
        added.back().attachment.file.camera != QStringLiteral("Canon EOS 80D"))
        return 1;
    std::printf("add %d photos (copy, hash, EXIF, thumbnail, records): %.2f s (%.0f ms a photo; "
                "target 10 s)\n",
                kPhotos, seconds, seconds * 1000.0 / kPhotos);
    std::printf("peak memory: %.0f MB\n", stowfolio::bench::peakMegabytes());
    return 0;
}
