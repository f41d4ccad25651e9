#include "workbook/work_folder.h"

#include "spreadsheet/model/error.h"

#include <QDir>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stowfolio {

namespace {

[[noreturn]] void fail(const QString& message)
{
    throw spreadsheet::Error(message.toStdString());
}

// Twenty draws of eight digits from nine each collide only when the folder is full of our
// own names; past that something else is wrong and the user should hear it.
constexpr int kMaxNameAttempts = 1000;

} // namespace

QString temporaryFolder()
{
    for (const char* variable : {"TEMP", "TMPDIR"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return QDir::tempPath();
}

QString privateWorkFolder(const QString& parent)
{
    const QString path = QDir(parent).filePath(
        QStringLiteral("stowfolio-%1").arg(static_cast<qulonglong>(getuid())));
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        fail(QStringLiteral("Cannot create the work folder %1: %2")
                 .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat info
    {
    };
    if (::lstat(native.constData(), &info) != 0)
        fail(QStringLiteral("Cannot examine the work folder %1").arg(path));
    if (S_ISLNK(info.st_mode) || !S_ISDIR(info.st_mode))
        fail(QStringLiteral("The work folder %1 is not a plain folder; refusing to use it")
                 .arg(path));
    if (info.st_uid != getuid())
        fail(QStringLiteral("The work folder %1 belongs to another user; refusing to use it")
                 .arg(path));
    if ((info.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
        fail(QStringLiteral("The work folder %1 is open to other users and cannot be closed")
                 .arg(path));
    return path;
}

int randomDigit()
{
    return static_cast<int>(QRandomGenerator::system()->bounded(1, 10));
}

QString createGeneratedWorkbookFile(const QString& folder, const DigitSource& digit)
{
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
        QString name = QStringLiteral("wendax");
        for (int i = 0; i < 8; ++i)
            name += QString::number(digit());
        const QString path = QDir(folder).filePath(name + QStringLiteral(".xls"));
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            fail(QStringLiteral("Cannot create a work file in %1: %2")
                     .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    }
    fail(QStringLiteral("Cannot find a free work file name in %1").arg(folder));
}

} // namespace stowfolio
