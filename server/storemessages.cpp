// The conversations half of Store: the messages of each ticket and what each
// side has read of them.
#include "storeerror.h"
#include "storerows.h"

using namespace Qt::StringLiterals;

namespace {

qint64 integerAt0(const QSqlQuery &query)
{
    return query.value(0).toLongLong();
}

ConversationMessage messageFrom(const QSqlQuery &q)
{
    return ConversationMessage { q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(),
        q.value(3).toString(), q.value(4).toString(), q.value(5).toString() };
}

// The sender's name is read in the same statement as the ticket's state, so
// the message carries it as it was when written. Only an open ticket takes
// a message; a client id already used on the ticket stores nothing.
const QString UserInsert = u"INSERT INTO messages (ticket_id, sender, sender_name, message, client_id,"
                           u" created_at) SELECT t.id, 'user', u.prenom || ' ' || u.nom, ?, ?, ?"
                           u" FROM tickets t JOIN users u ON u.id = t.user_id"
                           u" WHERE t.id = ? AND t.status = 'open'"
                           u" ON CONFLICT (ticket_id, client_id) DO NOTHING RETURNING id"_s;
const QString StaffInsert = u"INSERT INTO messages (ticket_id, sender, staff_id, sender_name, message,"
                            u" client_id, created_at) SELECT t.id, 'admin', s.id, s.display_name, ?, ?, ?"
                            u" FROM tickets t JOIN staff s ON s.id = ?"
                            u" WHERE t.id = ? AND t.status = 'open'"
                            u" ON CONFLICT (ticket_id, client_id) DO NOTHING RETURNING id"_s;

QString otherSide(const QString &side)
{
    return side == u"user" ? u"admin"_s : u"user"_s;
}

} // namespace

std::optional<qint64> Store::ticketAuthor(qint64 ticketId)
{
    return firstRow(run(u"SELECT user_id FROM tickets WHERE id = ?"_s, { ticketId }), integerAt0);
}

Store::Posted Store::addMessage(
    qint64 ticketId, const Sender &sender, const QString &text, const QString &clientId)
{
    const QVariant client = clientId.isEmpty() ? QVariant() : QVariant(clientId);
    // One statement stores it or not; why not is looked at afterwards.
    const std::optional<qint64> id = sender.staffId != 0
        ? firstRow(run(StaffInsert, { text, client, now(), sender.staffId, ticketId }), integerAt0)
        : firstRow(run(UserInsert, { text, client, now(), ticketId }), integerAt0);
    if (id)
        return { *id, true };
    if (!clientId.isEmpty()) {
        // A send repeated after a lost answer gets the first one's id, even
        // if the ticket has been closed since.
        if (const std::optional<qint64> first
            = firstRow(run(u"SELECT id FROM messages WHERE ticket_id = ? AND client_id = ?"_s,
                           { ticketId, clientId }),
                integerAt0))
            return { *first, false };
    }
    const std::optional<QString> status
        = firstRow(run(u"SELECT status FROM tickets WHERE id = ?"_s, { ticketId }),
            [](const QSqlQuery &q) { return q.value(0).toString(); });
    if (!status)
        throw StoreError(StoreError::NotFound, u"Ticket introuvable"_s);
    if (*status != u"open")
        throw StoreError(StoreError::Conflict, u"Ce ticket est fermé : il ne reçoit plus de messages."_s);
    throw StoreError(StoreError::Failure, u"the sender of a message is unknown"_s);
}

std::optional<Store::StoredMessage> Store::message(qint64 messageId)
{
    return firstRow(run(u"SELECT m.id, m.ticket_id, m.sender, m.sender_name, m.message, m.created_at,"
                        u" t.user_id FROM messages m JOIN tickets t ON t.id = m.ticket_id WHERE m.id = ?"_s,
                        { messageId }),
        [](const QSqlQuery &q) {
            return StoredMessage { messageFrom(q), q.value(6).toLongLong() };
        });
}

QList<ConversationMessage> Store::messages(qint64 ticketId)
{
    return everyRow(run(u"SELECT id, ticket_id, sender, sender_name, message, created_at FROM messages"
                        u" WHERE ticket_id = ? ORDER BY id"_s,
                        { ticketId }),
        messageFrom);
}

void Store::markRead(qint64 ticketId, const QString &readerSide)
{
    finish(run(u"UPDATE messages SET read_at = ? WHERE ticket_id = ? AND sender = ? AND read_at IS NULL"_s,
        { now(), ticketId, otherSide(readerSide) }));
}

std::map<qint64, qint64> Store::unreadCounts(const QString &readerSide, qint64 userId)
{
    QSqlQuery &query = userId != 0
        ? run(u"SELECT m.ticket_id, COUNT(*) FROM messages m JOIN tickets t ON t.id = m.ticket_id"
              u" WHERE t.user_id = ? AND m.sender = ? AND m.read_at IS NULL GROUP BY m.ticket_id"_s,
            { userId, otherSide(readerSide) })
        : run(u"SELECT ticket_id, COUNT(*) FROM messages WHERE sender = ? AND read_at IS NULL"
              u" GROUP BY ticket_id"_s,
            { otherSide(readerSide) });
    std::map<qint64, qint64> counts;
    for (const auto &[ticket, count] : everyRow(query, [](const QSqlQuery &q) {
             return std::pair { q.value(0).toLongLong(), q.value(1).toLongLong() };
         }))
        counts[ticket] = count;
    return counts;
}

void Store::announce(Change::Kind kind, qint64 ticketId)
{
    if (!sharesChanges())
        return;
    const QString word = kind == Change::StaffTyping ? u"staff_typing"_s : u"user_typing"_s;
    finish(run(u"SELECT pg_notify('norvik_changes', ?)"_s, { u"%1 %2"_s.arg(word).arg(ticketId) }));
}
