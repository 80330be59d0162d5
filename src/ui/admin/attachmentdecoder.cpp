#include "attachmentdecoder.h"

#include "ui/widgets/imagedecoder.h"

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

    QImage image = ImageDecoder::fromData(bytes.decoded, AllocationLimitMiB);
    if (image.isNull())
        return std::nullopt;
    return image;
}
