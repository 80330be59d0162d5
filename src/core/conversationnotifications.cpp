#include "conversationnotifications.h"

#include "conversations.h"
#include "desktopnotifier.h"
#include "notificationstate.h"
#include "protocol/records.h"

#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView Prefix = u"message-";

// The ticket an identifier of ours names; nothing for anybody else's.
std::optional<qint64> ticketOf(const QString &identifier)
{
    if (!identifier.startsWith(Prefix))
        return std::nullopt;
    bool ok = false;
    const qint64 ticketId = QStringView(identifier).mid(Prefix.size()).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return ticketId;
}

} // namespace

ConversationNotifications::ConversationNotifications(
    Conversations &conversations, DesktopNotifier &notifier, NotificationState &unread, QObject *parent)
    : QObject(parent)
    , m_conversations(conversations)
    , m_notifier(notifier)
    , m_unread(unread)
{
    connect(&m_conversations, &Conversations::messageReceived, this, &ConversationNotifications::show);
    connect(&m_notifier, &DesktopNotifier::activated, this, &ConversationNotifications::activated);
    connect(&m_notifier, &DesktopNotifier::replied, this, &ConversationNotifications::replied);
}

QString ConversationNotifications::identifierFor(qint64 ticketId)
{
    return Prefix.toString() + QString::number(ticketId);
}

void ConversationNotifications::show(const ConversationMessage &message)
{
    m_unread.setHasUnreadNotification(true);
    m_notifier.notify(identifierFor(message.ticketId), tr("Nouveau message"),
        message.senderName + u'\n' + message.message, DesktopNotifier::Interaction::OpenOrReply);
}

void ConversationNotifications::activated(const QString &identifier)
{
    if (const auto ticketId = ticketOf(identifier))
        Q_EMIT conversationRequested(*ticketId);
}

void ConversationNotifications::replied(const QString &identifier, const QString &text)
{
    if (const auto ticketId = ticketOf(identifier))
        m_conversations.send(*ticketId, text);
}
