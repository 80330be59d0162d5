// The administrators' ticket list under load: 1,000, 10,000 and 100,000
// tickets, one in a thousand carrying a 500 KB capture, served by a local HTTP
// server. Each size runs in its own process, so that its peak memory is its
// own. Prints the time from the reply to the first painted frame of the grid,
// the frame rate of a scroll from top to bottom, the time to open a detail
// with a capture, peak memory against the size of the reply, and how each
// figure grows from one size to the next.
//
//     QT_QPA_PLATFORM=offscreen ./bench_ticketlist

#include "core/apiservice.h"
#include "core/configuration.h"
#include "core/conversations.h"
#include "core/credentialstore.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "ui/admin/ticketdetailview.h"
#include "ui/admin/ticketgridview.h"
#include "ui/admin/ticketlistmodel.h"
#include "ui/admin/ticketlistview.h"
#include "ui/widgets/navigationstack.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// One ticket in this many carries a capture.
constexpr int CaptureEvery = 1000;
// Scrolling stops after this many frames: the rate is what counts, and the
// largest list would otherwise take minutes.
constexpr int MaxScrollFrames = 300;

// Peak resident memory of the process so far, in kB (Linux).
qint64 peakResidentKb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Forgets the peak so far (Linux), so that building the reply in this
// process does not count as the list's memory.
void resetPeakResident()
{
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// A PNG of noise, which does not compress: about 375 KB, 500 KB as Base64.
QByteArray noisePng()
{
    QImage image(362, 345, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = 0xFF000000u | (random.generate() & 0xFFFFFFu);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray ticketListReply(int ticketCount)
{
    const QString capture = QString::fromLatin1(noisePng().toBase64());
    const QStringList statuses { u"open"_s, u"ouvert"_s, u"closed"_s, u"fermé"_s, u"en_cours"_s };
    const QStringList priorities { u"normale"_s, u"haute"_s, u"critique"_s };
    QJsonArray tickets;
    for (int i = 1; i <= ticketCount; ++i) {
        QJsonObject t { { u"id"_s, i }, { u"user_id"_s, i % 300 + 1 },
            { u"titre"_s, u"Ticket numéro %1 : poste qui ne démarre plus après la mise à jour"_s.arg(i) },
            { u"description"_s, u"Description du ticket %1"_s.arg(i) },
            { u"priorite"_s, priorities.at(i % 3) }, { u"status"_s, statuses.at(i % 5) },
            { u"created_at"_s,
                QDateTime(QDate(2025, 1, 1), QTime(8, 0))
                    .addSecs(i * 97)
                    .toString(u"yyyy-MM-dd HH:mm:ss"_s) },
            { u"nom"_s, u"Durand"_s }, { u"prenom"_s, u"Léa"_s }, { u"societe"_s, u"Ateliers Brévent"_s },
            { u"poste"_s, u"P-%1"_s.arg(i) }, { u"telephone"_s, u"01 23 45 67 89"_s } };
        if (i % CaptureEvery == 0)
            t.insert(u"capture_base64"_s, capture);
        tickets.append(t);
    }
    return QJsonDocument(QJsonObject { { u"success"_s, true }, { u"tickets"_s, tickets } })
        .toJson(QJsonDocument::Compact);
}

// Serves the one reply to every request and notes when it was handed over.
class ReplyServer : public QObject
{
public:
    ReplyServer(QByteArray body, QElapsedTimer *clock)
        : m_body(std::move(body))
        , m_clock(clock)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n"
                                  "Content-Length: "
                        + QByteArray::number(m_body.size()) + "\r\n\r\n");
                    socket->write(m_body);
                    QObject::connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
                        if (socket->bytesToWrite() == 0 && m_sentAt < 0)
                            m_sentAt = m_clock->nsecsElapsed();
                    });
                    socket->disconnectFromHost();
                });
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }
    QString apiBase() const { return u"http://127.0.0.1:%1/api"_s.arg(m_server.serverPort()); }
    qint64 sentAt() const { return m_sentAt; }

private:
    QTcpServer m_server;
    QByteArray m_body;
    QElapsedTimer *m_clock;
    qint64 m_sentAt = -1;
};

// Notes the first paint of a widget after arm().
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QElapsedTimer *clock)
        : m_clock(clock)
    { }
    void arm() { m_paintedAt = -1; }
    qint64 paintedAt() const { return m_paintedAt; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_paintedAt < 0)
            m_paintedAt = m_clock->nsecsElapsed();
        return false;
    }

private:
    QElapsedTimer *m_clock;
    qint64 m_paintedAt = -1;
};

void print(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// One size, in this process: prints the figures, then a machine-read line.
int runSize(int ticketCount)
{
    QElapsedTimer clock;
    clock.start();

    QByteArray reply = ticketListReply(ticketCount);
    const qint64 replyBytes = reply.size();
    ReplyServer server(std::move(reply), &clock);
    Configuration configuration;
    configuration.apiBase = server.apiBase();
    APIService api(configuration);
    // No credential: the list shows no conversation, as with a shared-mode server.
    UserSettings settings(UserSettings::defaultFilePath());
    CredentialStore credentials(u"norvik-bench"_s, QString());
    WebSocketService channel(configuration, settings);
    Conversations conversations(api, channel, settings, credentials, QString());

    QWidget window;
    window.resize(1280, 900);
    auto *stack = new NavigationStack(new QWidget, &window);
    stack->resize(window.size());
    window.show();
    QCoreApplication::processEvents();
    resetPeakResident();
    const qint64 baselineKb = peakResidentKb();

    // Reply → first frame of the grid.
    auto *list = new TicketListView(api, conversations);
    PaintWatch watch(&clock);
    auto *grid = list->findChild<TicketGridView *>(u"grid"_s);
    grid->viewport()->installEventFilter(&watch);
    bool loaded = false;
    qint64 loadedAt = -1;
    QObject::connect(list, &TicketListView::loadFinished, list, [&] {
        loaded = true;
        loadedAt = clock.nsecsElapsed();
    });
    const qint64 requestedAt = clock.nsecsElapsed();
    stack->push(list);
    QElapsedTimer guard;
    guard.start();
    while ((!loaded || watch.paintedAt() < 0) && guard.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!loaded || list->face() != TicketListView::Face::List) {
        print(u"❌ the list did not load"_s);
        return 1;
    }
    const double replyToFrameMs = (watch.paintedAt() - server.sentAt()) / 1e6;
    const double requestToFrameMs = (watch.paintedAt() - requestedAt) / 1e6;

    // Scrolling from top to bottom, one synchronous frame per step.
    QScrollBar *bar = grid->verticalScrollBar();
    const int step = 600;
    int frames = 0;
    QElapsedTimer scroll;
    scroll.start();
    for (int value = 0; value <= bar->maximum() + step && frames < MaxScrollFrames; value += step) {
        bar->setValue(qMin(value, bar->maximum()));
        grid->viewport()->repaint();
        ++frames;
    }
    const double scrollSeconds = scroll.nsecsElapsed() / 1e9;

    // Opening the detail of a ticket with a capture, to its first frame.
    QElapsedTimer open;
    open.start();
    const QModelIndexList withCapture = grid->model()->match(grid->model()->index(0, 0),
        TicketListModel::TicketIdRole, CaptureEvery, 1, Qt::MatchExactly); // the first ticket with a capture
    list->openTicket(withCapture.isEmpty() ? -1 : withCapture.first().row());
    auto *detail = qobject_cast<TicketDetailView *>(stack->top());
    detail->repaint();
    const double openMs = open.nsecsElapsed() / 1e6;
    const bool shown = detail && detail->attachment().has_value();

    const qint64 peakKb = peakResidentKb();
    print(u"Tickets: %1 (%2 with a capture), reply %3 MB"_s.arg(ticketCount)
              .arg(ticketCount / CaptureEvery)
              .arg(replyBytes / 1e6, 0, 'f', 1));
    print(u"Reply → first frame: %1 ms (request → first frame %2 ms; goal < 300 ms)"_s
              .arg(replyToFrameMs, 0, 'f', 1)
              .arg(requestToFrameMs, 0, 'f', 1));
    print(
        u"  of which reading and decoding the reply: %1 ms, sorting and laying out the grid to the frame: %2 ms"_s
            .arg((loadedAt - server.sentAt()) / 1e6, 0, 'f', 1)
            .arg((watch.paintedAt() - loadedAt) / 1e6, 0, 'f', 1));
    print(u"Scroll: %1 frames in %2 s, %3 frames/s (height %4 px)"_s.arg(frames)
              .arg(scrollSeconds, 0, 'f', 2)
              .arg(frames / scrollSeconds, 0, 'f', 0)
              .arg(bar->maximum()));
    print(u"Open a detail with a capture: %1 ms (attachment %2)"_s.arg(openMs, 0, 'f', 1)
              .arg(shown ? u"shown"_s : u"missing"_s));
    print(u"Peak memory: %1 MB, %2 MB above the idle window, %3 × the reply (goal < 2 ×)"_s
              .arg(peakKb / 1024.0, 0, 'f', 1)
              .arg((peakKb - baselineKb) / 1024.0, 0, 'f', 1)
              .arg(double(peakKb - baselineKb) * 1024 / replyBytes, 0, 'f', 2));
    print(u"RESULT %1 %2 %3 %4"_s.arg(replyToFrameMs)
              .arg(frames / scrollSeconds)
              .arg((peakKb - baselineKb) / 1024.0)
              .arg(replyBytes / 1e6));
    return shown ? 0 : 1;
}

struct SizeResult
{
    int tickets = 0;
    double replyToFrameMs = 0, framesPerSecond = 0, memoryMiB = 0, replyMB = 0;
};

// Runs one size in a child process and reads its figures back.
std::optional<SizeResult> runChild(int ticketCount)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), { u"--tickets"_s, QString::number(ticketCount) });
    if (!child.waitForFinished(300000) || child.exitCode() != 0)
        return std::nullopt;
    std::optional<SizeResult> result;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        if (line.startsWith("RESULT ")) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() == 5)
                result = SizeResult { ticketCount, f.at(1).toDouble(), f.at(2).toDouble(), f.at(3).toDouble(),
                    f.at(4).toDouble() };
        } else if (!line.isEmpty()) {
            std::fputs(line.constData(), stdout);
            std::fputc('\n', stdout);
        }
    }
    std::fflush(stdout);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments.at(1) == u"--tickets")
        return runSize(arguments.at(2).toInt());

    // The sizes take turns over the rounds, so that a busy moment of the
    // shared machine hits each alike; the growth is read from the medians.
    const QList<int> sizes { 1000, 10000, 100000 };
    const int rounds = qEnvironmentVariableIntValue("NORVIK_BENCH_ROUNDS") > 0
        ? qEnvironmentVariableIntValue("NORVIK_BENCH_ROUNDS")
        : 3;
    QList<QList<SizeResult>> runs(sizes.size());
    for (int round = 0; round < rounds; ++round) {
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            print(u"--- round %1, %2 tickets"_s.arg(round + 1).arg(sizes.at(i)));
            const auto result = runChild(sizes.at(i));
            if (!result) {
                print(u"❌ the run with %1 tickets failed"_s.arg(sizes.at(i)));
                return 1;
            }
            runs[i].append(*result);
        }
    }
    const auto median = [](QList<SizeResult> values, double SizeResult::*field) {
        std::sort(values.begin(), values.end(),
            [field](const SizeResult &a, const SizeResult &b) { return a.*field < b.*field; });
        return values.at(values.size() / 2).*field;
    };
    QList<SizeResult> results;
    print(u"Medians of %1 rounds:"_s.arg(rounds));
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        SizeResult m { sizes.at(i), median(runs.at(i), &SizeResult::replyToFrameMs),
            median(runs.at(i), &SizeResult::framesPerSecond), median(runs.at(i), &SizeResult::memoryMiB),
            median(runs.at(i), &SizeResult::replyMB) };
        print(u"  %1 tickets (reply %2 MB): reply → first frame %3 ms, %4 frames/s, peak memory %5 MiB"_s
                  .arg(m.tickets)
                  .arg(m.replyMB, 0, 'f', 1)
                  .arg(m.replyToFrameMs, 0, 'f', 1)
                  .arg(m.framesPerSecond, 0, 'f', 0)
                  .arg(m.memoryMiB, 0, 'f', 1));
        results.append(m);
    }
    // Linear growth keeps each ratio near 10 (the frame rate near 1) from one
    // size to the next, ten times larger.
    print(u"Growth for ten times the tickets (linear: 10x; frame rate: 1x):"_s);
    for (qsizetype i = 1; i < results.size(); ++i) {
        const SizeResult &a = results.at(i - 1), &b = results.at(i);
        print(u"  %1 → %2: reply → first frame %3x, memory %4x, reply size %5x, frames/s %6x"_s.arg(a.tickets)
                  .arg(b.tickets)
                  .arg(b.replyToFrameMs / a.replyToFrameMs, 0, 'f', 2)
                  .arg(b.memoryMiB / a.memoryMiB, 0, 'f', 2)
                  .arg(b.replyMB / a.replyMB, 0, 'f', 2)
                  .arg(b.framesPerSecond / a.framesPerSecond, 0, 'f', 2));
    }
    return 0;
}
