#include "websockethub.h"

#include "protocol/jsonreader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QStringDecoder>
#include <QWebSocket>

using namespace Qt::StringLiterals;

namespace {

constexpr auto Path = u"/norvik-ws";

} // namespace

WebSocketHub::WebSocketHub(int pingIntervalMs, AuthMode mode, QObject *parent)
    : QObject(parent)
    , m_pingIntervalMs(pingIntervalMs)
    , m_mode(mode)
{
    m_pingTimer.setInterval(pingIntervalMs);
    connect(&m_pingTimer, &QTimer::timeout, this, &WebSocketHub::pingAll);
    m_pingTimer.start();
}

WebSocketHub::~WebSocketHub()
{
    for (const auto &peer : m_peers) {
        peer->socket->disconnect(this);
        delete peer->socket;
    }
}

void WebSocketHub::adopt(std::unique_ptr<QWebSocket> owned, const Caller &caller)
{
    QWebSocket *socket = owned.release();
    socket->setParent(this);
    if (socket->requestUrl().path() != Path) {
        socket->close(QWebSocketProtocol::CloseCodePolicyViolated, u"unknown path"_s);
        connect(socket, &QWebSocket::disconnected, socket, &QObject::deleteLater);
        return;
    }
    // Qt closes the connection itself (code 1009) past these sizes, before
    // buffering any more of the message.
    socket->setMaxAllowedIncomingFrameSize(MaxMessageBytes);
    socket->setMaxAllowedIncomingMessageSize(MaxMessageBytes);

    auto peer = std::make_unique<Peer>();
    peer->socket = socket;
    peer->caller = caller;
    peer->lastHeard.start();
    peer->windowStart.start();
    Peer *raw = peer.get();
    m_peers.push_back(std::move(peer));

    connect(socket, &QWebSocket::textMessageReceived, this,
        [this, raw](const QString &text) { onMessage(raw, text); });
    connect(socket, &QWebSocket::binaryMessageReceived, this, [this, raw](const QByteArray &bytes) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(bytes);
        if (decoder.hasError())
            sendError(raw, u"Message binaire qui n'est pas du texte UTF-8"_s);
        else
            onMessage(raw, text);
    });
    connect(
        socket, &QWebSocket::pong, this, [raw](quint64, const QByteArray &) { raw->lastHeard.restart(); });
    connect(socket, &QWebSocket::disconnected, this, [this, socket] { remove(socket); });
}

void WebSocketHub::remove(QWebSocket *socket)
{
    const auto it = std::find_if(
        m_peers.begin(), m_peers.end(), [socket](const auto &peer) { return peer->socket == socket; });
    if (it != m_peers.end())
        m_peers.erase(it);
    socket->disconnect(this);
    socket->deleteLater();
}

bool WebSocketHub::isFlooding(Peer *peer)
{
    if (peer->windowStart.elapsed() > MessageWindowMs) {
        peer->windowStart.restart();
        peer->messagesInWindow = 0;
    }
    return ++peer->messagesInWindow > MaxMessagesPerWindow;
}

void WebSocketHub::refuse(Peer *peer, const QString &reason)
{
    // Nothing more is read from it, and it was never announced: no push
    // reaches it while the close completes. A peer that does not finish the
    // closing handshake is cut off.
    QWebSocket *socket = peer->socket;
    peer->userType.clear();
    socket->disconnect(this);
    connect(socket, &QWebSocket::disconnected, this, [this, socket] { remove(socket); });
    QTimer::singleShot(RefusedGraceMs, socket, [socket] { socket->abort(); });
    // May end the connection, and with it the peer, at once.
    socket->close(QWebSocketProtocol::CloseCodePolicyViolated, reason);
}

void WebSocketHub::onMessage(Peer *peer, const QString &text)
{
    peer->lastHeard.restart();
    if (isFlooding(peer)) {
        qWarning("norvik-server: closing a WebSocket peer that floods (%d messages in %lld s, user %lld)",
            peer->messagesInWindow, MessageWindowMs / 1000, peer->userId);
        refuse(peer, u"trop de messages"_s);
        return;
    }
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject()) {
        sendError(peer, u"Message JSON invalide"_s);
        return;
    }
    const QJsonObject message = document.object();
    const QJsonValue type = message.value(u"type"_s);
    if (!type.isString()) {
        sendError(peer, u"Message sans « type »"_s);
        return;
    }
    if (type.toString() != u"auth") {
        sendError(peer, u"Type de message inconnu : "_s + type.toString());
        return;
    }
    const std::optional<qint64> userId = JsonReader::wholeNumber(message.value(u"userId"_s));
    const QString userType = message.value(u"userType"_s).toString();
    if (!userId || (userType != u"user" && userType != u"admin")) {
        sendError(peer, u"auth attend « userId » (entier) et « userType » (\"user\" ou \"admin\")"_s);
        return;
    }
    // Whoever reaches the channel must not hear another user's events by
    // naming that user: only registered ids are taken, besides the two
    // fixed ones.
    if (*userId != 0 && *userId != 9999 && !(isKnownUser && isKnownUser(*userId))) {
        qWarning("norvik-server: refusing the announcement of unknown user %lld", *userId);
        refuse(peer, u"utilisateur inconnu"_s);
        return;
    }
    if (const std::optional<QString> reason = forbidden(peer, *userId, userType)) {
        qWarning("norvik-server: refusing the announcement of %s %lld on a connection not entitled to it",
            qUtf8Printable(userType), *userId);
        refuse(peer, *reason);
        return;
    }
    // A second announcement replaces the first: the client re-announces
    // after a change of mode.
    peer->userId = *userId;
    peer->userType = userType;
    send(peer, QJsonObject { { u"type"_s, u"auth_success"_s } });
}

std::optional<QString> WebSocketHub::forbidden(const Peer *peer, qint64 userId, const QString &userType) const
{
    if (m_mode == AuthMode::Shared)
        return std::nullopt;
    const Caller &caller = peer->caller;
    if (userType == u"admin" || userId == 9999)
        return caller.kind == Caller::Staff ? std::nullopt : std::optional(u"réservé au personnel"_s);
    if (userId == 0 || caller.isUser(userId))
        return std::nullopt;
    return u"identité différente de celle de la connexion"_s;
}

template<typename Match>
void WebSocketHub::closeWhere(Match match, const QString &reason)
{
    std::vector<Peer *> targets;
    for (const auto &peer : m_peers) {
        if (match(*peer))
            targets.push_back(peer.get());
    }
    for (Peer *peer : targets)
        refuse(peer, reason);
}

void WebSocketHub::closeSession(const QString &sessionDigest)
{
    closeWhere(
        [&](const Peer &peer) {
            return peer.caller.kind == Caller::Staff && peer.caller.sessionDigest == sessionDigest;
        },
        u"session terminée"_s);
}

void WebSocketHub::closeUser(qint64 userId)
{
    closeWhere([&](const Peer &peer) { return peer.caller.isUser(userId); }, u"secret révoqué"_s);
}

QStringList WebSocketHub::sessions() const
{
    QStringList digests;
    for (const auto &peer : m_peers) {
        if (peer->caller.kind == Caller::Staff && !digests.contains(peer->caller.sessionDigest))
            digests.append(peer->caller.sessionDigest);
    }
    return digests;
}

void WebSocketHub::send(Peer *peer, const QJsonObject &message)
{
    if (peer->socket->bytesToWrite() > MaxBacklogBytes) {
        qWarning("norvik-server: dropping a WebSocket peer that does not read (user %lld)", peer->userId);
        peer->socket->abort();
        return;
    }
    peer->socket->sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
}

void WebSocketHub::sendError(Peer *peer, const QString &message)
{
    send(peer, QJsonObject { { u"type"_s, u"error"_s }, { u"message"_s, message } });
}

bool WebSocketHub::hasAdmins() const
{
    return std::any_of(
        m_peers.cbegin(), m_peers.cend(), [](const auto &peer) { return peer->userType == u"admin"; });
}

void WebSocketHub::pushNewTicket(const Ticket &ticket)
{
    pushToStaff(QJsonObject { { u"type"_s, u"new_ticket"_s }, { u"ticket"_s, ticket.toJson() } });
}

void WebSocketHub::pushTicketClosed(qint64 authorId, qint64 ticketId, const QString &closeMessage)
{
    pushToUser(authorId,
        QJsonObject { { u"type"_s, u"ticket_closed"_s }, { u"ticketId"_s, ticketId },
            { u"closeMessage"_s, closeMessage } });
}

template<typename Match>
void WebSocketHub::pushWhere(Match match, const QJsonObject &message)
{
    // Copy the targets first: a peer dropped while sending leaves the list.
    std::vector<Peer *> targets;
    for (const auto &peer : m_peers) {
        if (match(*peer))
            targets.push_back(peer.get());
    }
    for (Peer *peer : targets)
        send(peer, message);
}

void WebSocketHub::pushToUser(qint64 userId, const QJsonObject &message)
{
    pushWhere([&](const Peer &peer) { return peer.userType == u"user" && peer.userId == userId; }, message);
}

void WebSocketHub::pushToStaff(const QJsonObject &message)
{
    pushWhere([](const Peer &peer) { return peer.userType == u"admin"; }, message);
}

void WebSocketHub::pingAll()
{
    std::vector<QWebSocket *> silent;
    for (const auto &peer : m_peers) {
        if (peer->lastHeard.elapsed() > 2LL * m_pingIntervalMs)
            silent.push_back(peer->socket);
        else
            peer->socket->ping();
    }
    for (QWebSocket *socket : silent)
        socket->abort();
}

void WebSocketHub::closeAll()
{
    // Closing a peer can drop it from m_peers at once (remove() on its
    // disconnection), so the sockets are taken out of the list first.
    std::vector<QPointer<QWebSocket>> sockets;
    sockets.reserve(m_peers.size());
    for (const auto &peer : m_peers)
        sockets.emplace_back(peer->socket);
    for (const QPointer<QWebSocket> &socket : sockets) {
        if (socket)
            socket->close(QWebSocketProtocol::CloseCodeGoingAway);
    }
}
