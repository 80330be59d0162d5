#pragma once

#include <QImage>
#include <QString>

// Reads a picture the user hands to the program (PNG, JPEG, HEIC, ...)
// without trusting it: the decoded size is bounded before any pixel memory
// is taken, so a small file that unpacks into gigabytes is refused.
namespace ImageDecoder {

// Largest decoded picture accepted, in mebibytes of 32-bit pixels.
inline constexpr int AllocationLimitMiB = 256;

// The decoded picture, or a null image when the data is not a readable
// picture or would take more than limitMiB once decoded.
QImage fromFile(const QString &path);
QImage fromData(const QByteArray &data, int limitMiB = AllocationLimitMiB);

} // namespace ImageDecoder
