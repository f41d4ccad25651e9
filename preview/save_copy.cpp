#include "preview/save_copy.h"

#include "spreadsheet/files/atomic_file.h"

#include <QDir>
#include <QFile>

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

void copyFileAtomically(const QString& source, const QString& target,
                        spreadsheet::files::ReadOnlyTarget readOnly)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throwCopyError(source, target, in.errorString());
    try {
        spreadsheet::files::AtomicFile out(QFile::encodeName(target).toStdString(), readOnly);
        constexpr qint64 kChunk = 1 << 20;
        while (!in.atEnd()) {
            const QByteArray chunk = in.read(kChunk);
            if (in.error() != QFileDevice::NoError)
                throwCopyError(source, target, in.errorString());
            out.write(chunk.constData(), static_cast<size_t>(chunk.size()));
        }
        out.commit();
    } catch (const spreadsheet::files::FileError& error) {
        throwCopyError(source, target, QString::fromStdString(error.reason()));
    }
}

} // namespace stowfolio::preview
