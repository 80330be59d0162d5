#pragma once

#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

// A message written here that the server has not taken yet.
struct OutboxEntry
{
    enum class State { Pending, Failed };

    qint64 ticketId = 0;
    QUuid clientId;
    QString text;
    QString writtenAt; // "yyyy-MM-dd HH:mm:ss", local time, as the server dates messages
    bool fromStaff = false; // written in administrator mode: goes out with the staff session
    State state = State::Pending;
    QString error; // the server's reason for a Failed entry

    bool operator==(const OutboxEntry &) const = default;
};

// The messages waiting for the connection, kept in a JSON file beside the
// ticket draft so that a restart loses none. Only pending entries reach the
// file: a refused message is shown until the program ends, then forgotten.
// Writes are atomic, like the draft's; an unreadable file is ignored with a
// log line.
class ConversationOutbox
{
public:
    static constexpr qint64 MaxFileBytes = 64LL * 1024 * 1024;

    static QString defaultPath();
    explicit ConversationOutbox(QString path);

    const QList<OutboxEntry> &entries() const { return m_entries; }
    OutboxEntry *find(const QUuid &clientId);
    void append(const OutboxEntry &entry);
    void remove(const QUuid &clientId);
    // Writes the pending entries; call after changing one through find().
    bool save();

private:
    void load();

    QString m_path;
    QList<OutboxEntry> m_entries;
    bool m_failing = false;
};
