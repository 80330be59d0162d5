// Latency of norvik-server's administrator list at 1,000, 10,000 and 100,000
// tickets: one server per size on its own SQLite file, filled straight through
// SQL (the REST path would take minutes for the largest), then the sizes take
// turns over the rounds. Prints the median time from request to last byte,
// the reply's size and how each grows from one size to the next.
#include "serverprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

void print(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// One company, one author and count tickets like the staff's daily ones, in
// one transaction.
bool fill(const QString &path, int count)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"fill"_s);
        db.setDatabaseName(path);
        if (db.open() && db.transaction()) {
            QSqlQuery q(db);
            ok = q.exec(u"INSERT INTO companies (nom, code) VALUES ('Société Alpha', 'ALPHA')"_s)
                && q.exec(
                    u"INSERT INTO users (company_id, poste, nom, prenom, telephone, created_at) "
                    u"VALUES (1, 'B-12', 'Lefèvre', 'Amélie', '01 23 45 67 89', '2025-01-01 08:00:00')"_s)
                && q.prepare(
                    u"INSERT INTO tickets (user_id, titre, description, priorite, status, created_at) "
                    u"VALUES (1, ?, ?, ?, ?, ?)"_s);
            const QStringList priorities { u"normale"_s, u"haute"_s, u"critique"_s };
            for (int i = 0; ok && i < count; ++i) {
                q.bindValue(0, u"Imprimante du poste %1 hors service"_s.arg(i));
                q.bindValue(1,
                    u"L'imprimante réseau du deuxième étage n'imprime plus depuis ce matin ; le voyant "
                    u"orange clignote pour le document %1."_s.arg(i));
                q.bindValue(2, priorities.at(i % 3));
                q.bindValue(3, i % 4 == 0 ? u"closed"_s : u"open"_s);
                q.bindValue(4, u"2025-03-%1 14:05:00"_s.arg(1 + i % 28, 2, 10, QLatin1Char('0')));
                ok = q.exec();
            }
            ok = ok && db.commit();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(u"fill"_s);
    return ok;
}

// Request to last byte of one list, in milliseconds; the body's size in bytes.
std::optional<std::pair<double, qint64>> fetch(QNetworkAccessManager &network, const ServerProcess &server)
{
    QNetworkRequest request(QUrl(server.apiBase() + u"/admin/list-tickets.php"_s));
    request.setRawHeader("X-API-TOKEN", ServerProcess::Token);
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<QNetworkReply> reply(network.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->readAll();
    const double ms = timer.nsecsElapsed() / 1e6;
    if (!reply->isFinished() || reply->error() != QNetworkReply::NoError || !body.startsWith('{'))
        return std::nullopt;
    return std::pair { ms, qint64(body.size()) };
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("NORVIK_SERVER_BIN"))
        qputenv("NORVIK_SERVER_BIN", NORVIK_SERVER_DEFAULT_BIN);
    const int rounds = qEnvironmentVariableIntValue("NORVIK_BENCH_ROUNDS") > 0
        ? qEnvironmentVariableIntValue("NORVIK_BENCH_ROUNDS")
        : 5;
    const QList<int> sizes { 1000, 10000, 100000 };
    std::vector<std::unique_ptr<ServerProcess>> servers;
    for (const int count : sizes) {
        auto server = std::make_unique<ServerProcess>();
        // The first start lays out the schema; the tickets go in while the
        // server is stopped, so that it reads them as any restart would.
        if (!server->start() || !server->stop() || !fill(server->dbPath(), count) || !server->start()) {
            print(u"cannot prepare the server with %1 tickets: %2"_s.arg(count).arg(server->errorString()));
            return 1;
        }
        servers.push_back(std::move(server));
    }

    QNetworkAccessManager network;
    std::vector<std::vector<double>> times(sizes.size());
    std::vector<qint64> bytes(sizes.size());
    for (int round = 0; round <= rounds; ++round) {
        for (size_t i = 0; i < servers.size(); ++i) {
            const auto result = fetch(network, *servers[i]);
            if (!result) {
                print(u"the list of %1 tickets failed"_s.arg(sizes.at(qsizetype(i))));
                return 1;
            }
            if (round > 0) // the first round warms the server's caches
                times[i].push_back(result->first);
            bytes[i] = result->second;
        }
    }
    print(u"admin/list-tickets.php on SQLite, request to last byte, median of %1 rounds:"_s.arg(rounds));
    std::vector<double> medians;
    for (size_t i = 0; i < servers.size(); ++i) {
        std::sort(times[i].begin(), times[i].end());
        medians.push_back(times[i][times[i].size() / 2]);
        print(u"  %1 tickets: %2 ms, reply %3 MB"_s.arg(sizes.at(qsizetype(i)))
                  .arg(medians.back(), 0, 'f', 1)
                  .arg(bytes[i] / 1e6, 0, 'f', 2));
    }
    for (size_t i = 1; i < medians.size(); ++i)
        print(u"  %1 → %2 tickets: latency %3x (linear: 10x)"_s.arg(sizes.at(qsizetype(i - 1)))
                  .arg(sizes.at(qsizetype(i)))
                  .arg(medians[i] / medians[i - 1], 0, 'f', 2));
    return 0;
}
