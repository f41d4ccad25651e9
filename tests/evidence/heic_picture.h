#pragma once

// HEIC pictures made in tests, as a phone writes them: libheif's HEVC encoder, with an EXIF
// block attached to the image.

#include <QByteArray>
#include <QImage>

#include <libheif/heif.h>

#include <cstdint>
#include <cstring>

namespace stowfolio::testing {

// A HEIC of `image` with `exif` attached, as a phone writes one; empty when this machine's
// libheif has no HEVC encoder.
inline QByteArray heicBytes(const QImage& source, const QByteArray& exif)
{
    if (!heif_have_encoder_for_format(heif_compression_HEVC))
        return {};
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_image* image = nullptr;
    heif_image_create(source.width(), source.height(), heif_colorspace_RGB,
                      heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, source.width(), source.height(), 8);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + y * stride, rgb.constScanLine(y),
                    static_cast<std::size_t>(rgb.width()) * 3);
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(context, image, encoder, nullptr, &handle);
    if (handle && !exif.isEmpty())
        heif_context_add_exif_metadata(context, handle, exif.constData(),
                                       static_cast<int>(exif.size()));
    QByteArray bytes;
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = [](heif_context*, const void* data, size_t size, void* userdata) {
        static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data),
                                                   static_cast<qsizetype>(size));
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
    };
    if (handle)
        heif_context_write(context, &writer, &bytes);
    heif_image_handle_release(handle);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

} // namespace stowfolio::testing
