#pragma once

#include <QObject>

class DesktopNotifier;
class NotificationState;
struct Ticket;
class WebSocketService;

// Turns the real-time channel's events into what the user notices: a desktop
// notification and the unread badge. The shell calls start() once the event
// loop runs and shutdown() on the way out.
class RealtimeWiring : public QObject
{
    Q_OBJECT

public:
    RealtimeWiring(WebSocketService &channel, DesktopNotifier &notifier, NotificationState &unread,
        QObject *parent = nullptr);

    // Connects the channel's events to the notifications once, then restarts
    // the channel (disconnect, allow reconnection, connect).
    void start();
    // Closes the channel with the close code 1001 and stops any reconnection.
    void shutdown();

    void showTicketClosedNotification(qint64 ticketId, const QString &closeMessage);
    void showNewTicketNotification(const Ticket &ticket);

private:
    WebSocketService &m_channel;
    DesktopNotifier &m_notifier;
    NotificationState &m_unread;
    bool m_connected = false;
};
