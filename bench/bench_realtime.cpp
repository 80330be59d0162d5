// Times the real-time path over loopback: from the server sending
// "ticket_closed" to the desktop notification's Notify call leaving the
// client (and to the notification service's answer), over 1,000 events; then
// the cost of 10,000 small messages through the message handling, with the
// resident memory before and after to show it does not grow.
//
// Runs a private session bus, and dunst on it when an X display is there
// (xvfb-run -a bench_realtime); without dunst the Notify call still leaves
// and comes back refused.

#include "core/configuration.h"
#include "core/desktopnotifier.h"
#include "core/notificationstate.h"
#include "core/realtimewiring.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "loopbackwebsocketserver.h"
#include "notificationdaemon.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int g_report = STDOUT_FILENO;

// The channel logs every message on standard output; the figures go to the
// original standard output, the log to /dev/null.
void silenceLog()
{
    g_report = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
}

template<typename... Args>
void report(const char *format, Args... args)
{
    dprintf(g_report, format, args...);
}

qint64 residentKiB()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto index = qsizetype(p * double(values.size() - 1) + 0.5);
    return values.at(std::clamp<qsizetype>(index, 0, values.size() - 1));
}

// Runs the event loop until done() holds or the time-out passes.
bool waitFor(const std::function<bool()> &done, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

int latency(NotificationDaemon &daemon, bool withDunst)
{
    LoopbackWebSocketServer server;
    if (!server.listen()) {
        report("cannot listen on 127.0.0.1\n");
        return 1;
    }
    Configuration configuration;
    configuration.wsURL = server.url();
    UserSettings settings(UserSettings::defaultFilePath());
    WebSocketService channel(configuration, settings);
    DesktopNotifier notifier;
    NotificationState unread;
    RealtimeWiring wiring(channel, notifier, unread);
    wiring.start();
    if (!waitFor([&] { return server.peerCount() == 1 && server.last().received.size() == 1; }, 10000)) {
        report("the channel did not connect\n");
        return 1;
    }

    QElapsedTimer clock;
    qint64 sentAt = -1;
    qint64 leftAt = -1;
    qint64 answeredAt = -1;
    QObject context;
    QObject::connect(&notifier, &DesktopNotifier::sent, &context, [&] { leftAt = clock.nsecsElapsed(); });
    QObject::connect(
        &notifier, &DesktopNotifier::delivered, &context, [&] { answeredAt = clock.nsecsElapsed(); });
    QObject::connect(
        &notifier, &DesktopNotifier::fellBack, &context, [&] { answeredAt = clock.nsecsElapsed(); });

    constexpr int Events = 1000;
    const qint64 before = residentKiB();
    QList<double> toCall, toAnswer;
    clock.start();
    for (int i = 0; i < Events; ++i) {
        // Ten tickets in turn: most events replace a notification already shown.
        const QString push = u"{\"type\":\"ticket_closed\",\"ticketId\":%1,\"closeMessage\":\"Réglé n°%2\"}"_s
                                 .arg(100 + i % 10)
                                 .arg(i);
        leftAt = answeredAt = -1;
        sentAt = clock.nsecsElapsed();
        server.last().socket->sendTextMessage(push);
        if (!waitFor([&] { return answeredAt >= 0; }, 10000)) {
            report("event %d got no answer from the notification service\n", i);
            return 1;
        }
        toCall.append(double(leftAt - sentAt) / 1e6);
        toAnswer.append(double(answeredAt - sentAt) / 1e6);
    }
    const qint64 after = residentKiB();
    wiring.shutdown();
    if (withDunst)
        daemon.closeAllAndReadHistory();

    report("ticket_closed -> Notify call sent (%d events, %s): median %.3f ms, p99 %.3f ms, max %.3f ms\n",
        Events, withDunst ? "dunst" : "no notification service", percentile(toCall, 0.5),
        percentile(toCall, 0.99), percentile(toCall, 1.0));
    report("ticket_closed -> service answered: median %.3f ms, p99 %.3f ms\n", percentile(toAnswer, 0.5),
        percentile(toAnswer, 0.99));
    report("resident memory over the events: %lld KiB before, %lld KiB after\n", before, after);
    return 0;
}

int throughput()
{
    UserSettings settings(UserSettings::defaultFilePath());
    WebSocketService service(Configuration(), settings);
    qint64 handled = 0;
    QObject context;
    QObject::connect(&service, &WebSocketService::ticketClosed, &context, [&handled] { ++handled; });
    QObject::connect(&service, &WebSocketService::newMessage, &context, [&handled] { ++handled; });
    QObject::connect(&service, &WebSocketService::adminTyping, &context, [&handled] { ++handled; });
    QObject::connect(&service, &WebSocketService::newTicket, &context, [&handled] { ++handled; });

    const QStringList messages {
        uR"({"type":"ticket_closed","ticketId":42,"closeMessage":"Réglé"})"_s,
        uR"({"type":"new_message","ticketId":12,"sender":"Support","message":"Bonjour","timestamp":"2024-05-02 09:14:03"})"_s,
        uR"({"type":"admin_typing","ticketId":5})"_s,
        uR"({"type":"new_ticket","ticket":{"id":7,"titre":"Imprimante","priorite":"haute","status":"open"}})"_s,
        uR"({"type":"auth_success"})"_s,
    };
    constexpr int PerSecond = 10000;
    constexpr int Seconds = 10;
    // One batch first, so that lazily built state does not count as growth.
    for (int i = 0; i < PerSecond; ++i)
        service.handleMessage(messages.at(i % messages.size()));
    const qint64 before = residentKiB();

    QList<double> batchMs;
    for (int second = 0; second < Seconds; ++second) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < PerSecond; ++i)
            service.handleMessage(messages.at(i % messages.size()));
        batchMs.append(double(timer.nsecsElapsed()) / 1e6);
    }
    const qint64 after = residentKiB();
    const double median = percentile(batchMs, 0.5);
    report("handleMessage, %d batches of %d small messages (log to /dev/null): median %.1f ms per batch "
           "(%.2f us per message, %.1f %% of one core at %d messages/s), slowest batch %.1f ms\n",
        Seconds, PerSecond, median, median * 1000.0 / PerSecond, median / 10.0, PerSecond,
        percentile(batchMs, 1.0));
    report("resident memory over %d messages: %lld KiB before, %lld KiB after; %lld handled\n",
        Seconds * PerSecond, before, after, handled);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Before anything connects to the session bus.
    NotificationDaemon daemon;
    QString error;
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication application(argc, argv);
    if (!daemon.startBus(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const bool withDunst = NotificationDaemon::hasDisplay() && daemon.startDunst(&error);
    silenceLog();
    report("resident memory at start: %lld KiB\n", residentKiB());
    int result = latency(daemon, withDunst);
    if (result == 0)
        result = throughput();
    daemon.stop();
    return result;
}
