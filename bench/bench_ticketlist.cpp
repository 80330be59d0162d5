// The administrators' ticket list under load: 10,000 tickets, 100 of them
// carrying a 500 KB capture, served by a local HTTP server. Prints the time
// from the reply to the first painted frame of the grid, the frame rate of a
// scroll from top to bottom, the time to open a detail with a capture, and
// peak memory against the size of the reply.
//
//     QT_QPA_PLATFORM=offscreen ./bench_ticketlist

#include "core/apiservice.h"
#include "core/configuration.h"
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
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int TicketCount = 10000;
constexpr int CaptureCount = 100;

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

QByteArray ticketListReply()
{
    const QString capture = QString::fromLatin1(noisePng().toBase64());
    const QStringList statuses { u"open"_s, u"ouvert"_s, u"closed"_s, u"fermé"_s, u"en_cours"_s };
    const QStringList priorities { u"normale"_s, u"haute"_s, u"critique"_s };
    QJsonArray tickets;
    for (int i = 1; i <= TicketCount; ++i) {
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
        if (i % (TicketCount / CaptureCount) == 0)
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

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QElapsedTimer clock;
    clock.start();

    QByteArray reply = ticketListReply();
    const qint64 replyBytes = reply.size();
    ReplyServer server(std::move(reply), &clock);
    Configuration configuration;
    configuration.apiBase = server.apiBase();
    Configuration::setCurrent(configuration);

    QWidget window;
    window.resize(1280, 900);
    auto *stack = new NavigationStack(new QWidget, &window);
    stack->resize(window.size());
    window.show();
    QCoreApplication::processEvents();
    const qint64 baselineKb = peakResidentKb();

    // Reply → first frame of the grid.
    auto *list = new TicketListView(APIService::shared());
    PaintWatch watch(&clock);
    list->grid()->viewport()->installEventFilter(&watch);
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
    TicketGridView *grid = list->grid();
    QScrollBar *bar = grid->verticalScrollBar();
    const int step = 600;
    int frames = 0;
    QElapsedTimer scroll;
    scroll.start();
    for (int value = 0; value <= bar->maximum() + step && frames < 100000; value += step) {
        bar->setValue(qMin(value, bar->maximum()));
        grid->viewport()->repaint();
        ++frames;
    }
    const double scrollSeconds = scroll.nsecsElapsed() / 1e9;

    // Opening the detail of a ticket with a capture, to its first frame.
    const int row = list->model()->rowOfTicket(TicketCount / CaptureCount * 3);
    QElapsedTimer open;
    open.start();
    list->openTicket(row >= 0 ? row : list->model()->rowOfTicket(TicketCount / CaptureCount * 2));
    auto *detail = qobject_cast<TicketDetailView *>(stack->top());
    detail->repaint();
    const double openMs = open.nsecsElapsed() / 1e6;
    const bool shown = detail && detail->attachment().has_value();

    const qint64 peakKb = peakResidentKb();
    print(u"Tickets: %1 (%2 with a capture), reply %3 MB"_s.arg(TicketCount)
              .arg(CaptureCount)
              .arg(replyBytes / 1e6, 0, 'f', 1));
    print(u"Reply → first frame: %1 ms (request → first frame %2 ms; goal < 300 ms)"_s
              .arg(replyToFrameMs, 0, 'f', 1)
              .arg(requestToFrameMs, 0, 'f', 1));
    print(
        u"  of which reading and decoding the reply: %1 ms, sorting and laying out the grid to the frame: %2 ms"_s
            .arg((loadedAt - server.sentAt()) / 1e6, 0, 'f', 1)
            .arg((watch.paintedAt() - loadedAt) / 1e6, 0, 'f', 1));
    print(u"Scroll end to end: %1 frames in %2 s, %3 frames/s (height %4 px)"_s.arg(frames)
              .arg(scrollSeconds, 0, 'f', 2)
              .arg(frames / scrollSeconds, 0, 'f', 0)
              .arg(bar->maximum()));
    print(u"Open a detail with a capture: %1 ms (attachment %2)"_s.arg(openMs, 0, 'f', 1)
              .arg(shown ? u"shown"_s : u"missing"_s));
    print(u"Peak memory: %1 MB, %2 MB above the idle window, %3 × the reply (goal < 2 ×)"_s
              .arg(peakKb / 1024.0, 0, 'f', 1)
              .arg((peakKb - baselineKb) / 1024.0, 0, 'f', 1)
              .arg(double(peakKb - baselineKb) * 1024 / replyBytes, 0, 'f', 2));
    return 0;
}
