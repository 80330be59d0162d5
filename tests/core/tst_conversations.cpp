#include "conversationpushes.h"
#include "core/apiservice.h"
#include "core/conversations.h"
#include "core/credentialstore.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "httptestserver.h"
#include "loopback.h"
#include "loopbackwebsocketserver.h"
#include "notificationdaemon.h"
#include "protocol/errors.h"
#include "runtask.h"
#include "stdoutcapture.h"
#include "testing.h"

#include <QFile>
#include <QUuid>

using namespace std::chrono_literals;
using Kind = CredentialStore::Kind;

namespace {

const QString &Closed = ClosedTicketText;

QStringList shown(const QList<ConversationEntry> &entries)
{
    static const QStringList states { u"sent"_s, u"pending"_s, u"failed"_s };
    QStringList lines;
    for (const ConversationEntry &entry : entries)
        lines.append(u"%1 %2 %3%4"_s.arg(states.value(int(entry.state)), entry.message.sender,
            entry.message.message, entry.error.isEmpty() ? QString() : u" ("_s + entry.error + u')'));
    return lines;
}

// One workstation's services against a scripted server in accounts mode
// that stores one message per client id, whatever the number of tries.
struct Workstation
{
    Workstation()
    {
        http.setHandler([this](const TestRequest &request) { return answer(request); });
        settings.writeInteger(UserSettings::UserId, 5);
    }

    TestResponse answer(const TestRequest &request)
    {
        if (request.path == u"/ticket/send-message.php") {
            ++answeredSends;
            if (refusal)
                return TestResponse::json(
                    { { u"success"_s, false }, { u"error"_s, *refusal } }, refusalStatus);
            const QString clientId = request.json().value(u"client_id").toString();
            stored.insert(clientId, stored.value(clientId, 100 + stored.size()));
            return TestResponse::json(
                { { u"success"_s, true }, { u"message_id"_s, stored.value(clientId) } });
        }
        if (request.path == u"/ticket/messages.php" && messagesStatus != 200)
            return TestResponse::json({ { u"success"_s, false }, { u"error"_s, u"Accès refusé"_s } }, 403);
        return TestResponse::json({ { u"success"_s, true }, { u"messages"_s, messages } });
    }

    QTemporaryDir dir;
    HttpTestServer http;
    LoopbackWebSocketServer ws;
    bool listening = ws.listen();
    UserSettings settings { dir.filePath(u"settings.conf"_s) };
    CredentialStore credentials { u"norvik-conversations-test"_s, dir.filePath(u"secrets"_s) };
    WebSocketService channel { Configuration { .apiBase = http.apiBase(), .wsURL = ws.url() }, settings,
        credentials, WebSocketOptions { .reconnectDelay = 100ms } };
    std::optional<APIService> api;
    std::optional<Conversations> conversations;
    std::optional<QString> refusal;
    int refusalStatus = 409;
    int answeredSends = 0; // refused or not
    QHash<QString, qint64> stored; // client id -> message id
    QJsonArray messages;
    int messagesStatus = 200;
};

} // namespace

class TestConversations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_bus.startBus(&error), qPrintable(error));
    }

    void init()
    {
        m_w.emplace();
        QVERIFY(m_w->listening);
        restart();
    }

    void cleanup()
    {
        m_w->conversations.reset();
        m_w->channel.disconnect();
        QTRY_VERIFY(m_w->channel.findChildren<QWebSocket *>().isEmpty());
        m_w.reset();
    }

    // Written offline, kept across a restart of the program, sent once when
    // the channel is back even if retried meanwhile, never again after.
    void outbox_survivesRestartAndGoesOutOnce()
    {
        signIn(Kind::UserSecret);
        restart(Offline);
        m_w->conversations->send(7, u"Bonjour"_s);
        const ConversationEntry written = m_w->conversations->entries(7).value(0);
        QCOMPARE(shown({ written }), QStringList { u"pending user Bonjour"_s });

        restart();
        QCOMPARE(m_w->conversations->entries(7), QList<ConversationEntry> { written });
        QCOMPARE(m_w->http.count(u"/ticket/send-message.php"_s), 0); // nothing before the channel is back
        m_w->conversations->retry(7, written.clientId);
        authenticateChannel();
        QTRY_COMPARE(shown(m_w->conversations->entries(7)), QStringList { u"sent user Bonjour"_s });
        QCOMPARE(m_w->conversations->entries(7).first().message.id, 100);
        QCOMPARE(m_w->answeredSends, 1);
        QCOMPARE(m_w->stored.keys(), QStringList { written.clientId.toString(QUuid::WithoutBraces) });

        // The next start and its connection find nothing left to send.
        restart();
        QVERIFY(m_w->conversations->entries(7).isEmpty());
        authenticateChannel();
        QCOMPARE(m_w->answeredSends, 1);
    }

    // The user side counts the staff's messages: from the ticket list, one
    // more per push, none for its own, and none once the conversation is read.
    void unread_countsTheOtherSidesMessages()
    {
        signIn(Kind::UserSecret);
        QSignalSpy received(&*m_w->conversations, &Conversations::messageReceived);
        m_w->conversations->setUnreadCount(7, 2);
        m_w->channel.handleMessage(pushed(7, u"admin"_s, 40, u"Avez-vous redémarré ?"_s));
        m_w->channel.handleMessage(pushed(7, u"admin"_s, 40, u"Avez-vous redémarré ?"_s)); // same id again
        m_w->channel.handleMessage(pushed(7, u"user"_s, 41, u"Oui"_s));
        m_w->channel.handleMessage(pushed(8, u"admin"_s, 42, u"Et vous ?"_s));
        QCOMPARE((QList<int> { m_w->conversations->unreadCount(7), m_w->conversations->unreadCount(8),
                     m_w->conversations->totalUnread(), int(received.size()) }),
            (QList<int> { 3, 1, 4, 2 }));
        const QList<ConversationEntry> entries = m_w->conversations->entries(7);
        QCOMPARE(shown(entries), (QStringList { u"sent admin Avez-vous redémarré ?"_s, u"sent user Oui"_s }));
        QVERIFY(!entries.first().isOwn && entries.last().isOwn);

        QSignalSpy unread(&*m_w->conversations, &Conversations::unreadChanged);
        m_w->conversations->markRead(7);
        QCOMPARE(QList<QVariantList>(unread), (QList<QVariantList> { { 7LL, 0 } }));
        QTRY_COMPARE(m_w->http.count(u"/ticket/mark-read.php"_s), 1);
        QCOMPARE(
            m_w->http.requestsTo(u"/ticket/mark-read.php"_s)[0].json().value(u"ticket_id").toInteger(), 7);
    }

    // The other side shows as typing from its signal until a short while
    // after its last one, or until its message arrives; this side's own
    // typing goes to the server at most once per interval and ticket.
    void typing_shownThenHidden_sentAtMostEveryInterval()
    {
        signIn(Kind::StaffSession);
        m_w->conversations->setTypingShownDuration(60);
        QSignalSpy typing(&*m_w->conversations, &Conversations::typingChanged);
        m_w->channel.handleMessage(uR"({"type":"admin_typing","ticketId":7})"_s); // the staff's own side
        m_w->channel.handleMessage(uR"({"type":"user_typing","ticketId":7})"_s);
        m_w->channel.handleMessage(uR"({"type":"user_typing","ticketId":7})"_s);
        QCOMPARE(
            QList<QVariantList>(typing), (QList<QVariantList> { { 7LL, true } })); // still typing: said once
        QVERIFY(m_w->conversations->isOtherSideTyping(7));
        QVERIFY(typing.wait());
        QCOMPARE(typing.last(), (QVariantList { 7LL, false }));

        m_w->channel.handleMessage(uR"({"type":"user_typing","ticketId":7})"_s);
        m_w->channel.handleMessage(pushed(7, u"user"_s, 50, u"Voilà"_s));
        QCOMPARE(typing.size(), 4);
        QVERIFY(!m_w->conversations->isOtherSideTyping(7));

        m_w->conversations->typing(7);
        m_w->conversations->typing(7);
        m_w->conversations->typing(8);
        QTRY_COMPARE(m_w->http.count(u"/ticket/typing.php"_s), 2);
    }

    // Without a credential for the current side nothing reaches the server,
    // and what the channel pushes is neither kept nor announced.
    void noCredential_nothingIsSent()
    {
        m_w->settings.writeBool(UserSettings::IsAdmin, true);
        RunTask::run(m_w->credentials.store(Kind::UserSecret, u"secret-of-the-user"_s));
        QVERIFY(!m_w->conversations->isAvailable());
        QSignalSpy received(&*m_w->conversations, &Conversations::messageReceived);
        m_w->conversations->send(7, u"Bonjour"_s);
        m_w->conversations->typing(7);
        m_w->conversations->markRead(7);
        RunTask::run(m_w->conversations->load(7));
        m_w->channel.handleMessage(pushed(7, u"user"_s, 50, u"Voilà"_s));
        m_w->channel.handleMessage(uR"({"type":"user_typing","ticketId":7})"_s);
        authenticateChannel();
        QVERIFY(m_w->conversations->entries(7).isEmpty());
        QCOMPARE(m_w->conversations->unreadCount(7), 0);
        QVERIFY(received.isEmpty()); // so no notification either
        QVERIFY(!m_w->conversations->isOtherSideTyping(7));
        const auto refusal = RunTask::failure<APIError>(m_w->api->getMessages(7, Kind::StaffSession));
        QVERIFY(refusal && refusal->statusCode == 401);
        QVERIFY(m_w->http.requests().isEmpty());
    }

    // A loaded conversation keeps what the channel pushed meanwhile, once,
    // and the outbox's entries after it, a refused one with the server's
    // reason. A refusal is final; a server error is not, and only a pending
    // message is kept for the next start. A refused load says why.
    void load_mergesStoredPushedAndWaiting_refusalsSayWhy()
    {
        signIn(Kind::UserSecret);
        for (const auto &[id, sender, text] :
            { std::tuple { 1, u"user"_s, u"Bonjour"_s }, std::tuple { 2, u"admin"_s, u"Redémarrez"_s } })
            m_w->messages.append(QJsonObject { { u"id"_s, id }, { u"ticket_id"_s, 7 },
                { u"sender"_s, sender }, { u"sender_name"_s, u"Jean Dupont"_s }, { u"message"_s, text },
                { u"created_at"_s, u"2026-12-08 09:00:00"_s } });
        m_w->channel.handleMessage(pushed(7, u"admin"_s, 2, u"Redémarrez"_s));
        m_w->channel.handleMessage(pushed(7, u"admin"_s, 3, u"Alors ?"_s));
        m_w->refusal = Closed;
        m_w->conversations->send(7, u"Merci"_s);
        QTRY_COMPARE(m_w->conversations->entries(7).last().state, ConversationEntry::State::Failed);

        RunTask::run(m_w->conversations->load(7));
        QCOMPARE(shown(m_w->conversations->entries(7)),
            (QStringList { u"sent user Bonjour"_s, u"sent admin Redémarrez"_s, u"sent admin Alors ?"_s,
                u"failed user Merci ("_s + Closed + u')' }));

        const QUuid merci = m_w->conversations->entries(7).last().clientId;
        m_w->conversations->send(7, u"Et ça ?"_s);
        QTRY_COMPARE(m_w->answeredSends, 2);
        m_w->refusalStatus = 500;
        m_w->conversations->retry(7, merci);
        QTRY_COMPARE(m_w->answeredSends, 3);
        QTRY_COMPARE(shown(m_w->conversations->entries(7)).mid(3),
            (QStringList { u"pending user Merci"_s, u"failed user Et ça ? ("_s + Closed + u')' }));
        restart();
        QCOMPARE(shown(m_w->conversations->entries(7)), QStringList { u"pending user Merci"_s });

        m_w->messagesStatus = 403;
        const auto refusal = RunTask::failure<APIError>(m_w->conversations->load(7));
        QVERIFY(refusal);
        QCOMPARE(refusal->statusCode, 403);
        QCOMPARE(refusal->message, u"Accès refusé"_s);
    }

    // A damaged outbox costs its unreadable part, never the start: the file
    // as a whole unreadable is ignored with a log line, a bad entry alone.
    void outbox_damagedFileIsIgnored()
    {
        const QString path = m_w->dir.filePath(u"outbox.json"_s);
        const auto write = [&path](const QByteArray &bytes) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        QVERIFY(write("{\"entries\": [tronqué"));
        StdoutCapture out;
        restart();
        QCOMPARE(out.lines(), QStringList { u"⚠️ Messages en attente illisibles ignorés : "_s + path });
        out.restore();
        QVERIFY(m_w->conversations->entries(7).isEmpty());

        const QByteArray good = R"({"ticket_id":7,"client_id":"6f1c1b0e-8a43-4b1e-9d1a-2f0e5c7b9a10",)"
                                R"("text":"Bonjour","written_at":"2026-12-08 09:00:00","from_staff":false})";
        QVERIFY(write(R"({"entries":[{"ticket_id":"7","text":"x"},)" + good + "]}"));
        restart();
        QCOMPARE(shown(m_w->conversations->entries(7)), QStringList { u"pending user Bonjour"_s });
    }

private:
    void signIn(Kind kind)
    {
        m_w->settings.writeBool(UserSettings::IsAdmin, kind == Kind::StaffSession);
        RunTask::run(m_w->credentials.store(
            kind, kind == Kind::StaffSession ? u"session-of-the-staff"_s : u"secret-of-the-user"_s));
        QVERIFY(m_w->conversations->isAvailable());
    }

    enum Reach { Online, Offline };

    // A new start of the program, the server reachable or not (nobody listens
    // on its port, so every request fails at once).
    void restart(Reach reach = Online)
    {
        m_w->conversations.reset();
        const QString apiBase
            = reach == Online ? m_w->http.apiBase() : u"http://127.0.0.1:%1/api"_s.arg(freePort());
        m_w->api.emplace(Configuration { .apiBase = apiBase }, m_w->credentials);
        m_w->conversations.emplace(
            *m_w->api, m_w->channel, m_w->settings, m_w->credentials, m_w->dir.filePath(u"outbox.json"_s));
    }

    void authenticateChannel()
    {
        const qsizetype before = m_w->ws.peerCount();
        m_w->channel.allowReconnection();
        m_w->channel.connect();
        QTRY_COMPARE(m_w->ws.peerCount(), before + 1);
        QTRY_COMPARE(m_w->ws.last().received.size(), 1);
        QSignalSpy authenticated(&m_w->channel, &WebSocketService::authenticated);
        m_w->ws.last().socket->sendTextMessage(uR"({"type":"auth_success"})"_s);
        QVERIFY(authenticated.wait());
    }

    NotificationDaemon m_bus;
    std::optional<Workstation> m_w;
};

QTEST_MAIN(TestConversations)
#include "tst_conversations.moc"
