#include "core/accesswatch.h"
#include "core/apiservice.h"
#include "core/credentialstore.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "httptestserver.h"
#include "notificationdaemon.h"
#include "protocol/errors.h"
#include "runtask.h"
#include "serverprocess.h"

#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>
#include <optional>

using namespace Qt::StringLiterals;

using Kind = CredentialStore::Kind;

namespace {

constexpr auto StaffPassword = "correct-horse-7";

bool addStaff(const QString &database, const QString &login)
{
    QProcess process;
    process.start(
        qEnvironmentVariable("NORVIK_SERVER_BIN"), { u"staff"_s, u"add"_s, login, u"--db"_s, database });
    process.write(StaffPassword);
    process.closeWriteChannel();
    const bool done = process.waitForFinished(60000);
    if (!done)
        process.kill();
    return done && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

Configuration towards(const QString &apiBase, const QUrl &wsUrl = {})
{
    Configuration configuration;
    configuration.apiBase = apiBase;
    configuration.wsURL = wsUrl;
    return configuration;
}

// Opens the channel anew for the identity settings hold. The answer: 0 once
// the server took the announcement, else the code it closed the connection with.
int announce(WebSocketService &channel)
{
    channel.disconnect();
    channel.allowReconnection();
    channel.connect();
    QWebSocket *socket = channel.currentSocket();
    std::optional<int> answer;
    QObject context;
    QObject::connect(&channel, &WebSocketService::authenticated, &context, [&answer] { answer = 0; });
    QObject::connect(socket, &QWebSocket::disconnected, &context,
        [&answer, socket] { answer = answer.value_or(socket->closeCode()); });
    (void)QTest::qWaitFor([&answer] { return answer.has_value(); }, 10000);
    channel.disconnect();
    return answer.value_or(-1);
}

} // namespace

// The client against a server that tells its callers apart, and against one
// of the shared token alone, which must see exactly the requests of before.
class TestAccountsFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void accounts_userAndStaffEachCarryTheirOwnCredential();
    void accounts_channelUpgradeCarriesTheAnnouncedIdentitysCredential();
    void accounts_refusedCredentialsLeaveAdminModeOrAskToRegister();
    void sharedServer_noCredentialAndNoStaffLogin();

private:
    QString storePath() const { return m_dir.filePath(u"credentials.json"_s); }

    QTemporaryDir m_dir;
    // A session bus without a keyring: the store keeps to its file.
    NotificationDaemon m_bus;
};

void TestAccountsFlow::initTestCase()
{
    QString error;
    QVERIFY2(m_bus.startBus(&error), qPrintable(error));
}

void TestAccountsFlow::accounts_userAndStaffEachCarryTheirOwnCredential()
{
    ServerProcess server({ u"--auth"_s, u"accounts"_s });
    QVERIFY(addStaff(server.dbPath(), u"boss"_s));
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    CredentialStore store(u"norvik-support-test"_s, storePath());
    APIService api(towards(server.apiBase()), store);
    QSignalSpy rejected(&api, &APIService::credentialRejected);
    QVERIFY(RunTask::run(api.hasStaffAccounts()));

    try {
        RunTask::run(api.staffLogin(u"boss"_s, u"wrong"_s));
        QFAIL("a wrong password logged in");
    } catch (const APIError &refusal) {
        QCOMPARE(refusal.statusCode, 401);
        QCOMPARE(refusal.message, u"Identifiant ou mot de passe incorrect"_s);
    }
    RunTask::run(api.staffLogin(u"boss"_s, QString::fromLatin1(StaffPassword)));
    QVERIFY(!store.value(Kind::StaffSession).isEmpty());
    const qint64 company = RunTask::run(api.createCompany(u"Acme"_s, u"ACM1"_s));

    const RegisterUserResponse registered
        = RunTask::run(api.registerUser(company, u"12"_s, u"Durand"_s, u"Lise"_s, u"0102030405"_s));
    QVERIFY(!store.value(Kind::UserSecret).isEmpty());
    const qint64 ticket = RunTask::run(
        api.createTicket(registered.userId, u"Écran noir"_s, u"Plus rien"_s, u"haute"_s, std::nullopt));
    const QList<UserTicket> mine = RunTask::run(api.getMyTickets(registered.userId));
    QCOMPARE(mine.size(), 1);
    QCOMPARE(mine.first().id, ticket);
    const QList<Ticket> all = RunTask::run(api.getAllTickets());
    QCOMPARE(all.size(), 1);
    QCOMPARE(rejected.count(), 0);

    // A secret the server no longer knows is reported, not taken for a fault.
    RunTask::run(store.store(Kind::UserSecret, u"no-longer-valid"_s));
    QVERIFY_THROWS_EXCEPTION(NorvikError, RunTask::run(api.getMyTickets(registered.userId)));
    QCOMPARE(rejected.count(), 1);
    QCOMPARE(rejected.first().first().value<Kind>(), Kind::UserSecret);

    // Logged out, the session is gone on both sides.
    const QString session = store.value(Kind::StaffSession);
    RunTask::run(api.staffLogout());
    QVERIFY(store.value(Kind::StaffSession).isEmpty());
    RunTask::run(store.store(Kind::StaffSession, session));
    QVERIFY_THROWS_EXCEPTION(NorvikError, RunTask::run(api.getAllTickets()));
    QCOMPARE(rejected.count(), 2);
    QCOMPARE(rejected.last().first().value<Kind>(), Kind::StaffSession);
}

void TestAccountsFlow::accounts_channelUpgradeCarriesTheAnnouncedIdentitysCredential()
{
    ServerProcess server({ u"--auth"_s, u"accounts"_s });
    QVERIFY(addStaff(server.dbPath(), u"boss"_s));
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QFile::remove(storePath());
    CredentialStore store(u"norvik-support-test"_s, storePath());
    const Configuration configuration = towards(server.apiBase(), server.wsUrl());
    APIService api(configuration, store);
    UserSettings settings(m_dir.filePath(u"channel.conf"_s));
    WebSocketService channel(configuration, settings, store);

    RunTask::run(api.staffLogin(u"boss"_s, QString::fromLatin1(StaffPassword)));
    const qint64 company = RunTask::run(api.createCompany(u"Canal"_s, u"CAN1"_s));
    const qint64 user
        = RunTask::run(api.registerUser(company, u"7"_s, u"Roux"_s, u"Yann"_s, QString())).userId;
    settings.writeInteger(UserSettings::UserId, user);
    QCOMPARE(announce(channel), 0);
    settings.writeBool(UserSettings::IsAdmin, true);
    QCOMPARE(announce(channel), 0);
    // Without the session the administrator's announcement is refused.
    RunTask::run(store.store(Kind::StaffSession, QString()));
    QCOMPARE(announce(channel), int(QWebSocketProtocol::CloseCodePolicyViolated));
}

void TestAccountsFlow::accounts_refusedCredentialsLeaveAdminModeOrAskToRegister()
{
    ServerProcess server({ u"--auth"_s, u"accounts"_s });
    QVERIFY(addStaff(server.dbPath(), u"boss"_s));
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QFile::remove(storePath());
    CredentialStore store(u"norvik-support-test"_s, storePath());
    const Configuration configuration = towards(server.apiBase(), server.wsUrl());
    APIService api(configuration, store);
    UserSettings settings(m_dir.filePath(u"watch.conf"_s));
    WebSocketService channel(configuration, settings, store);
    AccessWatch watch(api, store, settings, channel);
    QSignalSpy ended(&watch, &AccessWatch::staffSessionEnded);
    QSignalSpy register_(&watch, &AccessWatch::registrationRequired);

    RunTask::run(api.staffLogin(u"boss"_s, QString::fromLatin1(StaffPassword)));
    settings.writeBool(UserSettings::IsAdmin, true);
    const QString session = store.value(Kind::StaffSession);
    // The session ended elsewhere (another window's logout, expiry).
    RunTask::run(api.staffLogout());
    RunTask::run(store.store(Kind::StaffSession, session));
    QVERIFY_THROWS_EXCEPTION(NorvikError, RunTask::run(api.getAllTickets()));
    QCOMPARE(ended.count(), 1);
    QVERIFY(!settings.readBool(UserSettings::IsAdmin));
    QVERIFY(store.value(Kind::StaffSession).isEmpty());
    QCOMPARE(register_.count(), 0);

    RunTask::run(store.store(Kind::UserSecret, u"reset-by-the-staff"_s));
    QVERIFY_THROWS_EXCEPTION(NorvikError, RunTask::run(api.getMyTickets(1)));
    // Said once for that secret, however many requests it fails.
    QVERIFY_THROWS_EXCEPTION(NorvikError, RunTask::run(api.getMyTickets(1)));
    QCOMPARE(register_.count(), 1);
    QCOMPARE(register_.first().first().toString(),
        u"Votre accès n'est plus valide : enregistrez ce poste à nouveau."_s);
    QCOMPARE(ended.count(), 1);
}

void TestAccountsFlow::sharedServer_noCredentialAndNoStaffLogin()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setReply(u"/user/register.php"_s,
        TestResponse::json({ { u"success"_s, true }, { u"user_id"_s, 7 }, { u"message"_s, u"ok"_s } }));
    server.setReply(u"/user/my-tickets.php"_s,
        TestResponse::json({ { u"success"_s, true }, { u"tickets"_s, QJsonArray() } }));
    QFile::remove(storePath());
    CredentialStore store(u"norvik-support-test"_s, storePath());
    RunTask::run(store.load());
    APIService api(towards(server.apiBase()), store);

    QVERIFY(!RunTask::run(api.hasStaffAccounts()));
    const RegisterUserResponse registered
        = RunTask::run(api.registerUser(3, u"12"_s, u"Durand"_s, u"Lise"_s, QString()));
    RunTask::run(api.getMyTickets(registered.userId));
    QVERIFY(store.value(Kind::UserSecret).isEmpty());
    QCOMPARE(server.requests().size(), 3);
    for (const HttpTestRequest &request : server.requests())
        QVERIFY2(!request.hasHeader("Authorization"), request.target.constData());
}

QTEST_GUILESS_MAIN(TestAccountsFlow)
#include "tst_accountsflow.moc"
