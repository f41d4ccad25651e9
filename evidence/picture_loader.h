#pragma once

// A stored picture as an image of a requested size, the right way up: for thumbnails, the
// details window and the report. JPEG, PNG and GIF are read by Qt (a JPEG is decoded at a
// reduced scale straight from its data, so a thumbnail of a 12-megapixel photo never holds the
// whole image); HEIF/HEIC, as phones write it, by libheif. The EXIF orientation of a JPEG is
// applied; a HEIF carries its rotation in its own boxes, which libheif applies.

#include "evidence/picture_facts.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace stowfolio {

// The format of the file at `path`, from its first bytes (Other when it cannot be read).
PictureFormat pictureFormatOfFile(const QString& path);

// True for the formats loadPicture() reads.
inline bool isReadablePicture(PictureFormat format)
{
    return format != PictureFormat::Other;
}

// The size of the picture at `path` as stored, from its header and boxes only: nothing is
// decoded, so it is quick, and a file that fails here is one loadPicture() would refuse too.
// Throws AttachmentError naming `name` when it is not a picture this program reads, its header
// is damaged or it is larger than loadPicture() reads.
QSize storedPictureSize(const QString& path, const QString& name);

// The picture at `path` scaled to fit within `bounds` (never enlarged; the whole picture when
// `bounds` is empty), the right way up. Throws AttachmentError naming `name` (what the user
// knows the file as) when the file is not a picture this program reads or is damaged.
QImage loadPicture(const QString& path, const QSize& bounds, const QString& name);

} // namespace stowfolio
