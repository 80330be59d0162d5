#include "postgrescluster.h"
#include "runtask.h"
#include "serverprocess.h"
#include "testing.h"
#include "ticketburst.h"

#include <QSqlDatabase>
#include <QSqlQuery>

// Killing the server outright in the middle of writes loses nothing it had
// acknowledged, on either store.
class TestServerCrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killDuringBurst_everyAcknowledgedTicketSurvives_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::newRow("sqlite") << false;
        QTest::newRow("postgresql") << true;
    }

    void killDuringBurst_everyAcknowledgedTicketSurvives()
    {
        QFETCH(bool, postgres);
        std::optional<PostgresCluster> cluster;
        ServerProcess server;
        if (postgres) {
            if (!PostgresCluster::available())
                QSKIP(PostgresCluster::missingMessage());
            cluster.emplace();
            QVERIFY2(
                cluster->start() && cluster->createDatabase(u"crash"_s), qPrintable(cluster->errorString()));
            server.setDatabase(cluster->url(u"crash"_s));
        }
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const qint64 company = RunTask::run(server.client()->createCompany(u"Crash"_s, u"CR"_s));
        const qint64 user
            = RunTask::run(server.client()->registerUser(company, u"K9"_s, u"N"_s, u"P"_s, QString())).userId;

        // Three rounds, each killed at a different moment of its burst.
        TicketBurst all;
        QList<Ticket> stored;
        for (int round = 0; round < 3; ++round) {
            // A fresh client each round: nothing pooled from the dead server.
            const std::unique_ptr<APIService> client = server.client();
            TicketBurst burst;
            burst.stopOnFailure = true;
            const qsizetype killAfter = 60 + 37 * round;
            burst.onAcknowledged = [&](int) {
                // The other writers' requests are in flight at this moment.
                if (!burst.stop && burst.acknowledged.size() >= killAfter) {
                    burst.stop = true;
                    server.kill();
                }
            };
            std::vector<QCoro::Task<>> writers;
            for (int w = 0; w < 6; ++w)
                writers.push_back(burst.writer(client.get(), user, round * 6 + w));
            RunTask::run(RunTask::all(std::move(writers)), 120000);
            QVERIFY(burst.stop && !server.isRunning());
            QVERIFY(burst.acknowledged.size() >= killAfter);
            all.acknowledged.insert(burst.acknowledged);

            QVERIFY2(server.restart(), qPrintable(server.errorString()));
            stored = RunTask::run(client->getAllTickets());
            const QString lost = all.lost(stored);
            QVERIFY2(lost.isEmpty(), qPrintable(lost));
        }

        // The restarted server goes on numbering after everything it kept.
        const qint64 next
            = RunTask::run(server.client()->createTicket(user, u"Après"_s, u"d"_s, u"haute"_s, std::nullopt));
        QVERIFY(std::all_of(stored.cbegin(), stored.cend(), [next](const Ticket &t) { return t.id < next; }));
        QVERIFY(server.stop());
        if (!postgres)
            checkSqliteFile(server.dbPath(), stored.size() + 1);
    }

private:
    // The file itself is sound and still in write-ahead-log mode.
    static void checkSqliteFile(const QString &path, qsizetype tickets)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
            db.setDatabaseName(path);
            QVERIFY(db.open());
            const auto scalar = [&db](const QString &sql) {
                QSqlQuery query(sql, db);
                return query.next() ? query.value(0) : QVariant();
            };
            QCOMPARE(scalar(u"PRAGMA integrity_check"_s).toString(), u"ok"_s);
            QCOMPARE(scalar(u"PRAGMA journal_mode"_s).toString(), u"wal"_s);
            QCOMPARE(scalar(u"SELECT COUNT(*) FROM tickets"_s).toLongLong(), qint64(tickets));
        }
        QSqlDatabase::removeDatabase(u"check"_s);
    }
};

QTEST_GUILESS_MAIN(TestServerCrash)
#include "tst_servercrash.moc"
