#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QUrl>
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
    enum class Kind { Reply, Raw, Silence, Close, Stream };

    // A complete HTTP/1.1 answer. Content-Length and "Connection: close" are
    // added unless extraHeaders already name them.
    static HttpTestResponse reply(
        int status, QByteArray body = {}, QList<std::pair<QByteArray, QByteArray>> extraHeaders = {});
    static HttpTestResponse json(int status, QByteArray body);
    static HttpTestResponse redirect(int status, QByteArray location);
    // These bytes and nothing else (garbage, half a header...), then close,
    // or keep the connection open and silent (a reply that stalls).
    static HttpTestResponse raw(QByteArray bytes, bool thenClose = true);
    // Keep the connection open and never answer.
    static HttpTestResponse silence();
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

// A raw HTTP/1.1 server on 127.0.0.1 (port chosen by the system) that answers
// every request from a handler and records each request. It plays the support
// server where a test needs answers norvik-server never gives. Request bodies must
// carry Content-Length; a connection that does not start with a request line
// (a TLS hello, say) gets "400 Bad Request" and is closed.
class HttpTestServer : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<HttpTestResponse(const HttpTestRequest &)>;

    explicit HttpTestServer(QObject *parent = nullptr); // listening on return
    ~HttpTestServer() override;

    // "http://127.0.0.1:<port>", without a trailing slash.
    QUrl url() const;
    quint16 port() const;

    void setHandler(Handler handler);
    // Shortcut: the same answer to every request.
    void setResponse(const HttpTestResponse &response);
    // While held, requests are recorded but wait unanswered (to look at a
    // screen mid-request); releasing answers them from the handler.
    void setHolding(bool holding);

    const QList<HttpTestRequest> &requests() const { return m_requests; }
    // Body bytes written by stream answers so far (to prove an abort).
    qint64 streamedBytes() const { return m_streamed; }

Q_SIGNALS:
    // Emitted on arrival, before the answer (also while holding).
    void requestReceived(const HttpTestRequest &request);

private:
    struct Connection;
    void onNewConnection();
    void readFrom(const std::shared_ptr<Connection> &connection);
    void respond(const std::shared_ptr<Connection> &connection, const HttpTestRequest &request);
    void answer(Connection *connection, const HttpTestResponse &response);
    void feedStream(Connection *connection);

    QTcpServer *m_server;
    Handler m_handler;
    QList<HttpTestRequest> m_requests;
    qint64 m_streamed = 0;
    bool m_holding = false;
    QList<std::pair<std::shared_ptr<Connection>, HttpTestRequest>> m_held;
};
