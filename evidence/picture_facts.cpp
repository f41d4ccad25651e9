#include "evidence/picture_facts.h"

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>
#include <libheif/heif.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace stowfolio {

namespace {

constexpr std::array<std::uint8_t, 6> kExifHeader = {'E', 'x', 'i', 'f', 0, 0};

// An EXIF block larger than this is not read: a JPEG segment holds at most 64 KB, and a phone's
// HEIC block is of that order too.
constexpr std::size_t kMaxExifBytes = std::size_t{1} << 20;
// How much of a JPEG file is read to find its EXIF segment: it comes first or nearly first.
constexpr std::size_t kJpegHeadBytes = std::size_t{1} << 20;
// The longest text kept from a tag.
constexpr std::size_t kMaxTagText = 200;

bool startsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> prefix)
{
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

bool isTiffHeader(std::span<const std::uint8_t> bytes)
{
    static constexpr std::array<std::uint8_t, 4> little = {'I', 'I', 42, 0};
    static constexpr std::array<std::uint8_t, 4> big = {'M', 'M', 0, 42};
    return startsWith(bytes, little) || startsWith(bytes, big);
}

// An ASCII tag's text: printable characters only, trailing NULs and spaces dropped.
std::string tagText(ExifContent* content, ExifTag tag)
{
    ExifEntry* entry = content ? exif_content_get_entry(content, tag) : nullptr;
    if (!entry || entry->format != EXIF_FORMAT_ASCII || !entry->data)
        return {};
    std::string text;
    const std::size_t size = std::min<std::size_t>(entry->size, kMaxTagText);
    for (std::size_t i = 0; i < size && entry->data[i] != 0; ++i) {
        const unsigned char c = entry->data[i];
        text += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    while (!text.empty() && text.front() == ' ')
        text.erase(text.begin());
    return text;
}

// "2024:05:01 14:03:22" as "2024-05-01T14:03:22"; anything else (a camera that never had its
// clock set writes zeros or blanks) as nothing.
std::string isoDateTime(const std::string& exif)
{
    static constexpr char kShape[] = "dddd:dd:dd dd:dd:dd";
    if (exif.size() < sizeof kShape - 1)
        return {};
    for (std::size_t i = 0; i + 1 < sizeof kShape; ++i) {
        const char want = kShape[i];
        const char c = exif[i];
        if (want == 'd' ? (c < '0' || c > '9') : c != want)
            return {};
    }
    const int month = (exif[5] - '0') * 10 + (exif[6] - '0');
    const int day = (exif[8] - '0') * 10 + (exif[9] - '0');
    const int hour = (exif[11] - '0') * 10 + (exif[12] - '0');
    const int minute = (exif[14] - '0') * 10 + (exif[15] - '0');
    const int second = (exif[17] - '0') * 10 + (exif[18] - '0');
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return {};
    std::string iso = exif.substr(0, 19);
    iso[4] = '-';
    iso[7] = '-';
    iso[10] = 'T';
    return iso;
}

// "Canon" and "Canon EOS 80D" make "Canon EOS 80D", not "Canon Canon EOS 80D".
std::string cameraName(const std::string& make, const std::string& model)
{
    if (make.empty())
        return model;
    if (model.empty())
        return make;
    if (model.size() >= make.size() &&
        std::equal(make.begin(), make.end(), model.begin(),
                   [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
        return model;
    return make + ' ' + model;
}

struct ExifDataFree
{
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

struct HeifContextFree
{
    void operator()(heif_context* context) const { heif_context_free(context); }
};

struct HeifHandleFree
{
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};

void initHeif()
{
    // Counted by libheif; held for the life of the process.
    static const bool done = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)done;
}

// The primary image's EXIF block of a read HEIF context, as a TIFF structure. A HEIF EXIF item
// starts with a 4-byte big-endian offset from its end to the TIFF header.
std::vector<std::uint8_t> heifExifBlock(heif_context* context)
{
    heif_image_handle* raw = nullptr;
    if (heif_context_get_primary_image_handle(context, &raw).code != heif_error_Ok || !raw)
        return {};
    const std::unique_ptr<heif_image_handle, HeifHandleFree> handle(raw);
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), "Exif", &id, 1) < 1)
        return {};
    const std::size_t size = heif_image_handle_get_metadata_size(handle.get(), id);
    if (size < 4 || size > kMaxExifBytes)
        return {};
    std::vector<std::uint8_t> block(size);
    if (heif_image_handle_get_metadata(handle.get(), id, block.data()).code != heif_error_Ok)
        return {};
    const std::uint32_t offset = (std::uint32_t{block[0]} << 24) | (std::uint32_t{block[1]} << 16) |
                                 (std::uint32_t{block[2]} << 8) | std::uint32_t{block[3]};
    if (offset > size - 4)
        return {};
    return std::vector<std::uint8_t>(block.begin() + 4 + offset, block.end());
}

PictureFacts heifFacts(heif_context* context)
{
    const std::vector<std::uint8_t> block = heifExifBlock(context);
    PictureFacts facts = exifFacts(block);
    // libheif shows a HEIF the right way up from its own boxes (irot, imir); the EXIF
    // orientation repeats them and is not applied a second time.
    facts.orientation = 1;
    return facts;
}

std::vector<std::uint8_t> readHead(std::FILE* file, std::size_t limit)
{
    std::vector<std::uint8_t> head(limit);
    head.resize(std::fread(head.data(), 1, limit, file));
    return head;
}

// The facts of the HEIF file that `read` loads into a new libheif context; none when it cannot.
template <typename Read>
PictureFacts heifFactsOf(Read read)
{
    initHeif();
    const std::unique_ptr<heif_context, HeifContextFree> context(heif_context_alloc());
    if (!context || read(context.get()).code != heif_error_Ok)
        return {};
    return heifFacts(context.get());
}

} // namespace

PictureFormat pictureFormatOf(std::span<const std::uint8_t> head)
{
    static constexpr std::array<std::uint8_t, 3> jpeg = {0xff, 0xd8, 0xff};
    static constexpr std::array<std::uint8_t, 8> png = {0x89, 'P',  'N',  'G',
                                                        '\r', '\n', 0x1a, '\n'};
    static constexpr std::array<std::uint8_t, 4> gif = {'G', 'I', 'F', '8'};
    if (startsWith(head, jpeg))
        return PictureFormat::Jpeg;
    if (startsWith(head, png))
        return PictureFormat::Png;
    if (startsWith(head, gif))
        return PictureFormat::Gif;
    if (head.size() >= 12) {
        initHeif();
        const heif_filetype_result heif = heif_check_filetype(
            head.data(), static_cast<int>(std::min<std::size_t>(head.size(), 64)));
        if (heif == heif_filetype_yes_supported || heif == heif_filetype_yes_unsupported)
            return PictureFormat::Heif;
    }
    return PictureFormat::Other;
}

PictureFacts exifFacts(std::span<const std::uint8_t> block)
{
    if (block.size() > kMaxExifBytes)
        return {};
    std::vector<std::uint8_t> data;
    if (startsWith(block, kExifHeader)) {
        data.assign(block.begin(), block.end());
    } else if (isTiffHeader(block)) {
        data.assign(kExifHeader.begin(), kExifHeader.end());
        data.insert(data.end(), block.begin(), block.end());
    } else {
        return {};
    }
    const std::unique_ptr<ExifData, ExifDataFree> exif(exif_data_new());
    if (!exif)
        return {};
    // Read the block as it is: following the standard would make libexif add the tags a
    // camera left out, a date taken of "now" among them.
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(exif.get(), data.data(), static_cast<unsigned int>(data.size()));

    PictureFacts facts;
    facts.taken = isoDateTime(tagText(exif->ifd[EXIF_IFD_EXIF], EXIF_TAG_DATE_TIME_ORIGINAL));
    facts.camera = cameraName(tagText(exif->ifd[EXIF_IFD_0], EXIF_TAG_MAKE),
                              tagText(exif->ifd[EXIF_IFD_0], EXIF_TAG_MODEL));
    if (ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
        entry && entry->format == EXIF_FORMAT_SHORT && entry->data && entry->size >= 2) {
        const int orientation = exif_get_short(entry->data, exif_data_get_byte_order(exif.get()));
        if (orientation >= 1 && orientation <= 8)
            facts.orientation = orientation;
    }
    return facts;
}

std::span<const std::uint8_t> jpegExifBlock(std::span<const std::uint8_t> jpeg)
{
    if (jpeg.size() < 4 || jpeg[0] != 0xff || jpeg[1] != 0xd8)
        return {};
    std::size_t at = 2;
    while (at + 1 < jpeg.size()) {
        if (jpeg[at] != 0xff)
            return {};
        // Fill bytes: any number of 0xff before a marker.
        while (at + 1 < jpeg.size() && jpeg[at + 1] == 0xff)
            ++at;
        if (at + 1 >= jpeg.size())
            return {};
        const std::uint8_t marker = jpeg[at + 1];
        at += 2;
        // The image data begins, or the image ends: no EXIF comes after.
        if (marker == 0xda || marker == 0xd9)
            return {};
        // Markers without a length.
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7))
            continue;
        if (at + 2 > jpeg.size())
            return {};
        const std::size_t length = (std::size_t{jpeg[at]} << 8) | jpeg[at + 1];
        if (length < 2 || at + length > jpeg.size())
            return {};
        const std::span<const std::uint8_t> payload = jpeg.subspan(at + 2, length - 2);
        if (marker == 0xe1 && startsWith(payload, kExifHeader))
            return payload;
        at += length;
    }
    return {};
}

PictureFacts pictureFacts(std::span<const std::uint8_t> bytes)
{
    switch (pictureFormatOf(bytes.first(std::min<std::size_t>(bytes.size(), 64)))) {
    case PictureFormat::Jpeg:
        return exifFacts(jpegExifBlock(bytes));
    case PictureFormat::Heif:
        return heifFactsOf([&](heif_context* context) {
            return heif_context_read_from_memory_without_copy(context, bytes.data(), bytes.size(),
                                                              nullptr);
        });
    case PictureFormat::Png:
    case PictureFormat::Gif:
    case PictureFormat::Other:
        break;
    }
    return {};
}

PictureFacts pictureFactsOfFile(const std::string& path)
{
    std::FILE* raw = std::fopen(path.c_str(), "rbe");
    if (!raw)
        return {};
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(raw, std::fclose);
    const std::vector<std::uint8_t> head = readHead(file.get(), 64);
    switch (pictureFormatOf(head)) {
    case PictureFormat::Jpeg: {
        std::rewind(file.get());
        const std::vector<std::uint8_t> start = readHead(file.get(), kJpegHeadBytes);
        return exifFacts(jpegExifBlock(start));
    }
    case PictureFormat::Heif:
        return heifFactsOf([&](heif_context* context) {
            return heif_context_read_from_file(context, path.c_str(), nullptr);
        });
    case PictureFormat::Png:
    case PictureFormat::Gif:
    case PictureFormat::Other:
        break;
    }
    return {};
}

} // namespace stowfolio
