#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

// Turns a ticket's capture text into an image, or nothing. The text may carry
// a data-URL prefix and line breaks; anything else that is not Base64 fails.
namespace AttachmentDecoder {

// Largest decoded image accepted, in mebibytes of pixel memory. A capture is
// scaled to 1200 pixels on its larger side; 64 MiB leaves room for far bigger
// images while keeping a forged header from exhausting memory.
inline constexpr int AllocationLimitMiB = 64;

// The Base64 payload: text after the first comma (up to any second one) when
// there is a comma, with spaces, line feeds and carriage returns removed.
QByteArray payload(const QByteArray &captureBase64);

std::optional<QImage> decode(const std::optional<QByteArray> &captureBase64);

} // namespace AttachmentDecoder
