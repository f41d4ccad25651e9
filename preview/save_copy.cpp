#include "preview/save_copy.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <stdexcept>

namespace stowfolio::preview {

namespace {

[[noreturn]] void throwCopyError(const QString& source, const QString& target, const QString& why)
{
    throw std::runtime_error(
        QStringLiteral("The workbook %1 could not be copied to %2: %3")
            .arg(QDir::toNativeSeparators(source), QDir::toNativeSeparators(target), why)
            .toStdString());
}

} // namespace

void copyFileAtomically(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throwCopyError(source, target, in.errorString());
    QSaveFile out(target);
    // Writing into the target itself (the fallback for folders that refuse new files) could leave
    // it half written.
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        throwCopyError(source, target, out.errorString());
    constexpr qint64 kChunk = 1 << 20;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        if (in.error() != QFileDevice::NoError)
            throwCopyError(source, target, in.errorString());
        if (out.write(chunk) != chunk.size())
            throwCopyError(source, target, out.errorString());
    }
    if (!out.commit())
        throwCopyError(source, target, out.errorString());
}

} // namespace stowfolio::preview
