// Decoding speed and memory of the administrator ticket list, through the
// real getAllTickets path from a loopback server, compared with a bare
// QJsonDocument::fromJson of the same bytes.
//
// The parent process builds each body, serves it and times the bare parse;
// the client runs in a child process so that its peak memory (VmHWM) holds
// nothing but the client's own work.

#include "core/apiservice.h"
#include "protocol/errors.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Several runs: the figures are read from the median and the best run.
constexpr int Runs = 11;

qint64 statusKiB(const char *field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// About 500 bytes a ticket, every member the staff list carries.
QByteArray adminList(int count)
{
    QJsonArray tickets;
    const QStringList priorities { u"normale"_s, u"haute"_s, u"critique"_s };
    for (int i = 0; i < count; ++i) {
        tickets.append(QJsonObject { { u"id"_s, i + 1 }, { u"user_id"_s, 1000 + i % 97 },
            { u"titre"_s, u"Imprimante du poste %1 hors service"_s.arg(i) },
            { u"description"_s,
                u"L'imprimante réseau du deuxième étage n'imprime plus depuis ce matin ; le voyant "
                u"orange clignote et la file d'attente affiche « erreur » pour le document %1. "
                u"Redémarrage déjà tenté sans succès."_s.arg(i) },
            { u"priorite"_s, priorities.at(i % 3) }, { u"status"_s, i % 4 == 0 ? u"closed"_s : u"open"_s },
            { u"created_at"_s, u"2025-03-%1 14:05:00"_s.arg(1 + i % 28, 2, 10, QLatin1Char('0')) },
            { u"message"_s, i % 4 == 0 ? u"Toner remplacé."_s : u""_s }, { u"nom"_s, u"Lefèvre"_s },
            { u"prenom"_s, u"Amélie"_s }, { u"societe"_s, u"Société Alpha"_s },
            { u"poste"_s, u"B-%1"_s.arg(i % 300) }, { u"telephone"_s, u"01 23 45 67 89"_s } });
    }
    return QJsonDocument(QJsonObject { { u"success"_s, true }, { u"tickets"_s, tickets } })
        .toJson(QJsonDocument::Compact);
}

// Tickets carrying a screenshot of captureBytes Base64 characters each.
QByteArray captureList(int count, qsizetype captureBytes)
{
    QRandomGenerator random(2031);
    QJsonArray tickets;
    for (int i = 0; i < count; ++i) {
        QByteArray image(captureBytes / 4 * 3, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(image.data()), image.size() / 4);
        tickets.append(QJsonObject { { u"id"_s, i + 1 }, { u"titre"_s, u"Capture %1"_s.arg(i) },
            { u"status"_s, u"open"_s }, { u"capture_base64"_s, QString::fromLatin1(image.toBase64()) } });
    }
    return QJsonDocument(QJsonObject { { u"success"_s, true }, { u"tickets"_s, tickets } })
        .toJson(QJsonDocument::Compact);
}

// The smallest HTTP/1.1 server that answers every request with one body.
class OneBodyServer : public QTcpServer
{
public:
    explicit OneBodyServer(QByteArray body)
        : m_reply("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(body.size()) + "\r\n\r\n" + body)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->readAll().contains("\r\n\r\n") || socket->property("answered").toBool())
                        return;
                    socket->setProperty("answered", true);
                    socket->write(m_reply);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        listen(QHostAddress::LocalHost, 0);
    }

private:
    QByteArray m_reply;
};

// The second yardstick: the same reply read off a plain socket into one
// buffer sized from its Content-Length, nothing decoded. What the transfer
// over loopback and the serving process cost on their own. Milliseconds, or
// a negative number when the reply did not arrive whole.
double rawRead(quint16 port)
{
    QElapsedTimer timer;
    timer.start();
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return -1;
    socket.write("GET /api/admin/list-tickets.php HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray head;
    while (!head.contains("\r\n\r\n") && socket.waitForReadyRead(5000))
        head += socket.readAll();
    const qsizetype headEnd = head.indexOf("\r\n\r\n") + 4;
    const qsizetype lengthAt = head.indexOf("Content-Length: ");
    if (headEnd < 4 || lengthAt < 0)
        return -1;
    const qsizetype length
        = head.mid(lengthAt + 16, head.indexOf('\r', lengthAt) - lengthAt - 16).toLongLong();
    QByteArray body(length, Qt::Uninitialized);
    qsizetype filled = std::min(length, head.size() - headEnd);
    std::memcpy(body.data(), head.constData() + headEnd, filled);
    while (filled < length && (socket.bytesAvailable() > 0 || socket.waitForReadyRead(5000)))
        filled += std::max<qint64>(socket.read(body.data() + filled, length - filled), 0);
    return filled == length ? timer.nsecsElapsed() / 1e6 : -1;
}

// Child: fetch and decode the list Runs times, each followed by a raw read of
// the same reply; report times and memory.
int runClient(const QString &apiBase)
{
    Configuration configuration;
    configuration.apiBase = apiBase;
    APIService service(configuration);
    const qint64 baselineKiB = statusKiB("VmHWM:");

    QList<double> times, rawTimes;
    qsizetype decoded = 0;
    qint64 firstPeakKiB = 0, retainedKiB = 0;
    for (int run = 0; run < Runs; ++run) {
        QEventLoop loop;
        QList<Ticket> tickets;
        QElapsedTimer timer;
        timer.start();
        auto call = [&]() -> QCoro::Task<void> {
            try {
                tickets = co_await service.getAllTickets();
            } catch (const NorvikError &error) {
                std::fprintf(stderr, "getAllTickets failed: %s\n", qPrintable(error.description()));
                decoded = -1;
            }
            loop.quit();
        };
        auto task = call();
        loop.exec();
        times.append(timer.nsecsElapsed() / 1e6);
        if (decoded < 0)
            return 1;
        decoded = tickets.size();
        if (run == 0) {
            firstPeakKiB = statusKiB("VmHWM:");
            retainedKiB = statusKiB("VmRSS:") - baselineKiB; // the list itself, still held
        }
        tickets.clear();
        const double raw = rawRead(QUrl(apiBase).port());
        if (raw < 0)
            return 1;
        rawTimes.append(raw);
    }
    std::printf("RESULT %lld %.3f %.3f %lld %lld %lld %.3f\n", qint64(decoded), median(times),
        *std::min_element(times.cbegin(), times.cend()), baselineKiB, firstPeakKiB, retainedKiB,
        median(rawTimes));
    return 0;
}

void runScenario(const char *name, const QByteArray &body)
{
    const double megabytes = body.size() / 1e6;

    // Bare parse of the same bytes, in this process, taking turns with the
    // decoder alone (to tell decoding from transfer), so that a busy moment
    // of the machine hits both alike.
    QList<double> bare, decodeOnly;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const QJsonDocument document = QJsonDocument::fromJson(body);
        bare.append(timer.nsecsElapsed() / 1e6);
        if (!document.isObject())
            qFatal("bench: the generated body does not parse");
        timer.start();
        const TicketResponse response = TicketResponse::decode(body);
        decodeOnly.append(timer.nsecsElapsed() / 1e6);
    }

    OneBodyServer server(body);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
        { u"--client"_s, u"http://127.0.0.1:%1/api"_s.arg(server.serverPort()) });
    QEventLoop loop;
    QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
    loop.exec();

    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (child.exitCode() != 0 || fields.size() != 8 || fields.first() != "RESULT") {
        std::printf("%s: the client failed (exit %d)\n", name, child.exitCode());
        return;
    }
    const qint64 tickets = fields.at(1).toLongLong();
    const double ms = fields.at(2).toDouble(), bestMs = fields.at(3).toDouble();
    const double baselineMiB = fields.at(4).toDouble() / 1024, peakMiB = fields.at(5).toDouble() / 1024;
    const double retainedMiB = fields.at(6).toDouble() / 1024;
    const double rawMs = fields.at(7).toDouble();
    const double bodyMiB = body.size() / 1048576.0;
    const double bareMs = median(bare), bareBestMs = *std::min_element(bare.cbegin(), bare.cend());
    const double growthMiB = peakMiB - baselineMiB;

    std::printf("%s: %lld tickets, body %.2f MB\n", name, tickets, megabytes);
    std::printf("  getAllTickets over loopback: %.1f ms median, %.1f ms best of %d; %.1f MB/s (median)\n", ms,
        bestMs, Runs, megabytes / (ms / 1000));
    std::printf("  bare QJsonDocument::fromJson: %.1f ms median, %.1f ms best; %.1f MB/s (median)\n", bareMs,
        bareBestMs, megabytes / (bareMs / 1000));
    std::printf("  ratio to the bare parse: %.2fx median, %.2fx best (goal: at most 2x)\n", ms / bareMs,
        bestMs / bareBestMs);
    std::printf("  raw socket read of the same reply (one buffer, no decoding): %.1f ms median; "
                "getAllTickets = %.2fx that, %.2fx the raw read plus the bare parse\n",
        rawMs, ms / rawMs, ms / (rawMs + bareMs));
    std::printf(
        "  of which decoding alone (TicketResponse::decode, no network): %.1f ms median = %.2fx the bare "
        "parse\n",
        median(decodeOnly), median(decodeOnly) / bareMs);
    std::printf("  client peak memory (VmHWM): %.1f MiB = %.1f MiB idle process + %.1f MiB for the call, "
                "%.2fx the body (goal: under 2.5x)\n",
        peakMiB, baselineMiB, growthMiB, growthMiB / bodyMiB);
    std::printf("  the decoded list alone, still held: %.1f MiB = %.2fx the body\n", retainedMiB,
        retainedMiB / bodyMiB);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() == 3 && arguments.at(1) == u"--client")
        return runClient(arguments.at(2));

    runScenario("administrator list", adminList(10000));
    runScenario("list with 20 captures of 1 MB", captureList(20, 1024 * 1024));
    return 0;
}
