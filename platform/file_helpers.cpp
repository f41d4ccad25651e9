#include "platform/file_helpers.h"

#include "spreadsheet/files/atomic_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <stdexcept>

namespace stowfolio {

namespace {

void forceDeleteFile(const QString& path)
{
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner |
                                    QFileDevice::WriteUser);
    QFile::remove(path);
}

} // namespace

bool fileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

void deleteFileQuietly(const QString& path)
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    if (path.isEmpty() || QFile::remove(path))
        return;
    forceDeleteFile(path);
}

void writeBytesToFile(const QByteArray& bytes, const QString& path, ReadOnlyTarget readOnly)
{
    try {
        spreadsheet::files::writeFileAtomically(
            QFile::encodeName(path).toStdString(),
            {reinterpret_cast<const uint8_t*>(bytes.constData()),
             static_cast<size_t>(bytes.size())},
            readOnly);
    } catch (const spreadsheet::files::FileError& error) {
        throw std::runtime_error(
            QStringLiteral("Cannot write %1: %2")
                .arg(QDir::toNativeSeparators(path), QString::fromStdString(error.reason()))
                .toStdString());
    }
}

bool isReadOnlyFile(const QString& path)
{
    return spreadsheet::files::isReadOnlyFile(QFile::encodeName(path).toStdString());
}

QString applicationFolder()
{
    return supportFolder(QCoreApplication::applicationDirPath());
}

QString supportFolder(const QString& executableFolder)
{
    const auto holdsSupportFiles = [](const QString& folder) {
        return QFileInfo::exists(folder + QStringLiteral("/HAND-M.CUR")) ||
               QFileInfo::exists(folder + QStringLiteral("/x/o.cjs"));
    };
    if (holdsSupportFiles(executableFolder))
        return executableFolder;
    const QString installed =
        QDir::cleanPath(executableFolder + QStringLiteral("/../share/stowfolio"));
    return holdsSupportFiles(installed) ? installed : executableFolder;
}

QString picturesFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

} // namespace stowfolio
