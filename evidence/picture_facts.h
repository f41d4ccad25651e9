#pragma once

// What a photo says about itself: when it was taken, with which camera, and which way up it is
// shown (EXIF DateTimeOriginal, Make and Model, Orientation). Read from JPEG files (the EXIF
// block in an APP1 segment before the image data) and from HEIF/HEIC files, as phones write
// them (the primary image's "Exif" metadata item, read through libheif).
//
// The bytes are hostile: every length is checked before it is used, libexif is handed one
// bounded block and asked only for three tags, and a block it cannot read gives no facts rather
// than an error. No Qt here, so the fuzzer (fuzz/picture_facts_fuzzer.cpp) builds it alone.

#include <cstdint>
#include <span>
#include <string>

namespace stowfolio {

enum class PictureFormat
{
    Other,
    Jpeg,
    Png,
    Gif,
    Heif
};

// The format the first bytes of a file announce (16 are enough).
PictureFormat pictureFormatOf(std::span<const std::uint8_t> head);

struct PictureFacts
{
    std::string taken;   // ISO 8601 local time, "2024-05-01T14:03:22", or empty
    std::string camera;  // "Canon EOS 80D", or empty
    int orientation = 1; // EXIF orientation, 1 to 8 (1: as stored)
};

// The facts of an EXIF block: "Exif\0\0" and a TIFF structure, or the TIFF structure alone.
PictureFacts exifFacts(std::span<const std::uint8_t> block);

// The EXIF block of a JPEG: the payload of its first APP1 segment that starts "Exif\0\0",
// looked for among the segments before the image data. Empty when there is none.
std::span<const std::uint8_t> jpegExifBlock(std::span<const std::uint8_t> jpeg);

// The facts of a whole picture file in memory, JPEG or HEIF; none for other formats.
PictureFacts pictureFacts(std::span<const std::uint8_t> bytes);

// The facts of the picture file at `path` (a UTF-8 path); reads only what it needs (a JPEG's
// first segments; a HEIF's boxes and its EXIF item). A file that cannot be read gives none.
PictureFacts pictureFactsOfFile(const std::string& path);

} // namespace stowfolio
