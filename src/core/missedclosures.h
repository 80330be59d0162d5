#pragma once

#include "ticketstatusmemory.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QSet>

class APIService;
class DesktopNotifier;
class NotificationState;
class RealtimeWiring;
class UserSettings;
class WebSocketService;

// Tells the user of tickets closed while the program was not listening: the
// server pushes a closure only to a program connected at that moment. Each
// time the channel is (re)established, the user's tickets are fetched once
// and compared with the statuses last seen. Every ticket now closed that was
// not seen closed is told with the push's own notification; more than three
// are told in a single summary. A closure already pushed is not told again.
class MissedClosures : public QObject
{
    Q_OBJECT

public:
    // Up to this many closures get one notification each.
    static constexpr int MaxSingleNotifications = 3;
    static constexpr auto SummaryIdentifier = "tickets-closed-summary";

    MissedClosures(APIService &api, const UserSettings &settings, WebSocketService &channel,
        RealtimeWiring &wiring, DesktopNotifier &notifier, NotificationState &unread,
        const QString &memoryPath = TicketStatusMemory::defaultPath(), QObject *parent = nullptr);

    // Listens to the channel from now on (once, however often it is called).
    void start();
    // Fetches and compares now, or right after the check under way.
    void checkNow();

    // "4 tickets ont été fermés."
    static QString summaryText(int count);

Q_SIGNALS:
    // A check compared the server's list with the statuses last seen.
    void checked(int closedCount);

private:
    QCoro::Task<> runChecks();
    QCoro::Task<> checkOnce();
    void rememberPush(qint64 ticketId);

    APIService &m_api;
    const UserSettings &m_settings;
    WebSocketService &m_channel;
    RealtimeWiring &m_wiring;
    DesktopNotifier &m_notifier;
    NotificationState &m_unread;
    TicketStatusMemory m_memory;
    bool m_started = false;
    bool m_running = false;
    bool m_again = false;
    // Closures pushed while a list was on its way: the list may predate them.
    QSet<qint64> m_pushedDuringCheck;
};
