// Load figures of norvik-server on loopback: requests per second and latency
// of the company list and of ticket creation (measured with wrk) on SQLite,
// on PostgreSQL with one instance and with two instances on one database
// (one wrk per instance, at the same time, summed), in rounds, and how long
// after a close the author's WebSocket receives "ticket_closed", on the same
// instance and across instances. Prints the figures and their ratios;
// judges nothing.
#include "postgrescluster.h"
#include "serverprocess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QThread>
#include <QTimer>
#include <QWebSocket>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

void print(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Sends one request and waits (at most 10 s) for its answer.
QJsonObject call(QNetworkAccessManager &network, const ServerProcess &server, const QByteArray &method,
    const QString &path, const QJsonObject &body = {})
{
    QNetworkRequest request(QUrl(server.apiBase() + path));
    request.setRawHeader("X-API-TOKEN", server.token().toUtf8());
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json"_ba);
    QNetworkReply *reply = network.sendCustomRequest(
        request, method, method == "GET" ? QByteArray() : QJsonDocument(body).toJson(QJsonDocument::Compact));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
    reply->deleteLater();
    return answer;
}

struct WrkFigures
{
    double requestsPerSecond = 0;
    QString p50, p99;
    QString errors;
};

// One wrk run against each server, all at the same time.
std::vector<WrkFigures> runWrk(const std::vector<const ServerProcess *> &servers, const QString &path,
    const QString &script, int seconds, int connections)
{
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const ServerProcess *server : servers) {
        QStringList arguments { u"-t1"_s, u"-c%1"_s.arg(connections), u"-d%1s"_s.arg(seconds), u"--latency"_s,
            u"-H"_s, u"X-API-TOKEN: "_s + server->token() };
        if (!script.isEmpty())
            arguments << u"-s"_s << script;
        arguments << server->apiBase() + path;
        runs.push_back(std::make_unique<QProcess>());
        runs.back()->start(u"wrk"_s, arguments);
    }
    std::vector<WrkFigures> all;
    for (const auto &wrk : runs) {
        WrkFigures figures;
        if (!wrk->waitForFinished((seconds + 30) * 1000) || wrk->exitCode() != 0) {
            figures.errors = u"wrk failed: "_s + QString::fromUtf8(wrk->readAllStandardError());
            all.push_back(figures);
            continue;
        }
        const QString output = QString::fromUtf8(wrk->readAllStandardOutput());
        const auto capture = [&](const QString &pattern) {
            const QRegularExpressionMatch match
                = QRegularExpression(pattern, QRegularExpression::MultilineOption).match(output);
            return match.hasMatch() ? match.captured(1) : QString();
        };
        figures.requestsPerSecond = capture(u"^Requests/sec:\\s+([0-9.]+)"_s).toDouble();
        figures.p50 = capture(u"^\\s+50%\\s+(\\S+)"_s);
        figures.p99 = capture(u"^\\s+99%\\s+(\\S+)"_s);
        const QString non2xx = capture(u"Non-2xx or 3xx responses:\\s+(\\d+)"_s);
        const QString socketErrors = capture(u"^\\s+(Socket errors:.*)$"_s);
        figures.errors = (non2xx.isEmpty() ? QString() : u"non-2xx: "_s + non2xx + u" "_s) + socketErrors;
        all.push_back(figures);
    }
    return all;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

// Twenty companies and the user whose tickets the runs create.
qint64 seed(QNetworkAccessManager &network, const ServerProcess &server)
{
    qint64 companyId = 0;
    for (int i = 0; i < 20; ++i) {
        companyId = call(network, server, "POST", u"/company/create.php"_s,
            { { u"nom"_s, u"Société %1"_s.arg(i) }, { u"code"_s, u"C%1"_s.arg(i) } })
                        .value(u"company_id"_s)
                        .toInteger();
    }
    return call(network, server, "POST", u"/user/register.php"_s,
        { { u"company_id"_s, companyId }, { u"poste"_s, u"B1"_s }, { u"nom"_s, u"Banc"_s },
            { u"prenom"_s, u"Essai"_s }, { u"telephone"_s, u""_s } })
        .value(u"user_id"_s)
        .toInteger();
}

QJsonObject ticketBody(qint64 userId)
{
    return { { u"user_id"_s, userId }, { u"titre"_s, u"Banc d'essai"_s }, { u"description"_s, u"Charge"_s },
        { u"priorite"_s, u"normale"_s } };
}

// One wrk run per server at once, printed under the given name; the summed rate.
double measure(const QString &name, const QString &what, const std::vector<const ServerProcess *> &servers,
    const QString &path, const QString &script, int seconds, int connections)
{
    double sum = 0;
    QStringList parts;
    for (const WrkFigures &f : runWrk(servers, path, script, seconds, connections)) {
        sum += f.requestsPerSecond;
        parts << u"p50 %1, p99 %2%3"_s.arg(f.p50, f.p99, f.errors.isEmpty() ? QString() : u" "_s + f.errors);
    }
    print(u"  %1, %2: %3 req/s (%4)"_s.arg(name, what).arg(sum, 0, 'f', 0).arg(parts.join(u"; "_s)));
    return sum;
}

double median(std::vector<double> values)
{
    return percentile(std::move(values), 0.5);
}

// Closes tickets through one server, one after another, while the author
// listens on another (or the same) one. Prints the time from the close reply
// and from sending the close to the push; false if a push never came.
bool pushLatency(const QString &name, QNetworkAccessManager &network, const ServerProcess &closing,
    const ServerProcess &listening, qint64 userId)
{
    QWebSocket author;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    qint64 receivedAt = -1;
    QObject::connect(&author, &QWebSocket::textMessageReceived, &loop, [&](const QString &text) {
        const QString type = QJsonDocument::fromJson(text.toUtf8()).object().value(u"type"_s).toString();
        if (type == u"ticket_closed")
            receivedAt = clock.nsecsElapsed();
        loop.quit();
    });
    QObject::connect(&author, &QWebSocket::connected, &loop, [&] {
        author.sendTextMessage(u"{\"type\":\"auth\",\"userId\":%1,\"userType\":\"user\"}"_s.arg(userId));
    });
    author.open(listening.wsRequest());
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec(); // auth_success

    std::vector<double> latencies; // from the close reply to the push
    std::vector<double> roundTrips; // from sending the close to the push
    int early = 0;
    constexpr int Closes = 300;
    for (int i = 0; i < Closes; ++i) {
        const qint64 ticket = call(network, closing, "POST", u"/ticket/create.php"_s, ticketBody(userId))
                                  .value(u"ticket_id"_s)
                                  .toInteger();
        receivedAt = -1;
        QNetworkRequest request(QUrl(closing.apiBase() + u"/admin/close-ticket.php"_s));
        request.setRawHeader("X-API-TOKEN", closing.token().toUtf8());
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json"_ba);
        QNetworkReply *reply = network.post(request,
            QJsonDocument(QJsonObject { { u"ticket_id"_s, ticket }, { u"close_message"_s, u"ok"_s } })
                .toJson(QJsonDocument::Compact));
        const qint64 sentAt = clock.nsecsElapsed();
        qint64 repliedAt = -1;
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&] {
            repliedAt = clock.nsecsElapsed();
            if (receivedAt >= 0)
                loop.quit();
        });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        guard.start(10000);
        while ((repliedAt < 0 || receivedAt < 0) && guard.isActive())
            loop.exec();
        reply->deleteLater();
        if (repliedAt < 0 || receivedAt < 0) {
            print(u"%1: push %2 never arrived"_s.arg(name).arg(i));
            return false;
        }
        // The push may overtake the reply on the way; that counts as zero.
        if (receivedAt < repliedAt)
            ++early;
        latencies.push_back(double(std::max<qint64>(0, receivedAt - repliedAt)) / 1e6);
        roundTrips.push_back(double(receivedAt - sentAt) / 1e6);
    }
    print(u"%1, ticket_closed push after the close reply (%2 closes): p50 %3 ms, p99 %4 ms, max %5 ms; "
          u"%6 arrived before the reply"_s.arg(name)
              .arg(Closes)
              .arg(percentile(latencies, 0.50), 0, 'f', 3)
              .arg(percentile(latencies, 0.99), 0, 'f', 3)
              .arg(percentile(latencies, 1.0), 0, 'f', 3)
              .arg(early));
    print(
        u"%1, ticket_closed push after sending the close (commit included): p50 %2 ms, p99 %3 ms"_s.arg(name)
            .arg(percentile(roundTrips, 0.50), 0, 'f', 3)
            .arg(percentile(roundTrips, 0.99), 0, 'f', 3));
    author.close();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("NORVIK_SERVER_BIN"))
        qputenv("NORVIK_SERVER_BIN", NORVIK_SERVER_DEFAULT_BIN);
    const auto setting = [](const char *name, int fallback) {
        return qEnvironmentVariableIntValue(name) > 0 ? qEnvironmentVariableIntValue(name) : fallback;
    };
    const int seconds = setting("NORVIK_BENCH_SECONDS", 5);
    const int rounds = setting("NORVIK_BENCH_ROUNDS", 3);
    print(u"norvik-server bench on %1 CPU(s), %2 s per wrk run, 1 wrk thread per instance, %3 rounds"_s
              .arg(QThread::idealThreadCount())
              .arg(seconds)
              .arg(rounds));

    QNetworkAccessManager network;
    QTemporaryFile script(QDir::tempPath() + u"/norvik-bench-XXXXXX.lua"_s);
    if (!script.open())
        return 1;
    ServerProcess sqlite;
    if (!sqlite.start()) {
        print(u"cannot start the server: "_s + sqlite.errorString());
        return 1;
    }
    const qint64 userId = seed(network, sqlite);
    if (userId <= 0) {
        print(u"cannot register the bench user"_s);
        return 1;
    }
    // Every store numbers its first user 1, so one script serves them all.
    script.write(
        "wrk.method = \"POST\"\nwrk.headers[\"Content-Type\"] = \"application/json\"\nwrk.body = [==["
        + QJsonDocument(ticketBody(userId)).toJson(QJsonDocument::Compact) + "]==]\n");
    script.flush();

    // A cluster with PostgreSQL's own defaults: each commit waits for the
    // disk, as SQLite's does.
    std::optional<PostgresCluster> cluster;
    ServerProcess first, second;
    if (PostgresCluster::available()) {
        cluster.emplace();
        if (!cluster->start() || !cluster->createDatabase(u"bench"_s)) {
            print(u"cannot start PostgreSQL: "_s + cluster->errorString());
            return 1;
        }
        for (ServerProcess *server : { &first, &second }) {
            server->setDatabase(cluster->url(u"bench"_s));
            if (!server->start()) {
                print(u"cannot start the server: "_s + server->errorString());
                return 1;
            }
        }
        if (seed(network, first) != userId) {
            print(u"cannot register the bench user on PostgreSQL"_s);
            return 1;
        }
    } else {
        print(QString::fromLatin1(PostgresCluster::missingMessage()));
    }

    // The configurations take turns within each round, so that a change in
    // what else the machine runs falls on all of them alike; the ratios are
    // taken within a round and their medians reported.
    const QString list = u"/company/list.php"_s, create = u"/ticket/create.php"_s;
    const QString listing = u"company/list.php (20 companies, 32 connections per instance)"_s;
    const QString creating = u"ticket/create.php (8 connections per instance, each a synced commit)"_s;
    std::vector<double> sqliteList, sqliteCreate, oneList, oneCreate, twoList, twoCreate, listRatio,
        createRatio, againstSqlite;
    for (int round = 1; round <= rounds; ++round) {
        print(u"round %1:"_s.arg(round));
        sqliteList.push_back(measure(u"SQLite"_s, listing, { &sqlite }, list, {}, seconds, 32));
        sqliteCreate.push_back(
            measure(u"SQLite"_s, creating, { &sqlite }, create, script.fileName(), seconds, 8));
        if (!cluster)
            continue;
        oneList.push_back(measure(u"PostgreSQL, 1 instance"_s, listing, { &first }, list, {}, seconds, 32));
        twoList.push_back(
            measure(u"PostgreSQL, 2 instances"_s, listing, { &first, &second }, list, {}, seconds, 32));
        oneCreate.push_back(measure(
            u"PostgreSQL, 1 instance"_s, creating, { &first }, create, script.fileName(), seconds, 8));
        twoCreate.push_back(measure(u"PostgreSQL, 2 instances"_s, creating, { &first, &second }, create,
            script.fileName(), seconds, 8));
        listRatio.push_back(twoList.back() / oneList.back());
        createRatio.push_back(twoCreate.back() / oneCreate.back());
        againstSqlite.push_back(oneCreate.back() / sqliteCreate.back());
    }
    print(u"medians: SQLite list %1 req/s, create %2 req/s"_s.arg(median(sqliteList), 0, 'f', 0)
              .arg(median(sqliteCreate), 0, 'f', 0));
    if (cluster) {
        print(u"medians: PostgreSQL 1 instance list %1 req/s, create %2 req/s; 2 instances list %3 req/s,"
              u" create %4 req/s"_s.arg(median(oneList), 0, 'f', 0)
                  .arg(median(oneCreate), 0, 'f', 0)
                  .arg(median(twoList), 0, 'f', 0)
                  .arg(median(twoCreate), 0, 'f', 0));
        print(u"ratios (medians of the rounds): list 2 instances / 1 = %1x; create 2 instances / 1 = %2x;"
              u" create PostgreSQL 1 instance / SQLite = %3x"_s.arg(median(listRatio), 0, 'f', 2)
                  .arg(median(createRatio), 0, 'f', 2)
                  .arg(median(againstSqlite), 0, 'f', 2));
    }

    if (!pushLatency(u"SQLite"_s, network, sqlite, sqlite, userId))
        return 1;
    if (cluster
        && !pushLatency(
            u"PostgreSQL, close on one instance, push from the other"_s, network, first, second, userId))
        return 1;
    return sqlite.stop() && first.stop() && second.stop() ? 0 : 1;
}
