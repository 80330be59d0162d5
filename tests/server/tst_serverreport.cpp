#include "accountssites.h"
#include "testing.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <optional>

namespace {

constexpr qsizetype Limit = 65536;

using Site = AccountsSites::Site;

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

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_sites.start(), qPrintable(m_sites.errorString())); }
    void init()
    {
        if (m_sites.lacksStore())
            QSKIP(PostgresCluster::missingMessage());
    }

    void report_readBackByStaffAndAuthorOnly_heldTo64KiB_data() { AccountsSites::rows(); }
    void report_readBackByStaffAndAuthorOnly_heldTo64KiB()
    {
        const Site &s = m_sites.site();
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
        const QJsonObject company { { u"nom"_s, u"Iso"_s }, { u"code"_s, u"ISO"_s } };
        const qint64 id
            = number(m_sites.call(server, "POST", u"/company/create.php"_s, json(company)), u"company_id"_s);
        const qint64 user = m_sites.newUser(server, id, u"S-1"_s, u"Inès"_s).first;
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
    RestAnswer createTicket(const ServerProcess &server, qint64 user, const QByteArray &secret,
        const QJsonValue &report = QJsonValue::Undefined)
    {
        QJsonObject body { { u"user_id"_s, user }, { u"titre"_s, u"Lent"_s },
            { u"description"_s, u"Tout rame"_s }, { u"priorite"_s, u"normale"_s } };
        if (!report.isUndefined())
            body.insert(u"system_report"_s, report);
        return m_sites.call(server, "POST", u"/ticket/create.php"_s, json(body), secret);
    }

    RestAnswer readReport(const ServerProcess &server, qint64 ticket, const QByteArray &bearer)
    {
        return m_sites.call(
            server, "GET", u"/admin/ticket-report.php?ticket_id=%1"_s.arg(ticket), {}, bearer);
    }

    qsizetype ticketCount(const Site &s)
    {
        const RestAnswer list = m_sites.call(s.server, "GET", u"/admin/list-tickets.php"_s, {}, s.session);
        return list.json().value(u"tickets"_s).toArray().size();
    }

    AccountsSites m_sites;
};

QTEST_GUILESS_MAIN(TestServerReport)
#include "tst_serverreport.moc"
