#include "imagedecoder.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <libheif/heif.h>
#include <memory>

namespace {

bool fitsLimit(qint64 width, qint64 height)
{
    return width > 0 && height > 0
        && width * height * 4 <= qint64(ImageDecoder::AllocationLimitMiB) * 1024 * 1024;
}

QImage readWithQt(QIODevice *device)
{
    // The limit is process-wide in Qt; setting it here keeps every reader
    // of user pictures under it.
    QImageReader::setAllocationLimit(ImageDecoder::AllocationLimitMiB);
    QImageReader reader(device);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};
    const QSize size = reader.size();
    if (size.isValid() && !fitsLimit(size.width(), size.height()))
        return {};
    QImage image;
    if (!reader.read(&image))
        return {};
    return image;
}

struct HeifContextFree
{
    void operator()(heif_context *context) const { heif_context_free(context); }
};
struct HeifHandleRelease
{
    void operator()(heif_image_handle *handle) const { heif_image_handle_release(handle); }
};
struct HeifImageRelease
{
    void operator()(heif_image *image) const { heif_image_release(image); }
};

// Qt has no HEIC reader; libheif decodes the primary image to RGBA.
QImage readHeif(const QByteArray &data)
{
    if (data.size() < 12
        || heif_check_filetype(reinterpret_cast<const uint8_t *>(data.constData()), 12) == heif_filetype_no)
        return {};
    std::unique_ptr<heif_context, HeifContextFree> context(heif_context_alloc());
    if (!context)
        return {};
    if (heif_context_read_from_memory_without_copy(
            context.get(), data.constData(), size_t(data.size()), nullptr)
            .code
        != heif_error_Ok)
        return {};
    heif_image_handle *rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return {};
    std::unique_ptr<heif_image_handle, HeifHandleRelease> handle(rawHandle);
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (!fitsLimit(width, height))
        return {};
    heif_image *rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr)
            .code
        != heif_error_Ok)
        return {};
    std::unique_ptr<heif_image, HeifImageRelease> image(rawImage);
    int stride = 0;
    const uint8_t *pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!pixels || stride <= 0)
        return {};
    // Copy out: the pixels belong to the heif image released on return.
    return QImage(pixels, width, height, stride, QImage::Format_RGBA8888).copy();
}

} // namespace

QImage ImageDecoder::fromData(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImage image = readWithQt(&buffer);
    if (image.isNull())
        image = readHeif(data);
    return image;
}

QImage ImageDecoder::fromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QImage image = readWithQt(&file);
    if (!image.isNull())
        return image;
    // A picture file is never near this size; a larger one is not read.
    if (file.size() > qint64(AllocationLimitMiB) * 1024 * 1024)
        return {};
    file.seek(0);
    return readHeif(file.readAll());
}
