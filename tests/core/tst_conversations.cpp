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
using State = ConversationEntry::State;

namespace {

const QString Closed = u"Ce ticket est fermé : il ne reçoit plus de messages."_s;

// The conversation routes as a server in accounts mode answers them: one
// stored message per client id, whatever the number of tries.
class FakeConversationServer
{
public:
    explicit FakeConversationServer(HttpTestServer &http)
    {
        http.setHandler([this](const TestRequest &request) { return answer(request); });
    }

    TestResponse answer(const TestRequest &request)
    {
        if (request.path == u"/ticket/send-message.php") {
            ++answeredSends;
            if (refusal)
                return TestResponse::json(
                    { { u"success"_s, false }, { u"error"_s, *refusal } }, refusalStatus);
            const QString clientId = request.json().value(u"client_id").toString();
            if (!stored.contains(clientId))
                stored.insert(clientId, 100 + stored.size());
            return TestResponse::json(
                { { u"success"_s, true }, { u"message_id"_s, stored.value(clientId) } });
        }
        if (request.path == u"/ticket/messages.php" && messagesStatus != 200)
            return TestResponse::json(
                { { u"success"_s, false }, { u"error"_s, u"Accès refusé"_s } }, messagesStatus);
        if (request.path == u"/ticket/messages.php")
            return TestResponse::json({ { u"success"_s, true }, { u"messages"_s, messages } });
        return TestResponse::json({ { u"success"_s, true } });
    }

    std::optional<QString> refusal;
    int refusalStatus = 409;
    int answeredSends = 0; // refused or not
    QHash<QString, qint64> stored; // client id -> message id
    QJsonArray messages;
    int messagesStatus = 200;
};

QString pushed(qint64 ticketId, const QString &senderType, qint64 messageId, const QString &text)
{
    const QJsonObject push { { u"type"_s, u"new_message"_s }, { u"ticketId"_s, ticketId },
        { u"sender"_s, u"Léa Martin"_s }, { u"message"_s, text },
        { u"timestamp"_s, u"2026-12-08 10:00:00"_s }, { u"messageId"_s, messageId },
        { u"senderType"_s, senderType } };
    return QString::fromUtf8(QJsonDocument(push).toJson(QJsonDocument::Compact));
}

QStringList shown(const QList<ConversationEntry> &entries)
{
    static const QStringList states { u"sent"_s, u"pending"_s, u"failed"_s };
    QStringList lines;
    for (const ConversationEntry &entry : entries)
        lines.append(u"%1 %2 %3%4"_s.arg(states.value(int(entry.state)), entry.message.sender,
            entry.message.message, entry.error.isEmpty() ? QString() : u" ("_s + entry.error + u')'));
    return lines;
}

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
        m_dir = std::make_unique<QTemporaryDir>();
        m_http = std::make_unique<HttpTestServer>();
        m_server = std::make_unique<FakeConversationServer>(*m_http);
        m_ws = std::make_unique<LoopbackWebSocketServer>();
        QVERIFY(m_ws->listen());
        m_settings = std::make_unique<UserSettings>(m_dir->filePath(u"settings.conf"_s));
        m_settings->writeInteger(UserSettings::UserId, 5);
        m_credentials = std::make_unique<CredentialStore>(
            u"norvik-conversations-test"_s, m_dir->filePath(u"secrets"_s));
        const Configuration configuration { .apiBase = m_http->apiBase(), .wsURL = m_ws->url() };
        WebSocketOptions options;
        options.reconnectDelay = 100ms;
        m_channel = std::make_unique<WebSocketService>(configuration, *m_settings, *m_credentials, options);
        restart();
    }

    void cleanup()
    {
        m_conversations.reset();
        m_channel->disconnect();
        QTRY_VERIFY(m_channel->findChildren<QWebSocket *>().isEmpty());
        m_channel.reset();
        m_api.reset();
        m_credentials.reset();
        m_settings.reset();
        m_ws.reset();
        m_server.reset();
        m_http.reset();
        m_dir.reset();
    }

    // Written offline, kept across a restart of the program, sent once when
    // the channel is back, never again on the next reconnection.
    void outbox_survivesRestartAndGoesOutOnce()
    {
        signIn(Kind::UserSecret);
        restart(Offline);
        m_conversations->send(7, u"Bonjour"_s);
        QCOMPARE(shown(m_conversations->entries(7)), QStringList { u"pending user Bonjour"_s });
        const QUuid clientId = m_conversations->entries(7).first().clientId;

        restart();
        QCOMPARE(shown(m_conversations->entries(7)), QStringList { u"pending user Bonjour"_s });
        QCOMPARE(m_conversations->entries(7).first().clientId, clientId);
        QCOMPARE(m_http->count(u"/ticket/send-message.php"_s), 0); // nothing before the channel is back

        authenticateChannel();
        QTRY_COMPARE(shown(m_conversations->entries(7)), QStringList { u"sent user Bonjour"_s });
        QCOMPARE(m_conversations->entries(7).first().message.id, 100);
        QCOMPARE(m_server->answeredSends, 1);
        QCOMPARE(m_server->stored.keys(), QStringList { clientId.toString(QUuid::WithoutBraces) });
        const TestRequest last = m_http->requestsTo(u"/ticket/send-message.php"_s).last();
        QCOMPARE(last.json().value(u"ticket_id").toInteger(), 7);
        QCOMPARE(last.json().value(u"message").toString(), u"Bonjour"_s);
        QCOMPARE(last.headers.value("authorization"), "Bearer secret-of-the-user"_ba);

        // The next start and its connection find nothing left to send.
        restart();
        QVERIFY(m_conversations->entries(7).isEmpty());
        authenticateChannel();
        QCOMPARE(m_server->answeredSends, 1);
    }

    // A refusal is final and says why; a server error or no server at all is not.
    void send_refusalFailsWithTheServersReason()
    {
        signIn(Kind::UserSecret);
        m_server->refusal = Closed;
        m_conversations->send(7, u"Encore là ?"_s);
        QTRY_COMPARE(shown(m_conversations->entries(7)),
            QStringList { u"failed user Encore là ? ("_s + Closed + u')' });

        m_server->refusalStatus = 500;
        m_conversations->retry(7, m_conversations->entries(7).first().clientId);
        QTRY_COMPARE(m_http->count(u"/ticket/send-message.php"_s), 2);
        QTRY_COMPARE(shown(m_conversations->entries(7)), QStringList { u"pending user Encore là ?"_s });

        // Only the pending one is kept for the next start.
        restart();
        QCOMPARE(shown(m_conversations->entries(7)), QStringList { u"pending user Encore là ?"_s });
    }

    // The user side counts the staff's messages: from the ticket list, one
    // more per push, none for its own, and none once the conversation is read.
    void unread_countsTheOtherSidesMessages()
    {
        signIn(Kind::UserSecret);
        QSignalSpy received(m_conversations.get(), &Conversations::messageReceived);
        m_conversations->setUnreadCount(7, 2);
        m_channel->handleMessage(pushed(7, u"admin"_s, 40, u"Avez-vous redémarré ?"_s));
        m_channel->handleMessage(pushed(7, u"admin"_s, 40, u"Avez-vous redémarré ?"_s)); // same id again
        m_channel->handleMessage(pushed(7, u"user"_s, 41, u"Oui"_s));
        m_channel->handleMessage(pushed(8, u"admin"_s, 42, u"Et vous ?"_s));
        QCOMPARE(m_conversations->unreadCount(7), 3);
        QCOMPARE(m_conversations->unreadCount(8), 1);
        QCOMPARE(m_conversations->totalUnread(), 4);
        QCOMPARE(received.size(), 2);
        QCOMPARE(shown(m_conversations->entries(7)),
            (QStringList { u"sent admin Avez-vous redémarré ?"_s, u"sent user Oui"_s }));
        QVERIFY(!m_conversations->entries(7).first().isOwn);
        QVERIFY(m_conversations->entries(7).last().isOwn);

        QSignalSpy unread(m_conversations.get(), &Conversations::unreadChanged);
        m_conversations->markRead(7);
        QCOMPARE(m_conversations->unreadCount(7), 0);
        QCOMPARE(unread.size(), 1);
        QCOMPARE(unread.first(), (QVariantList { 7LL, 0 }));
        QTRY_COMPARE(m_http->count(u"/ticket/mark-read.php"_s), 1);
        QCOMPARE(
            m_http->requestsTo(u"/ticket/mark-read.php"_s).first().json().value(u"ticket_id").toInteger(), 7);
    }

    // The other side shows as typing from its signal until a short while
    // after its last one, or until its message arrives; this side's own
    // typing goes to the server at most once per interval.
    void typing_shownThenHidden_sentAtMostEveryInterval()
    {
        signIn(Kind::StaffSession);
        m_conversations->setTypingShownDuration(60);
        QSignalSpy typing(m_conversations.get(), &Conversations::typingChanged);
        m_channel->handleMessage(uR"({"type":"admin_typing","ticketId":7})"_s); // the staff's own side
        QVERIFY(typing.isEmpty());
        m_channel->handleMessage(uR"({"type":"user_typing","ticketId":7})"_s);
        QCOMPARE(typing.size(), 1);
        QCOMPARE(typing.first(), (QVariantList { 7LL, true }));
        QVERIFY(m_conversations->isOtherSideTyping(7));
        m_channel->handleMessage(uR"({"type":"user_typing","ticketId":7})"_s);
        QCOMPARE(typing.size(), 1); // still typing: said once
        QVERIFY(typing.wait());
        QCOMPARE(typing.last(), (QVariantList { 7LL, false }));
        QVERIFY(!m_conversations->isOtherSideTyping(7));

        m_channel->handleMessage(uR"({"type":"user_typing","ticketId":7})"_s);
        m_channel->handleMessage(pushed(7, u"user"_s, 50, u"Voilà"_s));
        QCOMPARE(typing.size(), 4);
        QCOMPARE(typing.last(), (QVariantList { 7LL, false }));

        m_conversations->typing(7);
        m_conversations->typing(7);
        m_conversations->typing(8);
        QTRY_COMPARE(m_http->count(u"/ticket/typing.php"_s), 2);
        QCOMPARE(m_http->requestsTo(u"/ticket/typing.php"_s).first().headers.value("authorization"),
            "Bearer session-of-the-staff"_ba);
    }

    // Without a credential for the current side nothing reaches the server,
    // and what the channel pushes is not counted.
    void noCredential_nothingIsSent()
    {
        m_settings->writeBool(UserSettings::IsAdmin, true);
        RunTask::run(m_credentials->store(Kind::UserSecret, u"secret-of-the-user"_s));
        QVERIFY(!m_conversations->isAvailable());
        QSignalSpy received(m_conversations.get(), &Conversations::messageReceived);
        m_conversations->send(7, u"Bonjour"_s);
        m_conversations->typing(7);
        m_conversations->markRead(7);
        RunTask::run(m_conversations->load(7));
        m_channel->handleMessage(pushed(7, u"user"_s, 50, u"Voilà"_s));
        m_channel->handleMessage(uR"({"type":"user_typing","ticketId":7})"_s);
        authenticateChannel();
        QVERIFY(m_conversations->entries(7).isEmpty());
        QCOMPARE(m_conversations->unreadCount(7), 0);
        QVERIFY(received.isEmpty()); // so no notification either
        QVERIFY(!m_conversations->isOtherSideTyping(7));
        QVERIFY(m_http->requests().isEmpty());
        try {
            RunTask::run(m_api->getMessages(7, Kind::StaffSession));
            QFAIL("a conversation was asked for without a credential");
        } catch (const APIError &refusal) {
            QCOMPARE(refusal.statusCode, 401);
        }
        QVERIFY(m_http->requests().isEmpty());
    }

    // A loaded conversation keeps what the channel pushed meanwhile, once,
    // and the outbox's entries after it.
    void load_mergesStoredPushedAndWaiting()
    {
        signIn(Kind::UserSecret);
        m_server->messages = {
            QJsonObject { { u"id"_s, 1 }, { u"ticket_id"_s, 7 }, { u"sender"_s, u"user"_s },
                { u"sender_name"_s, u"Jean Dupont"_s }, { u"message"_s, u"Bonjour"_s },
                { u"created_at"_s, u"2026-12-08 09:00:00"_s } },
            QJsonObject { { u"id"_s, 2 }, { u"ticket_id"_s, 7 }, { u"sender"_s, u"admin"_s },
                { u"sender_name"_s, u"Support"_s }, { u"message"_s, u"Redémarrez"_s },
                { u"created_at"_s, u"2026-12-08 09:05:00"_s } },
        };
        m_channel->handleMessage(pushed(7, u"admin"_s, 2, u"Redémarrez"_s));
        m_channel->handleMessage(pushed(7, u"admin"_s, 3, u"Alors ?"_s));
        m_server->refusal = Closed;
        m_conversations->send(7, u"Merci"_s);
        QTRY_COMPARE(m_conversations->entries(7).last().state, State::Failed);

        RunTask::run(m_conversations->load(7));
        QCOMPARE(shown(m_conversations->entries(7)),
            (QStringList { u"sent user Bonjour"_s, u"sent admin Redémarrez"_s, u"sent admin Alors ?"_s,
                u"failed user Merci ("_s + Closed + u')' }));
        QCOMPARE(m_http->requestsTo(u"/ticket/messages.php"_s).first().query.queryItemValue(u"ticket_id"_s),
            u"7"_s);

        m_server->messagesStatus = 403;
        const auto refusal = RunTask::failure<APIError>(m_conversations->load(7));
        QVERIFY(refusal);
        QCOMPARE(refusal->statusCode, 403);
        QCOMPARE(refusal->message, u"Accès refusé"_s);
    }

    // A damaged outbox costs its unreadable part, never the start: the file
    // as a whole unreadable is ignored with a log line, a bad entry alone.
    void outbox_damagedFileIsIgnored()
    {
        const QString path = m_dir->filePath(u"outbox.json"_s);
        const auto write = [&path](const QByteArray &bytes) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        QVERIFY(write("{\"entries\": [tronqué"));
        StdoutCapture out;
        restart();
        QCOMPARE(out.lines(), QStringList { u"⚠️ Messages en attente illisibles ignorés : "_s + path });
        out.restore();
        QVERIFY(m_conversations->entries(7).isEmpty());

        const QByteArray good = R"({"ticket_id":7,"client_id":"6f1c1b0e-8a43-4b1e-9d1a-2f0e5c7b9a10",)"
                                R"("text":"Bonjour","written_at":"2026-12-08 09:00:00","from_staff":false})";
        QVERIFY(write(R"({"entries":[{"ticket_id":"7","text":"x"},)" + good + "]}"));
        restart();
        QCOMPARE(shown(m_conversations->entries(7)), QStringList { u"pending user Bonjour"_s });
    }

private:
    void signIn(Kind kind)
    {
        m_settings->writeBool(UserSettings::IsAdmin, kind == Kind::StaffSession);
        RunTask::run(m_credentials->store(
            kind, kind == Kind::StaffSession ? u"session-of-the-staff"_s : u"secret-of-the-user"_s));
        QVERIFY(m_conversations->isAvailable());
    }

    enum Reach { Online, Offline };

    // A new start of the program, the server reachable or not (nobody listens
    // on its port, so every request fails at once).
    void restart(Reach reach = Online)
    {
        m_conversations.reset();
        m_api.reset();
        const QString apiBase
            = reach == Online ? m_http->apiBase() : u"http://127.0.0.1:%1/api"_s.arg(freePort());
        m_api = std::make_unique<APIService>(Configuration { .apiBase = apiBase }, *m_credentials);
        m_conversations = std::make_unique<Conversations>(
            *m_api, *m_channel, *m_settings, *m_credentials, m_dir->filePath(u"outbox.json"_s));
    }

    void authenticateChannel()
    {
        const qsizetype before = m_ws->peerCount();
        m_channel->allowReconnection();
        m_channel->connect();
        QTRY_COMPARE(m_ws->peerCount(), before + 1);
        QTRY_COMPARE(m_ws->last().received.size(), 1);
        QSignalSpy authenticated(m_channel.get(), &WebSocketService::authenticated);
        m_ws->last().socket->sendTextMessage(uR"({"type":"auth_success"})"_s);
        QVERIFY(authenticated.wait());
    }

    NotificationDaemon m_bus;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<HttpTestServer> m_http;
    std::unique_ptr<FakeConversationServer> m_server;
    std::unique_ptr<LoopbackWebSocketServer> m_ws;
    std::unique_ptr<UserSettings> m_settings;
    std::unique_ptr<CredentialStore> m_credentials;
    std::unique_ptr<APIService> m_api;
    std::unique_ptr<WebSocketService> m_channel;
    std::unique_ptr<Conversations> m_conversations;
};

QTEST_MAIN(TestConversations)
#include "tst_conversations.moc"
