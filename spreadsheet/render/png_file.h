#pragma once

#include <QString>

class QImage;

namespace spreadsheet::render {

// Writes `image` as a PNG file, whole or not at all (files::AtomicFile): a failure leaves no
// empty or cut-off picture behind. Throws spreadsheet::Error naming the file and the reason.
void writePngFile(const QImage& image, const QString& path);

} // namespace spreadsheet::render
