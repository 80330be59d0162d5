#pragma once

#include "httptestserver.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>
#include <functional>

// The loopback HTTP server seen as the screens' API: paths without "/api",
// a decoded query, JSON answers. A test sets a handler or a fixed reply per
// path, and every request that reached the server is kept.
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
        // Recorded on arrival, so a held request counts before it is answered.
        QObject::connect(&m_server, &HttpTestServer::requestReceived, &m_server,
            [this](const HttpTestRequest &raw) { requests.append(decoded(raw)); });
        m_server.setHandler([this](const HttpTestRequest &raw) {
            const TestRequest request = decoded(raw);
            const auto canned = m_replies.constFind(request.path);
            const TestResponse response = canned != m_replies.cend() ? *canned
                : m_handler                                          ? m_handler(request)
                            : TestResponse { 404, R"({"error":"Not found"})", 0 };
            const HttpTestResponse answer = response.status < 0
                ? HttpTestResponse::close()
                : HttpTestResponse::json(response.status, response.body);
            return answer.delayed(response.delayMs);
        });
    }

    bool listen() const { return m_server.port() != 0; }
    QString apiBase() const { return m_server.url().toString() + QStringLiteral("/api"); }

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    // The answer to every later request for path, whatever the handler says.
    void setReply(const QString &path, const TestResponse &response) { m_replies.insert(path, response); }
    void clearReplies() { m_replies.clear(); }
    // While held, requests are recorded but wait unanswered.
    void setHolding(bool holding) { m_server.setHolding(holding); }

    QList<TestRequest> requests;
    qsizetype count(const QString &path) const { return requestsTo(path).size(); }
    QList<TestRequest> requestsTo(const QString &path) const
    {
        QList<TestRequest> found;
        for (const TestRequest &request : requests)
            if (request.path == path)
                found.append(request);
        return found;
    }

private:
    static TestRequest decoded(const HttpTestRequest &raw)
    {
        TestRequest request { raw.method, QString::fromUtf8(raw.path()).mid(4),
            QUrlQuery(QString::fromUtf8(raw.query())), {}, raw.body };
        for (const auto &[name, value] : raw.headers)
            request.headers.insert(name.toLower(), value);
        return request;
    }

    HttpTestServer m_server;
    Handler m_handler;
    QHash<QString, TestResponse> m_replies;
};
