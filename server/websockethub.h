#pragma once

#include "authmode.h"
#include "gatekeeper.h"
#include "protocol/records.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QJsonObject;
class QWebSocket;

// The real-time side of the server: holds every WebSocket connection of
// /norvik-ws with the identity it announced ("auth"), and pushes new tickets
// to the staff, closed tickets to their authors, and what the other side of a
// conversation writes or types. A connection that floods,
// announces a user nobody registered, stops reading or stops answering pings
// is dropped without touching others. In accounts mode a connection is bound
// to the credential of its upgrade: it may announce only that user (or 0,
// which hears nothing), and the staff's 9999 only with a staff session.
class WebSocketHub : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaxMessageBytes = 1024 * 1024;
    // Pushes queued for a peer that does not read beyond this are not worth
    // keeping: the peer is dropped instead.
    static constexpr qint64 MaxBacklogBytes = 16LL * 1024 * 1024;
    // A client sends one announcement per connection; a peer that sends
    // more than this many messages within the window is closed as a flood.
    static constexpr int MaxMessagesPerWindow = 20;
    static constexpr qint64 MessageWindowMs = 10000;
    // How long a refused peer has to complete the closing handshake.
    static constexpr int RefusedGraceMs = 2000;

    // Whether a user id names a registered user; an announcement of any
    // other id (but 0, unregistered, and 9999, the staff) is refused.
    std::function<bool(qint64 userId)> isKnownUser;

    WebSocketHub(int pingIntervalMs, AuthMode mode, QObject *parent = nullptr);
    ~WebSocketHub() override;

    // caller: who the upgrade's credential names (Trusted in shared mode).
    void adopt(std::unique_ptr<QWebSocket> socket, const Caller &caller);
    // Closes (1008) the connections of an ended session, of a user whose
    // secret was reset.
    void closeSession(const QString &sessionDigest);
    void closeUser(qint64 userId);
    // The sessions that connections are bound to, to check they are alive.
    QStringList sessions() const;
    void pushNewTicket(const Ticket &ticket);
    void pushTicketClosed(qint64 authorId, qint64 ticketId, const QString &closeMessage);
    // To every connection announced as this user; to every staff connection.
    void pushToUser(qint64 userId, const QJsonObject &message);
    void pushToStaff(const QJsonObject &message);
    // Closes every connection as the server goes away.
    void closeAll();

    qsizetype connectionCount() const { return qsizetype(m_peers.size()); }
    bool hasAdmins() const;

private:
    struct Peer
    {
        QWebSocket *socket = nullptr;
        Caller caller;
        qint64 userId = 0;
        QString userType; // empty until announced
        QElapsedTimer lastHeard;
        QElapsedTimer windowStart;
        int messagesInWindow = 0;
    };

    bool isFlooding(Peer *peer);
    // Why the caller may not announce this, or nothing when it may.
    std::optional<QString> forbidden(const Peer *peer, qint64 userId, const QString &userType) const;
    template<typename Match>
    void closeWhere(Match match, const QString &reason);
    template<typename Match>
    void pushWhere(Match match, const QJsonObject &message);
    void refuse(Peer *peer, const QString &reason);

    void onMessage(Peer *peer, const QString &text);
    void send(Peer *peer, const QJsonObject &message);
    void sendError(Peer *peer, const QString &message);
    void remove(QWebSocket *socket);
    void pingAll();

    std::vector<std::unique_ptr<Peer>> m_peers;
    QTimer m_pingTimer;
    int m_pingIntervalMs;
    AuthMode m_mode;
};
