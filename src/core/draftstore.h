#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

// A ticket being written: what the form would send, the picture as the
// Base64 PNG that would go out (already masked, never the original) and,
// when the user lets it go, the report of the machine's state as read while
// the ticket was written: this file is the only place it is kept.
struct TicketDraft
{
    QString titre;
    QString description;
    QString priorite;
    std::optional<QString> captureBase64;
    std::optional<QJsonObject> systemReport = std::nullopt;

    // Nothing typed and no picture: not worth keeping, whatever the report.
    bool isEmpty() const { return titre.isEmpty() && description.isEmpty() && !captureBase64; }
    bool operator==(const TicketDraft &) const = default;
};

// Keeps the one ticket draft in a JSON file of the state directory, so that
// closing the form, a failed send, a crash or a restart lose nothing. Writes
// are atomic: a kill in the middle leaves the previous draft whole. A file
// that does not read as a draft is ignored with a log line.
class DraftStore
{
public:
    // Files larger than this are not drafts this program wrote.
    static constexpr qint64 MaxFileBytes = 64LL * 1024 * 1024;

    static QString defaultPath();
    explicit DraftStore(QString path = defaultPath());

    QString path() const { return m_path; }
    bool exists() const;
    // The draft kept, or nothing when there is none or it is unreadable.
    std::optional<TicketDraft> load() const;
    // Replaces the kept draft; an empty one removes it.
    bool save(const TicketDraft &draft);
    void remove();

private:
    QString m_path;
    bool m_failing = false; // the last write failed and was logged
};
