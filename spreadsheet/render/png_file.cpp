#include "spreadsheet/render/png_file.h"

#include "spreadsheet/files/atomic_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageWriter>

namespace spreadsheet::render {

void writePngFile(const QImage& image, const QString& path)
{
    // Encoded in memory first: Qt's image writer does not report a failed final write.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (image.isNull() || !writer.write(image))
        throw Error(
            path.toStdString() + ": cannot make the picture (" +
            (image.isNull() ? std::string("it is empty") : writer.errorString().toStdString()) +
            ")");
    files::writeFileAtomically(
        QFile::encodeName(path).toStdString(),
        {reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())});
}

} // namespace spreadsheet::render
