// The conversation of a ticket, in accounts mode: its author and the staff
// read it, write to it, say they are typing and mark it read.
#include "protocol/jsonreader.h"
#include "routereplies.h"
#include "store.h"
#include "storeerror.h"

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype MaxMessageLength = 10000;

QString messageText(const JsonReader &body)
{
    const QString text = body.requiredString(u"message");
    if (text.trimmed().isEmpty())
        throw BadRequest { u"Le message est vide."_s };
    if (text.size() > MaxMessageLength)
        throw BadRequest { u"Le message est trop long : %1 caractères au plus."_s.arg(MaxMessageLength) };
    return text;
}

} // namespace

qint64 ApiRoutes::conversationAuthor(const Caller &caller, qint64 ticketId)
{
    const std::optional<qint64> author = m_store.ticketAuthor(ticketId);
    if (!author)
        throw StoreError(StoreError::NotFound, u"Ticket introuvable"_s);
    if (caller.kind != Caller::Staff && !caller.isUser(*author))
        throw Forbidden {};
    return *author;
}

ApiRoutes::Reply ApiRoutes::messages(const Request &request)
{
    const qint64 ticketId = queryInteger(request.query, u"ticket_id"_s);
    conversationAuthor(request.caller, ticketId);
    return okReply(MessagesResponse { true, m_store.messages(ticketId) }.toJson());
}

ApiRoutes::Reply ApiRoutes::sendMessage(const Request &request)
{
    const JsonReader reader(JsonReader::parseObject(request.body));
    const qint64 ticketId = reader.requiredInteger(u"ticket_id");
    const QString clientId = reader.optionalString(u"client_id").value_or(QString());
    conversationAuthor(request.caller, ticketId);
    const QString text = messageText(reader);
    const Store::Sender sender { sideOf(request.caller),
        request.caller.kind == Caller::Staff ? request.caller.id : 0 };
    const Store::Posted posted = m_store.addMessage(ticketId, sender, text, clientId);
    Reply reply = okReply(SendMessageResponse { true, posted.id }.toJson());
    // A repeated send was pushed the first time.
    if (posted.added && onMessageAdded)
        reply.then = [notify = onMessageAdded, id = posted.id] { notify(id); };
    return reply;
}

ApiRoutes::Reply ApiRoutes::typing(const Request &request)
{
    const JsonReader reader(JsonReader::parseObject(request.body));
    const qint64 ticketId = reader.requiredInteger(u"ticket_id");
    const qint64 author = conversationAuthor(request.caller, ticketId);
    Reply reply = okReply(QJsonObject { { u"success"_s, true } });
    if (onTyping)
        reply.then = [notify = onTyping, side = sideOf(request.caller), ticketId, author] {
            notify(side, ticketId, author);
        };
    return reply;
}

ApiRoutes::Reply ApiRoutes::markRead(const Request &request)
{
    const JsonReader reader(JsonReader::parseObject(request.body));
    const qint64 ticketId = reader.requiredInteger(u"ticket_id");
    conversationAuthor(request.caller, ticketId);
    m_store.markRead(ticketId, sideOf(request.caller));
    return okReply(QJsonObject { { u"success"_s, true } });
}
