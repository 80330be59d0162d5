// "Mes tickets" with 5,000 tickets: time from the server's reply to the first
// painted frame of the list, then scrolling the whole list frame by frame,
// and the relayout an expanding card costs. Prints the figures and the
// process's peak resident memory.
#include "core/apiservice.h"
#include "core/configuration.h"
#include "core/conversations.h"
#include "core/credentialstore.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "httptestserver.h"
#include "ui/myticketsmodel.h"
#include "ui/myticketsview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int TicketCount = 5000;

qint64 peakResidentKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

QByteArray ticketsReply()
{
    static const QString priorities[] = { u"normale"_s, u"haute"_s, u"critique"_s };
    QJsonArray tickets;
    for (int i = 1; i <= TicketCount; ++i) {
        QJsonObject ticket { { u"id"_s, i },
            { u"titre"_s,
                QString(
                    u"Ticket %1 : "_s.arg(i) + QString(u"problème d'impression "_s).repeated(1 + i % 5)) },
            { u"description"_s, QString(u"Description détaillée du ticket. "_s).repeated(1 + i % 7) },
            { u"priorite"_s, priorities[i % 3] }, { u"status"_s, i % 4 == 0 ? u"closed"_s : u"open"_s },
            { u"created_at"_s, u"2025-03-07 14:05:00"_s } };
        if (i % 4 == 0) {
            ticket.insert(u"closed_at"_s, u"2025-03-09 10:00:00"_s);
            ticket.insert(u"close_message"_s, u"Résolu par l'équipe support."_s);
        }
        tickets.append(ticket);
    }
    return QJsonDocument(QJsonObject { { u"success"_s, true }, { u"tickets"_s, tickets } })
        .toJson(QJsonDocument::Compact);
}

// Notes the first paint of the list once it holds the tickets.
class FirstFrame : public QObject
{
public:
    FirstFrame(QListView *list, QElapsedTimer *clock)
        : m_list(list)
        , m_clock(clock)
    { }
    qint64 at = -1;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && at < 0 && m_list->model()->rowCount() > 0)
            at = m_clock->nsecsElapsed();
        return false;
    }

private:
    QListView *m_list;
    QElapsedTimer *m_clock;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);

    const QByteArray body = ticketsReply();
    HttpTestServer server;
    if (!server.listen())
        return 1;
    QElapsedTimer clock;
    qint64 replySentAt = -1;
    server.setHandler([&](const TestRequest &) {
        replySentAt = clock.nsecsElapsed();
        return TestResponse { 200, body, 0 };
    });
    Configuration configuration;
    configuration.apiBase = server.apiBase();
    APIService api(configuration);
    UserSettings settings(UserSettings::defaultFilePath());
    settings.writeInteger(UserSettings::UserId, 1);

    // No credential: the cards hold no conversation, as with a shared-mode server.
    CredentialStore credentials(u"norvik-bench"_s, QString());
    WebSocketService channel(configuration, settings);
    Conversations conversations(api, channel, settings, credentials, QString());
    MyTicketsView view(api, settings, conversations);
    QListView *list = view.findChild<QListView *>(u"list"_s);
    FirstFrame firstFrame(list, &clock);
    list->viewport()->installEventFilter(&firstFrame);
    clock.start();
    view.show();
    QElapsedTimer guard;
    guard.start();
    while (firstFrame.at < 0 && guard.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (firstFrame.at < 0) {
        std::fprintf(stderr, "the list was never painted\n");
        return 1;
    }
    std::printf("tickets: %d, reply body: %.1f MiB\n", list->model()->rowCount(), body.size() / 1048576.0);
    std::printf("reply sent -> first painted frame: %.1f ms\n", (firstFrame.at - replySentAt) / 1e6);
    // Where that time goes, measured on their own.
    QElapsedTimer phase;
    phase.start();
    const QList<UserTicket> decoded = MyTicketsResponse::decode(body).tickets;
    const double decodeMs = phase.nsecsElapsed() / 1e6;
    phase.restart();
    MyTicketsModel model;
    model.setTickets(decoded);
    std::printf("  of which decoding the reply: %.1f ms, building the cards' texts: %.1f ms\n", decodeMs,
        phase.nsecsElapsed() / 1e6);

    // Scroll from top to bottom one wheel notch (120 px) per frame.
    QScrollBar *bar = list->verticalScrollBar();
    bar->setValue(0);
    QCoreApplication::processEvents();
    int frames = 0;
    QElapsedTimer scroll;
    scroll.start();
    while (bar->value() < bar->maximum() && frames < 200000) {
        bar->setValue(bar->value() + 120);
        list->viewport()->repaint();
        ++frames;
    }
    const double seconds = scroll.nsecsElapsed() / 1e9;
    std::printf("scrolled %d px in %d frames: %.0f frames per second (%.2f ms per frame)\n", bar->maximum(),
        frames, frames / seconds, seconds * 1000 / frames);

    // One card opening: the animation relayouts the list at every step.
    bar->setValue(0);
    QElapsedTimer expand;
    expand.start();
    view.toggleExpanded(1);
    int steps = 0;
    const auto *cards = qobject_cast<const MyTicketsModel *>(list->model());
    while (cards->expansion(1) < 1.0 && expand.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        list->viewport()->repaint();
        ++steps;
    }
    std::printf(
        "expanding one card: %d frames in %.0f ms (animation 200 ms)\n", steps, expand.nsecsElapsed() / 1e6);
    std::printf("peak resident memory: %.1f MiB\n", peakResidentKiB() / 1024.0);
    return 0;
}
