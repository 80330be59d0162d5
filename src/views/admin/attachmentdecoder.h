#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

// Turns a ticket's capture text into an image, or nothing. The text may carry
// a data-URL prefix and line breaks; anything else that is not Base64 fails.
// Decoding is bounded: an image whose declared size would need more memory
// than a screenshot ever does is refused before any pixel is allocated.
namespace AttachmentDecoder {

// Largest decoded image accepted, in megabytes of pixel memory. A capture is
// scaled to 1200 pixels on its larger side; 64 MB leaves room for far bigger
// images while keeping a forged header from exhausting memory.
inline constexpr int AllocationLimitMB = 64;
// Declared sizes beyond this are refused even if a format ignores the limit.
inline constexpr qint64 MaxPixels = 16LL * 1024 * 1024;

// The Base64 payload: text after the first comma (up to any second one) when
// there is a comma, with spaces, line feeds and carriage returns removed.
QByteArray payload(const QByteArray &captureBase64);

std::optional<QImage> decode(const std::optional<QByteArray> &captureBase64);

} // namespace AttachmentDecoder

inline std::optional<QImage> decodeAttachment(const std::optional<QByteArray> &captureBase64)
{
    return AttachmentDecoder::decode(captureBase64);
}
