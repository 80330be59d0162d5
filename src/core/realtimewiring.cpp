#include "realtimewiring.h"

#include "desktopnotifier.h"
#include "notificationcenter.h"
#include "notificationstate.h"
#include "protocol/records.h"
#include "websocketservice.h"

using namespace Qt::StringLiterals;

namespace RealtimeWiring {

void start()
{
    WebSocketService &service = WebSocketService::shared();
    service.onNewTicket = postNewTicket;
    service.onTicketClosed = showTicketClosedNotification;

    // Observed once for the life of the process, however often the channel
    // is restarted.
    static const QMetaObject::Connection observer
        = NotificationCenter::defaultCenter().observe(QString::fromLatin1(NotificationCenter::NewTicket),
            &NotificationCenter::defaultCenter(), [](const QVariant &object) {
                if (object.metaType() == QMetaType::fromType<Ticket>())
                    showNewTicketNotification(object.value<Ticket>());
            });
    Q_UNUSED(observer);

    service.disconnect();
    service.shouldStayConnected = true;
    service.connect();
}

void shutdown()
{
    WebSocketService::shared().disconnect();
}

void postNewTicket(const Ticket &ticket)
{
    NotificationCenter::defaultCenter().post(
        QString::fromLatin1(NotificationCenter::NewTicket), QVariant::fromValue(ticket));
}

void showTicketClosedNotification(qint64 ticketId, const QString &closeMessage)
{
    NotificationState::shared().setHasUnreadNotification(true);
    // A message of spaces is still the staff's message: only an empty one is
    // replaced.
    const QString body = closeMessage.isEmpty()
        ? u"Votre ticket #"_s + QString::number(ticketId) + u" a été fermé."_s
        : closeMessage;
    DesktopNotifier::shared().notify(
        u"ticket-closed-"_s + QString::number(ticketId), u"Ticket fermé"_s, body);
}

void showNewTicketNotification(const Ticket &ticket)
{
    NotificationState::shared().setHasUnreadNotification(true);
    DesktopNotifier::shared().notify(
        u"ticket-"_s + QString::number(ticket.id), u"Nouveau ticket"_s, ticket.displayTitle());
}

} // namespace RealtimeWiring
