#include "missedclosures.h"

#include "apiservice.h"
#include "desktopnotifier.h"
#include "log.h"
#include "notificationstate.h"
#include "protocol/errors.h"
#include "protocol/vocabulary.h"
#include "realtimewiring.h"
#include "usersettings.h"
#include "websocketservice.h"

#include <QPointer>

using namespace Qt::StringLiterals;

MissedClosures::MissedClosures(APIService &api, const UserSettings &settings, WebSocketService &channel,
    RealtimeWiring &wiring, DesktopNotifier &notifier, NotificationState &unread, const QString &memoryPath,
    QObject *parent)
    : QObject(parent)
    , m_api(api)
    , m_settings(settings)
    , m_channel(channel)
    , m_wiring(wiring)
    , m_notifier(notifier)
    , m_unread(unread)
    , m_memory(memoryPath)
{ }

void MissedClosures::start()
{
    if (std::exchange(m_started, true))
        return;
    // Fetched once the server has taken the announcement: from then on a
    // closure is either in the list or pushed, never neither.
    connect(&m_channel, &WebSocketService::authenticated, this, &MissedClosures::checkNow);
    connect(&m_channel, &WebSocketService::ticketClosed, this, &MissedClosures::rememberPush);
}

QString MissedClosures::summaryText(int count)
{
    if (count == 1)
        return tr("1 ticket a été fermé.");
    return tr("%1 tickets ont été fermés.").arg(count);
}

void MissedClosures::checkNow()
{
    // Two comparisons at once would both tell the same closures.
    if (m_running) {
        m_again = true;
        return;
    }
    runChecks();
}

QCoro::Task<> MissedClosures::runChecks()
{
    QPointer<MissedClosures> self(this);
    m_running = true;
    do {
        m_again = false;
        co_await checkOnce();
        if (!self)
            co_return;
    } while (m_again);
    m_running = false;
}

QCoro::Task<> MissedClosures::checkOnce()
{
    QPointer<MissedClosures> self(this);
    const qint64 userId = m_settings.readInteger(UserSettings::UserId);
    if (userId < 1)
        co_return;
    m_pushedDuringCheck.clear();
    QList<UserTicket> tickets;
    try {
        tickets = co_await m_api.getMyTickets(userId);
    } catch (const NorvikError &error) {
        if (self)
            logLine(u"⚠️ Tickets fermés entre-temps non vérifiés : "_s + error.description());
        co_return;
    }
    // Another user registered meanwhile: the list is not his.
    if (!self || m_settings.readInteger(UserSettings::UserId) != userId)
        co_return;

    // Nothing remembered (first run, another user, damaged file): every
    // closure so far is history, not news.
    const bool remembered = m_memory.load(userId);
    QList<UserTicket> closed;
    for (const UserTicket &ticket : std::as_const(tickets)) {
        const bool toldAlready = m_memory.knows(ticket.id) && Status::isClosed(m_memory.status(ticket.id));
        if (remembered && Status::isClosed(ticket.status) && !toldAlready
            && !m_pushedDuringCheck.contains(ticket.id))
            closed.append(ticket);
    }
    m_memory.clear();
    for (const UserTicket &ticket : std::as_const(tickets))
        m_memory.setStatus(ticket.id, ticket.status);
    for (const qint64 pushed : std::as_const(m_pushedDuringCheck))
        m_memory.setStatus(pushed, u"closed"_s);
    m_pushedDuringCheck.clear();
    m_memory.save();

    if (!closed.isEmpty())
        logLine(u"💥 Tickets fermés entre-temps : "_s + QString::number(closed.size()));
    if (closed.size() > MaxSingleNotifications) {
        m_unread.setHasUnreadNotification(true);
        m_notifier.notify(
            QString::fromLatin1(SummaryIdentifier), tr("Tickets fermés"), summaryText(closed.size()));
    } else {
        for (const UserTicket &ticket : std::as_const(closed))
            m_wiring.showTicketClosedNotification(ticket.id, ticket.closeMessage.value_or(QString()));
    }
    Q_EMIT checked(int(closed.size()));
}

void MissedClosures::rememberPush(qint64 ticketId)
{
    if (m_running) {
        m_pushedDuringCheck.insert(ticketId);
        return;
    }
    const qint64 userId = m_settings.readInteger(UserSettings::UserId);
    if (userId < 1)
        return;
    // With nothing remembered, a push must not start a memory in which the
    // user's older closures would look new.
    if (!m_memory.load(userId))
        return;
    m_memory.setStatus(ticketId, u"closed"_s);
    m_memory.save();
}
