#include "supportserver.h"

#include "guardedtcpserver.h"
#include "storeerror.h"
#include "websockethub.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QWebSocket>

using namespace Qt::StringLiterals;

namespace {

constexpr auto Json = "application/json";
constexpr int SessionCheckMs = 60000;

const QString BadToken = u"Jeton d'API absent ou incorrect"_s;

} // namespace

SupportServer::SupportServer(const ServerOptions &options, Store &store, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_options(options)
    , m_store(store)
    , m_routes(store, options.auth)
    , m_appcast(options.appcastVersion, options.appcastBuild, options.appcastNotes)
    , m_hub(new WebSocketHub(options.pingIntervalMs, options.auth, this))
    , m_conversations(store, *m_hub)
    , m_gatekeeper(store)
{
    m_routes.onMessageAdded = [this](qint64 messageId) { m_conversations.messageAdded(messageId); };
    m_routes.onTyping = [this](const QString &side, qint64 ticketId, qint64 authorId) {
        m_conversations.typedHere(side, ticketId, authorId);
    };
    m_routes.onSessionEnded = [this](const QString &digest) { m_hub->closeSession(digest); };
    m_routes.onSecretReset = [this](qint64 userId) { m_hub->closeUser(userId); };
    m_routes.onTicketCreated = [this](qint64 ticketId) { pushNewTicket(ticketId); };
    m_routes.onTicketClosed = [this](qint64 author, qint64 ticketId, const QString &message) {
        m_hub->pushTicketClosed(author, ticketId, message);
    };
    connect(&store, &Store::changedElsewhere, this, &SupportServer::relay);
    m_hub->isKnownUser = [&store](qint64 userId) {
        try {
            return store.hasUser(userId);
        } catch (const StoreError &e) {
            qWarning("norvik-server: %s", qUtf8Printable(e.message));
            return false;
        }
    };
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &SupportServer::adoptConnections);
    if (options.auth == AuthMode::Accounts) {
        connect(&m_sessionCheck, &QTimer::timeout, this, &SupportServer::closeEndedSessions);
        m_sessionCheck.start(SessionCheckMs);
    }
}

void SupportServer::adoptConnections()
{
    while (hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = nextPendingWebSocketConnection();
        Caller caller { Caller::Trusted, 0, {} };
        if (m_options.auth == AuthMode::Accounts) {
            try {
                // The upgrade was let through with this credential a moment ago.
                caller = m_gatekeeper.identify(socket->request().rawHeader("Authorization"));
            } catch (const StoreError &) {
                caller = { Caller::Rejected, 0, {} };
            }
        }
        m_hub->adopt(std::move(socket), caller);
    }
}

void SupportServer::closeEndedSessions()
{
    try {
        m_store.endExpiredSessions(Gatekeeper::now(), Gatekeeper::SessionIdleSeconds);
        for (const QString &digest : m_hub->sessions()) {
            if (!m_gatekeeper.sessionAlive(digest))
                m_hub->closeSession(digest);
        }
    } catch (const StoreError &e) {
        qWarning("norvik-server: cannot check the staff sessions: %s", qUtf8Printable(e.message));
    }
}

SupportServer::~SupportServer() = default;

void SupportServer::pushNewTicket(qint64 ticketId)
{
    // Read after the write, and only for someone to read it: the creation
    // itself stays one statement. A read that fails loses a push, not the
    // acknowledged ticket.
    if (!m_hub->hasAdmins())
        return;
    try {
        if (const std::optional<Ticket> ticket = m_store.ticket(ticketId))
            m_hub->pushNewTicket(*ticket);
    } catch (const StoreError &e) {
        qWarning(
            "norvik-server: cannot read ticket %lld to push it: %s", ticketId, qUtf8Printable(e.message));
    }
}

void SupportServer::relay(const Store::Change &change)
{
    // Each instance reads the ticket itself: the notification carries only
    // its id. A read that fails now is a push this instance cannot make, like
    // those of a window while the connection was lost.
    try {
        switch (change.kind) {
        case Store::Change::TicketCreated:
            pushNewTicket(change.ticketId);
            break;
        case Store::Change::TicketClosed:
            if (const std::optional<Store::Closure> closure = m_store.closure(change.ticketId))
                m_hub->pushTicketClosed(closure->authorId, change.ticketId, closure->closeMessage);
            break;
        case Store::Change::CompaniesChanged:
            m_routes.forgetCompanies();
            break;
        case Store::Change::SessionEnded:
            m_hub->closeSession(change.sessionDigest);
            break;
        case Store::Change::MessageAdded:
            m_conversations.messageAdded(change.messageId);
            break;
        case Store::Change::StaffTyping:
        case Store::Change::UserTyping:
            m_conversations.typedElsewhere(change);
            break;
        }
    } catch (const StoreError &e) {
        qWarning("norvik-server: cannot relay a change made elsewhere: %s", qUtf8Printable(e.message));
    }
}

bool SupportServer::start(QString *error)
{
    ConnectionGuard::Limits limits;
    limits.idleTimeoutMs = m_options.idleTimeoutMs;
    limits.headerTimeoutMs = m_options.headerTimeoutMs;
    auto *tcp = new GuardedTcpServer(limits, this);
    if (!tcp->listen(m_options.listen, m_options.port)) {
        *error = tcp->errorString();
        delete tcp;
        return false;
    }
    m_port = tcp->serverPort();
    bind(tcp);
    return true;
}

void SupportServer::stopListening()
{
    for (QTcpServer *tcp : servers())
        tcp->close();
}

bool SupportServer::hasToken(const QHttpServerRequest &request) const
{
    const QByteArray expected = m_options.token.toUtf8();
    const auto headers = request.headers();
    return std::any_of(headers.cbegin(), headers.cend(), [&](const auto &header) {
        return header.first.compare("X-API-TOKEN", Qt::CaseInsensitive) == 0 && header.second == expected;
    });
}

QString SupportServer::baseUrl(const QHttpServerRequest &request) const
{
    // The feed's links follow the address the client used to reach it.
    const auto headers = request.headers();
    for (const auto &[name, value] : headers) {
        if (name.compare("Host", Qt::CaseInsensitive) == 0 && !value.isEmpty()
            && QUrl(u"http://"_s + QString::fromLatin1(value)).isValid())
            return u"http://"_s + QString::fromLatin1(value);
    }
    return u"http://127.0.0.1:%1"_s.arg(m_port);
}

void SupportServer::respond(const QHttpServerRequest &request, QTcpSocket *socket, int status,
    const QByteArray &body, const QByteArray &contentType)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.write(body, contentType, QHttpServerResponder::StatusCode(status));
}

void SupportServer::respond(const QHttpServerRequest &request, QTcpSocket *socket,
    const ApiRoutes::Reply &reply, const QByteArray &contentType)
{
    if (reply.retryAfterSeconds == 0) {
        respond(request, socket, reply.status, reply.body, contentType);
        return;
    }
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.write(reply.body,
        { { "Content-Type", contentType }, { "Retry-After", QByteArray::number(reply.retryAfterSeconds) } },
        QHttpServerResponder::StatusCode(reply.status));
}

bool SupportServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QString path = request.url().path();
    const auto method = request.method();
    // The HTTP server hands an upgrade over to the WebSocket layer only when
    // the request counts as handled, and then expects no answer from here.
    // An upgrade anywhere else is left unhandled: a 404, then the connection
    // is closed. Without the program token, or in accounts mode with a
    // credential that matches nothing, the upgrade is answered 401 here and
    // left unhandled too, so it never becomes a WebSocket.
    if (isUpgrade(request))
        return path == u"/norvik-ws" && admitUpgrade(request, socket);

    if (path.startsWith(u"/api/"_s)) {
        const ApiRoutes::Access access { hasToken(request), request.value("authorization"),
            socket->peerAddress().toString() };
        const ApiRoutes::Reply reply
            = m_routes.handle(method, path.mid(4), request.query(), request.body(), access);
        respond(request, socket, reply, Json);
        if (reply.then)
            reply.then();
        return true;
    }

    // No token: a load balancer asks this. 200 only when the database answers.
    if (method == QHttpServerRequest::Method::Get && path == u"/healthz") {
        if (m_store.ping())
            respond(request, socket, 200, R"({"status":"ok"})", Json);
        else
            respond(request, socket, 503, R"({"error":"Base de données injoignable"})", Json);
        return true;
    }
    if (method == QHttpServerRequest::Method::Get && path == u"/appcast.xml") {
        respond(request, socket, 200, m_appcast.feed(baseUrl(request)), "application/rss+xml; charset=utf-8");
        return true;
    }
    if (method == QHttpServerRequest::Method::Get && path == u"/release-notes.html") {
        respond(request, socket, 200, m_appcast.releaseNotes(), "text/html; charset=utf-8");
        return true;
    }
    return false;
}

bool SupportServer::admitUpgrade(const QHttpServerRequest &request, QTcpSocket *socket)
{
    std::optional<QString> refusal;
    if (!hasToken(request)) {
        refusal = BadToken;
    } else if (m_options.auth == AuthMode::Accounts) {
        // No credential is let in (it may announce only 0); a wrong one is not.
        try {
            if (m_gatekeeper.identify(request.value("authorization")).kind == Caller::Rejected)
                refusal = u"Authentification requise : identifiant absent, incorrect ou expiré"_s;
        } catch (const StoreError &) {
            refusal = u"Base de données momentanément indisponible"_s;
        }
    }
    if (!refusal)
        return true;
    respond(request, socket, ApiRoutes::error(401, *refusal), Json);
    return false;
}

bool SupportServer::isUpgrade(const QHttpServerRequest &request)
{
    return !request.value("upgrade").isEmpty();
}

void SupportServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    // A refused upgrade of the channel has had its 401 already.
    if (isUpgrade(request) && request.url().path() == u"/norvik-ws")
        return;
    respond(request, socket, ApiRoutes::error(404, u"Ressource inconnue : "_s + request.url().path()), Json);
}
