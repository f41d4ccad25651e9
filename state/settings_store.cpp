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

#include <optional>
#include <stdexcept>

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

// QSettings accepts almost any bytes as INI; a settings file that is not text at all (a
// truncated copy, another program's binary) is treated as unusable rather than half-read. So is
// one too large to be ours, told by its size before anything of it is read.
QString problemWithContents(const QString& filePath, qint64 largestFile)
{
    QFile file(filePath);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("it cannot be read (%1)").arg(file.errorString());
    if (file.size() > largestFile)
        return tooLarge(file.size(), largestFile);
    // At most one byte past the bound, should the file have grown since its size was taken.
    const QByteArray bytes = file.read(largestFile + 1);
    if (bytes.size() > largestFile)
        return tooLarge(bytes.size(), largestFile);
    if (bytes.contains('\0'))
        return QStringLiteral("it is not a text file");
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QStringLiteral("it is not valid UTF-8 text");
    return {};
}

QString describeStatus(QSettings::Status status)
{
    switch (status) {
    case QSettings::NoError:
        return {};
    case QSettings::AccessError:
        return QStringLiteral("it cannot be accessed");
    case QSettings::FormatError:
        return QStringLiteral("it is not a valid settings file");
    }
    return QStringLiteral("it cannot be used");
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

IniSettingsStore::IniSettingsStore() : IniSettingsStore(defaultSettingsFilePath()) {}

IniSettingsStore::IniSettingsStore(const QString& filePath, qint64 largestFile)
    : m_largestFile(largestFile), m_reportReceiver(std::make_unique<QObject>())
{
    open(filePath);
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

void IniSettingsStore::open(const QString& filePath)
{
    m_filePath = filePath;
    QString problem = problemWithContents(filePath, m_largestFile);
    if (problem.isEmpty()) {
        QSettings file(filePath, QSettings::IniFormat);
        const QStringList keys = file.allKeys(); // QSettings parses lazily
        problem = describeStatus(file.status());
        if (problem.isEmpty())
            for (const QString& key : keys)
                m_values.insert(key, file.value(key));
    }
    if (!problem.isEmpty())
        setAsideUnusableFile(filePath, problem);
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
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    // The settings have always been kept whatever the file's permissions: they are the
    // program's own file, not one the user chose to save to.
    try {
        spreadsheet::files::writeFileAtomically(
            QFile::encodeName(m_filePath).toStdString(),
            {reinterpret_cast<const uint8_t*>(text.constData()), static_cast<size_t>(text.size())},
            spreadsheet::files::ReadOnlyTarget::Replace);
    } catch (const spreadsheet::files::FileError& error) {
        throw cannotWrite(QString::fromStdString(error.reason()));
    }
}

QString IniSettingsStore::filePath() const
{
    return m_filePath;
}

} // namespace stowfolio
