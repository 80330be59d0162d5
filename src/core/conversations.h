#pragma once

#include "conversationoutbox.h"
#include "credentialstore.h"
#include "protocol/records.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

class APIService;
class QTimer;
class UserSettings;
class WebSocketService;

// One message of a conversation as this program knows it: sent and stored
// by the server, waiting on disk for the connection, or refused by the
// server with a French reason shown beside it.
struct ConversationEntry
{
    enum class State { Sent, Pending, Failed };

    ConversationMessage message; // id 0 until the server has it
    State state = State::Sent;
    QUuid clientId; // set on messages written here
    QString error; // of a Failed entry
    bool isOwn = false; // written from this side (user or staff)

    bool operator==(const ConversationEntry &) const = default;
};

// The conversations of the tickets this program shows, on either side: the
// user's own tickets, or every ticket in administrator mode. Keeps what was
// loaded, adds what the channel pushes, sends what is written here through
// an outbox kept on disk (so a message written offline goes out once the
// connection is back, exactly once thanks to its client id), counts unread
// messages of the other side and knows who is typing.
//
// Conversations exist only on servers that tell their callers apart: without
// a credential for the current side, isAvailable() is false and nothing is
// ever sent to the server.
class Conversations : public QObject
{
    Q_OBJECT

public:
    // How long the other side counts as typing after its last signal.
    static constexpr int TypingShownMs = 5000;
    // How often this side tells the server it is typing, at most.
    static constexpr int TypingSentEveryMs = 3000;
    static constexpr int MaxMessageLength = 10000;

    Conversations(APIService &api, WebSocketService &channel, const UserSettings &settings,
        const CredentialStore &credentials, QString outboxPath, QObject *parent = nullptr);

    static QString defaultOutboxPath();

    bool isAvailable() const;

    // What is known of a ticket's conversation, oldest first, the outbox's
    // entries of that ticket after the stored ones.
    QList<ConversationEntry> entries(qint64 ticketId) const;
    // Fetches the conversation from the server; throws the REST errors.
    QCoro::Task<void> load(qint64 ticketId);
    // Writes a message: it shows at once as pending and goes out now or when
    // the connection is back.
    void send(qint64 ticketId, const QString &text);
    // Tries a failed or pending message again.
    void retry(qint64 ticketId, const QUuid &clientId);
    // This side is typing in ticketId's reply field (throttled here).
    void typing(qint64 ticketId);

    int unreadCount(qint64 ticketId) const;
    int totalUnread() const;
    // Counts as the server gave them with a ticket list.
    void setUnreadCount(qint64 ticketId, int count);
    // The conversation is on screen: its messages count as read, here and
    // on the server.
    void markRead(qint64 ticketId);
    bool isOtherSideTyping(qint64 ticketId) const;

    // Tests shorten how long the other side shows as typing.
    void setTypingShownDuration(int milliseconds) { m_typingShownMs = milliseconds; }

Q_SIGNALS:
    // entries(ticketId) changed.
    void changed(qint64 ticketId);
    void unreadChanged(qint64 ticketId, int count);
    void typingChanged(qint64 ticketId, bool typing);
    // A message of the other side arrived through the channel.
    void messageReceived(const ConversationMessage &message);

private:
    bool isStaffSide() const;
    CredentialStore::Kind credentialKind(bool staff) const;
    bool hasCredential(bool staff) const;
    QString ownSender() const;
    ConversationEntry storedEntry(const ConversationMessage &message) const;
    void receive(const ConversationMessage &message);
    void otherSideTyping(qint64 ticketId);
    void setUnread(qint64 ticketId, int count);
    // Sends the pending entries one after the other, oldest first, each once
    // per round; a transport failure ends the round, the rest waits.
    QCoro::Task<void> flush();
    // False when the server could not be reached: the entry stays pending.
    QCoro::Task<bool> deliver(OutboxEntry entry);
    void delivered(const OutboxEntry &entry, qint64 messageId);

    APIService &m_api;
    WebSocketService &m_channel;
    const UserSettings &m_settings;
    const CredentialStore &m_credentials;
    ConversationOutbox m_outbox;
    QHash<qint64, QList<ConversationEntry>> m_stored;
    QHash<qint64, int> m_unread;
    QHash<qint64, QTimer *> m_typingShown;
    QHash<qint64, QElapsedTimer> m_typingSent;
    int m_typingShownMs = TypingShownMs;
    bool m_flushing = false;
    bool m_flushAgain = false;
};
