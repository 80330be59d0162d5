#include "core/apiservice.h"
#include "core/credentialstore.h"
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

Configuration towards(const QString &apiBase)
{
    Configuration configuration;
    configuration.apiBase = apiBase;
    return configuration;
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
