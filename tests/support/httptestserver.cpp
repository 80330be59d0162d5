#include "httptestserver.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr qint64 StreamBlock = 64 * 1024;
// Keep at most this much queued in the socket so a stream stays lazy.
constexpr qint64 StreamHighWater = 1024 * 1024;
constexpr qsizetype MaxHeadBytes = 64 * 1024;

// The header of that name, compared case-insensitively, or the end.
auto findName(const QList<std::pair<QByteArray, QByteArray>> &headers, QByteArrayView name)
{
    return std::find_if(headers.cbegin(), headers.cend(),
        [name](const auto &header) { return header.first.compare(name, Qt::CaseInsensitive) == 0; });
}

TestRequest decoded(const HttpTestRequest &raw)
{
    TestRequest request { raw.method, QString::fromUtf8(raw.path()).mid(4),
        QUrlQuery(QString::fromUtf8(raw.query())), {}, raw.body };
    for (const auto &[name, value] : raw.headers)
        request.headers.insert(name.toLower(), value);
    return request;
}

} // namespace

QJsonObject TestRequest::json() const
{
    return QJsonDocument::fromJson(body).object();
}

TestResponse TestResponse::json(const QJsonObject &object, int status, int delayMs)
{
    return { status, QJsonDocument(object).toJson(QJsonDocument::Compact), delayMs };
}

QByteArray HttpTestRequest::path() const
{
    const qsizetype mark = target.indexOf('?');
    return mark < 0 ? target : target.left(mark);
}

QByteArray HttpTestRequest::query() const
{
    const qsizetype mark = target.indexOf('?');
    return mark < 0 ? QByteArray() : target.mid(mark + 1);
}

bool HttpTestRequest::hasHeader(QByteArrayView name) const
{
    return findName(headers, name) != headers.cend();
}

QByteArray HttpTestRequest::header(QByteArrayView name) const
{
    const auto it = findName(headers, name);
    return it == headers.cend() ? QByteArray() : it->second;
}

HttpTestResponse HttpTestResponse::reply(
    int status, QByteArray body, QList<std::pair<QByteArray, QByteArray>> extraHeaders)
{
    // The client reads the status code only, never the reason phrase.
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " Answer\r\n";
    if (findName(extraHeaders, "Content-Length") == extraHeaders.cend())
        extraHeaders.emplaceBack("Content-Length", QByteArray::number(body.size()));
    if (findName(extraHeaders, "Connection") == extraHeaders.cend())
        extraHeaders.emplaceBack("Connection", "close");
    for (const auto &[name, value] : std::as_const(extraHeaders))
        head += name + ": " + value + "\r\n";
    HttpTestResponse response;
    response.bytes = head + "\r\n" + body;
    return response;
}

HttpTestResponse HttpTestResponse::json(int status, QByteArray body)
{
    return reply(status, std::move(body), { { "Content-Type", "application/json; charset=utf-8" } });
}

HttpTestResponse HttpTestResponse::redirect(int status, QByteArray location)
{
    return reply(status, {}, { { "Location", location } });
}

HttpTestResponse HttpTestResponse::raw(QByteArray bytes, bool thenClose)
{
    return { Kind::Raw, std::move(bytes), 0, true, thenClose, 0 };
}

HttpTestResponse HttpTestResponse::close()
{
    return { Kind::Close, {}, 0, true, true, 0 };
}

HttpTestResponse HttpTestResponse::stream(qint64 totalBytes, bool announceLength)
{
    return { Kind::Stream, {}, totalBytes, announceLength, true, 0 };
}

HttpTestResponse HttpTestResponse::delayed(int milliseconds) const
{
    HttpTestResponse copy = *this;
    copy.delayMs = milliseconds;
    return copy;
}

struct HttpTestServer::Connection
{
    QPointer<QTcpSocket> socket; // gone once the peer hung up
    QByteArray buffer;
    bool answered = false;
    qint64 streamLeft = 0;
    bool chunked = false;
};

HttpTestServer::HttpTestServer(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &HttpTestServer::onNewConnection);
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qFatal("HttpTestServer: cannot listen on 127.0.0.1");
}

HttpTestServer::~HttpTestServer() = default;

QUrl HttpTestServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server->serverPort()));
}

QString HttpTestServer::apiBase() const
{
    return url().toString() + QStringLiteral("/api");
}

quint16 HttpTestServer::port() const
{
    return m_server->serverPort();
}

void HttpTestServer::setHandler(Handler handler)
{
    m_handler = std::move(handler);
}

void HttpTestServer::setResponse(const HttpTestResponse &response)
{
    m_handler = [response](const HttpTestRequest &) { return response; };
}

void HttpTestServer::setHandler(ApiHandler handler)
{
    m_apiHandler = std::move(handler);
    m_handler = nullptr;
}

void HttpTestServer::setReply(const QString &path, const TestResponse &response)
{
    m_replies.insert(path, response);
    m_handler = nullptr;
}

HttpTestResponse HttpTestServer::apiAnswer(const HttpTestRequest &raw) const
{
    const TestRequest request = decoded(raw);
    const auto canned = m_replies.constFind(request.path);
    const TestResponse response = canned != m_replies.cend() ? *canned
        : m_apiHandler                                       ? m_apiHandler(request)
                       : TestResponse { 404, R"({"error":"Not found"})", 0 };
    const HttpTestResponse answer = response.status < 0
        ? HttpTestResponse::close()
        : HttpTestResponse::json(response.status, response.body);
    return answer.delayed(response.delayMs);
}

QList<TestRequest> HttpTestServer::apiRequests() const
{
    QList<TestRequest> requests;
    for (const HttpTestRequest &raw : m_requests)
        requests.append(decoded(raw));
    return requests;
}

QList<TestRequest> HttpTestServer::requestsTo(const QString &path) const
{
    QList<TestRequest> found;
    for (const TestRequest &request : apiRequests()) {
        if (request.path == path)
            found.append(request);
    }
    return found;
}

void HttpTestServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        // The connection's state lives as long as its socket.
        auto connection = std::make_shared<Connection>();
        connection->socket = socket;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, connection] { readFrom(connection); });
        connect(
            socket, &QTcpSocket::bytesWritten, this, [this, connection] { feedStream(connection.get()); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void HttpTestServer::readFrom(const std::shared_ptr<Connection> &connection)
{
    connection->buffer += connection->socket->readAll();
    if (connection->answered)
        return; // one request per connection: every answer closes it

    QByteArray &buffer = connection->buffer;
    const auto refuse = [&] {
        connection->answered = true;
        answer(connection.get(), HttpTestResponse::reply(400));
    };
    // Anything that does not open with an upper-case method is no HTTP.
    if (!buffer.isEmpty() && !(buffer.at(0) >= 'A' && buffer.at(0) <= 'Z'))
        return refuse();
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (buffer.size() > MaxHeadBytes)
            refuse();
        return;
    }

    HttpTestRequest request;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3)
        return refuse();
    request.method = requestLine.at(0);
    request.target = requestLine.at(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append(std::pair(line.left(colon), line.mid(colon + 1).trimmed()));
    }
    const qint64 length = request.header("Content-Length").toLongLong();
    if (buffer.size() < headEnd + 4 + length)
        return; // the body is still on its way
    request.body = buffer.mid(headEnd + 4, length);

    connection->answered = true;
    m_requests.append(request);
    if (m_holding)
        m_held.append(std::pair(connection, request));
    else
        respond(connection, request);
}

void HttpTestServer::setHolding(bool holding)
{
    m_holding = holding;
    if (holding)
        return;
    for (const auto &[connection, request] : std::exchange(m_held, {}))
        respond(connection, request);
}

void HttpTestServer::respond(const std::shared_ptr<Connection> &connection, const HttpTestRequest &request)
{
    // Without a raw handler, the API's answer.
    const HttpTestResponse response = m_handler ? m_handler(request) : apiAnswer(request);
    if (!connection->socket || connection->socket->state() != QAbstractSocket::ConnectedState)
        return;
    // A socket that goes meanwhile takes the delayed answer with it.
    QTimer::singleShot(response.delayMs, connection->socket,
        [this, connection, response] { answer(connection.get(), response); });
}

void HttpTestServer::answer(Connection *connection, const HttpTestResponse &response)
{
    QTcpSocket *socket = connection->socket;
    switch (response.kind) {
    case HttpTestResponse::Kind::Reply:
    case HttpTestResponse::Kind::Raw:
        socket->write(response.bytes);
        if (response.thenClose)
            socket->disconnectFromHost(); // after the bytes are out
        break;
    case HttpTestResponse::Kind::Close:
        socket->abort();
        socket->deleteLater();
        break;
    case HttpTestResponse::Kind::Stream: {
        QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n";
        head += response.announceLength
            ? "Content-Length: " + QByteArray::number(response.streamBytes) + "\r\n"
            : QByteArray("Transfer-Encoding: chunked\r\n");
        socket->write(head + "\r\n");
        connection->streamLeft = response.streamBytes;
        connection->chunked = !response.announceLength;
        feedStream(connection);
        break;
    }
    }
}

void HttpTestServer::feedStream(Connection *connection)
{
    QTcpSocket *socket = connection->socket;
    if (connection->streamLeft <= 0 || socket->state() != QAbstractSocket::ConnectedState)
        return;
    static const QByteArray block(StreamBlock, 'x');
    while (connection->streamLeft > 0 && socket->bytesToWrite() < StreamHighWater) {
        const qint64 size = std::min(StreamBlock, connection->streamLeft);
        const QByteArrayView data(block.constData(), size);
        if (connection->chunked)
            socket->write(QByteArray::number(size, 16) + "\r\n" + data + "\r\n");
        else
            socket->write(data.data(), data.size());
        connection->streamLeft -= size;
        m_streamed += size;
    }
    if (connection->streamLeft == 0) {
        if (connection->chunked)
            socket->write("0\r\n\r\n");
        socket->disconnectFromHost();
    }
}
