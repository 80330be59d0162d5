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

QString userMessage(qint64 ticketId, const QString &text)
{
    const QJsonObject push { { u"type"_s, u"new_message"_s }, { u"ticketId"_s, ticketId },
        { u"sender"_s, u"Léa Martin"_s }, { u"message"_s, text },
        { u"timestamp"_s, u"2026-12-08 10:00:00"_s }, { u"messageId"_s, 0 }, { u"senderType"_s, u"user"_s } };
    return QString::fromUtf8(QJsonDocument(push).toJson(QJsonDocument::Compact));
}

// A staff workstation's services; the server takes every message sent.
struct StaffSide
{
    StaffSide()
    {
        http.setHandler([](const TestRequest &) {
            return TestResponse::json({ { u"success"_s, true }, { u"message_id"_s, 300 } });
        });
        settings.writeBool(UserSettings::IsAdmin, true);
        RunTask::run(credentials.store(CredentialStore::Kind::StaffSession, u"session"_s));
    }

    QTemporaryDir dir;
    HttpTestServer http;
    UserSettings settings { dir.filePath(u"settings.conf"_s) };
    CredentialStore credentials { u"norvik-notifications-test"_s, dir.filePath(u"s"_s) };
    Configuration configuration { .apiBase = http.apiBase(),
        .wsURL = QUrl(u"ws://127.0.0.1:%1/norvik-ws"_s.arg(freePort())) };
    APIService api { configuration, credentials };
    WebSocketService channel { configuration, settings, credentials };
    Conversations conversations { api, channel, settings, credentials, dir.filePath(u"outbox.json"_s) };
    DesktopNotifier notifier;
    NotificationState unread;
    ConversationNotifications notifications { conversations, notifier, unread };
};

} // namespace

// What a member of the staff notices of a user's message: one notification
// per ticket, each replacing the one before (what a real daemon makes of that
// is tst_desktopnotifier's), the unread badge, the conversation opened from a
// click and an answer sent from the notification where the service allows one.
class TestConversationNotifications : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_daemon.startBus(&error), qPrintable(error));
    }

    void init() { m_staff.emplace(); }
    void cleanup() { m_staff.reset(); }

    // The answer is offered only by a service that can take one; a click
    // opens the conversation either way. An answer written in the
    // notification goes out as a message of its ticket; one to a
    // notification of another program does not.
    void service_clickOpens_answerOnlyWhereItCan_data()
    {
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<QStringList>("actions");
        QTest::newRow("actions only")
            << QStringList { u"actions"_s, u"body"_s } << QStringList { u"default"_s, u"Ouvrir"_s };
        QTest::newRow("inline reply")
            << QStringList { u"actions"_s, u"body"_s, u"inline-reply"_s }
            << QStringList { u"default"_s, u"Ouvrir"_s, u"inline-reply"_s, u"Répondre"_s };
    }
    void service_clickOpens_answerOnlyWhereItCan()
    {
        QFETCH(QStringList, capabilities);
        QFETCH(QStringList, actions);
        FakeNotificationService service(capabilities);
        QTRY_VERIFY(service.registerService());

        QSignalSpy delivered(&m_staff->notifier, &DesktopNotifier::delivered);
        m_staff->channel.handleMessage(userMessage(9, u"Bonjour"_s));
        QVERIFY(delivered.wait(10000));
        QVERIFY(m_staff->unread.hasUnreadNotification());
        m_staff->channel.handleMessage(userMessage(9, u"Vous êtes là ?"_s));
        QVERIFY(delivered.wait(10000));
        QCOMPARE(service.shown().size(), 2);
        const FakeNotificationService::Shown &shown = service.shown().last();
        const uint id = service.shown().first().id;
        QCOMPARE((QList<QVariant> { shown.replacesId, shown.summary, shown.body, shown.actions }),
            (QList<QVariant> { id, u"Nouveau message"_s, u"Léa Martin\nVous êtes là ?"_s, actions }));
        QCOMPARE(delivered.last().first(), u"message-9"_s);
        QSignalSpy requested(&m_staff->notifications, &ConversationNotifications::conversationRequested);
        service.emitSignal(u"ActionInvoked"_s, id, u"default"_s);
        QVERIFY(requested.wait(10000));
        QCOMPARE(requested.first(), QVariantList { 9LL });
        if (!capabilities.contains(u"inline-reply"_s))
            return;

        service.emitSignal(u"NotificationReplied"_s, id + 1, u"Pas pour nous"_s);
        service.emitSignal(u"NotificationReplied"_s, id, u"Je regarde"_s);
        QTRY_COMPARE_WITH_TIMEOUT(m_staff->http.count(u"/ticket/send-message.php"_s), 1, 10000);
        const QJsonObject sent = m_staff->http.requestsTo(u"/ticket/send-message.php"_s).first().json();
        QCOMPARE(sent.value(u"ticket_id").toInteger(), 9);
        QCOMPARE(sent.value(u"message").toString(), u"Je regarde"_s);
        QTRY_COMPARE(m_staff->conversations.entries(9).last().state, ConversationEntry::State::Sent);
    }

private:
    NotificationDaemon m_daemon;
    std::optional<StaffSide> m_staff;
};

QTEST_MAIN(TestConversationNotifications)
#include "tst_conversationnotifications.moc"
