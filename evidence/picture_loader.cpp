#include "evidence/picture_loader.h"

#include "evidence/attachment_error.h"

#include <QFile>
#include <QImageReader>
#include <QScopeGuard>

#include <libheif/heif.h>
#include <malloc.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

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

AttachmentError notShown(const QString& name)
{
    return AttachmentError(
        (name + QStringLiteral(": is not a picture Stowfolio shows (JPEG, PNG, GIF or HEIC)"))
            .toStdString());
}

QSize fittedSize(const QSize& size, const QSize& bounds)
{
    if (bounds.isEmpty() || (size.width() <= bounds.width() && size.height() <= bounds.height()))
        return size;
    return size.scaled(bounds, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// The size a picture read by Qt says it has, from its header; refused when there is none or it
// is beyond what this program reads.
QSize checkedStoredSize(QImageReader& reader, const QString& name)
{
    const QSize size = reader.canRead() ? reader.size() : QSize();
    if (!size.isValid())
        throw damaged(name, reader.errorString());
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        throw damaged(name, QStringLiteral("it is %1 by %2 pixels, larger than %3 a side")
                                .arg(size.width())
                                .arg(size.height())
                                .arg(kMaxPictureSide));
    return size;
}

QImage loadWithQt(const QString& path, const QSize& bounds, const QString& name,
                  const QByteArray& format)
{
    QImageReader reader(path, format);
    reader.setAutoTransform(true);
    const QSize stored = checkedStoredSize(reader, name);
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

// A HEIF's primary picture, its boxes read and its size checked, nothing decoded yet.
struct OpenHeif
{
    std::unique_ptr<heif_context, HeifContextFree> context;
    std::unique_ptr<heif_image_handle, HeifHandleFree> handle;
};

OpenHeif openHeif(const QString& path, const QString& name)
{
    // Reading the format's first bytes started libheif (pictureFormatOfFile).
    OpenHeif heif;
    heif.context.reset(heif_context_alloc());
    if (!heif.context)
        throw damaged(name, QStringLiteral("out of memory"));
    heif_context_set_maximum_image_size_limit(heif.context.get(), kMaxPictureSide);
    checkHeif(heif_context_read_from_file(heif.context.get(), QFile::encodeName(path).constData(),
                                          nullptr),
              name);
    heif_image_handle* rawHandle = nullptr;
    checkHeif(heif_context_get_primary_image_handle(heif.context.get(), &rawHandle), name);
    heif.handle.reset(rawHandle);
    const int width = heif_image_handle_get_width(heif.handle.get());
    const int height = heif_image_handle_get_height(heif.handle.get());
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
        std::int64_t{width} * height > kMaxHeifPixels)
        throw damaged(name, QStringLiteral("it is %1 by %2 pixels, more than Stowfolio shows")
                                .arg(width)
                                .arg(height));
    return heif;
}

// `source` (`channels` bytes a pixel) shrunk by a whole `factor`, each pixel the mean of the
// factor x factor block it stands for: the one pass over a large decoded picture that a smaller
// picture needs, with no copy of it.
QImage shrunkBy(const std::uint8_t* source, int width, int height, int stride, int channels,
                int factor, QImage::Format format)
{
    QImage image(width / factor, height / factor, format);
    if (image.isNull())
        return image;
    const int area = factor * factor;
    std::vector<int> sums(static_cast<std::size_t>(image.width()) * channels);
    for (int y = 0; y < image.height(); ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int dy = 0; dy < factor; ++dy) {
            const std::uint8_t* row =
                source + static_cast<std::ptrdiff_t>(y * factor + dy) * stride;
            for (int x = 0; x < image.width(); ++x)
                for (int dx = 0; dx < factor; ++dx)
                    for (int c = 0; c < channels; ++c)
                        sums[static_cast<std::size_t>(x * channels + c)] +=
                            row[(x * factor + dx) * channels + c];
        }
        std::uint8_t* out = image.scanLine(y);
        for (std::size_t i = 0; i < sums.size(); ++i)
            out[i] = static_cast<std::uint8_t>((sums[i] + area / 2) / area);
    }
    return image;
}

QImage decodeHeif(const QString& path, const QSize& bounds, const QString& name)
{
    const OpenHeif heif = openHeif(path, name);
    const auto& handle = heif.handle;
    // Three bytes a pixel when there is no alpha: a quarter less of the largest buffer.
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const int channels = alpha ? 4 : 3;
    heif_image* rawImage = nullptr;
    checkHeif(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                                alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                nullptr),
              name);
    const std::unique_ptr<heif_image, HeifImageFree> decoded(rawImage);
    int stride = 0;
    const std::uint8_t* pixels =
        heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    // The decoded size is after libheif's rotation and cropping.
    const int decodedWidth = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int decodedHeight = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    if (!pixels || decodedWidth <= 0 || decodedHeight <= 0 || stride < decodedWidth * channels)
        throw damaged(name, QStringLiteral("it decodes to no picture"));
    const QImage::Format format = alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888;
    const QSize scaled = fittedSize(QSize(decodedWidth, decodedHeight), bounds);
    // A picture wanted at half its size or less is first shrunk by a whole factor where it lies
    // (a 12-megapixel photo for a page or a thumbnail is never copied whole), then scaled
    // smoothly to the exact size.
    const int factor = std::min(decodedWidth / scaled.width(), decodedHeight / scaled.height());
    QImage image;
    if (factor >= 2) {
        image = shrunkBy(pixels, decodedWidth, decodedHeight, stride, channels, factor, format);
        if (!image.isNull() && image.size() != scaled)
            image = image.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        const QImage decodedImage(pixels, decodedWidth, decodedHeight, stride, format);
        image = scaled == decodedImage.size()
                    ? decodedImage.copy()
                    : decodedImage.scaled(scaled, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    if (image.isNull())
        throw damaged(name, QStringLiteral("out of memory"));
    return image;
}

QImage loadHeif(const QString& path, const QSize& bounds, const QString& name)
{
    // Decoding a camera's HEIC takes buffers of tens of megabytes (the decoder's frames, the
    // picture in YCbCr and in RGB). The C library keeps what is freed for its next use, per
    // thread, so photo after photo decoded on the report's threads would add up to hundreds of
    // megabytes held and unused: the freed pages go back to the system after each picture.
    const auto giveBack = qScopeGuard([] { malloc_trim(0); });
    return decodeHeif(path, bounds, name);
}

} // namespace

PictureFormat pictureFormatOfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return PictureFormat::Other;
    const QByteArray head = file.read(64);
    return pictureFormatOf(std::span(reinterpret_cast<const std::uint8_t*>(head.constData()),
                                     static_cast<std::size_t>(head.size())));
}

QSize storedPictureSize(const QString& path, const QString& name)
{
    const auto sizeWithQt = [&](const QByteArray& format) {
        QImageReader reader(path, format);
        return checkedStoredSize(reader, name);
    };
    switch (pictureFormatOfFile(path)) {
    case PictureFormat::Jpeg:
        return sizeWithQt("jpeg");
    case PictureFormat::Png:
        return sizeWithQt("png");
    case PictureFormat::Gif:
        return sizeWithQt("gif");
    case PictureFormat::Heif: {
        const OpenHeif heif = openHeif(path, name);
        return QSize(heif_image_handle_get_width(heif.handle.get()),
                     heif_image_handle_get_height(heif.handle.get()));
    }
    case PictureFormat::Other:
        break;
    }
    throw notShown(name);
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
    throw notShown(name);
}

} // namespace stowfolio
