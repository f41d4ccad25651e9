// Claim kits of 1,000 files of 4 MB each, the size of a twelve-megapixel JPEG (bytes that do not
// compress, stored as they are), with an item list: writing a kit, which includes reading it back
// and checking every hash, and unpacking it into a folder, which checks as it goes. Each job runs
// in a process of its own (the program started again with the job and the work folder as its
// arguments), so each peak memory figure is that job's alone.
//
// The work folder needs about 17 GB: the files, two kits and one unpacked kit at a time.
// STOWFOLIO_BENCH_KIT_FILES sets another number of files for a quicker run, and
// STOWFOLIO_BENCH_KIT_JOBS the jobs to run ("write unpack" for those without a password).

#include "bench/peak_memory.h"
#include "claim_kit/kit_reader.h"
#include "claim_kit/kit_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr qsizetype kFileSize = 4 * 1024 * 1024;
constexpr const char* kPassword = "correct horse battery staple";

int fileCount()
{
    const int count = qEnvironmentVariableIntValue("STOWFOLIO_BENCH_KIT_FILES");
    return count > 0 ? count : 1000;
}

QString photoPath(const QDir& folder, int i)
{
    return folder.filePath(QStringLiteral("photos/%1.jpg").arg(i));
}

// The photos, each different, none compressible.
void makePhotos(const QDir& folder, int count)
{
    folder.mkpath(QStringLiteral("photos"));
    QByteArray bytes(kFileSize, Qt::Uninitialized);
    uint64_t state = 0x9e3779b97f4a7c15u;
    for (int i = 0; i < count; ++i) {
        auto* words = reinterpret_cast<uint64_t*>(bytes.data());
        for (qsizetype w = 0; w < kFileSize / 8; ++w) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            words[w] = state;
        }
        QFile file(photoPath(folder, i));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            std::exit(1);
        }
    }
}

int runJob(const std::string& job, const QDir& folder)
{
    using namespace stowfolio::claimkit;
    const int count = fileCount();
    const bool protect = job.ends_with("-pw");
    const QString kit =
        folder.filePath(protect ? QStringLiteral("kit-pw.zip") : QStringLiteral("kit.zip"));
    const QString password = protect ? QString::fromLatin1(kPassword) : QString();
    QElapsedTimer timer;
    timer.start();
    try {
        if (job.starts_with("write")) {
            ClaimKitWriter writer;
            QByteArray csv = "Item,Photo\n";
            for (int i = 0; i < count; ++i) {
                const QString name = QStringLiteral("photos/%1/photo.jpg").arg(i);
                writer.addFile(name, photoPath(folder, i));
                csv += QStringLiteral("Item %1,%2\n").arg(i).arg(name).toUtf8();
            }
            writer.addBytes(QStringLiteral("items.csv"), csv);
            writer.write(kit, password);
        } else {
            const QString out = folder.filePath(QStringLiteral("unpacked"));
            QDir(out).removeRecursively();
            folder.mkdir(QStringLiteral("unpacked"));
            const auto entries = ClaimKitReader::unpack(kit, password, out);
            if (entries.size() != size_t(count) + 1) {
                std::fprintf(stderr, "%s: %zu entries\n", job.c_str(), entries.size());
                return 1;
            }
        }
    } catch (const ClaimKitError& error) {
        std::fprintf(stderr, "%s: %s\n", job.c_str(), error.what());
        return 1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%-10s %6d %9.1f %10.1f\n", job.c_str(), count, seconds,
                stowfolio::bench::peakMegabytes());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3) {
        QCoreApplication application(argc, argv);
        return runJob(argv[1], QDir(QString::fromLocal8Bit(argv[2])));
    }
    QTemporaryDir work;
    const QDir folder(work.path());
    makePhotos(folder, fileCount());
    std::printf("%-10s %6s %9s %10s\n", "job", "files", "seconds", "peak MB");
    int failures = 0;
    QStringList jobs =
        qEnvironmentVariable("STOWFOLIO_BENCH_KIT_JOBS").split(u' ', Qt::SkipEmptyParts);
    if (jobs.isEmpty())
        jobs = {"write", "unpack", "write-pw", "unpack-pw"};
    for (const QString& job : jobs) {
        const std::string command = std::string(argv[0]) + " " + job.toStdString() + " '" +
                                    folder.path().toStdString() + "'";
        failures += std::system(command.c_str()) != 0;
    }
    return failures == 0 ? 0 : 1;
}
