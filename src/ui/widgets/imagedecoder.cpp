#include "imagedecoder.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QLibrary>
#include <QScopeGuard>
#include <algorithm>
#include <libheif/heif.h>
#include <memory>
#include <optional>

namespace {

bool fitsLimit(qint64 width, qint64 height, int limitMiB)
{
    return width > 0 && height > 0 && width * height * 4 <= qint64(limitMiB) * 1024 * 1024;
}

QImage readWithQt(QIODevice *device, int limitMiB)
{
    // The limit is process-wide in Qt; everything runs on the main thread,
    // so setting it for each read holds this read to its own limit. The
    // previous one comes back after, for Qt's clipboard and drop readers.
    const int previousLimit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(limitMiB);
    const auto restore = qScopeGuard([previousLimit] { QImageReader::setAllocationLimit(previousLimit); });
    QImageReader reader(device);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};
    const QSize size = reader.size();
    if (size.isValid() && !fitsLimit(size.width(), size.height(), limitMiB))
        return {};
    QImage image;
    if (!reader.read(&image))
        return {};
    // The header's size is a claim: a GIF frame may reach past the screen
    // it declares, and not every format states a size before decoding.
    if (!fitsLimit(image.width(), image.height(), limitMiB))
        return {};
    return image;
}

// libheif brings four video codecs with it. Loading it when the first HEIC
// file arrives keeps them out of every start-up of the program.
struct HeifLibrary
{
    decltype(&heif_check_filetype) checkFiletype = nullptr;
    decltype(&heif_context_alloc) contextAlloc = nullptr;
    decltype(&heif_context_free) contextFree = nullptr;
    decltype(&heif_context_read_from_memory_without_copy) readFromMemory = nullptr;
    decltype(&heif_context_set_maximum_image_size_limit) setSizeLimit = nullptr;
    decltype(&heif_context_get_primary_image_handle) primaryImageHandle = nullptr;
    decltype(&heif_image_handle_get_width) handleWidth = nullptr;
    decltype(&heif_image_handle_get_height) handleHeight = nullptr;
    decltype(&heif_image_handle_release) handleRelease = nullptr;
    decltype(&heif_decode_image) decodeImage = nullptr;
    decltype(&heif_image_get_plane_readonly) planeReadonly = nullptr;
    decltype(&heif_image_get_width) imageWidth = nullptr;
    decltype(&heif_image_get_height) imageHeight = nullptr;
    decltype(&heif_image_release) imageRelease = nullptr;

    // The loaded library, or nullptr when it is missing or lacks a function.
    static const HeifLibrary *get()
    {
        static const std::optional<HeifLibrary> library = load();
        return library ? &*library : nullptr;
    }

private:
    template<typename Function>
    static bool resolve(QLibrary &library, const char *symbol, Function &function)
    {
        function = reinterpret_cast<Function>(library.resolve(symbol));
        return function != nullptr;
    }

    static std::optional<HeifLibrary> load()
    {
        QLibrary library(QStringLiteral("heif"), LIBHEIF_NUMERIC_VERSION >> 24);
        HeifLibrary h;
        const bool complete = resolve(library, "heif_check_filetype", h.checkFiletype)
            && resolve(library, "heif_context_alloc", h.contextAlloc)
            && resolve(library, "heif_context_free", h.contextFree)
            && resolve(library, "heif_context_read_from_memory_without_copy", h.readFromMemory)
            && resolve(library, "heif_context_set_maximum_image_size_limit", h.setSizeLimit)
            && resolve(library, "heif_context_get_primary_image_handle", h.primaryImageHandle)
            && resolve(library, "heif_image_handle_get_width", h.handleWidth)
            && resolve(library, "heif_image_handle_get_height", h.handleHeight)
            && resolve(library, "heif_image_handle_release", h.handleRelease)
            && resolve(library, "heif_decode_image", h.decodeImage)
            && resolve(library, "heif_image_get_plane_readonly", h.planeReadonly)
            && resolve(library, "heif_image_get_width", h.imageWidth)
            && resolve(library, "heif_image_get_height", h.imageHeight)
            && resolve(library, "heif_image_release", h.imageRelease);
        if (!complete)
            return std::nullopt;
        return h;
    }
};

// Qt has no HEIC reader; libheif decodes the primary image to RGBA.
QImage readHeif(const QByteArray &data, int limitMiB)
{
    if (data.size() < 12)
        return {};
    const HeifLibrary *heif = HeifLibrary::get();
    if (!heif
        || heif->checkFiletype(reinterpret_cast<const uint8_t *>(data.constData()), 12) == heif_filetype_no)
        return {};
    const std::unique_ptr<heif_context, decltype(heif->contextFree)> context(
        heif->contextAlloc(), heif->contextFree);
    if (!context
        || heif->readFromMemory(context.get(), data.constData(), size_t(data.size()), nullptr).code
            != heif_error_Ok)
        return {};
    heif_image_handle *rawHandle = nullptr;
    if (heif->primaryImageHandle(context.get(), &rawHandle).code != heif_error_Ok)
        return {};
    const std::unique_ptr<heif_image_handle, decltype(heif->handleRelease)> handle(
        rawHandle, heif->handleRelease);
    const int width = heif->handleWidth(handle.get());
    const int height = heif->handleHeight(handle.get());
    if (!fitsLimit(width, height, limitMiB))
        return {};
    // A grid image is allocated at the size its grid claims, which a damaged
    // file can make far larger than the size announced above: libheif refuses
    // any side beyond the announced larger side (rotation may swap the two).
    heif->setSizeLimit(context.get(), std::max(width, height) + 1);
    heif_image *rawImage = nullptr;
    if (heif->decodeImage(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr)
            .code
        != heif_error_Ok)
        return {};
    const std::unique_ptr<heif_image, decltype(heif->imageRelease)> image(rawImage, heif->imageRelease);
    // The decoded plane need not have the size the handle announced (a
    // damaged file can say one thing and hold another): only the plane's own
    // size and stride say how many bytes may be read.
    const int planeWidth = heif->imageWidth(image.get(), heif_channel_interleaved);
    const int planeHeight = heif->imageHeight(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t *pixels = heif->planeReadonly(image.get(), heif_channel_interleaved, &stride);
    if (!pixels || !fitsLimit(planeWidth, planeHeight, limitMiB) || stride < qint64(planeWidth) * 4)
        return {};
    // Copy out: the pixels belong to the heif image released on return.
    return QImage(pixels, planeWidth, planeHeight, stride, QImage::Format_RGBA8888).copy();
}

} // namespace

QImage ImageDecoder::fromData(const QByteArray &data, int limitMiB)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImage image = readWithQt(&buffer, limitMiB);
    if (image.isNull())
        image = readHeif(data, limitMiB);
    return image;
}

QImage ImageDecoder::fromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QImage image = readWithQt(&file, AllocationLimitMiB);
    if (!image.isNull())
        return image;
    // A picture file is never near this size; a larger one is not read.
    if (file.size() > qint64(AllocationLimitMiB) * 1024 * 1024)
        return {};
    file.seek(0);
    return readHeif(file.readAll(), AllocationLimitMiB);
}
