#include "core/apiservice.h"
#include "postgrescluster.h"
#include "protocol/errors.h"
#include "pushlistener.h"
#include "restcall.h"
#include "runtask.h"
#include "serverprocess.h"
#include "testing.h"
#include "ticketburst.h"

#include <QScopeGuard>
#include <algorithm>

namespace {

constexpr int WaitMs = 30000;

QCoro::Task<> tryRegister(APIService *api, qint64 company, QList<qint64> *statuses)
{
    try {
        co_await api->registerUser(company, u"RACE-1"_s, u"N"_s, u"P"_s, QString());
        statuses->append(200);
    } catch (const APIError &e) {
        statuses->append(e.statusCode);
    } catch (const NorvikError &) {
        statuses->append(-1);
    }
}

} // namespace

// Two norvik-server instances on one PostgreSQL database, as behind a load
// balancer: what is written through one is seen and pushed by the other,
// conflicts between them are decided once, and both live through the
// database going away.
class TestServerCluster : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!PostgresCluster::available())
            QSKIP(PostgresCluster::missingMessage());
        m_cluster = std::make_unique<PostgresCluster>(QStringList { u"fsync=off"_s });
        QVERIFY2(m_cluster->start() && m_cluster->createDatabase(u"cluster"_s),
            qPrintable(m_cluster->errorString()));
        for (ServerProcess *server : { &m_a, &m_b }) {
            server->setDatabase(m_cluster->url(u"cluster"_s));
            QVERIFY2(server->start(), qPrintable(server->errorString()));
        }
        m_apiA = m_a.client();
        m_apiB = m_b.client();
        m_company = RunTask::run(m_apiA->createCompany(u"Grappe"_s, u"GRP"_s));
    }

    void changesThroughA_reachTheClientsOfB()
    {
        // A keeps its company list; a company created through B still shows.
        QCOMPARE(RunTask::run(m_apiA->getCompanies()).size(), 1);
        RunTask::run(m_apiB->createCompany(u"Par B"_s, u"VIAB"_s));
        QTRY_COMPARE_WITH_TIMEOUT(RunTask::run(m_apiA->getCompanies()).size(), 2, WaitMs);

        const qint64 author
            = RunTask::run(m_apiA->registerUser(m_company, u"PUSH-1"_s, u"Nom"_s, u"Prénom"_s, QString()))
                  .userId;
        PushListener authorOnB(m_b.wsRequest()), staffOnB(m_b.wsRequest());
        QVERIFY(authorOnB.announce(author, u"user"_s));
        QVERIFY(staffOnB.announce(9999, u"admin"_s));

        const qint64 first
            = RunTask::run(m_apiA->createTicket(author, u"Par A"_s, u"d"_s, u"haute"_s, u"AAAA"_s));
        const std::optional<QJsonObject> created = staffOnB.waitFor(u"new_ticket"_s);
        QVERIFY(created.has_value());
        const Ticket pushed = Ticket::fromJson(created->value(u"ticket"_s).toObject());
        QVERIFY(pushed.id == first && RunTask::run(m_apiA->getAllTickets()).contains(pushed));

        // Closes through A, one after another, each waited for on B.
        constexpr int Closes = 200;
        std::vector<qint64> tickets { first };
        for (int i = 1; i < Closes; ++i)
            tickets.push_back(
                RunTask::run(m_apiA->createTicket(author, u"T%1"_s.arg(i), u"d"_s, u"normale"_s, {})));
        for (int i = 0; i < Closes; ++i) {
            RunTask::run(m_apiA->closeTicket(tickets[size_t(i)], u"Fermé %1"_s.arg(i)));
            const QJsonObject expected { { u"type"_s, u"ticket_closed"_s },
                { u"ticketId"_s, tickets[size_t(i)] }, { u"closeMessage"_s, u"Fermé %1"_s.arg(i) } };
            QCOMPARE(authorOnB.waitFor(u"ticket_closed"_s), expected);
        }
        QVERIFY(authorOnB.announce(author, u"user"_s));
        QCOMPARE(authorOnB.count(u"ticket_closed"_s), Closes);
        QCOMPARE(staffOnB.count(u"ticket_closed"_s), 0);
    }

    void sameWorkstationFromBoth_oneWinner()
    {
        constexpr int Tries = 100;
        QList<qint64> statuses;
        std::vector<QCoro::Task<>> tasks;
        for (int i = 0; i < Tries; ++i)
            tasks.push_back(tryRegister(i % 2 ? m_apiB.get() : m_apiA.get(), m_company, &statuses));
        RunTask::run(RunTask::all(std::move(tasks)));

        QCOMPARE(statuses.size(), Tries);
        QCOMPARE(statuses.count(200), 1);
        QCOMPARE(statuses.count(409), Tries - 1);
        const GetUserByPosteResponse holder = RunTask::run(m_apiB->getUserByPoste(m_company, u"RACE-1"_s));
        QVERIFY(holder.success && holder.user.has_value());
    }

    void databaseRestart_duringTraffic_instancesRecover_nothingAcknowledgedLost()
    {
        const qint64 author
            = RunTask::run(m_apiA->registerUser(m_company, u"RST-1"_s, u"Nom"_s, u"Prénom"_s, QString()))
                  .userId;
        PushListener authorOnB(m_b.wsRequest());
        QVERIFY(authorOnB.announce(author, u"user"_s));

        TicketBurst traffic;
        bool restarted = false;
        int acknowledgedAfterRestart[2] = { 0, 0 };
        traffic.onAcknowledged
            = [&](int writer) { acknowledgedAfterRestart[writer % 2] += restarted ? 1 : 0; };
        std::vector<QCoro::Task<>> writers;
        // Fresh clients: nothing pooled from earlier cases.
        const std::unique_ptr<APIService> apis[2] = { m_a.client(), m_b.client() };
        for (int w = 0; w < 6; ++w)
            writers.push_back(traffic.writer(apis[w % 2].get(), author, w));
        // The writers refer to traffic: they end before it does, however this case ends.
        const auto finishWriters = [&] {
            traffic.stop = true;
            RunTask::run(RunTask::all(std::exchange(writers, {})));
        };
        const auto atExit = qScopeGuard(finishWriters);

        QTRY_VERIFY_WITH_TIMEOUT(traffic.acknowledged.size() >= 30, WaitMs);
        m_cluster->beginRestart();
        QTRY_VERIFY_WITH_TIMEOUT(m_cluster->restartResult().has_value(), WaitMs);
        QVERIFY2(*m_cluster->restartResult(), "pg_ctl restart failed");
        restarted = true;
        QTRY_VERIFY_WITH_TIMEOUT(
            acknowledgedAfterRestart[0] >= 20 && acknowledgedAfterRestart[1] >= 20, WaitMs);
        finishWriters();

        // Each instance noticed, came back, and said what it could not push.
        for (ServerProcess *server : { &m_a, &m_b })
            QTRY_VERIFY_WITH_TIMEOUT(server->output().contains("database connection back"), WaitMs);

        const QString lost = traffic.lost(RunTask::run(m_apiB->getAllTickets()));
        QVERIFY2(lost.isEmpty(), qPrintable(lost));

        // B listens again: a close through A reaches its client.
        const qint64 ticket = traffic.acknowledged.lastKey();
        RunTask::run(m_apiA->closeTicket(ticket, u"Après redémarrage"_s));
        QCOMPARE(authorOnB.waitFor(u"ticket_closed"_s),
            (QJsonObject { { u"type"_s, u"ticket_closed"_s }, { u"ticketId"_s, ticket },
                { u"closeMessage"_s, u"Après redémarrage"_s } }));
    }

    void databaseAway_healthAnswers503_untilItIsBack()
    {
        QCOMPARE(health(m_a), 200);
        QVERIFY2(m_cluster->stopServer(), qPrintable(m_cluster->errorString()));
        QCOMPARE(health(m_a), 503);
        QTRY_COMPARE_WITH_TIMEOUT(health(m_b), 503, WaitMs);
        const auto refused
            = RunTask::failure<APIError>(m_apiA->registerUser(m_company, u"AWAY"_s, u"N"_s, u"P"_s, {}));
        QVERIFY(refused);
        QCOMPARE(refused->statusCode, 503);

        QVERIFY2(m_cluster->startServer(), qPrintable(m_cluster->errorString()));
        QTRY_COMPARE_WITH_TIMEOUT(health(m_a), 200, WaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(health(m_b), 200, WaitMs);
        QVERIFY(RunTask::run(m_apiA->registerUser(m_company, u"AWAY"_s, u"N"_s, u"P"_s, {})).userId > 0);
    }

private:
    // Without the token: a load balancer's probe has none.
    int health(const ServerProcess &server)
    {
        return restCall(m_network, QNetworkRequest(QUrl(u"http://127.0.0.1:%1/healthz"_s.arg(server.port()))))
            .status;
    }

    std::unique_ptr<PostgresCluster> m_cluster;
    ServerProcess m_a, m_b;
    std::unique_ptr<APIService> m_apiA, m_apiB;
    QNetworkAccessManager m_network;
    qint64 m_company = 0;
};

QTEST_GUILESS_MAIN(TestServerCluster)
#include "tst_servercluster.moc"
