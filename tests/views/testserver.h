#pragma once

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <functional>

// A scriptable HTTP server on 127.0.0.1 (port chosen by the system) for the
// error paths and timings a real server will not produce on demand: each
// test sets the handler, and every request that reached the server is kept.
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

class TestServer : public QObject
{
public:
    using Handler = std::function<TestResponse(const TestRequest &)>;

    TestServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                accept(socket);
        });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QString apiBase() const { return QStringLiteral("http://127.0.0.1:%1/api").arg(m_server.serverPort()); }

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
    void accept(QTcpSocket *socket)
    {
        auto *buffer = new QByteArray;
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [socket, buffer] {
            delete buffer;
            socket->deleteLater();
        });
        QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            TestRequest request;
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            const QList<QByteArray> start = lines.value(0).trimmed().split(' ');
            request.method = start.value(0);
            const QUrl url(QString::fromLatin1(start.value(1)));
            request.path = url.path().mid(QStringLiteral("/api").size());
            request.query = QUrlQuery(url);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    request.headers.insert(
                        lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
            const qsizetype length = request.headers.value("content-length").toLongLong();
            if (buffer->size() < end + 4 + length)
                return;
            request.body = buffer->mid(end + 4, length);
            buffer->clear();
            requests.append(request);
            const TestResponse response = m_handler ? m_handler(request) : TestResponse { 404, "{}", 0 };
            QPointer<QTcpSocket> guard(socket);
            auto send = [guard, response] {
                if (!guard)
                    return;
                if (response.status < 0) {
                    guard->abort();
                    return;
                }
                QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n"
                    + "Content-Type: application/json\r\nConnection: close\r\nContent-Length: "
                    + QByteArray::number(response.body.size()) + "\r\n\r\n" + response.body;
                guard->write(reply);
                guard->disconnectFromHost();
            };
            if (response.delayMs > 0)
                QTimer::singleShot(response.delayMs, socket, send);
            else
                send();
        });
    }

    QTcpServer m_server;
    Handler m_handler;
};
