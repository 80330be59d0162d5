#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QTcpSocket;

// Watches one HTTP connection from the side, before the HTTP server reads it:
// refuses a request whose declared body is over the limit as soon as its
// headers are in (413), refuses headers that are too large or too slow, and
// drops a connection that has been silent too long. The HTTP server itself
// would buffer any body whole and wait for ever on a half-open peer.
class ConnectionGuard : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        qint64 maxBodyBytes = 32LL * 1024 * 1024;
        qint64 maxHeaderBytes = 64 * 1024;
        int headerTimeoutMs = 10000;
        int idleTimeoutMs = 60000;
        // After a refusal, how long the rest of the upload is read and thrown
        // away so the peer sees the answer rather than a reset.
        int drainMs = 2000;
    };

    // Must be created before the HTTP server connects to the socket, so this
    // sees every fragment first. Owned by the socket.
    ConnectionGuard(QTcpSocket *socket, const Limits &limits);

private:
    enum class Phase { Headers, Body, Refused, WebSocket };

    void onReadyRead();
    void readHeaders(const QByteArray &fragment, qsizetype *offset);
    void headersComplete();
    void refuse(int status, const QByteArray &reason, const QString &message);
    void drain();

    QTcpSocket *m_socket;
    Limits m_limits;
    Phase m_phase = Phase::Headers;
    QByteArray m_headers;
    qint64 m_bodyRemaining = 0;
    bool m_closing = false;
    QTimer m_idleTimer;
    QTimer m_headerTimer;
    QTimer m_drainTimer;
};
