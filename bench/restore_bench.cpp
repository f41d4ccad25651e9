// Restoring a claim kit: 1,000 items, each keeping one photo of 4 MB (a real JPEG header, so the
// photo is checked as a picture, followed by bytes that do not compress), with the item list and
// the list of attachments as a kit holds them. The kit is written once; the restore is
// `stowfolio --import kit.zip` into a fresh inventory, in a process of its own (the program
// started again with the job and the work folder as its arguments), so its peak memory figure
// is the restore's alone. It unpacks the kit beside the attachment store, checks every file and
// keeps each with its item.
//
// The work folder needs about 13 GB: the kit, its unpacked files and the attachment store.
// STOWFOLIO_BENCH_KIT_FILES sets another number of items for a quicker run, and
// STOWFOLIO_BENCH_KIT_PASSWORD=1 protects the kit (AES-256).

#include "app/claim_kit_export.h"
#include "app/headless.h"
#include "bench/peak_memory.h"
#include "claim_kit/kit_writer.h"
#include "state/csv_text.h"
#include "state/item_import.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/resource.h>

namespace {

constexpr qsizetype kFileSize = 4 * 1024 * 1024;
constexpr const char* kPassword = "correct horse battery staple";

int itemCount()
{
    const int count = qEnvironmentVariableIntValue("STOWFOLIO_BENCH_KIT_FILES");
    return count > 0 ? count : 1000;
}

bool protectedKit()
{
    return qEnvironmentVariableIntValue("STOWFOLIO_BENCH_KIT_PASSWORD") == 1;
}

// A small JPEG: what a reader checks of a photo is its header.
QByteArray jpegHead()
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return buffer.data();
}

// The photos, each different, none compressible, and the kit of them.
void writeKit(const QDir& folder, int count)
{
    using stowfolio::csvRecord;
    folder.mkpath(QStringLiteral("photos"));
    const QByteArray head = jpegHead();
    QByteArray bytes(kFileSize, Qt::Uninitialized);
    std::copy(head.begin(), head.end(), bytes.begin());
    uint64_t state = 0x9e3779b97f4a7c15u;
    stowfolio::claimkit::ClaimKitWriter writer;
    QString items =
        csvRecord(QStringList(stowfolio::kItemColumnCaptions) << QStringLiteral("Attachments"));
    QString attachments = csvRecord(stowfolio::kKitAttachmentListCaptions);
    for (int i = 0; i < count; ++i) {
        auto* words = reinterpret_cast<uint64_t*>(bytes.data() + ((head.size() + 7) / 8) * 8);
        for (qsizetype w = 0; w < (kFileSize - head.size() - 8) / 8; ++w) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            words[w] = state;
        }
        const QString path = folder.filePath(QStringLiteral("photos/%1.jpg").arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        file.close();
        const QString entry = QStringLiteral("attachments/%1/photo.jpg").arg(i + 1);
        writer.addFile(entry, path);
        QStringList fields(stowfolio::kItemFieldCount);
        fields[stowfolio::kLocationField] = QStringLiteral("Room %1").arg(i % 12);
        fields[stowfolio::kDescriptionField] = QStringLiteral("Item %1").arg(i);
        items += csvRecord(fields << entry);
        attachments += csvRecord({QString::number(i + 1), entry, QStringLiteral("photo"),
                                  QStringLiteral("Front"), QStringLiteral("2024-01-02T03:04:05")});
    }
    writer.addBytes(stowfolio::kKitItemListName, "\xEF\xBB\xBF" + items.toUtf8());
    writer.addBytes(stowfolio::kKitAttachmentListName, "\xEF\xBB\xBF" + attachments.toUtf8());
    writer.write(folder.filePath(QStringLiteral("kit.zip")),
                 protectedKit() ? QString::fromLatin1(kPassword) : QString());
    QDir(folder.filePath(QStringLiteral("photos"))).removeRecursively();
}

int restore(const QDir& folder)
{
    // A fresh inventory, its settings and work folders in the work folder.
    QDir home(folder.filePath(QStringLiteral("home")));
    home.removeRecursively();
    folder.mkpath(QStringLiteral("home/tmp"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("TEMP", QFile::encodeName(home.filePath(QStringLiteral("tmp"))));
    qunsetenv("XDG_RUNTIME_DIR");
    QString passwordFile;
    if (protectedKit()) {
        passwordFile = folder.filePath(QStringLiteral("password.txt"));
        QFile file(passwordFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(kPassword) < 0)
            return 1;
    }
    QElapsedTimer timer;
    timer.start();
    const int exitCode =
        stowfolio::runImport(folder.filePath(QStringLiteral("kit.zip")), passwordFile);
    const double seconds = timer.nsecsElapsed() / 1e9;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto cpuSeconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    std::fprintf(stdout, "%-10s %6d %9.1f %10.1f %9.1f %9.1f\n",
                 protectedKit() ? "restore-pw" : "restore", itemCount(), seconds,
                 stowfolio::bench::peakMegabytes(), cpuSeconds(usage.ru_utime),
                 cpuSeconds(usage.ru_stime));
    return exitCode;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "restore")
        return restore(QDir(QString::fromLocal8Bit(argv[2])));
    QTemporaryDir work(QDir(qEnvironmentVariable("STOWFOLIO_BENCH_DIR", QDir::tempPath()))
                           .filePath(QStringLiteral("restore-bench-XXXXXX")));
    const QDir folder(work.path());
    QElapsedTimer timer;
    timer.start();
    writeKit(folder, itemCount());
    std::printf("kit written in %.1f s\n", timer.nsecsElapsed() / 1e9);
    std::printf("%-10s %6s %9s %10s %9s %9s\n", "job", "items", "seconds", "peak MB", "user s",
                "system s");
    std::fflush(stdout);
    const std::string command =
        std::string(argv[0]) + " restore '" + folder.path().toStdString() + "'";
    return std::system(command.c_str()) == 0 ? 0 : 1;
}
