#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>
#include <QtEndian>
#include <libheif/heif.h>
#include <zlib.h>

// Picture files for the attachment tests, made on the spot: real images,
// and bombs or forged headers that declare far more pixels than they hold.
namespace ImageFiles {

inline bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray chunk(const char *type, const QByteArray &data)
{
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    const QByteArray typed = QByteArray(type, 4) + data;
    out += typed;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(
        quint32(crc32(0, reinterpret_cast<const Bytef *>(typed.constData()), uInt(typed.size()))),
        crc.data());
    return out + crc;
}

// A PNG signature, a header for width × height pixels of this bit depth and
// colour type, one block of compressed rows and the end.
inline QByteArray pngFile(quint32 width, quint32 height, char depth, char colour, const QByteArray &rows)
{
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(width, header.data());
    qToBigEndian<quint32>(height, header.data() + 4);
    header[8] = depth;
    header[9] = colour;
    // qCompress writes a zlib stream behind a length prefix of its own.
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header)
        + chunk("IDAT", qCompress(rows, 9).mid(4)) + chunk("IEND", {});
}

// A valid PNG of side × side one-bit grey pixels, all black: a few hundred
// kilobytes on disk that would take side² × 4 bytes once decoded.
inline QByteArray pngBomb(int side)
{
    return pngFile(
        quint32(side), quint32(side), 1, 0, QByteArray((1 + (side + 7) / 8) * qsizetype(side), '\0'));
}

// A valid PNG signature and header for width × height RGBA pixels, followed
// by one small compressed block of zero rows: a forged declaration.
inline QByteArray forgedHeader(quint32 width, quint32 height)
{
    return pngFile(width, height, 8, 6, QByteArray(4096, '\0'));
}

inline QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

inline QByteArray solid(int width, int height, QColor color = Qt::red)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return png(image);
}

// A HEIC file of the image, or nothing when this libheif has no encoder.
inline QByteArray heic(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGBA8888);
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    QByteArray result;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code == heif_error_Ok) {
        heif_image *picture = nullptr;
        heif_image_create(
            image.width(), image.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &picture);
        heif_image_add_plane(picture, heif_channel_interleaved, image.width(), image.height(), 8);
        int stride = 0;
        uint8_t *plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
        for (int y = 0; y < image.height(); ++y)
            memcpy(plane + y * stride, image.constScanLine(y), size_t(image.width()) * 4);
        heif_encoder_set_lossy_quality(encoder, 90);
        if (heif_context_encode_image(context, picture, encoder, nullptr, nullptr).code == heif_error_Ok) {
            heif_writer writer;
            writer.writer_api_version = 1;
            writer.write = [](heif_context *, const void *data, size_t size, void *target) {
                static_cast<QByteArray *>(target)->append(static_cast<const char *>(data), qsizetype(size));
                return heif_error { heif_error_Ok, heif_suberror_Unspecified, "" };
            };
            heif_context_write(context, &writer, &result);
        }
        heif_image_release(picture);
        heif_encoder_release(encoder);
    }
    heif_context_free(context);
    return result;
}

} // namespace ImageFiles
