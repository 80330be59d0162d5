#include "core/apiservice.h"
#include "core/conversations.h"
#include "core/credentialstore.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "notificationdaemon.h"
#include "postgrescluster.h"
#include "runtask.h"
#include "serverprocess.h"
#include "testing.h"

#include <QDir>
#include <memory>
#include <optional>

namespace {

using State = ConversationEntry::State;

constexpr auto StaffPassword = "correct-horse-7";

// Everything the program builds at start for one workstation, on files in a
// folder of its own.
struct ClientStack
{
    ClientStack(const QString &folder, const ServerProcess &server)
        : configuration { .apiBase = server.apiBase(), .wsURL = server.wsUrl() }
        , credentials(u"norvik-conversationflow-test"_s, folder + u"/credentials.json"_s)
        , settings(folder + u"/settings.conf"_s)
        , api(configuration, credentials)
        , channel(configuration, settings, credentials)
        , conversations(api, channel, settings, credentials, folder + u"/outbox.json"_s)
    { }

    // Opens the channel and waits for the server to take the announcement.
    bool goOnline()
    {
        QSignalSpy authenticated(&channel, &WebSocketService::authenticated);
        channel.allowReconnection();
        channel.connect();
        return authenticated.wait(10000);
    }

    Configuration configuration;
    CredentialStore credentials;
    UserSettings settings;
    APIService api;
    WebSocketService channel;
    Conversations conversations;
};

ConversationMessage received(const QSignalSpy &spy)
{
    return spy.last().first().value<ConversationMessage>();
}

} // namespace

// A registered user and a member of the staff, each with the program's whole
// client, talking about the user's ticket through real servers: each on an
// instance of their own sharing one PostgreSQL database, or on one instance
// over SQLite where no PostgreSQL is installed. What one side writes or types
// must reach the other live. Notifications, unread counts on the server and
// the outbox are tested against a scripted server or by themselves.
class TestConversationFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No keyring on this bus: each stack keeps its credentials in its file.
        QString error;
        QVERIFY2(m_daemon.startBus(&error), qPrintable(error));
        QVERIFY(QDir(m_dir.path()).mkpath(u"user"_s) && QDir(m_dir.path()).mkpath(u"staff"_s));
        QString database = m_server.dbPath();
        if (PostgresCluster::available()) {
            m_cluster.emplace(QStringList { u"fsync=off"_s });
            QVERIFY2(m_cluster->start() && m_cluster->createDatabase(u"flow"_s),
                qPrintable(m_cluster->errorString()));
            database = m_cluster->url(u"flow"_s);
            m_second.emplace(QStringList { u"--auth"_s, u"accounts"_s });
            m_second->setDatabase(database);
        }
        m_server.setDatabase(database);
        const ToolRun added = runTool(qEnvironmentVariable("NORVIK_SERVER_BIN"),
            { u"staff"_s, u"add"_s, u"boss"_s, u"--name"_s, u"Marc Leroy"_s, u"--db"_s, database },
            QProcessEnvironment::systemEnvironment(), {}, 60000, QByteArray(StaffPassword));
        QCOMPARE(added.exitCode, 0);
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        if (m_second)
            QVERIFY2(m_second->start(), qPrintable(m_second->errorString()));

        m_staff.emplace(m_dir.filePath(u"staff"_s), m_second ? *m_second : m_server);
        RunTask::run(m_staff->api.staffLogin(u"boss"_s, QString::fromLatin1(StaffPassword)));
        m_staff->settings.writeBool(UserSettings::IsAdmin, true);
        const qint64 company = RunTask::run(m_staff->api.createCompany(u"Acme"_s, u"ACM1"_s));
        m_user.emplace(m_dir.filePath(u"user"_s), m_server);
        m_userId = RunTask::run(
            m_user->api.registerUser(company, u"12"_s, u"Durand"_s, u"Lise"_s, u"0102030405"_s))
                       .userId;
        m_user->settings.writeInteger(UserSettings::UserId, m_userId);
        m_ticket = RunTask::run(
            m_user->api.createTicket(m_userId, u"Écran noir"_s, u"Plus rien"_s, u"haute"_s, std::nullopt));
        QVERIFY(m_staff->goOnline() && m_user->goOnline());
    }

    void cleanupTestCase()
    {
        m_user.reset();
        m_staff.reset();
        m_second.reset();
        m_server.stop();
        m_cluster.reset();
        m_daemon.stop();
    }

    void exchange_reachesTheOtherSideLive()
    {
        QSignalSpy toStaff(&m_staff->conversations, &Conversations::messageReceived);
        m_user->conversations.send(m_ticket, u"L'écran reste noir"_s);
        QTRY_COMPARE_WITH_TIMEOUT(toStaff.size(), 1, 10000);
        const ConversationMessage asked = received(toStaff);
        QCOMPARE((QStringList { asked.sender, asked.senderName, asked.message }),
            (QStringList { u"user"_s, u"Lise Durand"_s, u"L'écran reste noir"_s }));
        QCOMPARE(asked.ticketId, m_ticket);
        QTRY_COMPARE(m_user->conversations.entries(m_ticket).last().state, State::Sent);
        QCOMPARE(m_user->conversations.entries(m_ticket).last().message.id, asked.id);
        QCOMPARE(m_staff->conversations.unreadCount(m_ticket), 1);

        // Shown as typing until the answer arrives, not until a timer runs out.
        m_user->conversations.setTypingShownDuration(120000);
        QSignalSpy typing(&m_user->conversations, &Conversations::typingChanged);
        QSignalSpy toUser(&m_user->conversations, &Conversations::messageReceived);
        m_staff->conversations.typing(m_ticket);
        QTRY_COMPARE_WITH_TIMEOUT(typing.size(), 1, 10000);
        QCOMPARE(typing.first(), (QVariantList { m_ticket, true }));
        m_staff->conversations.send(m_ticket, u"Je prends la main"_s);
        QTRY_COMPARE_WITH_TIMEOUT(toUser.size(), 1, 10000);
        QCOMPARE(
            (QStringList { received(toUser).sender, received(toUser).senderName, received(toUser).message }),
            (QStringList { u"admin"_s, u"Marc Leroy"_s, u"Je prends la main"_s }));
        QCOMPARE(typing.last(), (QVariantList { m_ticket, false }));
        QCOMPARE(m_user->conversations.unreadCount(m_ticket), 1);
    }

private:
    NotificationDaemon m_daemon;
    std::optional<PostgresCluster> m_cluster;
    QTemporaryDir m_dir;
    ServerProcess m_server { { u"--auth"_s, u"accounts"_s } }; // the user's instance
    std::optional<ServerProcess> m_second; // the staff's, when PostgreSQL lets them share a database
    std::optional<ClientStack> m_staff, m_user;
    qint64 m_userId = 0;
    qint64 m_ticket = 0;
};

QTEST_MAIN(TestConversationFlow)
#include "tst_conversationflow.moc"
