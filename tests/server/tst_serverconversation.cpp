#include "accountssites.h"
#include "pushlistener.h"
#include "testing.h"

#include <QDateTime>
#include <QUuid>
#include <optional>

namespace {

constexpr auto Closed = "Ce ticket est fermé : il ne reçoit plus de messages.";

using Site = AccountsSites::Site;

QByteArray sent(qint64 ticket, const QString &text, const QString &clientId = {})
{
    QJsonObject body { { u"ticket_id"_s, ticket }, { u"message"_s, text } };
    if (!clientId.isEmpty())
        body.insert(u"client_id"_s, clientId);
    return json(body);
}

QByteArray onTicket(qint64 ticket)
{
    return json({ { u"ticket_id"_s, ticket } });
}

} // namespace

// Ticket conversations against real server processes in accounts mode, on
// both stores: who may read and write them, what is pushed to whom, what a
// repeated send, a closed ticket and an overlong text get, the unread counts
// of both lists, and what a kill -9 keeps. Each store has a staff member and
// two users of one company, A and B, made once; each case opens tickets of
// its own. Pushes across instances are exercised by tst_conversationflow.
class TestServerConversation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_sites.start(), qPrintable(m_sites.errorString())); }
    void init()
    {
        if (m_sites.lacksStore())
            QSKIP(PostgresCluster::missingMessage());
    }

    void exchange_pushedToTheOtherSideOnly_data() { AccountsSites::rows(); }
    void exchange_pushedToTheOtherSideOnly()
    {
        const Site &s = m_sites.site();
        const qint64 ticket = newTicket(s, s.a, s.secretA);
        PushListener staff(s.server.wsRequest(s.session)), author(s.server.wsRequest(s.secretA)),
            other(s.server.wsRequest(s.secretB));
        QVERIFY(staff.announce(9999, u"admin"_s) && author.announce(s.a, u"user"_s)
            && other.announce(s.b, u"user"_s));

        const qint64 asked = send(s, s.secretA, ticket, u"L'écran reste noir."_s);
        const QJsonObject toStaff = next(staff, u"new_message"_s);
        QCOMPARE(
            toStaff, pushed(toStaff, ticket, u"Inès Roux"_s, u"L'écran reste noir."_s, asked, u"user"_s));
        const qint64 answered = send(s, s.session, ticket, u"Redémarrez le poste."_s);
        const QJsonObject toAuthor = next(author, u"new_message"_s);
        QCOMPARE(toAuthor,
            pushed(toAuthor, ticket, u"Marc Leroy"_s, u"Redémarrez le poste."_s, answered, u"admin"_s));

        // Both sides read the same conversation, oldest first, as the pushes told it.
        for (const QByteArray &reader : { s.secretA, s.session }) {
            const QJsonArray list = conversation(s, reader, ticket);
            QCOMPARE(list.size(), 2);
            QCOMPARE(list[0].toObject(),
                (QJsonObject { { u"id"_s, asked }, { u"ticket_id"_s, ticket }, { u"sender"_s, u"user"_s },
                    { u"sender_name"_s, u"Inès Roux"_s }, { u"message"_s, u"L'écran reste noir."_s },
                    { u"created_at"_s, toStaff.value(u"timestamp"_s) } }));
        }

        // Someone else's ticket: refused, and nothing stored or pushed.
        QCOMPARE(
            call(s.server, "GET", u"/ticket/messages.php?ticket_id=%1"_s.arg(ticket), {}, s.secretB).status,
            403);
        for (const QString &path :
            { u"/ticket/send-message.php"_s, u"/ticket/typing.php"_s, u"/ticket/mark-read.php"_s }) {
            const auto body
                = [&](qint64 id) { return path.contains(u"send"_s) ? sent(id, u"x"_s) : onTicket(id); };
            const RestAnswer refused = call(s.server, "POST", path, body(ticket), s.secretB);
            QCOMPARE(refused.status, 403);
            QCOMPARE(refused.json().value(u"success"_s), QJsonValue(false));
            QCOMPARE(call(s.server, "POST", path, body(ticket)).status, 401);
            QCOMPARE(call(s.server, "POST", path, body(ticket + 1000), s.session).status, 404);
        }
        QCOMPARE(conversation(s, s.session, ticket).size(), 2);

        // Typing goes to the other side of the ticket only, the staff's at
        // most once per interval.
        QCOMPARE(call(s.server, "POST", u"/ticket/typing.php"_s, onTicket(ticket), s.secretA).status, 200);
        QCOMPARE(next(staff, u"user_typing"_s).value(u"ticketId"_s).toInteger(), ticket);
        for (int keystroke = 0; keystroke < 3; ++keystroke)
            QCOMPARE(
                call(s.server, "POST", u"/ticket/typing.php"_s, onTicket(ticket), s.session).status, 200);

        // The pushes of a connection arrive in order: once a connection hears
        // of a later message, anything pushed to it before has come. A's own
        // message and typing went to the staff only, the staff's to A only.
        send(s, s.secretA, ticket, u"Merci"_s);
        QVERIFY(staff.waitFor(u"new_message"_s));
        QCOMPARE(staff.count(u"admin_typing"_s), 0);
        send(s, s.session, ticket, u"Voilà"_s);
        QVERIFY(author.waitFor(u"new_message"_s));
        const qint64 own = newTicket(s, s.b, s.secretB);
        send(s, s.session, own, u"Et vous ?"_s);
        QCOMPARE(next(other, u"new_message"_s).value(u"ticketId"_s).toInteger(), own);
        QCOMPARE((QList<qsizetype> { author.count(u"new_message"_s), author.count(u"admin_typing"_s),
                     author.count(u"user_typing"_s), other.count(u"new_message"_s),
                     other.count(u"admin_typing"_s) }),
            (QList<qsizetype> { 2, 1, 0, 1, 0 }));
    }

    void sendRules_repeatOnceClosed409TooLong400_data() { AccountsSites::rows(); }
    void sendRules_repeatOnceClosed409TooLong400()
    {
        const Site &s = m_sites.site();
        const qint64 ticket = newTicket(s, s.a, s.secretA);
        PushListener staff(s.server.wsRequest(s.session));
        QVERIFY(staff.announce(9999, u"admin"_s));
        const qint64 first = send(s, s.secretA, ticket, u"Une fois"_s, u"7c1e-retry"_s);
        QCOMPARE(send(s, s.secretA, ticket, u"Une fois"_s, u"7c1e-retry"_s), first);
        // Another ticket has its own client ids.
        const qint64 elsewhere = newTicket(s, s.a, s.secretA);
        QVERIFY(send(s, s.secretA, elsewhere, u"Ailleurs"_s, u"7c1e-retry"_s) > first);
        // The repeat was pushed no more than stored.
        QCOMPARE(next(staff, u"new_message"_s).value(u"messageId"_s).toInteger(), first);
        QCOMPARE(next(staff, u"new_message"_s).value(u"ticketId"_s).toInteger(), elsewhere);

        QVERIFY(send(s, s.secretA, ticket, QString(10000, u'é')) > 0);
        for (const QString &refused : { QString(10001, u'a'), u" \n\t "_s, QString() }) {
            const RestAnswer answer
                = call(s.server, "POST", u"/ticket/send-message.php"_s, sent(ticket, refused), s.secretA);
            QCOMPARE(answer.status, 400);
            QVERIFY(!answer.json().value(u"error"_s).toString().isEmpty());
        }

        // Closing keeps the conversation and ends it with the closing message.
        const QJsonObject close { { u"ticket_id"_s, ticket }, { u"close_message"_s, u"Réglé."_s } };
        QCOMPARE(call(s.server, "POST", u"/admin/close-ticket.php"_s, json(close), s.session).status, 200);
        const QJsonArray list = conversation(s, s.secretA, ticket);
        QCOMPARE(list.size(), 3);
        const QJsonObject last = list.last().toObject();
        QCOMPARE((QStringList { last.value(u"message"_s).toString(), last.value(u"sender"_s).toString(),
                     last.value(u"sender_name"_s).toString() }),
            (QStringList { u"Réglé."_s, u"admin"_s, u"Marc Leroy"_s }));
        for (const QByteArray &writer : { s.secretA, s.session }) {
            const RestAnswer refused
                = call(s.server, "POST", u"/ticket/send-message.php"_s, sent(ticket, u"Encore"_s), writer);
            QCOMPARE(refused.status, 409);
            QCOMPARE(refused.json(),
                (QJsonObject { { u"success"_s, false }, { u"error"_s, QString::fromUtf8(Closed) } }));
        }
        // A send repeated after its answer was lost still gets its id.
        QCOMPARE(send(s, s.secretA, ticket, u"Une fois"_s, u"7c1e-retry"_s), first);
        QCOMPARE(conversation(s, s.session, ticket).size(), 3);
    }

    // Each side counts the other's messages only, per ticket, until it reads
    // them; messages, read marks and client ids outlive a kill -9.
    void unread_countedPerSide_keptByAKilledServer_data() { AccountsSites::rows(); }
    void unread_countedPerSide_keptByAKilledServer()
    {
        Site &s = m_sites.site();
        const qint64 ticket = newTicket(s, s.a, s.secretA);
        const qint64 quiet = newTicket(s, s.a, s.secretA);
        const qint64 asked = send(s, s.secretA, ticket, u"Un"_s, u"before-kill"_s);
        send(s, s.secretA, ticket, u"Deux"_s);
        send(s, s.session, ticket, u"Trois"_s);
        QCOMPARE(counts(s, ticket, quiet), (QList<int> { 1, 2, 0 }));
        QCOMPARE(call(s.server, "POST", u"/ticket/mark-read.php"_s, onTicket(ticket), s.secretA).status, 200);
        QCOMPARE(counts(s, ticket, quiet), (QList<int> { 0, 2, 0 }));

        const QJsonArray before = conversation(s, s.session, ticket);
        s.server.kill();
        QVERIFY2(s.server.start(), qPrintable(s.server.errorString()));
        QCOMPARE(conversation(s, s.session, ticket), before);
        QCOMPARE(counts(s, ticket, quiet), (QList<int> { 0, 2, 0 }));
        QCOMPARE(send(s, s.secretA, ticket, u"Un"_s, u"before-kill"_s), asked);
        QCOMPARE(call(s.server, "POST", u"/ticket/mark-read.php"_s, onTicket(ticket), s.session).status, 200);
        QCOMPARE(counts(s, ticket, quiet), (QList<int> { 0, 0, 0 }));
    }

    // Shared mode has no conversation routes and no unread counts in its lists.
    void sharedMode_noConversations_listsAsBefore()
    {
        ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const QJsonObject company { { u"nom"_s, u"Iso"_s }, { u"code"_s, u"ISO"_s } };
        QCOMPARE(call(server, "POST", u"/company/create.php"_s, json(company)).status, 200);
        const QByteArray user
            = R"({"company_id":1,"poste":"S-1","nom":"Roux","prenom":"Inès","telephone":"06"})";
        QCOMPARE(call(server, "POST", u"/user/register.php"_s, user).status, 200);
        const QByteArray ticket = R"({"user_id":1,"titre":"Écran","description":"noir","priorite":"haute"})";
        QCOMPARE(call(server, "POST", u"/ticket/create.php"_s, ticket).status, 200);

        for (const QString &path : { u"/ticket/messages.php?ticket_id=1"_s, u"/ticket/send-message.php"_s,
                 u"/ticket/typing.php"_s, u"/ticket/mark-read.php"_s }) {
            const RestAnswer answer
                = call(server, path.contains(u'?') ? "GET" : "POST", path, sent(1, u"x"_s));
            QCOMPARE(answer.status, 404);
            QCOMPARE(answer.body,
                R"({"error":"Ressource inconnue : )" + path.section(u'?', 0, 0).toUtf8() + R"("})");
        }
        for (const QString &list : { u"/user/my-tickets.php?user_id=1"_s, u"/admin/list-tickets.php"_s }) {
            const RestAnswer answer = call(server, "GET", list);
            QCOMPARE(answer.json().value(u"tickets"_s).toArray().size(), 1);
            QVERIFY2(!answer.body.contains("unread"), answer.body.constData());
        }
    }

private:
    RestAnswer call(const ServerProcess &server, const QByteArray &method, const QString &path,
        const QByteArray &body = {}, const QByteArray &bearer = {})
    {
        return m_sites.call(server, method, path, body, bearer);
    }

    // The next push of this type; an empty object when none comes.
    static QJsonObject next(PushListener &listener, const QString &type)
    {
        return listener.waitFor(type).value_or(QJsonObject());
    }

    qint64 newTicket(const Site &s, qint64 user, const QByteArray &secret)
    {
        const QJsonObject body { { u"user_id"_s, user }, { u"titre"_s, u"Écran"_s },
            { u"description"_s, u"noir"_s }, { u"priorite"_s, u"haute"_s } };
        return number(call(s.server, "POST", u"/ticket/create.php"_s, json(body), secret), u"ticket_id"_s);
    }

    // The id the server answers, or 0 when it refuses.
    qint64 send(const Site &s, const QByteArray &bearer, qint64 ticket, const QString &message,
        const QString &clientId = QUuid::createUuid().toString())
    {
        const RestAnswer answer
            = call(s.server, "POST", u"/ticket/send-message.php"_s, sent(ticket, message, clientId), bearer);
        return answer.status == 200 && answer.json().value(u"success"_s).toBool()
            ? number(answer, u"message_id"_s)
            : 0;
    }

    QJsonArray conversation(const Site &s, const QByteArray &bearer, qint64 ticket)
    {
        return call(s.server, "GET", u"/ticket/messages.php?ticket_id=%1"_s.arg(ticket), {}, bearer)
            .json()
            .value(u"messages"_s)
            .toArray();
    }

    // The unread count of the ticket in the caller's own list; -1 when absent.
    int unread(const Site &s, const QByteArray &bearer, qint64 ticket)
    {
        const QString path = bearer == s.session ? u"/admin/list-tickets.php"_s
                                                 : u"/user/my-tickets.php?user_id=%1"_s.arg(s.a);
        for (const QJsonValue &row :
            call(s.server, "GET", path, {}, bearer).json().value(u"tickets"_s).toArray()) {
            if (row.toObject().value(u"id"_s).toInteger() == ticket)
                return row.toObject().value(u"unread_messages"_s).toInt(-1);
        }
        return -1;
    }

    // The ticket's unread count in the user's list and the staff's, and the
    // quiet ticket's in the staff's.
    QList<int> counts(const Site &s, qint64 ticket, qint64 quiet)
    {
        return { unread(s, s.secretA, ticket), unread(s, s.session, ticket), unread(s, s.session, quiet) };
    }

    // The push a message should have made; its time is the one it carries,
    // which must be the server's "yyyy-MM-dd HH:mm:ss".
    static QJsonObject pushed(const QJsonObject &received, qint64 ticket, const QString &sender,
        const QString &message, qint64 id, const QString &senderType)
    {
        const QString timestamp = received.value(u"timestamp"_s).toString();
        const bool wellFormed = QDateTime::fromString(timestamp, u"yyyy-MM-dd HH:mm:ss"_s).isValid();
        return { { u"type"_s, u"new_message"_s }, { u"ticketId"_s, ticket }, { u"sender"_s, sender },
            { u"message"_s, message }, { u"timestamp"_s, wellFormed ? timestamp : u"malformed"_s },
            { u"messageId"_s, id }, { u"senderType"_s, senderType } };
    }

    AccountsSites m_sites;
};

QTEST_GUILESS_MAIN(TestServerConversation)
#include "tst_serverconversation.moc"
