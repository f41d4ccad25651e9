#include "platform/file_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace stowfolio {

namespace {

void ForceDeleteFile(const QString& path)
{
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner |
                                    QFileDevice::WriteUser);
    QFile::remove(path);
}

} // namespace

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

void DeleteFileSafe(const QString& path)
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    if (path.isEmpty() || QFile::remove(path))
        return;
    ForceDeleteFile(path);
}

void WriteBytesToFile(const QByteArray& bytes, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(QStringLiteral("Cannot write %1: %2")
                                     .arg(QDir::toNativeSeparators(path), file.errorString())
                                     .toStdString());
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw std::runtime_error(QStringLiteral("Cannot write %1: %2")
                                     .arg(QDir::toNativeSeparators(path), file.errorString())
                                     .toStdString());
}

QString applicationFolder()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace stowfolio
