// Load figures of norvik-server on loopback: requests per second and latency
// of the company list and of ticket creation (measured with wrk) on SQLite,
// on PostgreSQL with one instance and with two instances on one database
// (one wrk per instance, at the same time, summed), and how long after a
// close the author's WebSocket receives "ticket_closed", on the same
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

struct Rates
{
    double list = 0;
    double create = 0; // with 8 connections per instance
};

// The list and create runs against these servers (one database), printed
// under the given name.
Rates measure(const QString &name, const std::vector<const ServerProcess *> &servers, const QString &script,
    int seconds)
{
    const auto line = [&](const QString &what, const std::vector<WrkFigures> &figures) {
        double sum = 0;
        QStringList parts;
        for (const WrkFigures &f : figures) {
            sum += f.requestsPerSecond;
            parts << u"p50 %1, p99 %2%3"_s.arg(
                f.p50, f.p99, f.errors.isEmpty() ? QString() : u" "_s + f.errors);
        }
        print(u"%1, %2: %3 req/s (%4)"_s.arg(name, what).arg(sum, 0, 'f', 0).arg(parts.join(u"; "_s)));
        return sum;
    };
    Rates rates;
    rates.list = line(u"company/list.php (20 companies, 32 connections per instance)"_s,
        runWrk(servers, u"/company/list.php"_s, {}, seconds, 32));
    line(u"ticket/create.php (1 connection per instance)"_s,
        runWrk(servers, u"/ticket/create.php"_s, script, seconds, 1));
    rates.create = line(u"ticket/create.php (8 connections per instance)"_s,
        runWrk(servers, u"/ticket/create.php"_s, script, seconds, 8));
    return rates;
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
    const int seconds = qEnvironmentVariableIntValue("NORVIK_BENCH_SECONDS") > 0
        ? qEnvironmentVariableIntValue("NORVIK_BENCH_SECONDS")
        : 5;
    print(u"norvik-server bench on %1 CPU(s), %2 s per wrk run, 1 wrk thread per instance"_s
              .arg(QThread::idealThreadCount())
              .arg(seconds));

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
    const Rates onSqlite = measure(u"SQLite"_s, { &sqlite }, script.fileName(), seconds);
    if (!pushLatency(u"SQLite"_s, network, sqlite, sqlite, userId))
        return 1;
    if (!sqlite.stop())
        return 1;

    if (!PostgresCluster::available()) {
        print(QString::fromLatin1(PostgresCluster::missingMessage()));
        return 0;
    }
    // A cluster with PostgreSQL's own defaults: each commit waits for the disk,
    // as SQLite's does above.
    PostgresCluster cluster;
    if (!cluster.start() || !cluster.createDatabase(u"bench"_s)) {
        print(u"cannot start PostgreSQL: "_s + cluster.errorString());
        return 1;
    }
    ServerProcess first, second;
    for (ServerProcess *server : { &first, &second }) {
        server->setDatabase(cluster.url(u"bench"_s));
        if (!server->start()) {
            print(u"cannot start the server: "_s + server->errorString());
            return 1;
        }
    }
    if (seed(network, first) != userId) {
        print(u"cannot register the bench user on PostgreSQL"_s);
        return 1;
    }
    const Rates onOne = measure(u"PostgreSQL, 1 instance"_s, { &first }, script.fileName(), seconds);
    const Rates onTwo
        = measure(u"PostgreSQL, 2 instances"_s, { &first, &second }, script.fileName(), seconds);
    if (!pushLatency(
            u"PostgreSQL, close on one instance, push from the other"_s, network, first, second, userId))
        return 1;

    print(u"ratios: list 2 instances / 1 = %1x; create 2 instances / 1 = %2x; create PostgreSQL 1 instance /"
          u" SQLite = %3x"_s.arg(onTwo.list / onOne.list, 0, 'f', 2)
              .arg(onTwo.create / onOne.create, 0, 'f', 2)
              .arg(onOne.create / onSqlite.create, 0, 'f', 2));
    return first.stop() && second.stop() ? 0 : 1;
}
