#include "core/apiservice.h"
#include "core/conversationnotifications.h"
#include "core/conversations.h"
#include "core/credentialstore.h"
#include "core/desktopnotifier.h"
#include "core/notificationstate.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "fakenotificationservice.h"
#include "httptestserver.h"
#include "loopback.h"
#include "notificationdaemon.h"
#include "runtask.h"
#include "testing.h"

namespace {

const QString Service = u"org.freedesktop.Notifications"_s;

QString userMessage(qint64 ticketId, const QString &text)
{
    const QJsonObject push { { u"type"_s, u"new_message"_s }, { u"ticketId"_s, ticketId },
        { u"sender"_s, u"Léa Martin"_s }, { u"message"_s, text },
        { u"timestamp"_s, u"2026-12-08 10:00:00"_s }, { u"messageId"_s, 0 }, { u"senderType"_s, u"user"_s } };
    return QString::fromUtf8(QJsonDocument(push).toJson(QJsonDocument::Compact));
}

} // namespace

// What a member of the staff notices of a user's message: one notification
// per ticket, the unread badge, the conversation opened from a click and an
// answer sent from the notification where the service allows one.
class TestConversationNotifications : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_daemon.startBus(&error), qPrintable(error));
    }

    void cleanupTestCase() { m_daemon.stop(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_http = std::make_unique<HttpTestServer>();
        m_http->setHandler([](const TestRequest &) {
            return TestResponse::json({ { u"success"_s, true }, { u"message_id"_s, 300 } });
        });
        m_settings = std::make_unique<UserSettings>(m_dir->filePath(u"settings.conf"_s));
        m_settings->writeBool(UserSettings::IsAdmin, true);
        m_credentials
            = std::make_unique<CredentialStore>(u"norvik-notifications-test"_s, m_dir->filePath(u"s"_s));
        RunTask::run(m_credentials->store(CredentialStore::Kind::StaffSession, u"session"_s));
        const Configuration configuration { .apiBase = m_http->apiBase(),
            .wsURL = QUrl(u"ws://127.0.0.1:%1/norvik-ws"_s.arg(freePort())) };
        m_api = std::make_unique<APIService>(configuration, *m_credentials);
        m_channel = std::make_unique<WebSocketService>(configuration, *m_settings, *m_credentials);
        m_conversations = std::make_unique<Conversations>(
            *m_api, *m_channel, *m_settings, *m_credentials, m_dir->filePath(u"outbox.json"_s));
        m_notifier = std::make_unique<DesktopNotifier>();
        m_unread = std::make_unique<NotificationState>();
        m_notifications
            = std::make_unique<ConversationNotifications>(*m_conversations, *m_notifier, *m_unread);
    }

    void cleanup()
    {
        m_notifications.reset();
        m_unread.reset();
        m_notifier.reset();
        m_conversations.reset();
        m_channel.reset();
        m_api.reset();
        m_credentials.reset();
        m_settings.reset();
        m_http.reset();
        m_dir.reset();
    }

    void dunst_onePerTicket_clickOpensTheConversation()
    {
        if (!NotificationDaemon::hasDisplay())
            QSKIP("dunst needs an X display: run the tests under xvfb-run");
        QString error;
        QVERIFY2(m_daemon.startDunst(&error), qPrintable(error));
        m_daemon.closeAllAndReadHistory();

        QSignalSpy delivered(m_notifier.get(), &DesktopNotifier::delivered);
        m_channel->handleMessage(userMessage(7, u"Bonjour"_s));
        QTRY_COMPARE_WITH_TIMEOUT(delivered.size(), 1, 10000);
        QVERIFY(m_unread->hasUnreadNotification());
        m_channel->handleMessage(userMessage(7, u"Vous êtes là ?"_s));
        QTRY_COMPARE_WITH_TIMEOUT(delivered.size(), 2, 10000);
        QCOMPARE(delivered.at(1), (QVariantList { u"message-7"_s, delivered.at(0).at(1) }));
        QCOMPARE(m_daemon.displayedCount(), 1);

        QSignalSpy requested(m_notifications.get(), &ConversationNotifications::conversationRequested);
        m_daemon.invokeAction(0);
        QVERIFY(requested.wait(10000));
        QCOMPARE(requested.first(), QVariantList { 7LL });

        const QList<QVariantMap> history = m_daemon.closeAllAndReadHistory();
        QVERIFY(!history.isEmpty());
        QCOMPARE(history.first().value(u"summary"_s).toString(), u"Nouveau message"_s);
        QCOMPARE(history.first().value(u"body"_s).toString(), u"Léa Martin\nVous êtes là ?"_s);
    }

    // The answer is offered only by a service that can take one; a click
    // opens the conversation either way.
    void service_offersAnAnswerOnlyWhereItCan_data()
    {
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<QStringList>("actions");
        QTest::newRow("actions only")
            << QStringList { u"actions"_s, u"body"_s } << QStringList { u"default"_s, u"Ouvrir"_s };
        QTest::newRow("inline reply")
            << QStringList { u"actions"_s, u"body"_s, u"inline-reply"_s }
            << QStringList { u"default"_s, u"Ouvrir"_s, u"inline-reply"_s, u"Répondre"_s };
    }

    void service_offersAnAnswerOnlyWhereItCan()
    {
        QFETCH(QStringList, capabilities);
        QFETCH(QStringList, actions);
        m_daemon.stopDunst();
        FakeNotificationService service(capabilities);
        QTRY_VERIFY(service.registerService());

        QSignalSpy delivered(m_notifier.get(), &DesktopNotifier::delivered);
        m_channel->handleMessage(userMessage(9, u"Bonjour"_s));
        QVERIFY(delivered.wait(10000));
        QCOMPARE(service.shown().size(), 1);
        QCOMPARE(service.shown().first().actions, actions);
        QCOMPARE(service.shown().first().body, u"Léa Martin\nBonjour"_s);
        const uint id = service.shown().first().id;

        QSignalSpy requested(m_notifications.get(), &ConversationNotifications::conversationRequested);
        service.emitSignal(u"ActionInvoked"_s, id, u"default"_s);
        QVERIFY(requested.wait(10000));
        QCOMPARE(requested.first(), QVariantList { 9LL });
    }

    // An answer written in the notification goes out as a message of the
    // ticket it was about; one to a notification of another program does not.
    void service_answerInTheNotificationIsSent()
    {
        m_daemon.stopDunst();
        FakeNotificationService service({ u"actions"_s, u"inline-reply"_s });
        QTRY_VERIFY(service.registerService());
        QSignalSpy delivered(m_notifier.get(), &DesktopNotifier::delivered);
        m_channel->handleMessage(userMessage(9, u"Bonjour"_s));
        QVERIFY(delivered.wait(10000));
        const uint id = service.shown().first().id;

        QSignalSpy changed(m_conversations.get(), &Conversations::changed);
        service.emitSignal(u"NotificationReplied"_s, id + 1, u"Pas pour nous"_s);
        service.emitSignal(u"NotificationReplied"_s, id, u"Je regarde"_s);
        QTRY_COMPARE_WITH_TIMEOUT(m_http->count(u"/ticket/send-message.php"_s), 1, 10000);
        const QJsonObject sent = m_http->requestsTo(u"/ticket/send-message.php"_s).first().json();
        QCOMPARE(sent.value(u"ticket_id").toInteger(), 9);
        QCOMPARE(sent.value(u"message").toString(), u"Je regarde"_s);
        QCOMPARE(m_http->requestsTo(u"/ticket/send-message.php"_s).first().headers.value("authorization"),
            "Bearer session"_ba);
        QTRY_COMPARE(m_conversations->entries(9).last().state, ConversationEntry::State::Sent);
        QCOMPARE(m_conversations->entries(9).last().message.message, u"Je regarde"_s);
    }

private:
    NotificationDaemon m_daemon;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<HttpTestServer> m_http;
    std::unique_ptr<UserSettings> m_settings;
    std::unique_ptr<CredentialStore> m_credentials;
    std::unique_ptr<APIService> m_api;
    std::unique_ptr<WebSocketService> m_channel;
    std::unique_ptr<Conversations> m_conversations;
    std::unique_ptr<DesktopNotifier> m_notifier;
    std::unique_ptr<NotificationState> m_unread;
    std::unique_ptr<ConversationNotifications> m_notifications;
};

QTEST_MAIN(TestConversationNotifications)
#include "tst_conversationnotifications.moc"
