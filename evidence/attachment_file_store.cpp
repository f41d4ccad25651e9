#include "evidence/attachment_file_store.h"

#include "digest/sha256.h"
#include "evidence/attachment_error.h"
#include "spreadsheet/files/atomic_file.h"
#include "state/inventory_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>

#include <array>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace stowfolio {

namespace {

namespace files = spreadsheet::files;

// The copy's buffer: large enough that the system calls cost nothing next to the disk.
constexpr std::size_t kCopyBufferBytes = std::size_t{1} << 20;

// A copy is written under this prefix, then renamed to its hash.
const QString kUnfinishedPrefix = QStringLiteral("incoming-");

std::string nameOf(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString sizeText(std::int64_t bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

AttachmentError refused(const QString& path, const QString& reason)
{
    return AttachmentError((path + QStringLiteral(": ") + reason).toStdString());
}

QString errnoReason(int code)
{
    return QString::fromStdString(files::describeFileError(code));
}

// Why a file of this type is not kept, or empty for a regular file.
QString typeRefusal(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QStringLiteral("is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("is a pipe (FIFO), not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("is a device, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("is a socket, not a file");
    return QStringLiteral("is not a regular file");
}

QString sizeRefusal(std::int64_t size, std::int64_t limit)
{
    if (size <= limit)
        return {};
    return QStringLiteral("is %1; a file kept with an item may be at most %2")
        .arg(sizeText(size), sizeText(limit));
}

std::optional<std::int64_t> systemFreeBytes(const QString& folder)
{
    struct statvfs info
    {
    };
    if (::statvfs(nameOf(folder).c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

QString unfinishedName()
{
    return kUnfinishedPrefix +
           QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, '0');
}

// What the open file `source` (named `path` in messages) is, judged by what was opened: a
// regular file within `limit` bytes. Throws AttachmentError saying why not.
struct stat openedStatus(int source, const QString& path, std::int64_t limit)
{
    if (source < 0)
        throw refused(path, QStringLiteral("cannot be read (%1)").arg(errnoReason(errno)));
    struct stat status
    {
    };
    if (::fstat(source, &status) != 0)
        throw refused(path, QStringLiteral("cannot be read (%1)").arg(errnoReason(errno)));
    if (const QString type = typeRefusal(status.st_mode); !type.isEmpty())
        throw refused(path, type);
    if (const QString size = sizeRefusal(status.st_size, limit); !size.isEmpty())
        throw refused(path, size);
    return status;
}

// Reads the open file `source` (named `path` in messages) to its end a block at a time, handing
// each block to `block`; returns the bytes read. Throws AttachmentError when it cannot be read.
template <typename Block>
std::int64_t readBlocks(int source, const QString& path, Block&& block)
{
    const std::unique_ptr<char[]> buffer(new char[kCopyBufferBytes]);
    std::int64_t total = 0;
    for (;;) {
        const ssize_t count = ::read(source, buffer.get(), kCopyBufferBytes);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            throw refused(path, QStringLiteral("cannot be read (%1)").arg(errnoReason(errno)));
        if (count == 0)
            return total;
        total += count;
        block(buffer.get(), static_cast<std::size_t>(count), total);
    }
}

} // namespace

bool isSha256Name(const QString& name)
{
    if (name.size() != 64)
        return false;
    for (const QChar c : name) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

QString attachmentFolderFor(const QString& databasePath)
{
    return QFileInfo(databasePath).absolutePath() + QStringLiteral("/attachments");
}

AttachmentFileStore::AttachmentFileStore(const QString& folder)
    : AttachmentFileStore(folder, Limits{})
{
}

AttachmentFileStore::AttachmentFileStore(const QString& folder, Limits limits)
    : m_folder(folder), m_limits(std::move(limits))
{
    if (!m_limits.freeBytes)
        m_limits.freeBytes = systemFreeBytes;
    try {
        makePrivateFolder(m_folder);
    } catch (const std::runtime_error& error) {
        throw AttachmentError(error.what());
    }
}

QString AttachmentFileStore::refusal(const QString& path) const
{
    struct stat status
    {
    };
    if (::stat(nameOf(path).c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return QStringLiteral("is not there (moved or deleted?)");
        return QStringLiteral("cannot be read (%1)").arg(errnoReason(errno));
    }
    if (QString type = typeRefusal(status.st_mode); !type.isEmpty())
        return type;
    if (QString size = sizeRefusal(status.st_size, m_limits.maxFileBytes); !size.isEmpty())
        return size;
    if (::access(nameOf(path).c_str(), R_OK) != 0)
        return QStringLiteral("cannot be read (%1)").arg(errnoReason(errno));
    return {};
}

QString AttachmentFileStore::roomRefusal(std::int64_t bytes) const
{
    const std::optional<std::int64_t> free = m_limits.freeBytes(m_folder);
    if (!free || *free >= bytes + kFreeSpaceReserve)
        return {};
    return QStringLiteral("the disk holds %1 free, and the copy needs %2")
        .arg(sizeText(*free), sizeText(bytes + kFreeSpaceReserve));
}

StoredFile AttachmentFileStore::store(const QString& path)
{
    if (const QString reason = refusal(path); !reason.isEmpty())
        throw refused(path, reason);
    // Opened without waiting (a FIFO put in the file's place since the check would block) and
    // judged again by what was opened.
    const FileDescriptor source(
        ::open(nameOf(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    const struct stat status = openedStatus(source.get(), path, m_limits.maxFileBytes);
    if (const QString room = roomRefusal(status.st_size); !room.isEmpty())
        throw refused(path, QStringLiteral("cannot be kept with the item: ") + room);
    const int flags = ::fcntl(source.get(), F_GETFL);
    if (flags >= 0)
        ::fcntl(source.get(), F_SETFL, flags & ~O_NONBLOCK);

    const QString unfinished = m_folder + QLatin1Char('/') + unfinishedName();
    Sha256 hash;
    std::int64_t copied = 0;
    try {
        files::AtomicFile copy(nameOf(unfinished), files::ReadOnlyTarget::Refuse,
                               files::FileAccess::OwnerOnly);
        copied = readBlocks(
            source.get(), path, [&](const char* data, std::size_t size, std::int64_t total) {
                // A file that grows while it is copied is held to the same limit.
                if (const QString tooLarge = sizeRefusal(total, m_limits.maxFileBytes);
                    !tooLarge.isEmpty())
                    throw refused(path, tooLarge);
                hash.add(data, size);
                copy.write(data, size);
            });
        copy.commit();
    } catch (const files::FileError& error) {
        ::unlink(nameOf(unfinished).c_str());
        throw refused(path, QStringLiteral("cannot be kept with the item (%1)")
                                .arg(QString::fromStdString(error.reason())));
    } catch (...) {
        ::unlink(nameOf(unfinished).c_str());
        throw;
    }

    StoredFile stored;
    stored.sha256 = QString::fromStdString(toHex(hash.finish()));
    stored.size = copied;
    // The same bytes are there already: this copy is dropped and the one file serves both.
    if (holds(stored.sha256, copied)) {
        ::unlink(nameOf(unfinished).c_str());
        return stored;
    }
    // A rename replaces whatever is in the way (a damaged file of that name, a link) without
    // following it.
    if (::rename(nameOf(unfinished).c_str(), nameOf(pathOf(stored.sha256)).c_str()) != 0) {
        const int code = errno;
        ::unlink(nameOf(unfinished).c_str());
        throw refused(path,
                      QStringLiteral("cannot be kept with the item (%1)").arg(errnoReason(code)));
    }
    // The rename is on the disk before a record names the file.
    const FileDescriptor folder(
        ::open(nameOf(m_folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0 || ::fsync(folder.get()) != 0) {
        const int code = errno;
        ::unlink(nameOf(pathOf(stored.sha256)).c_str());
        throw refused(path,
                      QStringLiteral("cannot be kept with the item (%1)").arg(errnoReason(code)));
    }
    stored.added = true;
    return stored;
}

StoredFile AttachmentFileStore::adopt(const QString& path)
{
    if (const QString reason = refusal(path); !reason.isEmpty())
        throw refused(path, reason);
    std::optional<StoredFile> stored;
    {
        const FileDescriptor source(::open(
            nameOf(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
        const struct stat status = openedStatus(source.get(), path, m_limits.maxFileBytes);
        Sha256 hash;
        const std::int64_t read = readBlocks(
            source.get(), path,
            [&hash](const char* data, std::size_t size, std::int64_t) { hash.add(data, size); });
        if (read != status.st_size)
            throw refused(path, QStringLiteral("changed while it was read"));
        // Owner-only, as every stored file is.
        if (::fchmod(source.get(), S_IRUSR | S_IWUSR) != 0)
            throw refused(
                path, QStringLiteral("cannot be kept with the item (%1)").arg(errnoReason(errno)));
        stored = StoredFile{QString::fromStdString(toHex(hash.finish())), read, false};
    }
    if (holds(stored->sha256, stored->size)) {
        ::unlink(nameOf(path).c_str());
        return *stored;
    }
    if (::rename(nameOf(path).c_str(), nameOf(pathOf(stored->sha256)).c_str()) != 0) {
        const int code = errno;
        if (code == EXDEV)
            return store(path);
        throw refused(path,
                      QStringLiteral("cannot be kept with the item (%1)").arg(errnoReason(code)));
    }
    stored->added = true;
    return *stored;
}

void AttachmentFileStore::syncFolder() const
{
    const FileDescriptor folder(
        ::open(nameOf(m_folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0 || ::fsync(folder.get()) != 0)
        throw AttachmentError(QStringLiteral("The attachment store %1 cannot be written (%2).")
                                  .arg(m_folder, errnoReason(errno))
                                  .toStdString());
}

QString AttachmentFileStore::pathOf(const QString& sha256) const
{
    if (!isSha256Name(sha256))
        throw AttachmentError("an attachment record names no file of the store (\"" +
                              sha256.left(80).toStdString() + "\")");
    return m_folder + QLatin1Char('/') + sha256;
}

bool AttachmentFileStore::holds(const QString& sha256, std::int64_t size) const
{
    if (!isSha256Name(sha256))
        return false;
    struct stat status
    {
    };
    return ::lstat(nameOf(pathOf(sha256)).c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_size == size;
}

bool AttachmentFileStore::remove(const QString& sha256)
{
    return ::unlink(nameOf(pathOf(sha256)).c_str()) == 0;
}

int AttachmentFileStore::removeUnnamed(const QSet<QString>& named,
                                       std::chrono::system_clock::time_point unfinishedBefore)
{
    const auto limit = std::chrono::system_clock::to_time_t(unfinishedBefore);
    int removed = 0;
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const std::string path = nameOf(m_folder + QLatin1Char('/') + name);
        struct stat status
        {
        };
        if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
            status.st_uid != ::geteuid())
            continue;
        const bool unnamed = isSha256Name(name) && !named.contains(name);
        const bool abandoned = name.startsWith(kUnfinishedPrefix) && status.st_mtime < limit;
        if ((unnamed || abandoned) && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    return removed;
}

} // namespace stowfolio
