#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QUrl>
#include <QWebSocket>
#include <QWebSocketServer>
#include <memory>

// A scripted WebSocket peer on 127.0.0.1 (port chosen by the system unless
// given): keeps every client connection, the token it opened with and every
// text it received, so a test can answer, push events or close with a chosen
// code. It takes any token; norvik-server is the one that refuses.
class LoopbackWebSocketServer : public QObject
{
    Q_OBJECT

public:
    struct Peer
    {
        QWebSocket *socket = nullptr;
        QByteArray token; // the X-API-TOKEN of its opening handshake
        QStringList received;
        bool ended = false;
        int closeCode = -1; // as the client sent it, once the peer ended
    };

    explicit LoopbackWebSocketServer(QObject *parent = nullptr)
        : QObject(parent)
        , m_server(QStringLiteral("loopback"), QWebSocketServer::NonSecureMode)
    {
        connect(&m_server, &QWebSocketServer::newConnection, this, &LoopbackWebSocketServer::accept);
    }

    bool listen(quint16 port = 0) { return m_server.listen(QHostAddress::LocalHost, port); }
    void close() { m_server.close(); }
    quint16 port() const { return m_server.serverPort(); }
    QUrl url() const { return QUrl(QStringLiteral("ws://127.0.0.1:%1/norvik-ws").arg(port())); }

    qsizetype peerCount() const { return m_peers.size(); }
    Peer &peer(qsizetype index) { return *m_peers[index]; }
    Peer &last() { return *m_peers.last(); }

private:
    void accept()
    {
        while (QWebSocket *socket = m_server.nextPendingConnection()) {
            auto peer = std::make_shared<Peer>();
            peer->socket = socket;
            peer->token = socket->request().rawHeader("X-API-TOKEN");
            socket->setParent(this);
            socket->setMaxAllowedIncomingMessageSize(64 * 1024 * 1024);
            connect(socket, &QWebSocket::textMessageReceived, this,
                [peer](const QString &text) { peer->received.append(text); });
            connect(socket, &QWebSocket::disconnected, this, [peer] {
                peer->ended = true;
                peer->closeCode = int(peer->socket->closeCode());
            });
            m_peers.append(peer);
        }
    }

    QWebSocketServer m_server;
    QList<std::shared_ptr<Peer>> m_peers;
};
