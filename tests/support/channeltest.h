#pragma once

#include "core/usersettings.h"
#include "core/websocketservice.h"

#include <QObject>
#include <QStringList>
#include <QTest>
#include <QWebSocket>

// Collects the lines the real-time channel writes to the log, in order.
class LogRecorder : public QObject
{
    Q_OBJECT

public:
    explicit LogRecorder(QObject *parent = nullptr)
        : QObject(parent)
    {
        connect(&WebSocketService::shared(), &WebSocketService::logged, this,
            [this](const QString &line) { lines.append(line); });
    }

    bool contains(const QString &line) const { return lines.contains(line); }
    qsizetype count(const QString &line) const { return lines.count(line); }
    // Lines that begin with prefix, in order.
    QStringList starting(const QString &prefix) const
    {
        QStringList found;
        for (const QString &line : lines)
            if (line.startsWith(prefix))
                found.append(line);
        return found;
    }

    QStringList lines;
};

// Drives the shared channel the way the program does.
namespace Channel {

// The identity the next connection announces.
inline void identify(qint64 userId, bool admin)
{
    UserSettings::shared().writeInteger(UserSettings::UserId, userId);
    UserSettings::shared().writeBool(UserSettings::IsAdmin, admin);
}

inline void start()
{
    WebSocketService::shared().shouldStayConnected = true;
    WebSocketService::shared().connect();
}

// Handlers of a test point into its own stack.
inline void forgetHandlers()
{
    WebSocketService &service = WebSocketService::shared();
    service.onNewMessage = nullptr;
    service.onTicketClosed = nullptr;
    service.onNewTicket = nullptr;
    service.onAdminTyping = nullptr;
}

// Ends the channel and waits for its sockets to go, so that none still
// closing logs into the next test.
inline bool stop()
{
    WebSocketService::shared().disconnect();
    return QTest::qWaitFor([] { return WebSocketService::shared().findChildren<QWebSocket *>().isEmpty(); });
}

} // namespace Channel
