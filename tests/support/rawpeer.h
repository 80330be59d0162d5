#pragma once

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <memory>

// A bare TCP peer of norvik-server, for what neither the client nor a
// well-behaved HTTP or WebSocket library ever sends.
namespace RawPeer {

constexpr int WaitMs = 10000;

inline std::unique_ptr<QTcpSocket> connectTo(quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QStringLiteral("127.0.0.1"), port);
    socket->waitForConnected(WaitMs);
    return socket;
}

// A WebSocket upgrade of /norvik-ws with this token (none when empty) and
// extra header lines, each ending in CRLF.
inline QByteArray upgradeRequest(const QByteArray &token, const QByteArray &extraHeaders = {})
{
    return "GET /norvik-ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n"
        + (token.isEmpty() ? QByteArray() : "X-API-TOKEN: " + token + "\r\n") + extraHeaders + "\r\n";
}

struct Answer
{
    int status = 0; // 0: nothing came
    QByteArray body;
};

// One HTTP answer: status line, headers, and a body of the announced length.
inline Answer readAnswer(QTcpSocket &socket)
{
    QByteArray data;
    const auto more = [&socket] { return socket.bytesAvailable() > 0 || socket.waitForReadyRead(WaitMs); };
    while (!data.contains("\r\n\r\n") && more())
        data += socket.readAll();
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0)
        return {};
    qint64 length = 0;
    for (const QByteArray &line : data.left(end).split('\n')) {
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toLongLong();
    }
    while (data.size() < end + 4 + length && more())
        data += socket.readAll();
    return { data.mid(9, 3).toInt(), data.mid(end + 4, length) };
}

// Sends toSend (a byte every 50 ms when dribbling) and collects in *data
// what the server answers, until it drops the connection or the deadline
// passes. Whether it dropped it.
inline bool exchange(
    QTcpSocket &socket, QByteArray toSend, bool dribble, QDeadlineTimer deadline, QByteArray *data)
{
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        if (!toSend.isEmpty()) {
            const qsizetype n = dribble ? 1 : toSend.size();
            socket.write(toSend.left(n));
            toSend.remove(0, n);
        }
        socket.waitForReadyRead(int(std::min<qint64>(50, deadline.remainingTime())));
        *data += socket.readAll();
    }
    *data += socket.readAll();
    return socket.state() != QAbstractSocket::ConnectedState;
}

} // namespace RawPeer
