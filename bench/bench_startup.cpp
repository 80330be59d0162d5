// Start-up cost of the client against a minimal Qt Widgets tray program,
// measured in the same run: time from launch until the event loop is idle
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

    std::vector<double> clientTimes, minimalTimes;
    std::vector<qint64> clientPeaks, minimalPeaks;
    bool clientTray = true;
    // Interleaved so that a busy moment of the machine hits both alike.
    for (int run = 0; run < runs; ++run) {
        const auto base = measure(minimal, environment, "ready\n");
        const auto ours = measure(client, environment, "✅ Application démarrée");
        while (channel.hasPendingConnections())
            delete channel.nextPendingConnection();
        if (!base || !ours) {
            std::fprintf(stderr, "bench_startup: run %d did not reach its ready point\n", run);
            continue;
        }
        minimalTimes.push_back(base->milliseconds);
        minimalPeaks.push_back(base->peakKiB);
        clientTimes.push_back(ours->milliseconds);
        clientPeaks.push_back(ours->peakKiB);
        clientTray = clientTray && ours->trayShown;
    }
    watcherBus.unregisterService(u"org.kde.StatusNotifierWatcher"_s);
    QDBusConnection::disconnectFromBus(u"bench-tray"_s);
    bus.terminate();
    bus.waitForFinished(5000);
    if (clientTimes.empty()) {
        std::fprintf(stderr, "bench_startup: no run completed\n");
        return 1;
    }

    const double clientTime = median(clientTimes), minimalTime = median(minimalTimes);
    const qint64 clientPeak = median(clientPeaks), minimalPeak = median(minimalPeaks);
    QTextStream out(stdout);
    out << "start-up to idle loop (median of " << clientTimes.size() << " runs, platform "
        << environment.value(u"QT_QPA_PLATFORM"_s) << ", tray host " << (trayHost ? "on" : "off")
        << ", client " << (clientTray ? "in the tray only" : "without tray: window opened") << ")\n";
    out << "  norvik-support:  " << QString::number(clientTime, 'f', 1) << " ms, peak RSS " << clientPeak
        << " KiB\n";
    out << "  minimal tray app: " << QString::number(minimalTime, 'f', 1) << " ms, peak RSS " << minimalPeak
        << " KiB\n";
    out << "  time ratio:   " << QString::number(clientTime / minimalTime, 'f', 2)
        << "x (goal: at most 1.3x)\n";
    out << "  memory ratio: " << QString::number(double(clientPeak) / double(minimalPeak), 'f', 2)
        << "x (goal: at most 1.3x)\n";
    return 0;
}
