#include "conversationpushes.h"

#include "storeerror.h"
#include "websockethub.h"

#include <QJsonObject>

using namespace Qt::StringLiterals;

ConversationPushes::ConversationPushes(Store &store, WebSocketHub &hub, TypingThrottle::Clock clock)
    : m_store(store)
    , m_hub(hub)
    , m_staffTyping(TypingThrottle::DefaultIntervalMs, std::move(clock))
{ }

void ConversationPushes::messageAdded(qint64 messageId)
{
    // Read after the write, as a new ticket is: a read that fails loses a
    // push, not the acknowledged message.
    std::optional<Store::StoredMessage> stored;
    try {
        stored = m_store.message(messageId);
    } catch (const StoreError &e) {
        qWarning(
            "norvik-server: cannot read message %lld to push it: %s", messageId, qUtf8Printable(e.message));
    }
    if (!stored)
        return;
    const ConversationMessage &m = stored->message;
    const QJsonObject push { { u"type"_s, u"new_message"_s }, { u"ticketId"_s, m.ticketId },
        { u"sender"_s, m.senderName }, { u"message"_s, m.message }, { u"timestamp"_s, m.createdAt },
        { u"messageId"_s, m.id }, { u"senderType"_s, m.sender } };
    if (m.isFromStaff())
        m_hub.pushToUser(stored->authorId, push);
    else
        m_hub.pushToStaff(push);
}

void ConversationPushes::typedHere(const QString &side, qint64 ticketId, qint64 authorId)
{
    if (!pushTyping(side, ticketId, authorId))
        return;
    try {
        m_store.announce(side == u"admin" ? Store::Change::StaffTyping : Store::Change::UserTyping, ticketId);
    } catch (const StoreError &e) {
        qWarning(
            "norvik-server: cannot announce typing on ticket %lld: %s", ticketId, qUtf8Printable(e.message));
    }
}

void ConversationPushes::typedElsewhere(const Store::Change &change)
{
    const bool staff = change.kind == Store::Change::StaffTyping;
    // Only the author of the ticket hears the staff typing.
    const std::optional<qint64> author
        = staff ? m_store.ticketAuthor(change.ticketId) : std::optional<qint64>(0);
    if (author)
        pushTyping(staff ? u"admin"_s : u"user"_s, change.ticketId, *author);
}

bool ConversationPushes::pushTyping(const QString &side, qint64 ticketId, qint64 authorId)
{
    if (side == u"user") {
        m_hub.pushToStaff(QJsonObject { { u"type"_s, u"user_typing"_s }, { u"ticketId"_s, ticketId } });
        return true;
    }
    // The same throttle holds back this instance's own staff and those of
    // other instances, so no connection here hears it more often.
    if (!m_staffTyping.pass(ticketId))
        return false;
    m_hub.pushToUser(authorId, QJsonObject { { u"type"_s, u"admin_typing"_s }, { u"ticketId"_s, ticketId } });
    return true;
}
