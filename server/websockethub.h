#pragma once

#include "protocol/records.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QWebSocket;

// The real-time side of the server: holds every WebSocket connection of
// /norvik-ws with the identity it announced ("auth"), and pushes new tickets
// to the staff and closed tickets to their authors. A connection that floods,
// announces a user nobody registered, stops reading or stops answering pings
// is dropped without touching others.
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

    explicit WebSocketHub(int pingIntervalMs, QObject *parent = nullptr);
    ~WebSocketHub() override;

    void adopt(std::unique_ptr<QWebSocket> socket);
    void pushNewTicket(const Ticket &ticket);
    void pushTicketClosed(qint64 authorId, qint64 ticketId, const QString &closeMessage);
    // Closes every connection as the server goes away.
    void closeAll();

    qsizetype connectionCount() const { return qsizetype(m_peers.size()); }
    bool hasAdmins() const;

private:
    struct Peer
    {
        QWebSocket *socket = nullptr;
        qint64 userId = 0;
        QString userType; // empty until announced
        QElapsedTimer lastHeard;
        QElapsedTimer windowStart;
        int messagesInWindow = 0;
    };

    bool isFlooding(Peer *peer);
    void refuse(Peer *peer, const QString &reason);

    void onMessage(Peer *peer, const QString &text);
    void send(Peer *peer, const QJsonObject &message);
    void sendError(Peer *peer, const QString &message);
    void remove(QWebSocket *socket);
    void pingAll();

    std::vector<std::unique_ptr<Peer>> m_peers;
    QTimer m_pingTimer;
    int m_pingIntervalMs;
};
