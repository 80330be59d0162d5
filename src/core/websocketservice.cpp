#include "websocketservice.h"

#include "configuration.h"
#include "credentialstore.h"
#include "log.h"
#include "protocol/errors.h"
#include "protocol/jsonreader.h"
#include "protocol/records.h"
#include "usersettings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>
#include <QWebSocket>

using namespace Qt::StringLiterals;

namespace {

// A socket that disconnect() closed gets this long to finish the closing
// handshake before it is cut.
constexpr std::chrono::seconds ClosingGrace { 5 };

// Marks kept on each socket: whether its end was already handled, and whether
// the server began a closing handshake on it.
constexpr auto EndedProperty = "norvikEnded";
constexpr auto ClosingProperty = "norvikClosing";
// Set while the announcement still waits in the socket's buffer.
constexpr auto SendingProperty = "norvikSending";

QString failureText(const QWebSocket *socket)
{
    if (socket->error() != QAbstractSocket::UnknownSocketError && !socket->errorString().isEmpty())
        return socket->errorString();
    return u"connexion interrompue"_s;
}

} // namespace

WebSocketService::WebSocketService(
    const Configuration &configuration, const UserSettings &settings, const Options &options, QObject *parent)
    : QObject(parent)
    , m_configuration(configuration)
    , m_settings(settings)
    , m_options(options)
    , m_watch(new ConnectionWatch(options.watch, this))
{
    m_retry.setSingleShot(true);
    QObject::connect(&m_retry, &QTimer::timeout, this, [this] { connect(); });
    // Aborted, the socket ends like any lost connection: logged, then retried.
    QObject::connect(m_watch, &ConnectionWatch::connectionDead, this, [this](QWebSocket *socket) {
        if (socket == m_socket)
            socket->abort();
    });
    QObject::connect(
        m_watch, &ConnectionWatch::networkReturned, this, &WebSocketService::retryNowIfWaitingForNetwork);
}

WebSocketService::WebSocketService(const Configuration &configuration, const UserSettings &settings,
    const CredentialStore &credentials, const Options &options, QObject *parent)
    : WebSocketService(configuration, settings, options, parent)
{
    m_credentials = &credentials;
}

void WebSocketService::log(const QString &line)
{
    Q_EMIT logged(logLine(line));
}

void WebSocketService::connect()
{
    if (!m_shouldStayConnected) {
        log(u"⏹ WebSocket: connexion bloquée (shouldStayConnected=false)"_s);
        return;
    }

    // The identity is read again at every attempt, so a change of user or of
    // mode takes effect on the next connection.
    const qint64 storedId = m_settings.readInteger(UserSettings::UserId);
    if (m_settings.readBool(UserSettings::IsAdmin)) {
        m_userId = 9999;
        m_userType = u"admin"_s;
    } else {
        m_userId = storedId;
        m_userType = u"user"_s;
    }
    log(u"🔌 Connexion WebSocket… (ID="_s + QString::number(m_userId) + u", type="_s + m_userType + u')');

    // A socket left open would go on receiving this user's events beside the
    // new one; its end must not arm a reconnection either.
    if (m_socket)
        dropSilently(m_socket);

    auto *socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    socket->setMaxAllowedIncomingMessageSize(MaxIncomingMessageSize);
    socket->setMaxAllowedIncomingFrameSize(MaxIncomingMessageSize);
    QObject::connect(socket, &QWebSocket::connected, this, [this, socket] { authenticate(socket); });
    QObject::connect(socket, &QWebSocket::textMessageReceived, this, [this, socket](const QString &text) {
        if (socket == m_socket)
            handleMessage(text);
    });
    QObject::connect(
        socket, &QWebSocket::binaryMessageReceived, this, [this, socket](const QByteArray &frame) {
            if (socket == m_socket)
                receiveBinary(frame);
        });
    // aboutToClose on an open socket that this service did not close means
    // the server sent a close frame: that is the close event. The socket also
    // announces its own abort while opening, which is no close event.
    QObject::connect(socket, &QWebSocket::aboutToClose, this, [socket] {
        if (socket->state() == QAbstractSocket::ConnectedState)
            socket->setProperty(ClosingProperty, true);
    });
    // Queued, so that an end reported from inside open() or close() is
    // handled after the caller's own log lines.
    QObject::connect(
        socket, &QWebSocket::disconnected, this, [this, socket] { socketEnded(socket); },
        Qt::QueuedConnection);
    QTimer::singleShot(m_options.openingTimeout, socket, [socket] {
        if (socket->state() != QAbstractSocket::ConnectedState)
            socket->abort();
    });
    m_socket = socket;
    // The same shared token as every REST request: the server refuses the
    // upgrade without it.
    QNetworkRequest request(m_configuration.wsURL);
    request.setRawHeader("X-API-TOKEN", m_configuration.apiToken.toUtf8());
    if (m_credentials) {
        const QString credential = m_credentials->value(
            m_userType == u"admin" ? CredentialStore::Kind::StaffSession : CredentialStore::Kind::UserSecret);
        if (!credential.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + credential.toUtf8());
    }
    socket->open(request);
}

void WebSocketService::disconnect()
{
    log(u"⏹ WebSocket → demande déconnexion"_s);
    m_shouldStayConnected = false;
    m_userId = 0;
    m_userType = u"none"_s;
    m_watch->stop();
    if (QWebSocket *socket = m_socket) {
        m_socket = nullptr;
        socket->close(QWebSocketProtocol::CloseCodeGoingAway);
        // Hand the close frame to the system now: at quit the event loop may
        // not run again to write it.
        socket->flush();
        QTimer::singleShot(ClosingGrace, socket, [socket] { socket->abort(); });
    }
    log(u"❌ WebSocket totalement déconnecté"_s);
}

void WebSocketService::dropSilently(QWebSocket *socket)
{
    m_watch->stop();
    QObject::disconnect(socket, nullptr, this, nullptr);
    socket->abort();
    socket->deleteLater();
}

void WebSocketService::authenticate(QWebSocket *socket)
{
    if (socket != m_socket)
        return;
    log(u"✅ WebSocket connecté"_s);
    m_watch->watch(socket);
    const QJsonObject announcement { { u"type"_s, u"auth"_s }, { u"userId"_s, m_userId },
        { u"userType"_s, m_userType } };
    const QByteArray bytes = QJsonDocument(announcement).toJson(QJsonDocument::Compact);
    const qint64 sent = socket->sendTextMessage(QString::fromUtf8(bytes));
    if (sent != bytes.size()) {
        log(u"❌ Erreur envoi WebSocket: "_s + failureText(socket));
        return;
    }
    // Accepted is not yet sent: the frame leaves with a later turn of the
    // event loop, and a connection lost before then takes it along.
    socket->setProperty(SendingProperty, true);
    QObject::connect(socket, &QWebSocket::bytesWritten, this, [socket] {
        if (socket->bytesToWrite() == 0)
            socket->setProperty(SendingProperty, false);
    });
}

void WebSocketService::receiveBinary(const QByteArray &frame)
{
    // A binary frame counts only when it holds valid UTF-8 text.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(frame);
    if (decoder.hasError())
        return;
    handleMessage(text);
}

void WebSocketService::socketEnded(QWebSocket *socket)
{
    if (socket->property(EndedProperty).toBool())
        return;
    socket->setProperty(EndedProperty, true);
    socket->deleteLater();

    // A socket that disconnect() let go ends voluntarily; only the current
    // one can call for a new attempt.
    const bool current = socket == m_socket;
    if (current) {
        m_watch->stop();
        m_socket = nullptr;
        if (socket->property(SendingProperty).toBool())
            log(u"❌ Erreur envoi WebSocket: "_s + failureText(socket));
        if (socket->property(ClosingProperty).toBool())
            log(u"❌ WebSocket fermé (code="_s + QString::number(int(socket->closeCode())) + u')');
    }
    // A connection that never opened ends here too: it is retried like a lost
    // one, otherwise a server down at start-up would leave the channel down
    // until the program restarts.
    log(u"❌ Erreur réception WebSocket: "_s + failureText(socket));
    if (current && m_shouldStayConnected) {
        log(u"🔄 Tentative de reconnexion dans 5 sec…"_s);
        m_retryBeganOffline = !m_watch->networkReachable();
        m_retry.start(m_options.reconnectDelay);
    } else {
        log(u"⛔ Reconnexion annulée (déconnecté volontairement)"_s);
    }
}

void WebSocketService::retryNowIfWaitingForNetwork()
{
    // Waiting on would only delay a connection the network now allows.
    if (m_retry.isActive() && m_retryBeganOffline) {
        m_retry.stop();
        connect();
    }
}

void WebSocketService::handleMessage(const QString &text)
{
    log(u"📩 RAW WS MESSAGE: "_s + text);

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return;
    const QJsonObject message = document.object();
    const QJsonValue typeValue = message.value(u"type");
    if (!typeValue.isString())
        return;
    const QString type = typeValue.toString();

    const auto integer = [&message](QStringView key) { return JsonReader::wholeNumber(message.value(key)); };
    const auto string = [&message](QStringView key) -> std::optional<QString> {
        const QJsonValue value = message.value(key);
        if (!value.isString())
            return std::nullopt;
        return value.toString();
    };

    if (type == u"auth_success") {
        log(u"✅ WebSocket authentifié"_s);
        Q_EMIT authenticated();
    } else if (type == u"new_message") {
        handleNewMessage(message);
    } else if (type == u"ticket_closed") {
        const auto ticketId = integer(u"ticketId");
        const auto closeMessage = string(u"closeMessage");
        if (!ticketId || !closeMessage)
            return;
        Q_EMIT ticketClosed(*ticketId, *closeMessage);
    } else if (type == u"new_ticket") {
        log(u"💥 new_ticket reçu dans WebSocketService !"_s);
        const QJsonValue ticketValue = message.value(u"ticket");
        std::optional<Ticket> ticket;
        if (ticketValue.isObject()) {
            try {
                ticket = Ticket::fromJson(ticketValue.toObject());
            } catch (const DecodingError &) { }
        }
        if (!ticket) {
            log(u"❌ Impossible de parser le ticket"_s);
            return;
        }
        Q_EMIT newTicket(*ticket);
    } else if (type == u"admin_typing") {
        const auto ticketId = integer(u"ticketId");
        if (!ticketId)
            return;
        Q_EMIT adminTyping(*ticketId);
    } else if (type == u"user_typing") {
        const auto ticketId = integer(u"ticketId");
        if (!ticketId)
            return;
        Q_EMIT userTyping(*ticketId);
    } else if (type == u"error") {
        if (const auto errorText = string(u"message"))
            log(u"❌ WebSocket error: "_s + *errorText);
    } else {
        log(u"⚠️ Message inconnu: "_s + type);
    }
}

void WebSocketService::handleNewMessage(const QJsonObject &message)
{
    const auto ticketId = JsonReader::wholeNumber(message.value(u"ticketId"));
    const QJsonValue sender = message.value(u"sender");
    const QJsonValue body = message.value(u"message");
    const QJsonValue timestamp = message.value(u"timestamp");
    if (!ticketId || !sender.isString() || !body.isString() || !timestamp.isString())
        return;
    Q_EMIT newMessage(*ticketId, sender.toString(), body.toString(), timestamp.toString());

    // The additive keys are read only when they make sense; otherwise the
    // message still counts, with what the connection implies.
    ConversationMessage record;
    record.id = JsonReader::wholeNumber(message.value(u"messageId")).value_or(0);
    record.ticketId = *ticketId;
    const QString senderType = message.value(u"senderType").toString();
    if (senderType == u"admin" || senderType == u"user")
        record.sender = senderType;
    else
        record.sender = m_userType == u"admin" ? u"user"_s : u"admin"_s;
    record.senderName = sender.toString();
    record.message = body.toString();
    record.createdAt = timestamp.toString();
    Q_EMIT messagePushed(record);
}
