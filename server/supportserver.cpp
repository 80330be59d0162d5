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

} // namespace

SupportServer::SupportServer(const ServerOptions &options, Store &store, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_options(options)
    , m_store(store)
    , m_routes(store)
    , m_appcast(options.appcastVersion, options.appcastBuild, options.appcastNotes)
    , m_hub(new WebSocketHub(options.pingIntervalMs, this))
{
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
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, [this] {
        while (hasPendingWebSocketConnections())
            m_hub->adopt(nextPendingWebSocketConnection());
    });
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

bool SupportServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    const QString path = request.url().path();
    const auto method = request.method();
    // The HTTP server hands an upgrade over to the WebSocket layer only when
    // the request counts as handled, and then expects no answer from here.
    // An upgrade anywhere else is left unhandled: a 404, then the connection
    // is closed. Without the shared token the upgrade is answered 401 here
    // and left unhandled too, so it never becomes a WebSocket.
    if (isUpgrade(request)) {
        if (path != u"/norvik-ws")
            return false;
        if (hasToken(request))
            return true;
        const ApiRoutes::Reply reply = ApiRoutes::error(401, u"Jeton d'API absent ou incorrect"_s);
        respond(request, socket, reply.status, reply.body, Json);
        return false;
    }

    if (path.startsWith(u"/api/"_s)) {
        const ApiRoutes::Reply reply
            = m_routes.handle(method, path.mid(4), request.query(), request.body(), hasToken(request));
        respond(request, socket, reply.status, reply.body, Json);
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

bool SupportServer::isUpgrade(const QHttpServerRequest &request)
{
    return !request.value("upgrade").isEmpty();
}

void SupportServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    // A refused upgrade of the channel has had its 401 already.
    if (isUpgrade(request) && request.url().path() == u"/norvik-ws")
        return;
    const ApiRoutes::Reply reply = ApiRoutes::error(404, u"Ressource inconnue : "_s + request.url().path());
    respond(request, socket, reply.status, reply.body, Json);
}
