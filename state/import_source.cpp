// Opening what an import reads: a plain file where it lies, standard input or a pipe read whole
// into memory, anything else refused with what it is.

#include "state/item_import.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace stowfolio {

namespace {

constexpr qint64 kChunkBytes = 1 << 20;

} // namespace

QString notAPlainFile(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        switch (errno) {
        case ENOENT:
            return QStringLiteral("the file does not exist");
        case ENOTDIR:
            return QStringLiteral("the file does not exist (a part of its path is not a folder)");
        case EACCES:
        case EPERM:
            return QStringLiteral("permission denied: a folder on its way is not open to you");
        default:
            return QString::fromLocal8Bit(std::strerror(errno));
        }
    }
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return QStringLiteral("it is a device, not a file");
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("it is a named pipe (FIFO), not a file");
    if (S_ISSOCK(info.st_mode))
        return QStringLiteral("it is a socket, not a file");
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is not a plain file");
    return {};
}

ImportSource openImportSource(const QString& path)
{
    ImportSource source;
    source.path = path;
    const bool standardInput = path == QLatin1String("-");
    source.name = standardInput ? QStringLiteral("standard input") : QFileInfo(path).fileName();
    const auto fail = [&source](const QString& why) {
        source.problem = QStringLiteral("%1 cannot be imported: %2.").arg(source.name, why);
        return source;
    };
    QFile input;
    if (standardInput) {
        if (!input.open(STDIN_FILENO, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            return fail(input.errorString());
    } else {
        struct stat info
        {
        };
        const QByteArray name = QFile::encodeName(path);
        // Only a pipe is read as a stream; anything else that is no plain file is refused
        // before it is opened (a device could give bytes for ever).
        if (::stat(name.constData(), &info) != 0 || !S_ISFIFO(info.st_mode)) {
            const QString why = notAPlainFile(path);
            if (!why.isEmpty())
                return fail(why);
            return source;
        }
        // Opening a named pipe waits for its writer, as reading it would.
        input.setFileName(path);
        if (!input.open(QIODevice::ReadOnly))
            return fail(input.errorString());
    }
    source.inMemory = true;
    for (;;) {
        const QByteArray chunk = input.read(kChunkBytes);
        if (chunk.isEmpty())
            break;
        if (source.bytes.size() + chunk.size() > kLargestStreamInput)
            return fail(QStringLiteral("more than %L1 bytes came from it, more than an import "
                                       "from a pipe may hold; save it to a file and import "
                                       "that")
                            .arg(kLargestStreamInput));
        source.bytes += chunk;
    }
    if (input.error() != QFileDevice::NoError)
        return fail(input.errorString());
    return source;
}

} // namespace stowfolio
