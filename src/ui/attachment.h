#pragma once

#include <QImage>
#include <QString>
#include <optional>

// A picture joined to a ticket: scaled so its larger side is at most 1200
// device-independent pixels, encoded as PNG and carried as standard Base64
// without line breaks. The image and its text always go together.
struct Attachment
{
    static constexpr int MaxSide = 1200;

    QImage image;
    QString base64;

    // The image itself when it already fits; otherwise a smooth downscale
    // that keeps the aspect ratio and crops nothing.
    static QImage scaledImage(const QImage &image, int maxSide = MaxSide);
    // Scales and encodes; nothing when the picture is empty or PNG fails.
    static std::optional<Attachment> fromImage(const QImage &image);
    // Decodes a picture file (see ImageDecoder), then as fromImage.
    static std::optional<Attachment> fromFile(const QString &path);
};
