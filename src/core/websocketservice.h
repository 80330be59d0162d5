#pragma once

#include "configuration.h"
#include "connectionwatch.h"
#include "protocol/records.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWebSocket>
#include <chrono>

class CredentialStore;
class UserSettings;

// The channel's timings; tests shorten them, the program keeps the defaults.
struct WebSocketOptions
{
    static constexpr std::chrono::milliseconds DefaultReconnectDelay { 5000 };
    // A server that takes the connection but never completes the opening
    // handshake counts as a failed opening after this long.
    static constexpr std::chrono::milliseconds DefaultOpeningTimeout { 60000 };

    std::chrono::milliseconds reconnectDelay = DefaultReconnectDelay;
    std::chrono::milliseconds openingTimeout = DefaultOpeningTimeout;
    ConnectionWatchOptions watch {};
};

// The program's one real-time connection to the support server: opens the
// WebSocket, announces who listens, turns every server message into a typed
// signal, and comes back 5 seconds after the connection is lost for as long
// as the caller wants it up. A connection that dies silently counts as lost
// once its watch notices.
class WebSocketService : public QObject
{
    Q_OBJECT

public:
    using Options = WebSocketOptions;

    // Connects to configuration's address with its token, announcing the
    // identity settings hold at each attempt.
    WebSocketService(const Configuration &configuration, const UserSettings &settings,
        const Options &options = Options(), QObject *parent = nullptr);
    // The same, the upgrade carrying the credential stored for the identity
    // announced: the staff session in administrator mode, else the user's secret.
    WebSocketService(const Configuration &configuration, const UserSettings &settings,
        const CredentialStore &credentials, const Options &options = Options(), QObject *parent = nullptr);

    // Opens a connection for the identity stored now; refused while
    // shouldStayConnected is false. An earlier socket is aborted first.
    void connect();
    // Closes the connection (code 1001) and turns reconnection off.
    void disconnect();

    // Whether connecting and reconnecting are allowed. Callers allow it
    // right before connect(); only disconnect() forbids it again.
    bool shouldStayConnected() const { return m_shouldStayConnected; }
    void allowReconnection() { m_shouldStayConnected = true; }

    // Parses one server message and emits its signal. Never throws.
    void handleMessage(const QString &text);

    // Largest message accepted from the server; a longer one ends the
    // connection rather than the memory.
    static constexpr qint64 MaxIncomingMessageSize = 64 * 1024 * 1024;

    // The socket of the current connection, if any (tests and benchmarks).
    QWebSocket *currentSocket() const { return m_socket; }

Q_SIGNALS:
    // Every line this service writes to the log, as written.
    void logged(const QString &line);
    // The server took the announcement: from now on its pushes reach us.
    void authenticated();
    // The server's events, each emitted only for a message of the right shape.
    void newMessage(qint64 ticketId, const QString &sender, const QString &message, const QString &timestamp);
    void ticketClosed(qint64 ticketId, const QString &closeMessage);
    void newTicket(const Ticket &ticket);
    void adminTyping(qint64 ticketId);
    // A member of the staff receives these about the users' side.
    void userTyping(qint64 ticketId);
    // Every new_message also comes as a record: its id when the server gave
    // one (else 0), its side from senderType or, failing that, the side
    // opposite to this connection's.
    void messagePushed(const ConversationMessage &message);

private:
    void log(const QString &line);
    void authenticate(QWebSocket *socket);
    void receiveBinary(const QByteArray &frame);
    void socketEnded(QWebSocket *socket);
    void dropSilently(QWebSocket *socket);
    void retryNowIfWaitingForNetwork();
    void handleNewMessage(const QJsonObject &message);

    const Configuration m_configuration;
    const UserSettings &m_settings;
    const CredentialStore *m_credentials = nullptr;
    const Options m_options;
    ConnectionWatch *m_watch;
    QTimer m_retry;
    // The pending retry was armed while the system saw no network.
    bool m_retryBeganOffline = false;
    QPointer<QWebSocket> m_socket;
    bool m_shouldStayConnected = false;
    qint64 m_userId = 0;
    QString m_userType = QStringLiteral("user");
};
