#include "state/settings_store.h"

#include "spreadsheet/files/atomic_file.h"
#include "state/ini_text.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QVariant>

#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace stowfolio {

namespace {

const QString kOrganisation = QStringLiteral("Quillane");
const QString kApplication = QStringLiteral("Quillane");
const QString kSection = QStringLiteral("Stowfolio");

QString tooLarge(qint64 size, qint64 largestFile)
{
    return QStringLiteral("it is %L1 bytes, larger than any settings file Stowfolio writes "
                          "(%L2 bytes)")
        .arg(size)
        .arg(largestFile);
}

// Why the file could not be read, from the errno of the call that failed.
QString readFailure(int code)
{
    if (code == EACCES || code == EPERM)
        return QStringLiteral("permission denied: it belongs to another user or is not "
                              "readable for you");
    return QString::fromLocal8Bit(std::strerror(code));
}

// What was found at the settings file's place. Only a file that was read and found damaged may
// ever be moved aside; one that cannot be read may be perfectly good (another user's, a
// permission changed by mistake, a disk that failed once) and is never touched.
struct FileCheck
{
    enum class Kind
    {
        Usable,     // a text file to read, or no file yet
        Unreadable, // there, but it cannot be read: left alone
        Damaged     // read, and not a settings file Stowfolio could have written
    };
    Kind kind = Kind::Usable;
    QString reason; // "it is not valid UTF-8 text"
};

// QSettings accepts almost any bytes as INI; a settings file that is not text at all (a
// truncated copy, another program's binary) is treated as damaged rather than half-read. So is
// one too large to be ours, told by its size before anything of it is read.
FileCheck checkFile(const QString& filePath, qint64 largestFile)
{
    using Kind = FileCheck::Kind;
    const QByteArray name = QFile::encodeName(filePath);
    struct stat info
    {
    };
    if (::stat(name.constData(), &info) != 0) {
        // No file yet; a plain file where a folder of the path should be holds none either, and
        // the first write says why it cannot make one.
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        return {Kind::Unreadable, readFailure(errno)};
    }
    if (S_ISDIR(info.st_mode))
        return {Kind::Unreadable, QStringLiteral("it is a folder, not a file")};
    // Never opened: a named pipe would wait for a writer, a device would give anything.
    if (!S_ISREG(info.st_mode))
        return {Kind::Unreadable, QStringLiteral("it is not a plain file (a device, a named pipe "
                                                 "or a socket is in its place)")};
    if (info.st_size > largestFile)
        return {Kind::Damaged, tooLarge(info.st_size, largestFile)};
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {Kind::Unreadable, readFailure(errno)};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {Kind::Unreadable, file.errorString()};
    }
    // At most one byte past the bound, should the file have grown since its size was taken.
    const QByteArray bytes = file.read(largestFile + 1);
    if (file.error() != QFileDevice::NoError)
        return {Kind::Unreadable, file.errorString()};
    if (bytes.size() > largestFile)
        return {Kind::Damaged, tooLarge(bytes.size(), largestFile)};
    if (bytes.contains('\0'))
        return {Kind::Damaged, QStringLiteral("it is not a text file")};
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return {Kind::Damaged, QStringLiteral("it is not valid UTF-8 text")};
    return {};
}

FileCheck describeStatus(QSettings::Status status)
{
    switch (status) {
    case QSettings::NoError:
        return {};
    case QSettings::AccessError:
        return {FileCheck::Kind::Unreadable, QStringLiteral("it cannot be accessed")};
    case QSettings::FormatError:
        return {FileCheck::Kind::Damaged, QStringLiteral("it is not a valid settings file")};
    }
    return {FileCheck::Kind::Unreadable, QStringLiteral("it cannot be used")};
}

// Makes the settings folder owner-only when it is made; one that is there is left as it is.
// Its parents (the user's configuration folder) are made as usual.
void makeSettingsFolder(const QString& folder)
{
    const QByteArray name = QFile::encodeName(folder);
    struct stat info
    {
    };
    if (::stat(name.constData(), &info) == 0)
        return;
    QDir().mkpath(QFileInfo(folder).absolutePath());
    // A failure shows when the file is written into it.
    static_cast<void>(::mkdir(name.constData(), 0700));
}

// A stored value as text. Hand-edited files can hold values QSettings reads as other types:
// a list ("a, b") is joined back, numbers and byte arrays become their text, anything else
// (a rectangle, an unknown variant) reads as absent.
std::optional<QString> valueAsText(const QVariant& value)
{
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    if (value.canConvert<QString>())
        return value.toString();
    return std::nullopt;
}

} // namespace

// Where QSettings puts the INI file of organisation "Quillane", application "Quillane" in the
// user scope. Computed without opening a QSettings on it: QSettings caches a parsed file, and a
// second reader would no longer see that the file was malformed.
QString defaultSettingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + kOrganisation + QLatin1Char('/') + kApplication +
           QStringLiteral(".ini");
}

QString userFoldersProblem()
{
    if (!qEnvironmentVariableIsEmpty("HOME"))
        return {};
    QStringList missing;
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        if (qEnvironmentVariableIsEmpty(variable))
            missing << QString::fromLatin1(variable);
    if (missing.isEmpty())
        return {};
    return QStringLiteral("neither HOME nor %1 is set, so there is no folder of yours to keep "
                          "the settings and the inventory in (they would go under the root "
                          "folder); set HOME to your home folder")
        .arg(missing.join(QStringLiteral(" nor ")));
}

IniSettingsStore::IniSettingsStore(DamagedFile damaged)
    : IniSettingsStore(defaultSettingsFilePath(), kLargestFile, damaged)
{
}

IniSettingsStore::IniSettingsStore(const QString& filePath, qint64 largestFile, DamagedFile damaged)
    : m_largestFile(largestFile), m_reportReceiver(std::make_unique<QObject>())
{
    open(filePath, damaged);
}

IniSettingsStore::~IniSettingsStore()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    // The writer thread writes the copy still waiting before it ends.
    if (m_writer.joinable())
        m_writer.join();
}

void IniSettingsStore::open(const QString& filePath, DamagedFile damaged)
{
    m_filePath = filePath;
    FileCheck check = checkFile(filePath, m_largestFile);
    if (check.kind == FileCheck::Kind::Usable) {
        QSettings file(filePath, QSettings::IniFormat);
        const QStringList keys = file.allKeys(); // QSettings parses lazily
        check = describeStatus(file.status());
        if (check.kind == FileCheck::Kind::Usable)
            for (const QString& key : keys)
                m_values.insert(key, file.value(key));
    }
    switch (check.kind) {
    case FileCheck::Kind::Usable:
        break;
    case FileCheck::Kind::Unreadable:
        m_unusableFileInPlace = true;
        m_openingProblem = QStringLiteral("The saved settings in %1 cannot be read: %2. Nothing "
                                          "will be saved over the file in this session.")
                               .arg(QDir::toNativeSeparators(filePath), check.reason);
        break;
    case FileCheck::Kind::Damaged:
        if (damaged == DamagedFile::SetAside)
            setAsideUnusableFile(filePath, check.reason);
        else
            keepUnusableFile(filePath, check.reason);
        break;
    }
}

void IniSettingsStore::keepUnusableFile(const QString& filePath, const QString& reason)
{
    m_unusableFileInPlace = true;
    m_openingProblem = QStringLiteral("The saved settings in %1 cannot be used because %2. The "
                                      "file was left as it is; start Stowfolio's window to set "
                                      "it aside and start afresh.")
                           .arg(QDir::toNativeSeparators(filePath), reason);
}

void IniSettingsStore::setAsideUnusableFile(const QString& filePath, const QString& reason)
{
    const QString copyPath =
        filePath + QStringLiteral(".unreadable-") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    m_unusableFileInPlace = !QFile::rename(filePath, copyPath);
    m_openingProblem =
        QStringLiteral("The saved settings in %1 could not be used because %2. Stowfolio starts "
                       "with empty fields and an empty list.")
            .arg(QDir::toNativeSeparators(filePath), reason);
    if (m_unusableFileInPlace)
        m_openingProblem += QStringLiteral(" The file could not be moved aside, so nothing will "
                                           "be saved over it in this session.");
    else
        m_openingProblem += QStringLiteral(" The old file has been kept as %1.")
                                .arg(QDir::toNativeSeparators(copyPath));
}

QString IniSettingsStore::read(const QString& key, const QString& defaultValue) const
{
    return valueAsText(m_values.value(kSection + QLatin1Char('/') + key)).value_or(defaultValue);
}

void IniSettingsStore::write(const QString& key, const QString& value)
{
    QVariant& stored = m_values[kSection + QLatin1Char('/') + key];
    // The same text is on disk already (start-up sets every field to its stored value, and
    // each such change saves it); rewriting a file that holds a long list would only cost time.
    if (!hasUnsavedChanges() && stored.typeId() == QMetaType::QString && stored.toString() == value)
        return;
    stored = value;
    ++m_version;
    if (m_unusableFileInPlace)
        throw std::runtime_error(m_openingProblem.toStdString());
    {
        // A copy not yet taken is replaced: the writer thread writes only the latest values.
        // The copy shares the texts with m_values, so handing it over costs no copying of them.
        const std::lock_guard lock(m_mutex);
        m_handed = m_values;
        m_handedVersion = m_version;
    }
    m_changed.notify_all();
    if (!m_writer.joinable())
        m_writer = std::thread([this] { writeHandedValues(); });
}

void IniSettingsStore::flush()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_handed && !m_writing; });
    m_outcomeUntold = false;
    if (m_storedVersion == m_version)
        return;
    throw std::runtime_error(
        (m_unusableFileInPlace ? m_openingProblem : m_lastFailure).toStdString());
}

bool IniSettingsStore::hasUnsavedChanges() const
{
    const std::lock_guard lock(m_mutex);
    return m_storedVersion != m_version;
}

void IniSettingsStore::setOutcomeHandler(OutcomeHandler handler)
{
    m_outcomeHandler = std::move(handler);
}

void IniSettingsStore::writeHandedValues()
{
    for (;;) {
        QMap<QString, QVariant> values;
        quint64 version = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_handed || m_stopping; });
            if (!m_handed)
                return;
            values = std::move(*m_handed);
            m_handed.reset();
            version = m_handedVersion;
            m_writing = true;
        }
        QString failure;
        try {
            saveFile(values);
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
        // The copy's last share of a long list is let go here, not under the lock.
        values = {};
        {
            const std::lock_guard lock(m_mutex);
            m_writing = false;
            if (failure.isEmpty())
                m_storedVersion = version;
            m_lastFailure = failure;
            m_outcomeUntold = true;
            // Queued under the lock: once flush() has returned, every report of a write it
            // waited for is queued already, and finds the outcome told.
            QMetaObject::invokeMethod(
                m_reportReceiver.get(), [this] { reportOutcome(); }, Qt::QueuedConnection);
        }
        m_changed.notify_all();
    }
}

void IniSettingsStore::reportOutcome()
{
    QString failure;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_outcomeUntold)
            return;
        // A write that succeeded while later values wait is not yet an outcome: theirs is.
        if (m_storedVersion != m_version && m_lastFailure.isEmpty())
            return;
        m_outcomeUntold = false;
        failure = m_lastFailure;
    }
    if (m_outcomeHandler)
        m_outcomeHandler(failure);
}

void IniSettingsStore::saveFile(const QMap<QString, QVariant>& values) const
{
    const auto cannotWrite = [this](const QString& reason) {
        return std::runtime_error(QStringLiteral("The settings file %1 cannot be written: %2.")
                                      .arg(QDir::toNativeSeparators(m_filePath), reason)
                                      .toStdString());
    };
    const QByteArray text = iniFileText(values);
    // Never a file the store could not read back at the next start.
    if (text.size() > m_largestFile)
        throw cannotWrite(QStringLiteral("it would be %L1 bytes, more than the %L2 a settings "
                                         "file may hold")
                              .arg(text.size())
                              .arg(m_largestFile));
    makeSettingsFolder(QFileInfo(m_filePath).absolutePath());
    // The settings have always been kept whatever the file's permissions: they are the
    // program's own file, not one the user chose to save to. They are the owner's alone.
    try {
        spreadsheet::files::writeFileAtomically(
            QFile::encodeName(m_filePath).toStdString(),
            {reinterpret_cast<const uint8_t*>(text.constData()), static_cast<size_t>(text.size())},
            spreadsheet::files::ReadOnlyTarget::Replace, spreadsheet::files::FileAccess::OwnerOnly);
    } catch (const spreadsheet::files::FileError& error) {
        throw cannotWrite(QString::fromStdString(error.reason()));
    }
}

QString IniSettingsStore::filePath() const
{
    return m_filePath;
}

} // namespace stowfolio
