#pragma once

// Photos made in tests and benchmarks: an EXIF block written byte by byte (a little-endian TIFF
// structure with IFD0 and its EXIF sub-IFD), and a JPEG that carries it in an APP1 segment.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <cstdint>
#include <vector>

namespace stowfolio::testing {

struct ExifTags
{
    QByteArray make;
    QByteArray model;
    int orientation = 0; // 0: no Orientation tag
    QByteArray dateTimeOriginal;
};

namespace exif_detail {

inline void put16(QByteArray& bytes, int value)
{
    bytes.append(static_cast<char>(value & 0xff));
    bytes.append(static_cast<char>((value >> 8) & 0xff));
}

inline void put32(QByteArray& bytes, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(static_cast<char>((value >> shift) & 0xff));
}

struct Entry
{
    int tag;
    int type; // 2 ASCII, 3 SHORT, 4 LONG
    QByteArray text;
    std::uint32_t value = 0;
};

// One IFD at `start` (its offset in the TIFF structure) with its strings after it.
inline QByteArray ifd(const std::vector<Entry>& entries, std::uint32_t start)
{
    QByteArray table;
    QByteArray strings;
    const std::uint32_t stringsAt = start + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
    put16(table, static_cast<int>(entries.size()));
    for (const Entry& entry : entries) {
        put16(table, entry.tag);
        put16(table, entry.type);
        if (entry.type == 2) {
            const QByteArray text = entry.text + '\0';
            put32(table, static_cast<std::uint32_t>(text.size()));
            if (text.size() <= 4) {
                table.append(text.leftJustified(4, '\0'));
            } else {
                put32(table, stringsAt + static_cast<std::uint32_t>(strings.size()));
                strings.append(text);
            }
        } else {
            put32(table, 1);
            if (entry.type == 3) {
                put16(table, static_cast<int>(entry.value));
                put16(table, 0);
            } else {
                put32(table, entry.value);
            }
        }
    }
    put32(table, 0); // no next IFD
    return table + strings;
}

} // namespace exif_detail

// "Exif\0\0" and the TIFF structure holding `tags` (each left out when empty or 0).
inline QByteArray exifBlock(const ExifTags& tags)
{
    using exif_detail::Entry;
    std::vector<Entry> first;
    if (!tags.make.isEmpty())
        first.push_back({0x010f, 2, tags.make});
    if (!tags.model.isEmpty())
        first.push_back({0x0110, 2, tags.model});
    if (tags.orientation != 0)
        first.push_back({0x0112, 3, {}, static_cast<std::uint32_t>(tags.orientation)});
    const bool hasExifIfd = !tags.dateTimeOriginal.isEmpty();
    if (hasExifIfd)
        first.push_back({0x8769, 4, {}, 0}); // its offset is set below
    QByteArray tiff("II*\0", 4);
    exif_detail::put32(tiff, 8);
    QByteArray ifd0 = exif_detail::ifd(first, 8);
    if (hasExifIfd) {
        const std::uint32_t exifAt = 8 + static_cast<std::uint32_t>(ifd0.size());
        first.back().value = exifAt;
        ifd0 = exif_detail::ifd(first, 8);
        tiff += ifd0;
        tiff += exif_detail::ifd({{0x9003, 2, tags.dateTimeOriginal}}, exifAt);
    } else {
        tiff += ifd0;
    }
    return QByteArray("Exif\0\0", 6) + tiff;
}

inline QByteArray jpegBytes(const QImage& image, int quality = 90)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// `jpeg` with an APP1 segment holding `exif` right after its start-of-image marker.
inline QByteArray withExif(const QByteArray& jpeg, const QByteArray& exif)
{
    QByteArray segment("\xff\xe1", 2);
    const int length = static_cast<int>(exif.size()) + 2;
    segment.append(static_cast<char>(length >> 8));
    segment.append(static_cast<char>(length & 0xff));
    segment += exif;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// A picture with something in it: a gradient, wider than tall.
inline QImage testPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    return image;
}

} // namespace stowfolio::testing
