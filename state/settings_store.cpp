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

// QSettings accepts almost any bytes as INI; a settings file that is not text at all (a
// truncated copy, another program's binary) is treated as unusable rather than half-read.
QString problemWithContents(const QString& filePath)
{
    QFile file(filePath);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("it cannot be read (%1)").arg(file.errorString());
    const QByteArray bytes = file.readAll();
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

IniSettingsStore::IniSettingsStore()
{
    open(defaultSettingsFilePath());
}

IniSettingsStore::IniSettingsStore(const QString& filePath)
{
    open(filePath);
}

IniSettingsStore::~IniSettingsStore() = default;

void IniSettingsStore::open(const QString& filePath)
{
    m_filePath = filePath;
    QString problem = problemWithContents(filePath);
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
    if (!m_unsaved && stored.typeId() == QMetaType::QString && stored.toString() == value)
        return;
    stored = value;
    m_unsaved = true;
    if (m_unusableFileInPlace)
        throw std::runtime_error(m_openingProblem.toStdString());
    saveFile();
    m_unsaved = false;
}

void IniSettingsStore::saveFile()
{
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    const QByteArray text = iniFileText(m_values);
    try {
        spreadsheet::files::writeFileAtomically(
            QFile::encodeName(m_filePath).toStdString(),
            {reinterpret_cast<const uint8_t*>(text.constData()), static_cast<size_t>(text.size())});
    } catch (const spreadsheet::files::FileError& error) {
        throw std::runtime_error(
            QStringLiteral("The settings file %1 cannot be written: %2.")
                .arg(QDir::toNativeSeparators(m_filePath),
                     QString::fromStdString(spreadsheet::files::describeFileError(error.code())))
                .toStdString());
    }
}

QString IniSettingsStore::filePath() const
{
    return m_filePath;
}

} // namespace stowfolio
