#pragma once

#include <QString>
#include <QtGlobal>

struct Ticket;

// Turns the real-time channel's events into what the user notices: a desktop
// notification and the unread badge. The shell calls start() once the event
// loop runs and shutdown() on the way out.
namespace RealtimeWiring {

// Installs the channel's handlers, observes "WS_NewTicket" and restarts the
// channel (disconnect, allow reconnection, connect).
void start();
// Closes the channel with the close code 1001 and stops any reconnection.
void shutdown();

// The channel's new-ticket handler: hands the ticket to the main thread's
// observer through the named-notification bus.
void postNewTicket(const Ticket &ticket);
void showTicketClosedNotification(qint64 ticketId, const QString &closeMessage);
void showNewTicketNotification(const Ticket &ticket);

} // namespace RealtimeWiring
