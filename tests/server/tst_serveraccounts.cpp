#include "accountssites.h"
#include "pushlistener.h"
#include "rawpeer.h"
#include "testing.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <optional>

namespace {

constexpr int WaitMs = 10000;
constexpr auto BossPassword = AccountsSites::BossPassword;

struct Answer : RestAnswer
{
    QString text(const QString &key) const { return json().value(key).toString(); }
    QString holder(const QString &key) const
    {
        return json().value(u"user"_s).toObject().value(key).toString();
    }
};

// A norvik-server administration command ("staff add boss") on the
// database db, fed input on stdin; its output is stdout and stderr together.
ToolRun runCli(
    const QString &line, const QString &db, const QByteArray &input = {}, const QStringList &more = {})
{
    ToolRun run = runTool(qEnvironmentVariable("NORVIK_SERVER_BIN"),
        line.split(u' ') + more + QStringList { u"--db"_s, db }, QProcessEnvironment::systemEnvironment(), {},
        60000, input);
    run.out += run.err;
    return run;
}

QByteArray registration(qint64 companyId, const QString &poste)
{
    return uR"({"company_id":%1,"poste":"%2","nom":"Roux","prenom":"Inès","telephone":"06 11 22 33 44"})"_s
        .arg(companyId)
        .arg(poste)
        .toUtf8();
}

QByteArray ticketFor(qint64 userId)
{
    return uR"({"user_id":%1,"titre":"Écran","description":"noir","priorite":"haute"})"_s.arg(userId)
        .toUtf8();
}

} // namespace

// Accounts mode against real server processes: who may read and write what,
// staff sessions and their end, lost secrets, workstations registered before
// accounts, the login throttle, the channel's bindings and the staff
// commands. The isolation rules run on both stores, each with a staff
// session, company ISO and its two users A-1 and B-1 made once.
class TestServerAccounts : public QObject
{
    Q_OBJECT

    using Store = AccountsSites::Site;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_sites.start(), qPrintable(m_sites.errorString()));
        // 128 bits and more, base64url.
        const QByteArray &a = m_sites.store(0).secretA;
        QVERIFY(a.size() >= 22 && a != m_sites.store(0).secretB);
        QVERIFY(!a.contains('=') && !a.contains('+') && !a.contains('/'));
    }

    void isolation_eachCallerGetsOnlyTheirOwn_data()
    {
        QTest::addColumn<int>("store");
        // Caller (A, B, staff, none, forged; A-no-token: A's secret alone),
        // method, path ({A}: A's id, {C}: the company's), status and, where it
        // is looked at, the holder's name as shown (-: hidden).
        QTest::addColumn<QString>("rule");
        const char *const rules[] = { "A GET /user/my-tickets.php?user_id={A} 200",
            "B GET /user/my-tickets.php?user_id={A} 403", "staff GET /user/my-tickets.php?user_id={A} 200",
            "none GET /user/my-tickets.php?user_id={A} 401",
            "forged GET /user/my-tickets.php?user_id={A} 401",
            // The program token grants nothing by itself, and is still needed.
            "A-no-token GET /user/my-tickets.php?user_id={A} 401", "A POST /ticket/create.php 200",
            "B POST /ticket/create.php 403", "none POST /ticket/create.php 401",
            // A staff route opened to anyone would answer the user too.
            "staff GET /admin/list-tickets.php 200", "A GET /admin/list-tickets.php 403",
            "A POST /company/create.php 403", "A POST /admin/close-ticket.php 403",
            "A POST /admin/reset-poste.php 403", "none GET /company/list.php 200",
            // Open, but the holder's name and telephone only for them and the staff.
            "B GET /user/check-poste.php?poste=A-1 200 -", "A GET /user/check-poste.php?poste=A-1 200 Roux",
            "staff GET /user/check-poste.php?poste=A-1 200 Roux",
            "none GET /user/get-by-poste.php?company_id={C}&poste=A-1 200 -",
            "A GET /user/get-by-poste.php?company_id={C}&poste=A-1 200 Roux" };
        for (const char *store : { "sqlite", "postgresql" }) {
            for (const char *rule : rules)
                QTest::addRow("%s: %s", store, rule) << int(*store == 'p') << QString::fromLatin1(rule);
        }
    }

    void isolation_eachCallerGetsOnlyTheirOwn()
    {
        QFETCH(int, store);
        QFETCH(QString, rule);
        if (store == 1 && m_sites.postgresUrl().isEmpty())
            QSKIP(PostgresCluster::missingMessage());
        const Store &s = m_sites.store(store);
        const QStringList w = rule.split(u' ');
        const QByteArray bearer = w[0].startsWith(u'A') ? s.secretA
            : w[0] == u"B"                              ? s.secretB
            : w[0] == u"staff"                          ? s.session
            : w[0] == u"forged"                         ? "not-a-secret"_ba
                                                        : QByteArray();
        const QString path = QString(w[2])
                                 .replace(u"{A}"_s, QString::number(s.a))
                                 .replace(u"{C}"_s, QString::number(s.company));
        const bool create = path == u"/ticket/create.php";
        const int tickets = create ? ticketCount(s.server, s.a, s.secretA) : 0;
        const Answer answer = call(s.server, w[1].toLatin1(), path, create ? ticketFor(s.a) : QByteArray(),
            bearer, w[0] != u"A-no-token");
        QCOMPARE(answer.status, w[3].toInt());
        if (create && answer.status != 200) { // still a refused ticket, and none stored
            QCOMPARE(answer.json().value(u"success"_s), QJsonValue(false));
            QCOMPARE(ticketCount(s.server, s.a, s.secretA), tickets);
        }
        if (w.size() < 5)
            return;
        const QString holder = w[4] == u"-" ? QString() : w[4];
        QCOMPARE(answer.holder(u"nom"_s), holder);
        if (path.startsWith(u"/user/get-by-poste"))
            QCOMPARE(answer.json().value(u"user"_s).toObject().value(u"id"_s).toInteger(), s.a);
        else // taken, whoever asks
            QVERIFY(answer.json().value(u"exists"_s).toBool()
                && answer.holder(u"telephone"_s) == (holder.isEmpty() ? QString() : u"06 11 22 33 44"_s));
    }

    void lostSecret_resetByStaff_sameUserNewSecret()
    {
        ServerProcess &server = m_sites.store(0).server;
        const QByteArray &session = m_sites.store(0).session;
        const qint64 company = newCompany(server, session, u"RST"_s);
        const auto [id, oldSecret] = newUser(server, company, u"R-1"_s);
        QCOMPARE(call(server, "POST", u"/ticket/create.php"_s, ticketFor(id), oldSecret).status, 200);

        // The lost secret's channel is cut too, not only its next request.
        PushListener cut(server.wsRequest(oldSecret));
        QVERIFY(cut.announce(id, u"user"_s));

        const QByteArray reset = R"({"company_code":"RST","poste":"R-1"})";
        QCOMPARE(call(server, "POST", u"/admin/reset-poste.php"_s, reset, session).status, 200);
        QCOMPARE(ticketCount(server, id, oldSecret), -1);
        QVERIFY(!cut.closedSpy().isEmpty() || cut.closedSpy().wait(WaitMs));
        QCOMPARE(cut.socket().closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
        const auto [again, newSecret] = newUser(server, company, u"R-1"_s);
        QCOMPARE(again, id);
        QCOMPARE(ticketCount(server, id, newSecret), 1);

        // The same through the command, on the database the server is using.
        QCOMPARE(runCli(u"poste reset RST R-1"_s, server.dbPath()).exitCode, 0);
        QCOMPARE(newUser(server, company, u"R-1"_s).first, id);
        QCOMPARE(runCli(u"poste reset RST nowhere"_s, server.dbPath()).exitCode, 1);
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
        QCOMPARE(runCli(u"staff add guarded"_s, server.dbPath(), "right").exitCode, 0);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        for (int attempt = 1; attempt <= 5; ++attempt)
            QCOMPARE(loginAnswer(server, u"guarded"_s, "wrong").status, 401);
        // Even the right password waits now, and so does another login from
        // the same address.
        for (const QString &who : { u"guarded"_s, u"someone-else"_s }) {
            const Answer throttled = loginAnswer(server, who, "right");
            QCOMPARE(throttled.status, 429);
            const QByteArray retryAfter = throttled.headers.value("retry-after");
            QVERIFY2(retryAfter.toInt() > 0 && retryAfter.toInt() <= 60, retryAfter.constData());
            QCOMPARE(throttled.text(u"error"_s),
                u"Trop de tentatives : réessayez dans %1 s"_s.arg(retryAfter.toInt()));
        }
    }

    void logout_endsSessionAndClosesItsChannel_data()
    {
        QTest::addColumn<int>("store");
        QTest::newRow("sqlite, same instance") << 0;
        QTest::newRow("postgresql, channel on another instance") << 1;
    }

    void logout_endsSessionAndClosesItsChannel()
    {
        QFETCH(int, store);
        if (store == 1 && m_sites.postgresUrl().isEmpty())
            QSKIP(PostgresCluster::missingMessage());
        const Store &s = m_sites.store(store);
        std::optional<ServerProcess> other;
        if (store == 1) {
            other.emplace(QStringList { u"--auth"_s, u"accounts"_s });
            other->setDatabase(m_sites.postgresUrl());
            QVERIFY2(other->start(), qPrintable(other->errorString()));
        }
        const ServerProcess &listening = other ? *other : s.server;
        const QByteArray leaving = login(s.server, u"boss"_s, BossPassword);
        const QByteArray staying = login(s.server, u"boss"_s, BossPassword);
        PushListener gone(listening.wsRequest(leaving)), kept(listening.wsRequest(staying));
        QVERIFY(gone.announce(9999, u"admin"_s));
        QVERIFY(kept.announce(9999, u"admin"_s));

        QCOMPARE(call(s.server, "POST", u"/admin/logout.php"_s, {}, leaving).status, 200);
        // The close may have come while the logout's answer was awaited.
        QVERIFY(!gone.closedSpy().isEmpty() || gone.closedSpy().wait(WaitMs));
        QCOMPARE(gone.socket().closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
        QCOMPARE(call(listening, "GET", u"/admin/list-tickets.php"_s, {}, leaving).status, 401);

        QCOMPARE(call(s.server, "POST", u"/ticket/create.php"_s, ticketFor(s.a), s.secretA).status, 200);
        QVERIFY(kept.waitFor(u"new_ticket"_s).has_value());
        QCOMPARE(kept.closedSpy().size(), 0);
    }

    void channel_boundToTheUpgradesCredential_data()
    {
        // The upgrade's credential (none, user A, staff), the id announced
        // (self: A's, other: B's), its type, and whether the server takes it.
        QTest::addColumn<QString>("rule");
        for (const char *rule : { "none 0 user yes", "none other user no", "none 9999 admin no",
                 "none 0 admin no", "user self user yes", "user other user no", "user 9999 admin no",
                 "user 9999 user no", "staff 9999 admin yes" })
            QTest::newRow(rule) << QString::fromLatin1(rule);
    }

    void channel_boundToTheUpgradesCredential()
    {
        QFETCH(QString, rule);
        const QStringList w = rule.split(u' ');
        const Store &s = m_sites.store(0);
        const QByteArray bearer = w[0] == u"user" ? s.secretA : w[0] == u"staff" ? s.session : QByteArray();
        const qint64 id = w[1] == u"self" ? s.a : w[1] == u"other" ? s.b : w[1].toLongLong();

        PushListener listener(s.server.wsRequest(bearer));
        QVERIFY(listener.waitConnected());
        if (w[3] == u"yes") {
            QVERIFY(listener.announce(id, w[2]));
            return;
        }
        listener.sendJson(
            QJsonObject { { u"type"_s, u"auth"_s }, { u"userId"_s, id }, { u"userType"_s, w[2] } });
        QVERIFY(listener.closedSpy().wait(WaitMs));
        QCOMPARE(listener.socket().closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
        QCOMPARE(listener.count(u"auth_success"_s), 0);
    }

    void channel_wrongCredential_upgradeRefused401()
    {
        const std::unique_ptr<QTcpSocket> peer = RawPeer::connectTo(m_sites.store(0).server.port());
        peer->write(RawPeer::upgradeRequest(ServerProcess::Token, "Authorization: Bearer forged\r\n"));
        QCOMPARE(RawPeer::readAnswer(*peer).status, 401);
    }

    void staffCommands_manageAccounts_neverShowPasswords()
    {
        ServerProcess &server = m_sites.store(0).server;
        QByteArray printed; // by every command
        const auto cli
            = [&](const QString &line, const QByteArray &input = {}, const QStringList &more = {}) {
                  const ToolRun run = runCli(line, server.dbPath(), input, more);
                  printed += run.out;
                  return run;
              };
        QCOMPARE(
            cli(u"staff add jeanne"_s, "first-pass-7\n", { u"--name"_s, u"Jeanne Dupont"_s }).exitCode, 0);
        QCOMPARE(cli(u"staff add jeanne"_s, "other\n").exitCode, 1);
        QCOMPARE(cli(u"staff add nopass"_s, "").exitCode, 1);
        const ToolRun list = cli(u"staff list"_s);
        QVERIFY2(list.out.contains("jeanne\tJeanne Dupont") && list.out.contains("boss")
                && !list.out.contains("nopass") && !list.out.contains("$argon2"),
            list.out.constData());

        const QByteArray session = login(server, u"jeanne"_s, "first-pass-7");
        QVERIFY(!session.isEmpty());
        QCOMPARE(cli(u"staff passwd jeanne"_s, "second-pass-8\n").exitCode, 0);
        QCOMPARE(loginAnswer(server, u"jeanne"_s, "first-pass-7").status, 401);
        QCOMPARE(call(server, "GET", u"/admin/list-tickets.php"_s, {}, session).status, 401);
        const QByteArray second = login(server, u"jeanne"_s, "second-pass-8");
        QVERIFY(!second.isEmpty());

        QCOMPARE(cli(u"staff remove jeanne"_s).exitCode, 0);
        QCOMPARE(call(server, "GET", u"/admin/list-tickets.php"_s, {}, second).status, 401);
        QCOMPARE(cli(u"staff remove jeanne"_s).exitCode, 1);
        QCOMPARE(cli(u"staff passwd jeanne"_s, "x\n").exitCode, 1);
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

private:
    Answer call(const ServerProcess &server, const QByteArray &method, const QString &path,
        const QByteArray &body = {}, const QByteArray &bearer = {}, bool token = true)
    {
        QNetworkRequest request = server.request(path);
        if (!token)
            request.setRawHeader("X-API-TOKEN", QByteArray());
        if (!bearer.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + bearer);
        return { restCall(m_network, request, method, body) };
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

    AccountsSites m_sites;
    QNetworkAccessManager m_network;
};

QTEST_GUILESS_MAIN(TestServerAccounts)
#include "tst_serveraccounts.moc"
