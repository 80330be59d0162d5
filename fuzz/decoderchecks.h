#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What must hold for any bytes that come from outside, decoder by decoder.
// The fuzz targets feed these random input; tst_messagecorpus replays every
// input they once found at fault. Each returns what went wrong, or nothing.
namespace DecoderChecks {

// Every REST reply record: a body either fails to decode with DecodingError
// or decodes into a record that survives being encoded and decoded again.
std::optional<QString> restReplies(const QByteArray &body);

// The administrator list's quick scan against the document reading of the
// same bytes: whatever the scan takes, the document reading takes too, with
// the same records. (The scan may leave a body to the document reading,
// escaped keys for instance; that costs time, not correctness.)
std::optional<QString> ticketListPaths(const QByteArray &body);

// The update feed: either refused with a reason, or only releases with a
// version and addresses the program may open.
std::optional<QString> updateFeed(const QByteArray &xml);

// The settings file, as a hand or a disk may leave it: every key reads
// without trouble, and a text stored over it reads back unchanged from the
// file.
std::optional<QString> settingsFile(const QByteArray &contents);

// The image decoders: nothing comes back larger than the limit allowed.
std::optional<QString> imageSize(const QByteArray &data);

} // namespace DecoderChecks
