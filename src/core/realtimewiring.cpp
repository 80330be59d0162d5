#include "realtimewiring.h"

#include "desktopnotifier.h"
#include "notificationstate.h"
#include "protocol/records.h"
#include "websocketservice.h"

#include <utility>

using namespace Qt::StringLiterals;

RealtimeWiring::RealtimeWiring(
    WebSocketService &channel, DesktopNotifier &notifier, NotificationState &unread, QObject *parent)
    : QObject(parent)
    , m_channel(channel)
    , m_notifier(notifier)
    , m_unread(unread)
{ }

void RealtimeWiring::start()
{
    // Connected once for the life of the wiring, however often the channel
    // is restarted. The channel's new messages and typing events have no
    // visible effect in this program.
    if (!std::exchange(m_connected, true)) {
        connect(&m_channel, &WebSocketService::newTicket, this, &RealtimeWiring::showNewTicketNotification);
        connect(
            &m_channel, &WebSocketService::ticketClosed, this, &RealtimeWiring::showTicketClosedNotification);
    }
    m_channel.disconnect();
    m_channel.allowReconnection();
    m_channel.connect();
}

void RealtimeWiring::shutdown()
{
    m_channel.disconnect();
}

void RealtimeWiring::showTicketClosedNotification(qint64 ticketId, const QString &closeMessage)
{
    m_unread.setHasUnreadNotification(true);
    // A message of spaces is still the staff's message: only an empty one is
    // replaced.
    const QString body
        = closeMessage.isEmpty() ? tr("Votre ticket #%1 a été fermé.").arg(ticketId) : closeMessage;
    m_notifier.notify(u"ticket-closed-"_s + QString::number(ticketId), tr("Ticket fermé"), body);
}

void RealtimeWiring::showNewTicketNotification(const Ticket &ticket)
{
    m_unread.setHasUnreadNotification(true);
    m_notifier.notify(u"ticket-"_s + QString::number(ticket.id), tr("Nouveau ticket"), ticket.displayTitle());
}
