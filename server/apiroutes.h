#pragma once

#include "authmode.h"
#include "gatekeeper.h"
#include "loginthrottle.h"
#include "protocol/records.h"

#include <QByteArray>
#include <QHttpServerRequest>
#include <QString>
#include <QUrlQuery>
#include <functional>
#include <optional>

class JsonReader;

class Store;

// The endpoints under /api: reads the request's query or JSON body strictly,
// asks the store, and answers a status with a JSON body. Refusals answer
// {"error": text} and nothing else, because the client reads error bodies as
// a map of texts. In accounts mode each route also says whose credential it
// needs, and the staff's login, logout and workstation reset are added.
class ApiRoutes
{
public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        // Runs after the reply is on its way: the real-time pushes that follow
        // a committed write.
        std::function<void()> then;
        int retryAfterSeconds = 0; // sent as Retry-After when not 0
    };

    // What came with a request besides its path, query and body.
    struct Access
    {
        bool token = false; // the program token was right
        QByteArray authorization; // the Authorization header, if any
        QString peer; // the address it came from
    };

    // What a committed write tells the real-time channel.
    std::function<void(qint64 ticketId)> onTicketCreated;
    std::function<void(qint64 authorId, qint64 ticketId, const QString &closeMessage)> onTicketClosed;
    // A staff session ended by logout; a workstation's secret forgotten.
    std::function<void(const QString &sessionDigest)> onSessionEnded;
    std::function<void(qint64 userId)> onSecretReset;
    // A message stored (not a repeated send); someone typing on a ticket
    // ("user" or "admin").
    std::function<void(qint64 messageId)> onMessageAdded;
    std::function<void(const QString &side, qint64 ticketId, qint64 authorId)> onTyping;

    ApiRoutes(Store &store, AuthMode mode);

    // path is the part after /api, for example "/company/list.php".
    Reply handle(QHttpServerRequest::Method method, const QString &path, const QUrlQuery &query,
        const QByteArray &body, const Access &access);

    static Reply error(int status, const QString &message);
    // The company list changed elsewhere, or may have: read it again next time.
    void forgetCompanies() { m_companiesBody.clear(); }

private:
    struct Request
    {
        const QUrlQuery &query;
        const QByteArray &body;
        const Caller &caller;
        const Access &access;
    };
    // Whose credential a route needs in accounts mode. Member: a user or the
    // staff, the route itself checks which user.
    enum class Need { Open, Member, User, Staff };
    struct Route;

    Reply dispatch(QHttpServerRequest::Method method, const QString &path, const QUrlQuery &query,
        const QByteArray &body, const Access &access);
    // The refusal of a caller a route does not serve, if it does not.
    std::optional<Reply> refusal(Need need, const Caller &caller) const;
    // One route, its refusals turned into error replies.
    Reply run(Reply (ApiRoutes::*route)(const Request &), const Request &request);

    Reply checkPoste(const Request &request);
    Reply getByPoste(const Request &request);
    Reply registerUser(const Request &request);
    Reply listCompanies(const Request &request);
    Reply createCompany(const Request &request);
    Reply createTicket(const Request &request);
    Reply myTickets(const Request &request);
    Reply listTickets(const Request &request);
    Reply closeTicket(const Request &request);
    Reply login(const Request &request);
    Reply logout(const Request &request);
    Reply resetPoste(const Request &request);
    // Conversations (conversationroutes.cpp).
    Reply messages(const Request &request);
    Reply sendMessage(const Request &request);
    Reply typing(const Request &request);
    Reply markRead(const Request &request);
    // The author of a ticket whose conversation the caller takes part in;
    // throws for an unknown ticket and for another user's.
    qint64 conversationAuthor(const Caller &caller, qint64 ticketId);
    // System reports (reportroutes.cpp): the one a new ticket carries, as it
    // is to be stored, and the one a ticket carries.
    std::optional<QByteArray> attachedReport(const JsonReader &body) const;
    Reply ticketReport(const Request &request);

    Store &m_store;
    AuthMode m_mode;
    Gatekeeper m_gatekeeper;
    LoginThrottle m_throttle;
    // The company list is read far more often than it changes; its body is
    // kept until the next company is created, here or through another
    // instance.
    QByteArray m_companiesBody;
};
