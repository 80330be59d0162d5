#pragma once

#include "httptestserver.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <map>

// The loopback server answering each API path (without "/api") with the
// reply a test sets: tickets without status or date, a 404 or 409 on close,
// answers norvik-server never gives.
class CannedHttpServer : public HttpTestServer
{
public:
    CannedHttpServer()
    {
        setHandler([this](const HttpTestRequest &request) {
            const auto found = m_replies.find(request.path().mid(4));
            return found != m_replies.end() ? found->second
                                            : HttpTestResponse::json(404, R"({"error":"Not found"})");
        });
    }

    bool listen() const { return port() != 0; }
    QString apiBase() const { return url().toString() + QStringLiteral("/api"); }

    // The answer to every later request for path.
    void setReply(const QByteArray &path, int status, const QByteArray &body)
    {
        m_replies.insert_or_assign(path, HttpTestResponse::json(status, body));
    }
    void setJsonReply(const QByteArray &path, int status, const QJsonObject &object)
    {
        setReply(path, status, QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    qsizetype requestCount(const QByteArray &path) const
    {
        return std::count_if(requests().cbegin(), requests().cend(),
            [&path](const HttpTestRequest &request) { return request.path() == "/api" + path; });
    }

private:
    std::map<QByteArray, HttpTestResponse> m_replies;
};
