// Load figures of norvik-server on loopback: requests per second and p99
// latency of the company list and of ticket creation (measured with wrk),
// and how long after a close-ticket reply the author's WebSocket receives
// "ticket_closed". Prints the figures; judges nothing.
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

WrkFigures runWrk(
    const ServerProcess &server, const QString &path, const QString &script, int seconds, int connections)
{
    QStringList arguments { u"-t1"_s, u"-c%1"_s.arg(connections), u"-d%1s"_s.arg(seconds), u"--latency"_s,
        u"-H"_s, u"X-API-TOKEN: "_s + server.token() };
    if (!script.isEmpty())
        arguments << u"-s"_s << script;
    arguments << server.apiBase() + path;
    QProcess wrk;
    wrk.start(u"wrk"_s, arguments);
    WrkFigures figures;
    if (!wrk.waitForFinished((seconds + 30) * 1000) || wrk.exitCode() != 0) {
        figures.errors = u"wrk failed: "_s + QString::fromUtf8(wrk.readAllStandardError());
        return figures;
    }
    const QString output = QString::fromUtf8(wrk.readAllStandardOutput());
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
    return figures;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
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

    ServerProcess server;
    if (!server.start()) {
        print(u"cannot start the server: "_s + server.errorString());
        return 1;
    }
    QNetworkAccessManager network;
    qint64 companyId = 0;
    for (int i = 0; i < 20; ++i) {
        companyId = call(network, server, "POST", u"/company/create.php"_s,
            { { u"nom"_s, u"Société %1"_s.arg(i) }, { u"code"_s, u"C%1"_s.arg(i) } })
                        .value(u"company_id"_s)
                        .toInteger();
    }
    const qint64 userId = call(network, server, "POST", u"/user/register.php"_s,
        { { u"company_id"_s, companyId }, { u"poste"_s, u"B1"_s }, { u"nom"_s, u"Banc"_s },
            { u"prenom"_s, u"Essai"_s }, { u"telephone"_s, u""_s } })
                              .value(u"user_id"_s)
                              .toInteger();
    if (userId <= 0) {
        print(u"cannot register the bench user"_s);
        return 1;
    }

    print(
        u"norvik-server bench on %1 CPU(s), %2 s per wrk run, 1 wrk thread"_s.arg(QThread::idealThreadCount())
            .arg(seconds));

    const WrkFigures list = runWrk(server, u"/company/list.php"_s, {}, seconds, 32);
    print(u"company/list.php (20 companies, 32 connections): %1 req/s, p50 %2, p99 %3 %4"_s
              .arg(list.requestsPerSecond, 0, 'f', 0)
              .arg(list.p50, list.p99, list.errors));

    QTemporaryFile script(QDir::tempPath() + u"/norvik-bench-XXXXXX.lua"_s);
    if (!script.open())
        return 1;
    const QByteArray body
        = QJsonDocument(QJsonObject { { u"user_id"_s, userId }, { u"titre"_s, u"Banc d'essai"_s },
                            { u"description"_s, u"Charge"_s }, { u"priorite"_s, u"normale"_s } })
              .toJson(QJsonDocument::Compact);
    script.write(
        "wrk.method = \"POST\"\nwrk.headers[\"Content-Type\"] = \"application/json\"\nwrk.body = [==[" + body
        + "]==]\n");
    script.flush();
    for (int connections : { 1, 8 }) {
        const WrkFigures create
            = runWrk(server, u"/ticket/create.php"_s, script.fileName(), seconds, connections);
        print(u"ticket/create.php (%1 connection(s), each a synced commit): %2 req/s, p50 %3, p99 %4 %5"_s
                  .arg(connections)
                  .arg(create.requestsPerSecond, 0, 'f', 0)
                  .arg(create.p50, create.p99, create.errors));
    }

    // Push latency: the author's connection, one close after another.
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
    author.open(server.wsRequest());
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec(); // auth_success

    std::vector<double> latencies; // from the close reply to the push
    std::vector<double> roundTrips; // from sending the close to the push
    int early = 0;
    constexpr int Closes = 300;
    for (int i = 0; i < Closes; ++i) {
        const qint64 ticket
            = call(network, server, "POST", u"/ticket/create.php"_s, QJsonDocument::fromJson(body).object())
                  .value(u"ticket_id"_s)
                  .toInteger();
        receivedAt = -1;
        QNetworkRequest request(QUrl(server.apiBase() + u"/admin/close-ticket.php"_s));
        request.setRawHeader("X-API-TOKEN", server.token().toUtf8());
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
            print(u"push %1 never arrived"_s.arg(i));
            return 1;
        }
        // The push may overtake the reply on the way; that counts as zero.
        if (receivedAt < repliedAt)
            ++early;
        latencies.push_back(double(std::max<qint64>(0, receivedAt - repliedAt)) / 1e6);
        roundTrips.push_back(double(receivedAt - sentAt) / 1e6);
    }
    print(u"ticket_closed push after the close reply (%1 closes): p50 %2 ms, p99 %3 ms, max %4 ms; "
          u"%5 arrived before the reply"_s.arg(Closes)
              .arg(percentile(latencies, 0.50), 0, 'f', 3)
              .arg(percentile(latencies, 0.99), 0, 'f', 3)
              .arg(percentile(latencies, 1.0), 0, 'f', 3)
              .arg(early));
    print(
        u"ticket_closed push after sending the close request (synced commit included): p50 %1 ms, p99 %2 ms"_s
            .arg(percentile(roundTrips, 0.50), 0, 'f', 3)
            .arg(percentile(roundTrips, 0.99), 0, 'f', 3));
    author.close();
    return server.stop() ? 0 : 1;
}
