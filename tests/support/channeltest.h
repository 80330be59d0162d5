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
    explicit LogRecorder(WebSocketService &service, QObject *parent = nullptr)
        : QObject(parent)
    {
        connect(
            &service, &WebSocketService::logged, this, [this](const QString &line) { lines.append(line); });
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

// Collects the events the real-time channel emits while it lives, one line
// each: "closed:7|text", "ticket:7|title", "message:7|from|text|time",
// "pushed:7|id|side|from", "typing:7", "user-typing:7".
class EventRecorder : public QObject
{
    Q_OBJECT

public:
    explicit EventRecorder(WebSocketService &service, QObject *parent = nullptr)
        : QObject(parent)
    {
        using namespace Qt::StringLiterals;
        connect(&service, &WebSocketService::newMessage, this,
            [this](qint64 id, const QString &sender, const QString &message, const QString &time) {
                calls.append(u"message:%1|%2|%3|%4"_s.arg(id).arg(sender, message, time));
            });
        connect(&service, &WebSocketService::ticketClosed, this, [this](qint64 id, const QString &message) {
            calls.append(u"closed:%1|%2"_s.arg(id).arg(message));
        });
        connect(&service, &WebSocketService::newTicket, this, [this](const Ticket &ticket) {
            calls.append(u"ticket:%1|%2"_s.arg(ticket.id).arg(ticket.displayTitle()));
        });
        connect(&service, &WebSocketService::adminTyping, this,
            [this](qint64 id) { calls.append(u"typing:%1"_s.arg(id)); });
        connect(&service, &WebSocketService::userTyping, this,
            [this](qint64 id) { calls.append(u"user-typing:%1"_s.arg(id)); });
        connect(&service, &WebSocketService::messagePushed, this, [this](const ConversationMessage &message) {
            calls.append(u"pushed:%1|%2|%3|%4"_s.arg(message.ticketId)
                             .arg(message.id)
                             .arg(message.sender, message.senderName));
        });
    }

    QStringList calls;
};

// Drives a channel the way the program does.
namespace Channel {

// The identity the next connection announces.
inline void identify(UserSettings &settings, qint64 userId, bool admin)
{
    settings.writeInteger(UserSettings::UserId, userId);
    settings.writeBool(UserSettings::IsAdmin, admin);
}

inline void start(WebSocketService &service)
{
    service.allowReconnection();
    service.connect();
}

// Ends the channel and waits for its sockets to go, so that none still
// closing logs into the next test.
inline bool stop(WebSocketService &service)
{
    service.disconnect();
    return QTest::qWaitFor([&service] { return service.findChildren<QWebSocket *>().isEmpty(); });
}

} // namespace Channel
