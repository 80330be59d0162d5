#pragma once

#include "protocol/records.h"

#include <QByteArray>
#include <QHttpServerRequest>
#include <QString>
#include <QUrlQuery>
#include <functional>

class Store;

// The nine endpoints under /api: reads the request's query or JSON body
// strictly, asks the store, and answers a status with a JSON body. Refusals
// answer {"error": text} and nothing else, because the client reads error
// bodies as a map of texts. Token checks happen before this.
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
    };

    // What a committed write tells the real-time channel.
    std::function<void(qint64 ticketId)> onTicketCreated;
    std::function<void(qint64 authorId, qint64 ticketId, const QString &closeMessage)> onTicketClosed;

    explicit ApiRoutes(Store &store);

    // path is the part after /api, for example "/company/list.php";
    // authorized tells whether the request carried the API token.
    Reply handle(QHttpServerRequest::Method method, const QString &path, const QUrlQuery &query,
        const QByteArray &body, bool authorized);

    static Reply error(int status, const QString &message);
    // The company list changed elsewhere, or may have: read it again next time.
    void forgetCompanies() { m_companiesBody.clear(); }

private:
    struct Request
    {
        const QUrlQuery &query;
        const QByteArray &body;
    };

    Reply dispatch(QHttpServerRequest::Method method, const QString &path, const QUrlQuery &query,
        const QByteArray &body);
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

    Store &m_store;
    // The company list is read far more often than it changes; its body is
    // kept until the next company is created, here or through another
    // instance.
    QByteArray m_companiesBody;
};
