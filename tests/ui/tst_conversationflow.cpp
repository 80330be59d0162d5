#include "core/apiservice.h"
#include "core/conversationnotifications.h"
#include "core/conversationoutbox.h"
#include "core/conversations.h"
#include "core/credentialstore.h"
#include "core/desktopnotifier.h"
#include "core/notificationstate.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "notificationdaemon.h"
#include "postgrescluster.h"
#include "runtask.h"
#include "serverprocess.h"
#include "testing.h"
#include "ui/conversation/conversationmodel.h"
#include "ui/conversation/conversationpanel.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <memory>
#include <optional>

namespace {

using State = ConversationEntry::State;
using Kind = CredentialStore::Kind;

constexpr auto StaffPassword = "correct-horse-7";
const QString StaffName = u"Marc Leroy"_s;
const QString UserName = u"Lise Durand"_s;
const QString Closed = u"Ce ticket est fermé : il ne reçoit plus de messages."_s;

// Everything the program builds at start for one workstation, on files in a
// folder of its own: a second stack built on the same folder is that program
// started again.
struct ClientStack
{
    ClientStack(const QString &folder, const ServerProcess &server)
        : configuration { .apiBase = server.apiBase(), .wsURL = server.wsUrl() }
        , credentials(u"norvik-conversationflow-test"_s, folder + u"/credentials.json"_s)
        , settings(folder + u"/settings.conf"_s)
        , api(configuration, credentials)
        , channel(configuration, settings, credentials, quickReconnection())
        , conversations(api, channel, settings, credentials, folder + u"/outbox.json"_s)
        , notifications(conversations, notifier, unread)
    { }

    static WebSocketOptions quickReconnection()
    {
        WebSocketOptions options;
        options.reconnectDelay = std::chrono::milliseconds(100);
        return options;
    }

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
    DesktopNotifier notifier;
    NotificationState unread;
    ConversationNotifications notifications;
};

bool addStaff(const QString &database)
{
    const ToolRun added = runTool(qEnvironmentVariable("NORVIK_SERVER_BIN"),
        { u"staff"_s, u"add"_s, u"boss"_s, u"--name"_s, StaffName, u"--db"_s, database },
        QProcessEnvironment::systemEnvironment(), {}, 60000, QByteArray(StaffPassword));
    return added.exitCode == 0;
}

ConversationMessage received(const QSignalSpy &spy, int index = 0)
{
    return spy.at(index).first().value<ConversationMessage>();
}

} // namespace

// A registered user and a member of the staff, each with the program's whole
// client, talking about the user's ticket through real servers: on SQLite, on
// PostgreSQL, and each on an instance of their own sharing one PostgreSQL
// database. What one side writes must reach the other live and be noticed
// there, survive a lost connection and a restart without being stored twice,
// and come back refused, with the server's reason, once the ticket is closed;
// the user's conversation panel shows the answer as it comes.
class TestConversationFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void userMessage_reachesTheStaffLiveAndIsNoticed_data() { layouts(); }
    void userMessage_reachesTheStaffLiveAndIsNoticed();
    void staffAnswer_typingThenMessageReachTheUser_data() { layouts(); }
    void staffAnswer_typingThenMessageReachTheUser();
    void offline_messageWaitsOnDiskAndReachesTheServerOnce_data() { layouts(); }
    void offline_messageWaitsOnDiskAndReachesTheServerOnce();
    void closedTicket_messageComesBackWithTheServersReason_data() { layouts(); }
    void closedTicket_messageComesBackWithTheServersReason();
    void screen_staffAnswerShowsInTheUsersPanel();

private:
    static void layouts();
    QString folder(const QString &side) const { return m_dir->filePath(side); }
    std::unique_ptr<ClientStack> userStack(const ServerProcess &server) const;
    QStringList storedTexts() const;
    qint64 unreadOnServer(bool staffSide) const;
    QVariantMap newestShown();

    NotificationDaemon m_daemon;
    std::optional<PostgresCluster> m_cluster;
    int m_databases = 0;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ServerProcess> m_server; // the user's instance
    std::unique_ptr<ServerProcess> m_second; // the staff's, when it has one
    std::unique_ptr<ClientStack> m_user;
    std::unique_ptr<ClientStack> m_staff;
    qint64 m_userId = 0;
    qint64 m_ticket = 0;
};

void TestConversationFlow::layouts()
{
    // init() reads the row's tag: the servers are up before the case runs.
    QTest::addColumn<QString>("layout");
    QTest::newRow("sqlite") << u"sqlite"_s;
    QTest::newRow("postgresql") << u"postgresql"_s;
    QTest::newRow("two instances") << u"two instances"_s;
}

void TestConversationFlow::initTestCase()
{
    // No keyring on this bus: each stack keeps its credentials in its file.
    QString error;
    QVERIFY2(m_daemon.startBus(&error), qPrintable(error));
    if (NotificationDaemon::hasDisplay())
        QVERIFY2(m_daemon.startDunst(&error), qPrintable(error));
    if (PostgresCluster::available()) {
        m_cluster.emplace(QStringList { u"fsync=off"_s });
        QVERIFY2(m_cluster->start(), qPrintable(m_cluster->errorString()));
    }
}

void TestConversationFlow::cleanupTestCase()
{
    m_cluster.reset();
    m_daemon.stop();
}

void TestConversationFlow::init()
{
    // A case without rows runs on SQLite.
    const QByteArray layout = QTest::currentDataTag() ? QByteArray(QTest::currentDataTag()) : "sqlite"_ba;
    if (layout != "sqlite" && !m_cluster)
        QSKIP(PostgresCluster::missingMessage());
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_dir->path()).mkpath(u"user"_s) && QDir(m_dir->path()).mkpath(u"staff"_s));
    m_server = std::make_unique<ServerProcess>(QStringList { u"--auth"_s, u"accounts"_s });
    QString database = m_server->dbPath();
    if (layout != "sqlite") {
        const QString name = u"flow%1"_s.arg(++m_databases);
        QVERIFY2(m_cluster->createDatabase(name), qPrintable(m_cluster->errorString()));
        database = m_cluster->url(name);
    }
    m_server->setDatabase(database);
    QVERIFY(addStaff(database));
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    const ServerProcess *staffSide = m_server.get();
    if (layout == "two instances") {
        m_second = std::make_unique<ServerProcess>(QStringList { u"--auth"_s, u"accounts"_s });
        m_second->setDatabase(database);
        QVERIFY2(m_second->start(), qPrintable(m_second->errorString()));
        staffSide = m_second.get();
    }

    m_staff = std::make_unique<ClientStack>(folder(u"staff"_s), *staffSide);
    RunTask::run(m_staff->api.staffLogin(u"boss"_s, QString::fromLatin1(StaffPassword)));
    m_staff->settings.writeBool(UserSettings::IsAdmin, true);
    const qint64 company = RunTask::run(m_staff->api.createCompany(u"Acme"_s, u"ACM1"_s));
    m_user = std::make_unique<ClientStack>(folder(u"user"_s), *m_server);
    m_userId
        = RunTask::run(m_user->api.registerUser(company, u"12"_s, u"Durand"_s, u"Lise"_s, u"0102030405"_s))
              .userId;
    m_user->settings.writeInteger(UserSettings::UserId, m_userId);
    m_ticket = RunTask::run(
        m_user->api.createTicket(m_userId, u"Écran noir"_s, u"Plus rien"_s, u"haute"_s, std::nullopt));
    QVERIFY(m_staff->goOnline());
    QVERIFY(m_user->goOnline());
}

void TestConversationFlow::cleanup()
{
    m_user.reset();
    m_staff.reset();
    m_second.reset();
    m_server.reset();
    m_dir.reset();
}

std::unique_ptr<ClientStack> TestConversationFlow::userStack(const ServerProcess &server) const
{
    auto stack = std::make_unique<ClientStack>(folder(u"user"_s), server);
    RunTask::run(stack->credentials.load());
    return stack;
}

// The ticket's conversation as the server keeps it, read by the staff.
QStringList TestConversationFlow::storedTexts() const
{
    QStringList texts;
    for (const ConversationMessage &message :
        RunTask::run(m_staff->api.getMessages(m_ticket, Kind::StaffSession)))
        texts << message.message;
    return texts;
}

// The ticket's unread count in the staff's list or in the user's own.
qint64 TestConversationFlow::unreadOnServer(bool staffSide) const
{
    if (staffSide) {
        for (const Ticket &ticket : RunTask::run(m_staff->api.getAllTickets()))
            if (ticket.id == m_ticket)
                return ticket.unreadMessages.value_or(-1);
    } else {
        for (const UserTicket &ticket : RunTask::run(m_user->api.getMyTickets(m_userId)))
            if (ticket.id == m_ticket)
                return ticket.unreadMessages.value_or(-1);
    }
    return -1;
}

// The notification the daemon showed last (this and every earlier row's are
// in its history).
QVariantMap TestConversationFlow::newestShown()
{
    return m_daemon.closeAllAndReadHistory().value(0);
}

void TestConversationFlow::userMessage_reachesTheStaffLiveAndIsNoticed()
{
    if (!NotificationDaemon::hasDisplay())
        QSKIP("dunst needs an X display: run the tests under xvfb-run");
    QSignalSpy toStaff(&m_staff->conversations, &Conversations::messageReceived);
    QSignalSpy notified(&m_staff->notifier, &DesktopNotifier::delivered);
    m_user->conversations.send(m_ticket, u"L'écran reste noir"_s);
    QTRY_COMPARE_WITH_TIMEOUT(toStaff.size(), 1, 10000);
    const ConversationMessage asked = received(toStaff);
    QCOMPARE(asked.ticketId, m_ticket);
    QCOMPARE(asked.sender, u"user"_s);
    QCOMPARE(asked.senderName, UserName);
    QCOMPARE(asked.message, u"L'écran reste noir"_s);
    QTRY_COMPARE(m_user->conversations.entries(m_ticket).last().state, State::Sent);
    QCOMPARE(m_user->conversations.entries(m_ticket).last().message.id, asked.id);
    const QList<ConversationEntry> atStaff = m_staff->conversations.entries(m_ticket);
    QCOMPARE(atStaff.size(), 1);
    QVERIFY(!atStaff.first().isOwn);
    QCOMPARE(m_staff->conversations.unreadCount(m_ticket), 1);
    QVERIFY(m_staff->unread.hasUnreadNotification());
    QTRY_COMPARE_WITH_TIMEOUT(notified.size(), 1, 10000);
    QCOMPARE(notified.first().first().toString(), ConversationNotifications::identifierFor(m_ticket));
    const QVariantMap shown = newestShown();
    QCOMPARE(shown.value(u"summary"_s).toString(), u"Nouveau message"_s);
    QCOMPARE(shown.value(u"body"_s).toString(), UserName + u"\nL'écran reste noir"_s);

    // Read on one staff workstation: read for the whole staff.
    QCOMPARE(unreadOnServer(true), 1);
    m_staff->conversations.markRead(m_ticket);
    QTRY_COMPARE_WITH_TIMEOUT(unreadOnServer(true), 0, 10000);
}

void TestConversationFlow::staffAnswer_typingThenMessageReachTheUser()
{
    if (!NotificationDaemon::hasDisplay())
        QSKIP("dunst needs an X display: run the tests under xvfb-run");
    // Shown as typing until the answer arrives, not until a timer runs out.
    m_user->conversations.setTypingShownDuration(120000);
    QSignalSpy typing(&m_user->conversations, &Conversations::typingChanged);
    QSignalSpy toUser(&m_user->conversations, &Conversations::messageReceived);
    QSignalSpy notified(&m_user->notifier, &DesktopNotifier::delivered);
    m_staff->conversations.typing(m_ticket);
    QTRY_COMPARE_WITH_TIMEOUT(typing.size(), 1, 10000);
    QCOMPARE(typing.first(), (QVariantList { m_ticket, true }));
    QVERIFY(!m_user->unread.hasUnreadNotification());
    m_staff->conversations.send(m_ticket, u"Je prends la main"_s);
    QTRY_COMPARE_WITH_TIMEOUT(toUser.size(), 1, 10000);
    QCOMPARE(received(toUser).sender, u"admin"_s);
    QCOMPARE(received(toUser).senderName, StaffName);
    QCOMPARE(received(toUser).message, u"Je prends la main"_s);
    QCOMPARE(typing.last(), (QVariantList { m_ticket, false }));
    QVERIFY(!m_user->conversations.isOtherSideTyping(m_ticket));
    QCOMPARE(m_user->conversations.unreadCount(m_ticket), 1);
    QVERIFY(m_user->unread.hasUnreadNotification());
    QTRY_COMPARE_WITH_TIMEOUT(notified.size(), 1, 10000);
    const QVariantMap shown = newestShown();
    QCOMPARE(shown.value(u"summary"_s).toString(), u"Nouveau message"_s);
    QCOMPARE(shown.value(u"body"_s).toString(), StaffName + u"\nJe prends la main"_s);

    QCOMPARE(unreadOnServer(false), 1);
    m_user->conversations.markRead(m_ticket);
    QCOMPARE(m_user->conversations.unreadCount(m_ticket), 0);
    QTRY_COMPARE_WITH_TIMEOUT(unreadOnServer(false), 0, 10000);
}

void TestConversationFlow::offline_messageWaitsOnDiskAndReachesTheServerOnce()
{
    const QString outboxPath = folder(u"user"_s) + u"/outbox.json"_s;
    QSignalSpy staffBack(&m_staff->channel, &WebSocketService::authenticated);
    QSignalSpy toStaff(&m_staff->conversations, &Conversations::messageReceived);
    QVERIFY(m_server->stop());
    m_user->conversations.send(m_ticket, u"Écrit hors ligne"_s);
    const ConversationEntry written = m_user->conversations.entries(m_ticket).last();
    QCOMPARE(written.state, State::Pending);
    const QList<OutboxEntry> onDisk = ConversationOutbox(outboxPath).entries();
    QCOMPARE(onDisk.size(), 1);
    QCOMPARE(onDisk.first().clientId, written.clientId);
    QCOMPARE(onDisk.first().text, u"Écrit hors ligne"_s);
    // Kept aside: the file as a program that dies before its next write left it.
    QVERIFY(QFile::copy(outboxPath, outboxPath + u".before"_s));

    // The program quits and comes back while the server is still away.
    m_user.reset();
    m_user = userStack(*m_server);
    QCOMPARE(m_user->conversations.entries(m_ticket), QList<ConversationEntry> { written });
    QVERIFY2(m_server->restart(), qPrintable(m_server->errorString()));
    // The staff's channel went down with the instance they share, and comes back.
    QTRY_VERIFY_WITH_TIMEOUT(m_second || !staffBack.isEmpty(), 10000);
    // The announcement and a retry each start sending; then a second announcement.
    QSignalSpy authenticated(&m_user->channel, &WebSocketService::authenticated);
    m_user->channel.allowReconnection();
    m_user->channel.connect();
    m_user->conversations.retry(m_ticket, written.clientId);
    QVERIFY(authenticated.wait(10000));
    m_user->channel.connect();
    QVERIFY(authenticated.wait(10000));
    QTRY_COMPARE_WITH_TIMEOUT(m_user->conversations.entries(m_ticket).size(), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_user->conversations.entries(m_ticket).first().state, State::Sent, 10000);
    const qint64 stored = m_user->conversations.entries(m_ticket).first().message.id;
    QVERIFY(stored > 0);
    QVERIFY(ConversationOutbox(outboxPath).entries().isEmpty());
    QCOMPARE(storedTexts(), QStringList { u"Écrit hors ligne"_s });

    // Sent, but the answer never reached the file: it goes again, under the
    // same client id, and the server keeps the one it has.
    m_user.reset();
    QFile::remove(outboxPath); // an empty outbox may leave no file
    QVERIFY(QFile::rename(outboxPath + u".before"_s, outboxPath));
    m_user = userStack(*m_server);
    QVERIFY(m_user->goOnline());
    QTRY_COMPARE_WITH_TIMEOUT(m_user->conversations.entries(m_ticket).first().state, State::Sent, 10000);
    QCOMPARE(m_user->conversations.entries(m_ticket).first().message.id, stored);
    QCOMPARE(storedTexts(), QStringList { u"Écrit hors ligne"_s });
    // The staff saw it once: the next message written is the next one they get.
    m_user->conversations.send(m_ticket, u"Et maintenant ?"_s);
    QTRY_COMPARE_WITH_TIMEOUT(toStaff.size(), 2, 10000);
    QCOMPARE(received(toStaff, 0).id, stored);
    QCOMPARE(received(toStaff, 1).message, u"Et maintenant ?"_s);
    QCOMPARE(m_staff->conversations.entries(m_ticket).size(), 2);
}

void TestConversationFlow::closedTicket_messageComesBackWithTheServersReason()
{
    RunTask::run(m_staff->api.closeTicket(m_ticket, u"Réglé par téléphone"_s));
    m_user->conversations.send(m_ticket, u"Encore une question"_s);
    QTRY_COMPARE_WITH_TIMEOUT(m_user->conversations.entries(m_ticket).last().state, State::Failed, 10000);
    const ConversationEntry refused = m_user->conversations.entries(m_ticket).last();
    QCOMPARE(refused.error, Closed);
    QCOMPARE(refused.message.message, u"Encore une question"_s);
    // A refused message is not sent again at the next start.
    QVERIFY(ConversationOutbox(folder(u"user"_s) + u"/outbox.json"_s).entries().isEmpty());

    // The conversation stays readable, the closing words last.
    RunTask::run(m_user->conversations.load(m_ticket));
    const QList<ConversationEntry> kept = m_user->conversations.entries(m_ticket);
    QCOMPARE(kept.size(), 2);
    QCOMPARE(kept.first().message.message, u"Réglé par téléphone"_s);
    QCOMPARE(kept.first().message.sender, u"admin"_s);
    QCOMPARE(kept.first().message.senderName, StaffName);
    QCOMPARE(kept.last().state, State::Failed);
    QCOMPARE(storedTexts(), QStringList { u"Réglé par téléphone"_s });
}

// The user's screen follows the conversation live, and having it on screen
// counts as read, on the server too.
void TestConversationFlow::screen_staffAnswerShowsInTheUsersPanel()
{
    ConversationPanel panel(m_user->conversations, m_ticket, ConversationPanel::Side::User);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const QAbstractItemModel *messages = panel.findChild<QListView *>(u"messages"_s)->model();
    auto *typing = panel.findChild<QLabel *>(u"typing"_s);
    m_staff->conversations.typing(m_ticket);
    QTRY_VERIFY_WITH_TIMEOUT(typing->isVisible(), 10000);
    m_staff->conversations.send(m_ticket, u"Je prends la main"_s);
    QTRY_COMPARE_WITH_TIMEOUT(messages->rowCount(), 1, 10000);
    const QModelIndex answer = messages->index(0, 0);
    QCOMPARE(answer.data(ConversationModel::TextRole).toString(), u"Je prends la main"_s);
    QCOMPARE(answer.data(ConversationModel::SenderRole).toString(), StaffName);
    QVERIFY(!answer.data(ConversationModel::IsOwnRole).toBool());
    QVERIFY(!typing->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(unreadOnServer(false), 0, 10000);
    QCOMPARE(m_user->conversations.unreadCount(m_ticket), 0);
}

QTEST_MAIN(TestConversationFlow)
#include "tst_conversationflow.moc"
