#include "postgrescluster.h"
#include "pushlistener.h"
#include "rawpeer.h"
#include "serverprocess.h"
#include "testing.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <optional>

namespace {

constexpr int WaitMs = 10000;
constexpr auto BossPassword = "correct horse battery staple";

struct Answer
{
    int status = 0;
    QByteArray body;
    QByteArray retryAfter;

    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    QString text(const QString &key) const { return json().value(key).toString(); }
    QString holder(const QString &key) const
    {
        return json().value(u"user"_s).toObject().value(key).toString();
    }
};

// norvik-server's administration commands, fed input on stdin.
struct Cli
{
    int exitCode = -1;
    QByteArray output; // stdout and stderr together
};

Cli runCli(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(qEnvironmentVariable("NORVIK_SERVER_BIN"), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAll() };
}

QByteArray registration(qint64 companyId, const QString &poste)
{
    return QJsonDocument(
        QJsonObject { { u"company_id"_s, companyId }, { u"poste"_s, poste }, { u"nom"_s, u"Roux"_s },
            { u"prenom"_s, u"Inès"_s }, { u"telephone"_s, u"06 11 22 33 44"_s } })
        .toJson();
}

QByteArray ticketFor(qint64 userId)
{
    return QJsonDocument(QJsonObject { { u"user_id"_s, userId }, { u"titre"_s, u"Écran"_s },
                             { u"description"_s, u"noir"_s }, { u"priorite"_s, u"haute"_s } })
        .toJson();
}

} // namespace

// Accounts mode against real server processes: who may read and write what,
// staff sessions and their end, lost secrets, workstations registered before
// accounts, the login throttle, the channel's bindings and the staff
// commands. The isolation rules run on both stores.
class TestServerAccounts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (PostgresCluster::available()) {
            m_cluster.emplace(QStringList { u"fsync=off"_s });
            QVERIFY2(m_cluster->start() && m_cluster->createDatabase(u"accounts"_s),
                qPrintable(m_cluster->errorString()));
        }
        for (int store = 0; store < (m_cluster ? 2 : 1); ++store) {
            ServerProcess &server = m_servers[store];
            const QString db = store == 0 ? server.dbPath() : m_cluster->url(u"accounts"_s);
            server.setDatabase(db);
            QCOMPARE(runCli({ u"staff"_s, u"add"_s, u"boss"_s, u"--db"_s, db }, BossPassword).exitCode, 0);
            QVERIFY2(server.start(), qPrintable(server.errorString()));
        }
    }

    void isolation_eachCallerGetsOnlyTheirOwn_data()
    {
        QTest::addColumn<int>("store");
        QTest::newRow("sqlite") << 0;
        QTest::newRow("postgresql") << 1;
    }

    void isolation_eachCallerGetsOnlyTheirOwn()
    {
        QFETCH(int, store);
        if (store == 1 && !m_cluster)
            QSKIP(PostgresCluster::missingMessage());
        ServerProcess &server = m_servers[store];
        const QByteArray session = login(server, u"boss"_s, BossPassword);
        QVERIFY(!session.isEmpty());
        const qint64 company = newCompany(server, session, u"ISO"_s);
        const auto [a, secretA] = newUser(server, company, u"A-1"_s);
        const auto [b, secretB] = newUser(server, company, u"B-1"_s);
        QVERIFY(secretA.size() >= 22 && secretA != secretB); // 128 bits and more, base64url
        QVERIFY(!secretA.contains('=') && !secretA.contains('+') && !secretA.contains('/'));

        const QString mine = u"/user/my-tickets.php?user_id=%1"_s.arg(a);
        QCOMPARE(call(server, "GET", mine, {}, secretA).status, 200);
        QCOMPARE(call(server, "GET", mine, {}, secretB).status, 403);
        QCOMPARE(call(server, "GET", mine, {}, session).status, 200);
        QCOMPARE(call(server, "GET", mine).status, 401);
        QCOMPARE(call(server, "GET", mine, {}, "not-a-secret").status, 401);
        // The program token grants nothing by itself, and is still needed.
        QCOMPARE(call(server, "GET", mine, {}, secretA, false).status, 401);

        QCOMPARE(call(server, "POST", u"/ticket/create.php"_s, ticketFor(a), secretA).status, 200);
        const Answer forged = call(server, "POST", u"/ticket/create.php"_s, ticketFor(a), secretB);
        QCOMPARE(forged.status, 403);
        QCOMPARE(forged.json().value(u"success"_s), QJsonValue(false)); // still a refused ticket
        QCOMPARE(call(server, "POST", u"/ticket/create.php"_s, ticketFor(a)).status, 401);

        const QByteArray company2 = R"({"nom":"X","code":"ISO2"})";
        for (const auto &[method, path, body] :
            { std::tuple { "GET", u"/admin/list-tickets.php"_s, QByteArray() },
                std::tuple { "POST", u"/company/create.php"_s, company2 },
                std::tuple { "POST", u"/admin/close-ticket.php"_s,
                    QByteArray(R"({"ticket_id":1,"close_message":""})") },
                std::tuple { "POST", u"/admin/reset-poste.php"_s,
                    QByteArray(R"({"company_code":"ISO","poste":"B-1"})") } }) {
            QCOMPARE(call(server, method, path, body).status, 401);
            QCOMPARE(call(server, method, path, body, secretA).status, 403);
        }
        const QJsonArray all = call(server, "GET", u"/admin/list-tickets.php"_s, {}, session)
                                   .json()
                                   .value(u"tickets"_s)
                                   .toArray();
        QCOMPARE(all.size(), 1);

        // Open, but the holder's name and telephone only for them and the staff.
        QCOMPARE(call(server, "GET", u"/company/list.php"_s).status, 200);
        const QString check = u"/user/check-poste.php?poste=A-1"_s;
        const QJsonObject stranger = call(server, "GET", check, {}, secretB).json();
        QCOMPARE(stranger.value(u"exists"_s), QJsonValue(true));
        const QJsonObject hidden = stranger.value(u"user"_s).toObject();
        QVERIFY(hidden.value(u"nom"_s).toString().isEmpty() && !hidden.contains(u"telephone"_s));
        for (const QByteArray &entitled : { secretA, session })
            QCOMPARE(call(server, "GET", check, {}, entitled).holder(u"telephone"_s), u"06 11 22 33 44"_s);
        const QString byPoste = u"/user/get-by-poste.php?company_id=%1&poste=A-1"_s.arg(company);
        const QJsonObject detail = call(server, "GET", byPoste).json().value(u"user"_s).toObject();
        QVERIFY(detail.value(u"id"_s).toInteger() == a && detail.value(u"nom"_s).toString().isEmpty());
        QCOMPARE(call(server, "GET", byPoste, {}, secretA).holder(u"nom"_s), u"Roux"_s);
    }

    void lostSecret_resetByStaff_sameUserNewSecret()
    {
        ServerProcess &server = m_servers[0];
        const QByteArray session = login(server, u"boss"_s, BossPassword);
        const qint64 company = newCompany(server, session, u"RST"_s);
        const auto [id, oldSecret] = newUser(server, company, u"R-1"_s);
        QCOMPARE(call(server, "POST", u"/ticket/create.php"_s, ticketFor(id), oldSecret).status, 200);
        QCOMPARE(call(server, "POST", u"/user/register.php"_s, registration(company, u"R-1"_s)).status, 409);

        const QByteArray reset = R"({"company_code":"RST","poste":"R-1"})";
        QCOMPARE(call(server, "POST", u"/admin/reset-poste.php"_s, reset, session).status, 200);
        QCOMPARE(ticketCount(server, id, oldSecret), -1);
        const auto [again, newSecret] = newUser(server, company, u"R-1"_s);
        QCOMPARE(again, id);
        QVERIFY(newSecret != oldSecret);
        QCOMPARE(ticketCount(server, id, newSecret), 1);
        QCOMPARE(call(server, "POST", u"/user/register.php"_s, registration(company, u"R-1"_s)).status, 409);

        // The same through the command, on the database the server is using.
        const QStringList command { u"poste"_s, u"reset"_s, u"RST"_s };
        QCOMPARE(runCli(command + QStringList { u"R-1"_s, u"--db"_s, server.dbPath() }).exitCode, 0);
        QCOMPARE(newUser(server, company, u"R-1"_s).first, id);
        QCOMPARE(runCli(command + QStringList { u"nowhere"_s, u"--db"_s, server.dbPath() }).exitCode, 1);
    }

    void preAccountsWorkstation_claimedOnceThen409()
    {
        // A file as a server before accounts left it: schema version 1, one
        // user with one ticket and no secret.
        QTemporaryDir directory;
        const QString path = directory.filePath(u"v1.sqlite"_s);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"v1"_s);
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            for (const QString &sql :
                { u"CREATE TABLE norvik_schema (version INTEGER NOT NULL)"_s,
                    u"INSERT INTO norvik_schema VALUES (1)"_s,
                    u"CREATE TABLE companies (id INTEGER PRIMARY KEY AUTOINCREMENT, nom TEXT NOT NULL,"
                    u" code TEXT NOT NULL UNIQUE)"_s,
                    u"CREATE TABLE users (id INTEGER PRIMARY KEY AUTOINCREMENT, company_id INTEGER NOT NULL,"
                    u" poste TEXT NOT NULL, nom TEXT NOT NULL, prenom TEXT NOT NULL, telephone TEXT NOT NULL,"
                    u" created_at TEXT NOT NULL, UNIQUE (company_id, poste))"_s,
                    u"CREATE TABLE tickets (id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL,"
                    u" titre TEXT NOT NULL, description TEXT NOT NULL, priorite TEXT NOT NULL,"
                    u" status TEXT NOT NULL DEFAULT 'open', capture_base64 TEXT, created_at TEXT NOT NULL,"
                    u" closed_at TEXT, close_message TEXT)"_s,
                    u"INSERT INTO companies VALUES (1, 'Ancienne', 'OLD')"_s,
                    u"INSERT INTO users VALUES (7, 1, 'V-1', 'Ancien', 'Jo', '', '2024-01-01 10:00:00')"_s,
                    u"INSERT INTO tickets (user_id, titre, description, priorite, created_at)"
                    u" VALUES (7, 't', 'd', 'normale', '2024-01-02 10:00:00')"_s })
                QVERIFY2(q.exec(sql), qPrintable(sql));
        }
        QSqlDatabase::removeDatabase(u"v1"_s);

        ServerProcess server({ u"--auth"_s, u"accounts"_s });
        server.setDatabase(path);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const auto [id, secret] = newUser(server, 1, u"V-1"_s);
        QCOMPARE(id, 7);
        QCOMPARE(ticketCount(server, 7, secret), 1);
        QCOMPARE(call(server, "POST", u"/user/register.php"_s, registration(1, u"V-1"_s)).status, 409);
    }

    void failedLogins_throttled_429WithRetryAfter()
    {
        // Its own server: the throttle counts this test's address too.
        ServerProcess server({ u"--auth"_s, u"accounts"_s });
        QCOMPARE(
            runCli({ u"staff"_s, u"add"_s, u"guarded"_s, u"--db"_s, server.dbPath() }, "right").exitCode, 0);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        for (int attempt = 1; attempt <= 5; ++attempt) {
            const Answer refused = loginAnswer(server, u"guarded"_s, "wrong");
            QCOMPARE(refused.status, 401);
            QCOMPARE(refused.json().value(u"success"_s), QJsonValue(false));
            QVERIFY(!refused.text(u"error"_s).isEmpty());
        }
        // Even the right password waits now, and so does another login from
        // the same address.
        for (const QString &who : { u"guarded"_s, u"someone-else"_s }) {
            const Answer throttled = loginAnswer(server, who, "right");
            QCOMPARE(throttled.status, 429);
            const int seconds = throttled.retryAfter.toInt();
            QVERIFY2(seconds > 0 && seconds <= 60, throttled.retryAfter.constData());
        }
    }

    void logout_endsSessionAndClosesItsChannel()
    {
        ServerProcess &server = m_servers[0];
        const QByteArray leaving = login(server, u"boss"_s, BossPassword);
        const QByteArray staying = login(server, u"boss"_s, BossPassword);
        PushListener gone(channel(server, leaving)), kept(channel(server, staying));
        QVERIFY(gone.announce(9999, u"admin"_s));
        QVERIFY(kept.announce(9999, u"admin"_s));

        QCOMPARE(call(server, "POST", u"/admin/logout.php"_s, {}, leaving).status, 200);
        // The close may have come while the logout's answer was awaited.
        QVERIFY(!gone.closedSpy().isEmpty() || gone.closedSpy().wait(WaitMs));
        QCOMPARE(gone.socket().closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
        QCOMPARE(call(server, "GET", u"/admin/list-tickets.php"_s, {}, leaving).status, 401);
        QCOMPARE(call(server, "POST", u"/admin/logout.php"_s, {}, leaving).status, 401);

        const auto [author, secret] = newUser(server, newCompany(server, staying, u"OUT"_s), u"O-1"_s);
        QCOMPARE(call(server, "POST", u"/ticket/create.php"_s, ticketFor(author), secret).status, 200);
        QVERIFY(kept.waitFor(u"new_ticket"_s).has_value());
        QCOMPARE(kept.closedSpy().size(), 0);
    }

    void logoutThroughAnotherInstance_closesThisInstancesChannel()
    {
        if (!m_cluster)
            QSKIP(PostgresCluster::missingMessage());
        ServerProcess other({ u"--auth"_s, u"accounts"_s });
        other.setDatabase(m_cluster->url(u"accounts"_s));
        QVERIFY2(other.start(), qPrintable(other.errorString()));
        const QByteArray session = login(m_servers[1], u"boss"_s, BossPassword);
        PushListener listener(channel(other, session));
        QVERIFY(listener.announce(9999, u"admin"_s));
        QCOMPARE(call(m_servers[1], "POST", u"/admin/logout.php"_s, {}, session).status, 200);
        QVERIFY(!listener.closedSpy().isEmpty() || listener.closedSpy().wait(WaitMs));
        QCOMPARE(listener.socket().closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
        QCOMPARE(call(other, "GET", u"/admin/list-tickets.php"_s, {}, session).status, 401);
    }

    void channel_boundToTheUpgradesCredential_data()
    {
        QTest::addColumn<QString>("credential"); // none, user, staff, wrong
        QTest::addColumn<QString>("announced"); // self, other, 0, 9999
        QTest::addColumn<QString>("userType");
        QTest::addColumn<bool>("accepted");
        const auto row = [](const char *credential, const char *announced, const char *type, bool accepted) {
            QTest::addRow("%s as %s %s", credential, type, announced)
                << QString::fromLatin1(credential) << QString::fromLatin1(announced)
                << QString::fromLatin1(type) << accepted;
        };
        row("none", "0", "user", true);
        row("none", "other", "user", false);
        row("none", "9999", "admin", false);
        row("none", "0", "admin", false);
        row("user", "self", "user", true);
        row("user", "other", "user", false);
        row("user", "9999", "admin", false);
        row("user", "9999", "user", false);
        row("staff", "9999", "admin", true);
    }

    void channel_boundToTheUpgradesCredential()
    {
        QFETCH(QString, credential);
        QFETCH(QString, announced);
        QFETCH(QString, userType);
        QFETCH(bool, accepted);
        ServerProcess &server = m_servers[0];
        const QByteArray session = login(server, u"boss"_s, BossPassword);
        const qint64 company = newCompany(server, session, u"WS%1"_s.arg(++m_next));
        const auto [self, secret] = newUser(server, company, u"S"_s);
        const qint64 other = newUser(server, company, u"O"_s).first;
        const QByteArray bearer = credential == u"user" ? secret
            : credential == u"staff"                    ? session
                                                        : QByteArray();
        const qint64 id = announced == u"self" ? self
            : announced == u"other"            ? other
                                               : announced.toLongLong();

        PushListener listener(channel(server, bearer));
        QVERIFY(listener.waitConnected());
        if (accepted) {
            QVERIFY(listener.announce(id, userType));
            return;
        }
        listener.sendJson(
            QJsonObject { { u"type"_s, u"auth"_s }, { u"userId"_s, id }, { u"userType"_s, userType } });
        QVERIFY(listener.closedSpy().wait(WaitMs));
        QCOMPARE(listener.socket().closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
        QCOMPARE(listener.count(u"auth_success"_s), 0);
    }

    void channel_wrongCredential_upgradeRefused401()
    {
        const std::unique_ptr<QTcpSocket> peer = RawPeer::connectTo(m_servers[0].port());
        peer->write(
            "GET /norvik-ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n"
            "X-API-TOKEN: "
            + QByteArray(ServerProcess::Token) + "\r\nAuthorization: Bearer forged\r\n\r\n");
        QCOMPARE(RawPeer::readAnswer(*peer).status, 401);
    }

    void staffCommands_manageAccounts_neverShowPasswords()
    {
        ServerProcess &server = m_servers[0];
        const QStringList db { u"--db"_s, server.dbPath() };
        QByteArray printed; // by every command
        const auto cli = [&](const QStringList &words, const QByteArray &input = {}) {
            const Cli run = runCli(words + db, input);
            printed += run.output;
            return run;
        };
        QCOMPARE(cli({ u"staff"_s, u"add"_s, u"jeanne"_s, u"--name"_s, u"Jeanne Dupont"_s }, "first-pass-7\n")
                     .exitCode,
            0);
        QCOMPARE(cli({ u"staff"_s, u"add"_s, u"jeanne"_s }, "other\n").exitCode, 1);
        QCOMPARE(cli({ u"staff"_s, u"add"_s, u"nopass"_s }, "").exitCode, 1);
        const Cli list = cli({ u"staff"_s, u"list"_s });
        QVERIFY2(list.output.contains("jeanne\tJeanne Dupont") && list.output.contains("boss")
                && !list.output.contains("nopass") && !list.output.contains("$argon2"),
            list.output.constData());

        const QByteArray session = login(server, u"jeanne"_s, "first-pass-7");
        QVERIFY(!session.isEmpty());
        QCOMPARE(cli({ u"staff"_s, u"passwd"_s, u"jeanne"_s }, "second-pass-8\n").exitCode, 0);
        QCOMPARE(loginAnswer(server, u"jeanne"_s, "first-pass-7").status, 401);
        QCOMPARE(call(server, "GET", u"/admin/list-tickets.php"_s, {}, session).status, 401);
        const QByteArray second = login(server, u"jeanne"_s, "second-pass-8");
        QVERIFY(!second.isEmpty());

        QCOMPARE(cli({ u"staff"_s, u"remove"_s, u"jeanne"_s }).exitCode, 0);
        QCOMPARE(call(server, "GET", u"/admin/list-tickets.php"_s, {}, second).status, 401);
        QCOMPARE(cli({ u"staff"_s, u"remove"_s, u"jeanne"_s }).exitCode, 1);
        QCOMPARE(cli({ u"staff"_s, u"passwd"_s, u"jeanne"_s }, "x\n").exitCode, 1);
        QVERIFY(!cli({ u"staff"_s, u"list"_s }).output.contains("jeanne"));
        QVERIFY(!printed.contains("first-pass") && !printed.contains("second-pass"));
    }

    void demo_printsAWorkingStaffPassword()
    {
        ServerProcess server({ u"--auth"_s, u"accounts"_s, u"--demo"_s });
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QTRY_VERIFY(server.output().contains("NORVIK_DEMO_PASSWORD="));
        const QByteArray output = server.output();
        const qsizetype at = output.indexOf("NORVIK_DEMO_PASSWORD=") + 21;
        const QByteArray password = output.mid(at, output.indexOf('\n', at) - at);
        QVERIFY(output.startsWith("NORVIK_API_BASE=")); // the ready line first, unchanged
        QVERIFY(!login(server, u"demo"_s, password).isEmpty());
    }

    void sharedMode_knowsNoAccounts()
    {
        ServerProcess server({ u"--auth"_s, u"shared"_s });
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QCOMPARE(loginAnswer(server, u"boss"_s, BossPassword).status, 404);
        const qint64 company = call(server, "POST", u"/company/create.php"_s, R"({"nom":"S","code":"S"})")
                                   .json()
                                   .value(u"company_id"_s)
                                   .toInteger();
        const Answer registered
            = call(server, "POST", u"/user/register.php"_s, registration(company, u"S-1"_s));
        QVERIFY(registered.status == 200 && !registered.json().contains(u"user_secret"_s));
        QCOMPARE(call(server, "GET", u"/user/check-poste.php?poste=S-1"_s).holder(u"telephone"_s),
            u"06 11 22 33 44"_s);
    }

private:
    Answer call(const ServerProcess &server, const QByteArray &method, const QString &path,
        const QByteArray &body = {}, const QByteArray &bearer = {}, bool token = true)
    {
        QNetworkRequest request = server.request(path);
        if (!token)
            request.setRawHeader("X-API-TOKEN", QByteArray());
        if (!bearer.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + bearer);
        QNetworkReply *reply = m_network.sendCustomRequest(request, method, body);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            finished.wait(WaitMs);
        Answer answer { reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
            reply->rawHeader("Retry-After") };
        reply->deleteLater();
        return answer;
    }

    Answer loginAnswer(const ServerProcess &server, const QString &login, const QByteArray &password)
    {
        const QJsonObject body { { u"login"_s, login }, { u"password"_s, QString::fromUtf8(password) } };
        return call(server, "POST", u"/admin/login.php"_s, QJsonDocument(body).toJson());
    }

    // How many tickets the user's own list shows; -1 when it is refused 401.
    int ticketCount(const ServerProcess &server, qint64 userId, const QByteArray &secret)
    {
        const Answer answer
            = call(server, "GET", u"/user/my-tickets.php?user_id=%1"_s.arg(userId), {}, secret);
        return answer.status == 401 ? -1 : int(answer.json().value(u"tickets"_s).toArray().size());
    }

    QByteArray login(const ServerProcess &server, const QString &login, const QByteArray &password)
    {
        const Answer answer = loginAnswer(server, login, password);
        const QDateTime expires = QDateTime::fromString(answer.text(u"expires_at"_s), Qt::ISODate);
        if (answer.status != 200 || !expires.isValid() || expires.timeSpec() != Qt::UTC)
            return {};
        return answer.text(u"session_token"_s).toLatin1();
    }

    qint64 newCompany(const ServerProcess &server, const QByteArray &session, const QString &code)
    {
        const QJsonObject body { { u"nom"_s, code }, { u"code"_s, code } };
        return call(server, "POST", u"/company/create.php"_s, QJsonDocument(body).toJson(), session)
            .json()
            .value(u"company_id"_s)
            .toInteger();
    }

    // The id and secret of a new registration.
    std::pair<qint64, QByteArray> newUser(const ServerProcess &server, qint64 company, const QString &poste)
    {
        const QJsonObject reply
            = call(server, "POST", u"/user/register.php"_s, registration(company, poste)).json();
        return { reply.value(u"user_id"_s).toInteger(), reply.value(u"user_secret"_s).toString().toLatin1() };
    }

    QNetworkRequest channel(const ServerProcess &server, const QByteArray &bearer)
    {
        QNetworkRequest request = server.wsRequest();
        if (!bearer.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + bearer);
        return request;
    }

    std::optional<PostgresCluster> m_cluster;
    ServerProcess m_servers[2] { ServerProcess({ u"--auth"_s, u"accounts"_s }),
        ServerProcess({ u"--auth"_s, u"accounts"_s }) };
    QNetworkAccessManager m_network;
    int m_next = 0;
};

QTEST_GUILESS_MAIN(TestServerAccounts)
#include "tst_serveraccounts.moc"
