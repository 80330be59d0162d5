#include "attachmentdecoder.h"

#include <QBuffer>
#include <QImageReader>

QByteArray AttachmentDecoder::payload(const QByteArray &captureBase64)
{
    QByteArray text = captureBase64;
    if (text.contains(',')) {
        const QList<QByteArray> parts = text.split(',');
        if (parts.size() >= 2)
            text = parts.at(1);
    }
    text.replace(' ', QByteArray());
    text.replace('\n', QByteArray());
    text.replace('\r', QByteArray());
    return text;
}

std::optional<QImage> AttachmentDecoder::decode(const std::optional<QByteArray> &captureBase64)
{
    if (!captureBase64)
        return std::nullopt;
    const auto bytes
        = QByteArray::fromBase64Encoding(payload(*captureBase64), QByteArray::AbortOnBase64DecodingErrors);
    if (!bytes || bytes.decoded.isEmpty())
        return std::nullopt;

    QBuffer buffer;
    buffer.setData(bytes.decoded);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    QImageReader reader(&buffer);
    reader.setAllocationLimit(AllocationLimitMB);
    // The header's declared size is checked before reading: a few hundred
    // bytes can announce billions of pixels.
    const QSize declared = reader.size();
    if (declared.isValid() && qint64(declared.width()) * declared.height() > MaxPixels)
        return std::nullopt;
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image;
}
