#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QUrl>
#include <QUrlQuery>
#include <functional>
#include <memory>
#include <utility>

class QTcpServer;
class QTcpSocket;

// One request exactly as it came over the wire.
struct HttpTestRequest
{
    QByteArray method;
    QByteArray target; // raw path and query of the request line, escapes untouched
    QList<std::pair<QByteArray, QByteArray>> headers; // in the order sent, names as sent
    QByteArray body;

    QByteArray path() const; // target up to '?'
    QByteArray query() const; // target after '?', empty when there is none
    bool hasHeader(QByteArrayView name) const; // names compare case-insensitively
    QByteArray header(QByteArrayView name) const; // first value, empty when absent
};

// What the server does with one request. Build it with the factories.
struct HttpTestResponse
{
    enum class Kind { Reply, Raw, Close, Stream };

    // A complete HTTP/1.1 answer. Content-Length and "Connection: close" are
    // added unless extraHeaders already name them.
    static HttpTestResponse reply(
        int status, QByteArray body = {}, QList<std::pair<QByteArray, QByteArray>> extraHeaders = {});
    static HttpTestResponse json(int status, QByteArray body);
    static HttpTestResponse redirect(int status, QByteArray location);
    // These bytes and nothing else (garbage, half a header...), then close,
    // or keep the connection open and silent (a reply that stalls).
    static HttpTestResponse raw(QByteArray bytes, bool thenClose = true);
    // Close the connection without writing a byte.
    static HttpTestResponse close();
    // A 200 whose body of totalBytes is generated on the fly as the client
    // reads, so a huge body costs the server no memory. With announceLength
    // false the body is sent chunked.
    static HttpTestResponse stream(qint64 totalBytes, bool announceLength);
    // Same answer, sent only after the given delay.
    HttpTestResponse delayed(int milliseconds) const;

    Kind kind = Kind::Reply;
    QByteArray bytes; // head and body for Reply, everything for Raw
    qint64 streamBytes = 0;
    bool announceLength = true;
    bool thenClose = true;
    int delayMs = 0;
};

// The same request as the screens' API sees it: the path under "/api", the
// query decoded, header names lower-cased.
struct TestRequest
{
    QByteArray method;
    QString path;
    QUrlQuery query;
    QHash<QByteArray, QByteArray> headers;
    QByteArray body;

    QJsonObject json() const;
};

// An answer in the API's terms: a JSON body, after delayMs. A negative status
// drops the connection without answering.
struct TestResponse
{
    int status = 200;
    QByteArray body;
    int delayMs = 0;

    static TestResponse json(const QJsonObject &object, int status = 200, int delayMs = 0);
};

// A raw HTTP/1.1 server on 127.0.0.1 (port chosen by the system) that answers
// every request from a handler and records each request. It plays the support
// server where a test needs answers norvik-server never gives. Request bodies must
// carry Content-Length; a connection that does not start with a request line
// (a TLS hello, say) gets "400 Bad Request" and is closed. Until a handler is
// set it answers as the screens' API would: replies set per path, then the
// API handler, then 404 with a JSON error.
class HttpTestServer : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<HttpTestResponse(const HttpTestRequest &)>;
    using ApiHandler = std::function<TestResponse(const TestRequest &)>;

    explicit HttpTestServer(QObject *parent = nullptr); // listening on return
    ~HttpTestServer() override;

    // "http://127.0.0.1:<port>", without a trailing slash.
    QUrl url() const;
    quint16 port() const;
    // "http://127.0.0.1:<port>/api", the screens' API.
    QString apiBase() const;
    bool listen() const { return port() != 0; }

    void setHandler(Handler handler);
    // Shortcut: the same answer to every request.
    void setResponse(const HttpTestResponse &response);
    // Answers in the API's terms again, from this handler.
    void setHandler(ApiHandler handler);
    // The answer to every later request for path (under "/api"), whatever
    // the handler says.
    void setReply(const QString &path, const TestResponse &response);
    void clearReplies() { m_replies.clear(); }
    // While held, requests are recorded but wait unanswered (to look at a
    // screen mid-request); releasing answers them from the handler.
    void setHolding(bool holding);

    const QList<HttpTestRequest> &requests() const { return m_requests; }
    QList<TestRequest> apiRequests() const;
    QList<TestRequest> requestsTo(const QString &path) const;
    qsizetype count(const QString &path) const { return requestsTo(path).size(); }
    void clearRequests() { m_requests.clear(); }
    // Body bytes written by stream answers so far (to prove an abort).
    qint64 streamedBytes() const { return m_streamed; }

private:
    struct Connection;
    void onNewConnection();
    void readFrom(const std::shared_ptr<Connection> &connection);
    void respond(const std::shared_ptr<Connection> &connection, const HttpTestRequest &request);
    void answer(Connection *connection, const HttpTestResponse &response);
    void feedStream(Connection *connection);
    HttpTestResponse apiAnswer(const HttpTestRequest &raw) const;

    QTcpServer *m_server;
    Handler m_handler;
    ApiHandler m_apiHandler;
    QHash<QString, TestResponse> m_replies;
    QList<HttpTestRequest> m_requests;
    qint64 m_streamed = 0;
    bool m_holding = false;
    QList<std::pair<std::shared_ptr<Connection>, HttpTestRequest>> m_held;
};
