#include "attachment.h"

#include "ui/widgets/imagedecoder.h"

#include <QBuffer>
#include <QImageWriter>

QImage Attachment::scaledImage(const QImage &image, int maxSide)
{
    const QSizeF size = image.deviceIndependentSize();
    if (size.isEmpty())
        return image;
    const qreal ratio = qMin(maxSide / size.width(), maxSide / size.height());
    if (ratio >= 1.0)
        return image;
    const qreal dpr = image.devicePixelRatio();
    const QSize target(
        qMax(1, qRound(size.width() * ratio * dpr)), qMax(1, qRound(size.height() * ratio * dpr)));
    QImage result = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    result.setDevicePixelRatio(dpr);
    return result;
}

std::optional<Attachment> Attachment::fromImage(const QImage &source)
{
    if (source.isNull())
        return std::nullopt;
    Attachment attachment;
    attachment.image = scaledImage(source);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(attachment.image) || png.isEmpty())
        return std::nullopt;
    attachment.base64 = QString::fromLatin1(png.toBase64());
    return attachment;
}

std::optional<Attachment> Attachment::fromFile(const QString &path)
{
    return fromImage(ImageDecoder::fromFile(path));
}
