#include "childprocess.h"
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
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using Kind = CredentialStore::Kind;

namespace {

// The pieces of the program that hold and carry the credentials.
struct Client
{
    Client(const QString &folder, const QString &apiBase, const QUrl &wsUrl = {})
        : configuration { .apiBase = apiBase, .wsURL = wsUrl }
        , store(u"norvik-support-test"_s, folder + u"/credentials.json"_s)
        , settings(folder + u"/settings.conf"_s)
        , api(configuration, store)
        , channel(configuration, settings, store)
    { }

    // Opens the channel anew for the identity settings hold; true once the
    // server took the announcement.
    bool announced()
    {
        QSignalSpy authenticated(&channel, &WebSocketService::authenticated);
        channel.disconnect();
        channel.allowReconnection();
        channel.connect();
        const bool taken = authenticated.wait(10000);
        channel.disconnect();
        return taken;
    }

    Configuration configuration;
    CredentialStore store;
    UserSettings settings;
    APIService api;
    WebSocketService channel;
};

} // namespace

// The client against a server that tells its callers apart, and against one
// of the shared token alone, which must see exactly the requests of before.
// Which credential the server takes for what is tst_serveraccounts'; here,
// which one the client sends and what it does with a refusal.
class TestAccountsFlow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_bus.startBus(&error), qPrintable(error));
    }

    void accounts_eachIdentityCarriesItsOwn_refusalsAnswered()
    {
        ServerProcess server({ u"--auth"_s, u"accounts"_s });
        QCOMPARE(runTool(qEnvironmentVariable("NORVIK_SERVER_BIN"),
                     { u"staff"_s, u"add"_s, u"boss"_s, u"--db"_s, server.dbPath() },
                     QProcessEnvironment::systemEnvironment(), {}, 60000, "correct-horse-7")
                     .exitCode,
            0);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QTemporaryDir dir;
        Client client(dir.path(), server.apiBase(), server.wsUrl());
        AccessWatch watch(client.api, client.store, client.settings, client.channel);
        QSignalSpy ended(&watch, &AccessWatch::staffSessionEnded);
        QSignalSpy register_(&watch, &AccessWatch::registrationRequired);

        // One workstation, both registered and logged in: the channel
        // announces the user with the secret, the administrator with the session.
        RunTask::run(client.api.staffLogin(u"boss"_s, u"correct-horse-7"_s));
        const qint64 company = RunTask::run(client.api.createCompany(u"Canal"_s, u"CAN1"_s));
        const qint64 user
            = RunTask::run(client.api.registerUser(company, u"7"_s, u"Roux"_s, u"Yann"_s, QString())).userId;
        client.settings.writeInteger(UserSettings::UserId, user);
        QVERIFY(client.announced());
        client.settings.writeBool(UserSettings::IsAdmin, true);
        QVERIFY(client.announced());

        // The session ended elsewhere (another window's logout, expiry).
        const QString session = client.store.value(Kind::StaffSession);
        RunTask::run(client.api.staffLogout());
        RunTask::run(client.store.store(Kind::StaffSession, session));
        QVERIFY_THROWS_EXCEPTION(NorvikError, RunTask::run(client.api.getAllTickets()));
        QCOMPARE(ended.count(), 1);
        QVERIFY(!client.settings.readBool(UserSettings::IsAdmin));
        QVERIFY(client.store.value(Kind::StaffSession).isEmpty());
        QCOMPARE(register_.count(), 0);

        RunTask::run(client.store.store(Kind::UserSecret, u"reset-by-the-staff"_s));
        QVERIFY_THROWS_EXCEPTION(NorvikError, RunTask::run(client.api.getMyTickets(user)));
        // Said once for that secret, however many requests it fails.
        QVERIFY_THROWS_EXCEPTION(NorvikError, RunTask::run(client.api.getMyTickets(user)));
        QCOMPARE(register_.count(), 1);
        QCOMPARE(register_.first().first().toString(),
            u"Votre accès n'est plus valide : enregistrez ce poste à nouveau."_s);
        QCOMPARE(ended.count(), 1);

        // Too many tries: the refusal carries the server's wait, which the
        // login sheet shows as it shows any refusal.
        for (int attempt = 1; attempt <= 5; ++attempt)
            QVERIFY_THROWS_EXCEPTION(APIError, RunTask::run(client.api.staffLogin(u"boss"_s, u"guess"_s)));
        try {
            RunTask::run(client.api.staffLogin(u"boss"_s, u"correct-horse-7"_s));
            QFAIL("logged in while throttled");
        } catch (const APIError &refusal) {
            QVERIFY2(refusal.message.startsWith(u"Trop de tentatives : réessayez dans "_s),
                qPrintable(refusal.message));
        }
    }

    void sharedServer_noCredentialAndNoStaffLogin()
    {
        HttpTestServer server;
        QVERIFY(server.listen());
        server.setReply(u"/user/register.php"_s,
            TestResponse::json({ { u"success"_s, true }, { u"user_id"_s, 7 }, { u"message"_s, u"ok"_s } }));
        server.setReply(u"/user/my-tickets.php"_s,
            TestResponse::json({ { u"success"_s, true }, { u"tickets"_s, QJsonArray() } }));
        QTemporaryDir dir;
        Client client(dir.path(), server.apiBase());
        RunTask::run(client.store.load());

        QVERIFY(!RunTask::run(client.api.hasStaffAccounts()));
        const RegisterUserResponse registered
            = RunTask::run(client.api.registerUser(3, u"12"_s, u"Durand"_s, u"Lise"_s, QString()));
        RunTask::run(client.api.getMyTickets(registered.userId));
        QVERIFY(client.store.value(Kind::UserSecret).isEmpty());
        QCOMPARE(server.requests().size(), 3);
        for (const HttpTestRequest &request : server.requests())
            QVERIFY2(!request.hasHeader("Authorization"), request.target.constData());
    }

private:
    // A session bus without a keyring: the store keeps to its file.
    NotificationDaemon m_bus;
};

QTEST_GUILESS_MAIN(TestAccountsFlow)
#include "tst_accountsflow.moc"
