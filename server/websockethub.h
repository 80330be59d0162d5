#pragma once

#include "protocol/records.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

class QWebSocket;

// The real-time side of the server: holds every WebSocket connection of
// /norvik-ws with the identity it announced ("auth"), and pushes new tickets
// to the staff and closed tickets to their authors. A connection that floods,
// stops reading or stops answering pings is dropped without touching others.
class WebSocketHub : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 MaxMessageBytes = 1024 * 1024;
    // Pushes queued for a peer that does not read beyond this are not worth
    // keeping: the peer is dropped instead.
    static constexpr qint64 MaxBacklogBytes = 16LL * 1024 * 1024;

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
    };

    void onMessage(Peer *peer, const QString &text);
    void send(Peer *peer, const QJsonObject &message);
    void sendError(Peer *peer, const QString &message);
    void remove(QWebSocket *socket);
    void pingAll();

    std::vector<std::unique_ptr<Peer>> m_peers;
    QTimer m_pingTimer;
    int m_pingIntervalMs;
};
