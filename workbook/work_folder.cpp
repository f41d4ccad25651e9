#include "workbook/work_folder.h"

#include "spreadsheet/model/error.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stowfolio {

namespace {

[[noreturn]] void fail(const QString& message)
{
    throw spreadsheet::Error(message.toStdString());
}

// The start of every work folder's name; removeAbandonedWorkFolders() goes by it.
constexpr QLatin1String kWorkFolderPrefix("stowfolio-work-");

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

QString workFolderParent()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat info
    {
    };
    // The folder the desktop makes for the user's running programs: his alone (0700) and
    // emptied when he logs out. Anything else under that name is not used.
    if (runtime.startsWith('/') && ::stat(runtime.constData(), &info) == 0 &&
        S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0 &&
        ::access(runtime.constData(), W_OK | X_OK) == 0)
        return QFile::decodeName(runtime);
    return temporaryFolder();
}

WorkFolder::WorkFolder(const QString& parent)
{
    QByteArray pattern = QFile::encodeName(
        QDir(parent).filePath(QString(kWorkFolderPrefix) + QStringLiteral("XXXXXX")));
    // mkdtemp makes a new folder, owner-only, under a name nobody had: nothing someone else
    // put in the temporary folder can stand in for it.
    if (!::mkdtemp(pattern.data()))
        fail(QStringLiteral("Cannot create a work folder in %1: %2")
                 .arg(parent, QString::fromLocal8Bit(std::strerror(errno))));
    m_path = QFile::decodeName(pattern);
    m_lockFd = ::open(pattern.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (m_lockFd < 0 || ::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (m_lockFd >= 0)
            ::close(m_lockFd);
        ::rmdir(pattern.constData());
        fail(QStringLiteral("Cannot lock the work folder %1: %2")
                 .arg(m_path, QString::fromLocal8Bit(std::strerror(error))));
    }
}

WorkFolder::~WorkFolder()
{
    QDir(m_path).removeRecursively();
    ::close(m_lockFd);
}

bool isWorkFolderName(const QString& name)
{
    static const QRegularExpression kName(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(QString(kWorkFolderPrefix)) + QStringLiteral("[A-Za-z0-9]{6}")));
    return kName.match(name).hasMatch();
}

int removeAbandonedWorkFolders(const QString& parent, const QDateTime& startedAt)
{
    const qint64 startedMs = startedAt.toMSecsSinceEpoch();
    int removed = 0;
    const QStringList names =
        QDir(parent).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!isWorkFolderName(name))
            continue;
        const QString path = QDir(parent).filePath(name);
        // Everything below is asked of the folder opened here, so nothing can be swapped in
        // between the checks and the removal's lock.
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info
        {
        };
        const bool ours = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) &&
                          info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
        const qint64 changedMs =
            qint64(info.st_mtim.tv_sec) * 1000 + qint64(info.st_mtim.tv_nsec) / 1000000;
        // A run that still lives holds the lock; a folder changed since we started may be one
        // that is being made right now.
        if (ours && changedMs < startedMs && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            QDir(path).removeRecursively())
            ++removed;
        ::close(fd);
    }
    return removed;
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
