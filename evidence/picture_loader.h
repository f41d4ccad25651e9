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

// The picture at `path` scaled to fit within `bounds` (never enlarged; the whole picture when
// `bounds` is empty), the right way up. Throws AttachmentError naming `name` (what the user
// knows the file as) when the file is not a picture this program reads or is damaged.
QImage loadPicture(const QString& path, const QSize& bounds, const QString& name);

// Reads only the header of the picture at `path` (its size, without decoding the pixels): cheap
// enough for thousands of photos. Throws AttachmentError naming `name` as loadPicture() does
// when the file is not a picture this program reads, its header is damaged, or it is too large.
void checkPictureHeader(const QString& path, const QString& name);

} // namespace stowfolio
