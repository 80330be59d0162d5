#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QSignalSpy>
#include <QWebSocket>
#include <optional>

// One WebSocket client of a test on /norvik-ws, keeping every message it
// receives.
class PushListener
{
public:
    static constexpr int WaitMs = 10000;

    explicit PushListener(const QNetworkRequest &request)
        : m_spy(&m_socket, &QWebSocket::textMessageReceived)
        , m_closed(&m_socket, &QWebSocket::disconnected)
    {
        m_socket.open(request);
    }

    bool waitConnected()
    {
        QSignalSpy connected(&m_socket, &QWebSocket::connected);
        return m_socket.state() == QAbstractSocket::ConnectedState || connected.wait(WaitMs);
    }

    void sendJson(const QJsonObject &object)
    {
        m_socket.sendTextMessage(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
    }

    // Announces the identity and waits for the server's acknowledgement.
    // Because the server writes in order, anything it pushed to this
    // connection before the announcement has arrived by then too.
    bool announce(qint64 userId, const QString &userType)
    {
        if (!waitConnected())
            return false;
        sendJson(QJsonObject { { QStringLiteral("type"), QStringLiteral("auth") },
            { QStringLiteral("userId"), userId }, { QStringLiteral("userType"), userType } });
        return waitFor(QStringLiteral("auth_success")).has_value();
    }

    // The next message of this type, waiting for it if needed; messages of
    // other types before it are kept for count().
    std::optional<QJsonObject> waitFor(const QString &type)
    {
        for (;;) {
            while (m_read < m_spy.size()) {
                const QJsonObject message = parse(m_read++);
                if (message.value(QStringLiteral("type")).toString() == type)
                    return message;
            }
            if (!m_spy.wait(WaitMs))
                return std::nullopt;
        }
    }

    qsizetype count(const QString &type) const
    {
        qsizetype n = 0;
        for (qsizetype i = 0; i < m_spy.size(); ++i)
            n += parse(i).value(QStringLiteral("type")).toString() == type ? 1 : 0;
        return n;
    }

    QWebSocket &socket() { return m_socket; }
    QSignalSpy &closedSpy() { return m_closed; }

private:
    QJsonObject parse(qsizetype i) const
    {
        return QJsonDocument::fromJson(m_spy.at(i).at(0).toString().toUtf8()).object();
    }

    QWebSocket m_socket;
    QSignalSpy m_spy;
    QSignalSpy m_closed;
    qsizetype m_read = 0;
};
