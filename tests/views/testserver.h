#pragma once

#include "httptestserver.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>
#include <functional>

// The loopback HTTP server seen as the screens' API: paths without "/api",
// a decoded query, JSON answers. Each test sets the handler, and every
// request that reached the server is kept.
struct TestRequest
{
    QByteArray method;
    QString path;
    QUrlQuery query;
    QHash<QByteArray, QByteArray> headers; // names lower-cased
    QByteArray body;

    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

struct TestResponse
{
    // A negative status drops the connection without answering.
    int status = 200;
    QByteArray body;
    int delayMs = 0;

    static TestResponse json(const QJsonObject &object, int status = 200, int delayMs = 0)
    {
        return { status, QJsonDocument(object).toJson(QJsonDocument::Compact), delayMs };
    }
};

class TestServer
{
public:
    using Handler = std::function<TestResponse(const TestRequest &)>;

    TestServer()
    {
        m_server.setHandler([this](const HttpTestRequest &raw) {
            TestRequest request { raw.method, QString::fromUtf8(raw.path()).mid(4),
                QUrlQuery(QString::fromUtf8(raw.query())), {}, raw.body };
            for (const auto &[name, value] : raw.headers)
                request.headers.insert(name.toLower(), value);
            requests.append(request);
            const TestResponse response = m_handler ? m_handler(request) : TestResponse { 404, "{}" };
            const HttpTestResponse answer = response.status < 0
                ? HttpTestResponse::close()
                : HttpTestResponse::json(response.status, response.body);
            return answer.delayed(response.delayMs);
        });
    }

    bool listen() const { return m_server.port() != 0; }
    QString apiBase() const { return m_server.url().toString() + QStringLiteral("/api"); }

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    QList<TestRequest> requests;
    qsizetype count(const QString &path) const
    {
        return std::count_if(requests.cbegin(), requests.cend(),
            [&path](const TestRequest &request) { return request.path == path; });
    }
    QList<TestRequest> requestsTo(const QString &path) const
    {
        QList<TestRequest> found;
        for (const TestRequest &request : requests)
            if (request.path == path)
                found.append(request);
        return found;
    }

private:
    HttpTestServer m_server;
    Handler m_handler;
};
