#include "childprocess.h"
#include "postgrescluster.h"
#include "restcall.h"
#include "serverprocess.h"
#include "testing.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <optional>

namespace {

constexpr auto BossPassword = "correct horse battery staple";
constexpr qsizetype Limit = 65536;

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject sampleReport()
{
    return { { u"disks"_s, QJsonArray { QJsonObject { { u"mount"_s, u"/"_s }, { u"used_percent"_s, 97 } } } },
        { u"printers"_s, QJsonObject { { u"stopped"_s, true }, { u"name"_s, u"Étage 2"_s } } } };
}

// A report whose compact form is exactly bytes long.
QJsonObject reportOfSize(qsizetype bytes)
{
    const QByteArray frame = json({ { u"pad"_s, QString() } });
    return { { u"pad"_s, QString(bytes - frame.size(), u'x') } };
}

} // namespace

// The system report a ticket may carry, against real server processes: kept
// with the ticket and read back by the staff and the ticket's author only, on
// both stores in accounts mode, held to 64 KiB; a shared-mode server ignores
// it and knows no path to read it.
class TestServerReport : public QObject
{
    Q_OBJECT

    struct Site
    {
        ServerProcess server { { u"--auth"_s, u"accounts"_s } };
        QByteArray session, secretA, secretB;
        qint64 a = 0, b = 0;
    };

private Q_SLOTS:
    void initTestCase()
    {
        if (PostgresCluster::available()) {
            m_cluster.emplace(QStringList { u"fsync=off"_s });
            QVERIFY2(m_cluster->start() && m_cluster->createDatabase(u"report"_s),
                qPrintable(m_cluster->errorString()));
        }
        for (int store = 0; store < (m_cluster ? 2 : 1); ++store) {
            Site &s = m_sites[store];
            const QString db = store == 0 ? s.server.dbPath() : m_cluster->url(u"report"_s);
            s.server.setDatabase(db);
            const ToolRun added = runTool(qEnvironmentVariable("NORVIK_SERVER_BIN"),
                { u"staff"_s, u"add"_s, u"boss"_s, u"--name"_s, u"Marc Leroy"_s, u"--db"_s, db },
                QProcessEnvironment::systemEnvironment(), {}, 60000, BossPassword);
            QCOMPARE(added.exitCode, 0);
            QVERIFY2(s.server.start(), qPrintable(s.server.errorString()));
            const QJsonObject login { { u"login"_s, u"boss"_s },
                { u"password"_s, QString::fromLatin1(BossPassword) } };
            const RestAnswer session = call(s.server, "POST", u"/admin/login.php"_s, json(login));
            s.session = session.json().value(u"session_token"_s).toString().toUtf8();
            const qint64 company = companyOn(s.server, s.session);
            std::tie(s.a, s.secretA) = newUser(s.server, company, u"A-1"_s);
            std::tie(s.b, s.secretB) = newUser(s.server, company, u"B-1"_s);
            QVERIFY(!s.session.isEmpty() && !s.secretA.isEmpty() && !s.secretB.isEmpty());
        }
    }

    void init()
    {
        if (!m_cluster && qstrcmp(QTest::currentDataTag(), "postgresql") == 0)
            QSKIP(PostgresCluster::missingMessage());
    }

    void report_readBackByStaffAndAuthorOnly_heldTo64KiB_data() { storeRows(); }
    void report_readBackByStaffAndAuthorOnly_heldTo64KiB()
    {
        const Site &s = site();
        const qsizetype before = ticketCount(s);
        const qint64 ticket = number(createTicket(s.server, s.a, s.secretA, sampleReport()), u"ticket_id"_s);
        for (const QByteArray &reader : { s.session, s.secretA })
            QCOMPARE(readReport(s.server, ticket, reader).json(),
                (QJsonObject { { u"success"_s, true }, { u"system_report"_s, sampleReport() } }));
        QCOMPARE(readReport(s.server, ticket, s.secretB).status, 403);
        QCOMPARE(readReport(s.server, ticket, {}).status, 401);
        QCOMPARE(readReport(s.server, ticket + 1000, s.session).status, 404);

        // A ticket sent without one answers null.
        const qint64 bare = number(createTicket(s.server, s.b, s.secretB), u"ticket_id"_s);
        QCOMPARE(readReport(s.server, bare, s.secretB).json(),
            (QJsonObject { { u"success"_s, true }, { u"system_report"_s, QJsonValue::Null } }));

        // 64 KiB is kept whole; one byte more, or no object, and no ticket is made.
        const qint64 full
            = number(createTicket(s.server, s.a, s.secretA, reportOfSize(Limit)), u"ticket_id"_s);
        const RestAnswer read = readReport(s.server, full, s.session);
        QCOMPARE(json(read.json().value(u"system_report"_s).toObject()).size(), Limit);
        const RestAnswer over = createTicket(s.server, s.a, s.secretA, reportOfSize(Limit + 1));
        QCOMPARE(over.status, 413);
        QVERIFY(over.json().value(u"error"_s).toString().contains(u"64 Kio"_s));
        for (const QJsonValue &notObject : { QJsonValue(u"rapport"_s), QJsonValue(QJsonArray { 1 }) })
            QCOMPARE(createTicket(s.server, s.a, s.secretA, notObject).status, 400);
        QCOMPARE(ticketCount(s), before + 3);
    }

    // A server that cannot tell users apart keeps the ticket as before,
    // whatever the key holds, and has no report to give.
    void sharedMode_keyIgnored_pathUnknown()
    {
        ServerProcess server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const qint64 user = newUser(server, companyOn(server, {}), u"S-1"_s).first;
        for (const QJsonValue &report : { QJsonValue(reportOfSize(Limit + 1)), QJsonValue(u"rapport"_s) }) {
            const RestAnswer created = createTicket(server, user, {}, report);
            QCOMPARE(created.status, 200);
            QCOMPARE(readReport(server, number(created, u"ticket_id"_s), {}).status, 404);
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"shared"_s);
            db.setDatabaseName(server.dbPath());
            QVERIFY(db.open());
            QSqlQuery query(u"SELECT COUNT(*) FROM tickets WHERE system_report IS NOT NULL"_s, db);
            QCOMPARE(query.next() ? query.value(0).toInt() : -1, 0);
        }
        QSqlDatabase::removeDatabase(u"shared"_s);
        QVERIFY(server.stop());
    }

private:
    static void storeRows()
    {
        QTest::addColumn<int>("store");
        QTest::newRow("sqlite") << 0;
        QTest::newRow("postgresql") << 1;
    }

    Site &site()
    {
        QFETCH(int, store);
        return m_sites[store];
    }

    RestAnswer call(const ServerProcess &server, const QByteArray &method, const QString &path,
        const QByteArray &body = {}, const QByteArray &bearer = {})
    {
        QNetworkRequest request = server.request(path);
        if (!bearer.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + bearer);
        return restCall(m_network, request, method, body);
    }

    static qint64 number(const RestAnswer &answer, const QString &key)
    {
        return answer.json().value(key).toInteger();
    }

    qint64 companyOn(const ServerProcess &server, const QByteArray &session)
    {
        const QJsonObject company { { u"nom"_s, u"Iso"_s }, { u"code"_s, u"ISO"_s } };
        return number(
            call(server, "POST", u"/company/create.php"_s, json(company), session), u"company_id"_s);
    }

    std::pair<qint64, QByteArray> newUser(const ServerProcess &server, qint64 company, const QString &poste)
    {
        const QJsonObject body { { u"company_id"_s, company }, { u"poste"_s, poste }, { u"nom"_s, u"Roux"_s },
            { u"prenom"_s, u"Inès"_s }, { u"telephone"_s, u"06"_s } };
        const RestAnswer answer = call(server, "POST", u"/user/register.php"_s, json(body));
        return { number(answer, u"user_id"_s), answer.json().value(u"user_secret"_s).toString().toUtf8() };
    }

    RestAnswer createTicket(const ServerProcess &server, qint64 user, const QByteArray &secret,
        const QJsonValue &report = QJsonValue::Undefined)
    {
        QJsonObject body { { u"user_id"_s, user }, { u"titre"_s, u"Lent"_s },
            { u"description"_s, u"Tout rame"_s }, { u"priorite"_s, u"normale"_s } };
        if (!report.isUndefined())
            body.insert(u"system_report"_s, report);
        return call(server, "POST", u"/ticket/create.php"_s, json(body), secret);
    }

    RestAnswer readReport(const ServerProcess &server, qint64 ticket, const QByteArray &bearer)
    {
        return call(server, "GET", u"/admin/ticket-report.php?ticket_id=%1"_s.arg(ticket), {}, bearer);
    }

    qsizetype ticketCount(const Site &s)
    {
        const RestAnswer list = call(s.server, "GET", u"/admin/list-tickets.php"_s, {}, s.session);
        return list.json().value(u"tickets"_s).toArray().size();
    }

    std::optional<PostgresCluster> m_cluster;
    Site m_sites[2];
    QNetworkAccessManager m_network;
};

QTEST_GUILESS_MAIN(TestServerReport)
#include "tst_serverreport.moc"
