// Start-up cost of the client against a minimal Qt Widgets tray program and
// against the same program opening a WebSocket, measured in the same run:
// time from launch until the event loop is idle
// with the tray icon shown (and, for the client, its channel connecting), and
// the peak resident memory at that point. Prints medians and the ratios.
#include "traywatcher.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>
#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct Sample
{
    double milliseconds = 0;
    qint64 peakKiB = 0;
    bool trayShown = true;
};

// Peak resident set size of a running process, from /proc.
qint64 peakResidentKiB(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Launches program and waits, in an event loop that keeps serving the bus and
// the WebSocket server, for readyMarker on its output; nothing on failure.
std::optional<Sample> measure(
    const QString &program, const QProcessEnvironment &environment, const QByteArray &readyMarker)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    QByteArray output;
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 readyAt = -1;
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop, [&] {
        output += process.readAllStandardOutput();
        if (readyAt < 0 && output.contains(readyMarker)) {
            readyAt = clock.nsecsElapsed();
            // Let the loop settle so the peak includes the first idle passes.
            QTimer::singleShot(300, &loop, &QEventLoop::quit);
        }
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    clock.start();
    process.start(program, {});
    loop.exec();
    Sample sample;
    sample.milliseconds = static_cast<double>(readyAt) / 1e6;
    sample.peakKiB = process.state() == QProcess::Running ? peakResidentKiB(process.processId()) : -1;
    process.terminate();
    if (!process.waitForFinished(10000))
        process.kill();
    process.waitForFinished(1000);
    if (readyAt < 0 || sample.peakKiB <= 0)
        return std::nullopt;
    sample.trayShown = !output.contains("Pas de zone de notification");
    return sample;
}

template<typename T>
T median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QString client = qEnvironmentVariable("NORVIK_SUPPORT_BIN", QStringLiteral(NORVIK_SUPPORT_BIN));
    const QString minimal = qEnvironmentVariable("NORVIK_MINIMAL_BIN", QStringLiteral(NORVIK_MINIMAL_BIN));
    const QString channelTray
        = qEnvironmentVariable("NORVIK_CHANNEL_TRAY_BIN", QStringLiteral(NORVIK_CHANNEL_TRAY_BIN));
    const int runs = qEnvironmentVariableIntValue("NORVIK_BENCH_RUNS") > 0
        ? qEnvironmentVariableIntValue("NORVIK_BENCH_RUNS")
        : 9;

    // Both programs start in the same conditions: a private session bus, empty
    // configuration directories, the same platform plugin.
    QTemporaryDir home;
    QProcess bus;
    bus.start(u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--print-address=1"_s });
    bus.waitForStarted(5000);
    for (int i = 0; i < 50 && !bus.canReadLine(); ++i)
        bus.waitForReadyRead(100);
    const QString busAddress = QString::fromUtf8(bus.readLine()).trimmed();

    TrayWatcher watcher;
    QDBusConnection watcherBus = QDBusConnection::connectToBus(busAddress, u"bench-tray"_s);
    const bool trayHost = watcherBus.isConnected()
        && watcherBus.registerObject(u"/StatusNotifierWatcher"_s, &watcher,
            QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSlots)
        && watcherBus.registerService(u"org.kde.StatusNotifierWatcher"_s);

    QWebSocketServer channel(u"bench"_s, QWebSocketServer::NonSecureMode);
    channel.listen(QHostAddress::LocalHost, 0);
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const quint16 closedPort = closed.serverPort();
    closed.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A display (xvfb-run) lets both programs show a real tray icon; without
    // one they run offscreen, where the client opens its window instead.
    if (!environment.contains(u"QT_QPA_PLATFORM"_s))
        environment.insert(
            u"QT_QPA_PLATFORM"_s, environment.contains(u"DISPLAY"_s) ? u"xcb"_s : u"offscreen"_s);
    environment.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    environment.insert(u"XDG_CACHE_HOME"_s, home.filePath(u"cache"_s));
    environment.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
    environment.insert(
        u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress.isEmpty() ? u"unix:path=/nonexistent"_s : busAddress);
    environment.insert(u"NORVIK_API_BASE"_s, u"http://127.0.0.1:%1/api"_s.arg(closedPort));
    environment.insert(u"NORVIK_WS_URL"_s, u"ws://127.0.0.1:%1/norvik-ws"_s.arg(channel.serverPort()));
    environment.insert(u"NORVIK_UPDATE_FEED"_s, u"http://127.0.0.1:%1/appcast.xml"_s.arg(closedPort));

    struct Series
    {
        const char *label;
        QString program;
        QByteArray readyMarker;
        std::vector<double> times;
        std::vector<qint64> peaks;
        double time() const { return median(times); }
        qint64 peak() const { return median(peaks); }
    };
    Series series[] {
        { "norvik-support", client, "✅ Application démarrée", {}, {} },
        { "minimal tray app", minimal, "ready\n", {}, {} },
        { "tray app + channel", channelTray, "ready\n", {}, {} },
    };
    bool clientTray = true;
    // Interleaved so that a busy moment of the machine hits all alike.
    for (int run = 0; run < runs; ++run) {
        std::vector<Sample> samples;
        for (const Series &s : series) {
            const auto sample = measure(s.program, environment, s.readyMarker);
            while (channel.hasPendingConnections())
                delete channel.nextPendingConnection();
            if (sample)
                samples.push_back(*sample);
        }
        if (samples.size() != std::size(series)) {
            std::fprintf(stderr, "bench_startup: run %d did not reach its ready point\n", run);
            continue;
        }
        for (std::size_t i = 0; i < samples.size(); ++i) {
            series[i].times.push_back(samples[i].milliseconds);
            series[i].peaks.push_back(samples[i].peakKiB);
        }
        clientTray = clientTray && samples.front().trayShown;
    }
    watcherBus.unregisterService(u"org.kde.StatusNotifierWatcher"_s);
    QDBusConnection::disconnectFromBus(u"bench-tray"_s);
    bus.terminate();
    bus.waitForFinished(5000);
    if (series[0].times.empty()) {
        std::fprintf(stderr, "bench_startup: no run completed\n");
        return 1;
    }

    const Series &ours = series[0], &base = series[1], &withChannel = series[2];
    const auto ratio = [](double a, double b) -> QString { return QString::number(a / b, 'f', 2) + u'x'; };
    QTextStream out(stdout);
    out << "start-up to idle loop (median of " << ours.times.size() << " runs, platform "
        << environment.value(u"QT_QPA_PLATFORM"_s) << ", tray host " << (trayHost ? "on" : "off")
        << ", client " << (clientTray ? "in the tray only" : "without tray: window opened") << ")\n";
    for (const Series &s : series)
        out << "  " << QString::fromLatin1(s.label).leftJustified(20) << QString::number(s.time(), 'f', 1)
            << " ms, peak RSS " << s.peak() << " KiB\n";
    out << "  time ratio:   " << ratio(ours.time(), base.time()) << " (goal: at most 1.3x)\n";
    out << "  memory ratio: " << ratio(ours.peak(), base.peak()) << " (goal: at most 1.3x)\n";
    // What opening a channel at launch costs by itself, and what the client
    // adds beyond it.
    out << "  tray app + channel / minimal: " << ratio(withChannel.time(), base.time()) << " time, "
        << ratio(withChannel.peak(), base.peak()) << " memory\n";
    out << "  norvik-support / tray app + channel: " << ratio(ours.time(), withChannel.time()) << " time, "
        << ratio(ours.peak(), withChannel.peak()) << " memory\n";
    return 0;
}
