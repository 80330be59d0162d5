#include "connectionguard.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

ConnectionGuard::ConnectionGuard(QTcpSocket *socket, const Limits &limits)
    : QObject(socket)
    , m_socket(socket)
    , m_limits(limits)
{
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(m_limits.idleTimeoutMs);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        m_closing = true;
        m_socket->disconnectFromHost();
        m_drainTimer.start(m_limits.drainMs);
    });
    m_headerTimer.setSingleShot(true);
    m_headerTimer.setInterval(m_limits.headerTimeoutMs);
    connect(&m_headerTimer, &QTimer::timeout, this,
        [this] { refuse(408, "Request Timeout", u"Requête trop lente"_s); });
    m_drainTimer.setSingleShot(true);
    connect(&m_drainTimer, &QTimer::timeout, this, [this] {
        // First a graceful close once the answer is out, then, for a peer
        // that does not finish closing, a hard one.
        if (m_socket->state() == QAbstractSocket::ConnectedState && !m_closing) {
            m_closing = true;
            m_socket->disconnectFromHost();
            m_drainTimer.start(m_limits.drainMs);
        } else {
            m_socket->abort();
            // Normally the HTTP server deletes the socket once it is closed,
            // but it cuts every connection of a socket whose request it could
            // not parse; then this is the only place that still knows.
            m_socket->deleteLater();
        }
    });

    connect(m_socket, &QTcpSocket::readyRead, this, &ConnectionGuard::onReadyRead);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_phase != Phase::WebSocket && m_phase != Phase::Refused)
            m_idleTimer.start();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        m_idleTimer.stop();
        m_headerTimer.stop();
        m_drainTimer.stop();
    });
    m_idleTimer.start();
}

void ConnectionGuard::onReadyRead()
{
    if (m_phase == Phase::WebSocket)
        return;
    if (m_phase == Phase::Refused) {
        drain();
        return;
    }
    m_idleTimer.start();

    const qint64 available = m_socket->bytesAvailable();
    // Most of a large body goes by without being looked at: only its length
    // matters here.
    if (m_phase == Phase::Body && m_bodyRemaining >= available) {
        m_bodyRemaining -= available;
        if (m_bodyRemaining == 0)
            m_phase = Phase::Headers;
        return;
    }

    const QByteArray fragment = m_socket->peek(available);
    qsizetype offset = 0;
    while (offset < fragment.size() && m_phase != Phase::Refused && m_phase != Phase::WebSocket) {
        if (m_phase == Phase::Body) {
            const qint64 take = std::min<qint64>(m_bodyRemaining, fragment.size() - offset);
            m_bodyRemaining -= take;
            offset += take;
            if (m_bodyRemaining == 0)
                m_phase = Phase::Headers;
        } else {
            readHeaders(fragment, &offset);
        }
    }
}

void ConnectionGuard::readHeaders(const QByteArray &fragment, qsizetype *offset)
{
    if (m_headers.isEmpty())
        m_headerTimer.start();
    // Look for the blank line from a little before the new bytes, in case
    // it straddles two fragments.
    const qsizetype searchFrom = std::max<qsizetype>(0, m_headers.size() - 3);
    const qsizetype before = m_headers.size();
    m_headers.append(fragment.constData() + *offset, fragment.size() - *offset);
    const qsizetype end = m_headers.indexOf("\r\n\r\n", searchFrom);
    if (end < 0) {
        *offset = fragment.size();
        if (m_headers.size() > m_limits.maxHeaderBytes)
            refuse(431, "Request Header Fields Too Large", u"En-têtes trop grands"_s);
        return;
    }
    *offset += end + 4 - before;
    m_headers.truncate(end + 4);
    if (m_headers.size() > m_limits.maxHeaderBytes) {
        refuse(431, "Request Header Fields Too Large", u"En-têtes trop grands"_s);
        return;
    }
    m_headerTimer.stop();
    headersComplete();
    m_headers.clear();
}

void ConnectionGuard::headersComplete()
{
    qint64 contentLength = 0;
    bool chunked = false;
    bool upgrade = false;
    const QList<QByteArray> lines = m_headers.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            bool ok = false;
            contentLength = value.toLongLong(&ok);
            if (!ok || contentLength < 0) {
                refuse(400, "Bad Request", u"Content-Length invalide"_s);
                return;
            }
        } else if (name == "transfer-encoding") {
            chunked = value.toLower().contains("chunked");
        } else if (name == "upgrade") {
            upgrade = value.toLower() == "websocket";
        }
    }
    if (chunked) {
        // Without a declared length the size could only be judged after
        // buffering; every client of this server sends Content-Length.
        refuse(411, "Length Required", u"Content-Length requis"_s);
        return;
    }
    if (contentLength > m_limits.maxBodyBytes) {
        refuse(413, "Payload Too Large", u"Requête trop volumineuse (32 Mio au plus)"_s);
        return;
    }
    if (upgrade) {
        // From here the WebSocket layer owns the connection and keeps it
        // alive with its own pings.
        m_phase = Phase::WebSocket;
        m_idleTimer.stop();
        return;
    }
    m_bodyRemaining = contentLength;
    m_phase = contentLength > 0 ? Phase::Body : Phase::Headers;
}

void ConnectionGuard::refuse(int status, const QByteArray &reason, const QString &message)
{
    m_phase = Phase::Refused;
    m_headerTimer.stop();
    m_idleTimer.stop();
    // The HTTP server must not see the rest of this connection: it would
    // buffer the body it was told about.
    disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
    connect(m_socket, &QTcpSocket::readyRead, this, &ConnectionGuard::drain);
    const QByteArray body
        = QJsonDocument(QJsonObject { { u"error"_s, message } }).toJson(QJsonDocument::Compact);
    m_socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason
        + "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\n\r\n" + body);
    m_socket->flush();
    drain();
    m_drainTimer.start(m_limits.drainMs);
}

void ConnectionGuard::drain()
{
    // Whatever the HTTP server had started to collect is dropped with the rest.
    if (m_socket->isTransactionStarted())
        m_socket->commitTransaction();
    m_socket->skip(m_socket->bytesAvailable());
}
