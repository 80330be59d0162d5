#pragma once

#include <QHostAddress>
#include <QJsonDocument>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// A small HTTP server on 127.0.0.1 that answers each path with the reply a
// test sets, and keeps every request it received. It plays the support
// server where a test needs answers norvik-server never gives (tickets
// without status or date, a 404 or 409 on close).
class CannedHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
    };
    struct Request
    {
        QByteArray method;
        QByteArray path; // with its query
        QByteArray body;
    };

    explicit CannedHttpServer(QObject *parent = nullptr)
        : QObject(parent)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &CannedHttpServer::accept);
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QString apiBase() const { return QStringLiteral("http://127.0.0.1:%1/api").arg(m_server.serverPort()); }

    // The answer to every later request for path (without the "/api" prefix).
    void setReply(const QByteArray &path, int status, const QByteArray &body)
    {
        m_replies[path] = { status, body };
    }
    void setJsonReply(const QByteArray &path, int status, const QJsonObject &object)
    {
        setReply(path, status, QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    // While held, requests wait unanswered (to look at a screen mid-request).
    void setHolding(bool holding)
    {
        m_holding = holding;
        if (!holding) {
            const auto waiting = std::exchange(m_waiting, {});
            for (const auto &[socket, request] : waiting)
                if (socket)
                    answer(socket, request);
        }
    }

    const QList<Request> &requests() const { return m_requests; }
    qsizetype requestCount(const QByteArray &path) const
    {
        qsizetype count = 0;
        for (const Request &r : m_requests)
            count += r.path == "/api" + path ? 1 : 0;
        return count;
    }

Q_SIGNALS:
    void requestReceived();

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
                buffer->append(socket->readAll());
                const qsizetype end = buffer->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                const QList<QByteArray> lines = buffer->left(end).split('\n');
                qsizetype length = 0;
                for (const QByteArray &line : lines) {
                    if (line.toLower().startsWith("content-length:"))
                        length = line.mid(15).trimmed().toLongLong();
                }
                if (buffer->size() < end + 4 + length)
                    return;
                const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
                Request request { first.value(0), first.value(1), buffer->mid(end + 4, length) };
                buffer->clear();
                m_requests.append(request);
                emit requestReceived();
                if (m_holding)
                    m_waiting.push_back({ socket, request });
                else
                    answer(socket, request);
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void answer(QTcpSocket *socket, const Request &request)
    {
        QByteArray path = request.path;
        if (path.startsWith("/api"))
            path = path.mid(4);
        const qsizetype query = path.indexOf('?');
        if (query >= 0)
            path = path.left(query);
        const auto found = m_replies.find(path);
        const Reply reply
            = found != m_replies.end() ? found->second : Reply { 404, R"({"error":"Not found"})" };
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status)
            + " Canned\r\n"
              "Content-Type: application/json\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(reply.body.size()) + "\r\n\r\n";
        socket->write(head + reply.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    std::map<QByteArray, Reply> m_replies;
    QList<Request> m_requests;
    bool m_holding = false;
    std::vector<std::pair<QPointer<QTcpSocket>, Request>> m_waiting;
};
