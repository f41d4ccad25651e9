#include "evidence/picture_loader.h"

#include "evidence/attachment_error.h"

#include <QFile>
#include <QImageReader>

#include <libheif/heif.h>

#include <cstdint>
#include <memory>

namespace stowfolio {

namespace {

// The largest picture read, in pixels a side: beyond the largest camera sensor, and what keeps
// a hostile file from asking for gigabytes. A JPEG is decoded at a reduced scale when a smaller
// size is asked for, and Qt refuses a decoded image beyond its allocation limit (256 MB).
constexpr int kMaxPictureSide = 20000;
// A HEIF is decoded whole before it is scaled: at most this many pixels (256 MB decoded).
constexpr std::int64_t kMaxHeifPixels = std::int64_t{64} << 20;

AttachmentError damaged(const QString& name, const QString& reason)
{
    return AttachmentError(
        (name + QStringLiteral(": the picture cannot be read (%1)").arg(reason)).toStdString());
}

QSize fittedSize(const QSize& size, const QSize& bounds)
{
    if (bounds.isEmpty() || (size.width() <= bounds.width() && size.height() <= bounds.height()))
        return size;
    return size.scaled(bounds, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage loadWithQt(const QString& path, const QSize& bounds, const QString& name,
                  const QByteArray& format)
{
    QImageReader reader(path, format);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        throw damaged(name, reader.errorString());
    const QSize stored = reader.size();
    if (!stored.isValid())
        throw damaged(name, reader.errorString());
    if (stored.width() > kMaxPictureSide || stored.height() > kMaxPictureSide)
        throw damaged(name, QStringLiteral("it is %1 by %2 pixels, larger than %3 a side")
                                .arg(stored.width())
                                .arg(stored.height())
                                .arg(kMaxPictureSide));
    // The scaled size is of the picture as stored, before it is turned: a photo taken upright
    // is stored lying down, and fits a tall box when it is turned.
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize box = turned ? bounds.transposed() : bounds;
    const QSize scaled = fittedSize(stored, box);
    if (scaled != stored)
        reader.setScaledSize(scaled);
    QImage image = reader.read();
    if (image.isNull())
        throw damaged(name, reader.errorString());
    return image;
}

struct HeifContextFree
{
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HeifHandleFree
{
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct HeifImageFree
{
    void operator()(heif_image* image) const { heif_image_release(image); }
};

void checkHeif(const heif_error& error, const QString& name)
{
    if (error.code != heif_error_Ok)
        throw damaged(name, QString::fromUtf8(error.message));
}

QImage loadHeif(const QString& path, const QSize& bounds, const QString& name)
{
    // Reading the format's first bytes started libheif (pictureFormatOfFile).
    const std::unique_ptr<heif_context, HeifContextFree> context(heif_context_alloc());
    if (!context)
        throw damaged(name, QStringLiteral("out of memory"));
    heif_context_set_maximum_image_size_limit(context.get(), kMaxPictureSide);
    checkHeif(
        heif_context_read_from_file(context.get(), QFile::encodeName(path).constData(), nullptr),
        name);
    heif_image_handle* rawHandle = nullptr;
    checkHeif(heif_context_get_primary_image_handle(context.get(), &rawHandle), name);
    const std::unique_ptr<heif_image_handle, HeifHandleFree> handle(rawHandle);
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
        std::int64_t{width} * height > kMaxHeifPixels)
        throw damaged(name, QStringLiteral("it is %1 by %2 pixels, more than Stowfolio shows")
                                .arg(width)
                                .arg(height));
    heif_image* rawImage = nullptr;
    checkHeif(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                                heif_chroma_interleaved_RGBA, nullptr),
              name);
    const std::unique_ptr<heif_image, HeifImageFree> decoded(rawImage);
    int stride = 0;
    const std::uint8_t* pixels =
        heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    // The decoded size is after libheif's rotation and cropping.
    const int decodedWidth = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int decodedHeight = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    if (!pixels || decodedWidth <= 0 || decodedHeight <= 0 || stride < decodedWidth * 4)
        throw damaged(name, QStringLiteral("it decodes to no picture"));
    // The decoded pixels are scaled where they lie; only the result is copied.
    const QImage decodedImage(pixels, decodedWidth, decodedHeight, stride, QImage::Format_RGBA8888);
    const QSize scaled = fittedSize(decodedImage.size(), bounds);
    QImage image = scaled == decodedImage.size()
                       ? decodedImage.copy()
                       : decodedImage.scaled(scaled, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (image.isNull())
        throw damaged(name, QStringLiteral("out of memory"));
    return image;
}

// The header of a JPEG, PNG or GIF: what the picture claims to be, without its pixels.
void checkQtHeader(const QString& path, const QString& name, const QByteArray& format)
{
    QImageReader reader(path, format);
    if (!reader.canRead())
        throw damaged(name, reader.errorString());
    const QSize stored = reader.size();
    if (!stored.isValid())
        throw damaged(name, reader.errorString());
    if (stored.width() > kMaxPictureSide || stored.height() > kMaxPictureSide)
        throw damaged(name, QStringLiteral("it is %1 by %2 pixels, larger than %3 a side")
                                .arg(stored.width())
                                .arg(stored.height())
                                .arg(kMaxPictureSide));
}

// A HEIF's boxes and its primary image's size, without decoding it.
void checkHeifHeader(const QString& path, const QString& name)
{
    const std::unique_ptr<heif_context, HeifContextFree> context(heif_context_alloc());
    if (!context)
        throw damaged(name, QStringLiteral("out of memory"));
    heif_context_set_maximum_image_size_limit(context.get(), kMaxPictureSide);
    checkHeif(
        heif_context_read_from_file(context.get(), QFile::encodeName(path).constData(), nullptr),
        name);
    heif_image_handle* rawHandle = nullptr;
    checkHeif(heif_context_get_primary_image_handle(context.get(), &rawHandle), name);
    const std::unique_ptr<heif_image_handle, HeifHandleFree> handle(rawHandle);
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
        std::int64_t{width} * height > kMaxHeifPixels)
        throw damaged(name, QStringLiteral("it is %1 by %2 pixels, more than Stowfolio shows")
                                .arg(width)
                                .arg(height));
}

} // namespace

void checkPictureHeader(const QString& path, const QString& name)
{
    switch (pictureFormatOfFile(path)) {
    case PictureFormat::Jpeg:
        return checkQtHeader(path, name, "jpeg");
    case PictureFormat::Png:
        return checkQtHeader(path, name, "png");
    case PictureFormat::Gif:
        return checkQtHeader(path, name, "gif");
    case PictureFormat::Heif:
        return checkHeifHeader(path, name);
    case PictureFormat::Other:
        break;
    }
    throw AttachmentError(
        (name + QStringLiteral(": is not a picture Stowfolio shows (JPEG, PNG, GIF or HEIC)"))
            .toStdString());
}

PictureFormat pictureFormatOfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return PictureFormat::Other;
    const QByteArray head = file.read(64);
    return pictureFormatOf(std::span(reinterpret_cast<const std::uint8_t*>(head.constData()),
                                     static_cast<std::size_t>(head.size())));
}

QImage loadPicture(const QString& path, const QSize& bounds, const QString& name)
{
    switch (pictureFormatOfFile(path)) {
    case PictureFormat::Jpeg:
        return loadWithQt(path, bounds, name, "jpeg");
    case PictureFormat::Png:
        return loadWithQt(path, bounds, name, "png");
    case PictureFormat::Gif:
        return loadWithQt(path, bounds, name, "gif");
    case PictureFormat::Heif:
        return loadHeif(path, bounds, name);
    case PictureFormat::Other:
        break;
    }
    throw AttachmentError(
        (name + QStringLiteral(": is not a picture Stowfolio shows (JPEG, PNG, GIF or HEIC)"))
            .toStdString());
}

} // namespace stowfolio
