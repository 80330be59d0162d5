#include "traywatcher.h"

#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>
#include <QWebSocketServer>

using namespace Qt::StringLiterals;

namespace {

// A private session bus for one test, stopped by the test that started it.
class PrivateBus
{
public:
    bool start()
    {
        m_daemon.start(u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--print-address=1"_s });
        if (!m_daemon.waitForStarted(10000))
            return false;
        for (int i = 0; i < 100 && !m_daemon.canReadLine(); ++i)
            m_daemon.waitForReadyRead(100);
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        return !m_address.isEmpty();
    }
    ~PrivateBus()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
    }
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

} // namespace

// The built program itself: options, the start-up sequence seen on its log,
// the single instance over a private session bus, and an orderly exit.
class TestAppProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void versionAndHelp_printAndExit();
    void refusedAddress_exitsWithStatus2AndAFrenchReason();
    void secondLaunch_bringsTheFirstForwardAndExits0();
    void withoutSessionBus_stillRuns();
    void withTrayHost_startsInTheTrayWithoutWindow();

private:
    QProcessEnvironment environment(const QString &busAddress) const;
    // Starts the program and waits for its start-up line and its connection.
    bool launch(QProcess &process, const QString &busAddress, std::unique_ptr<QWebSocket> *channel);
    void stopAndExpectGoingAway(QProcess &process, QWebSocket *channel);

    QString m_program;
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QWebSocketServer> m_server;
    quint16 m_closedPort = 0;
};

void TestAppProcess::initTestCase()
{
    m_program = qEnvironmentVariable("NORVIK_SUPPORT_BIN");
    QVERIFY2(QFile::exists(m_program), "NORVIK_SUPPORT_BIN names the built program");
    QTcpServer closed; // a port nobody answers on, for the update feed
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    m_closedPort = closed.serverPort();
}

void TestAppProcess::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    m_server = std::make_unique<QWebSocketServer>(u"test"_s, QWebSocketServer::NonSecureMode);
    QVERIFY(m_server->listen(QHostAddress::LocalHost, 0));
}

void TestAppProcess::cleanup()
{
    m_server.reset();
    m_home.reset();
}

QProcessEnvironment TestAppProcess::environment(const QString &busAddress) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"XDG_CONFIG_HOME"_s, m_home->filePath(u"config"_s));
    env.insert(u"XDG_DATA_HOME"_s, m_home->filePath(u"data"_s));
    env.insert(u"XDG_CACHE_HOME"_s, m_home->filePath(u"cache"_s));
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress);
    env.insert(u"NORVIK_API_BASE"_s, u"http://127.0.0.1:%1/api"_s.arg(m_closedPort));
    env.insert(u"NORVIK_WS_URL"_s, u"ws://127.0.0.1:%1/norvik-ws"_s.arg(m_server->serverPort()));
    env.insert(u"NORVIK_UPDATE_FEED"_s, u"http://127.0.0.1:%1/appcast.xml"_s.arg(m_closedPort));
    env.remove(u"XDG_ACTIVATION_TOKEN"_s);
    env.remove(u"DESKTOP_STARTUP_ID"_s);
    return env;
}

bool TestAppProcess::launch(
    QProcess &process, const QString &busAddress, std::unique_ptr<QWebSocket> *channel)
{
    QSignalSpy connected(m_server.get(), &QWebSocketServer::newConnection);
    process.setProcessEnvironment(environment(busAddress));
    process.start(m_program, {});
    if (!process.waitForStarted(10000) || !connected.wait(20000))
        return false;
    channel->reset(m_server->nextPendingConnection());
    return true;
}

void TestAppProcess::stopAndExpectGoingAway(QProcess &process, QWebSocket *channel)
{
    QSignalSpy closed(channel, &QWebSocket::disconnected);
    process.terminate(); // SIGTERM: the session asks the program to end
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(closed.size() == 1 || closed.wait(5000));
    QCOMPARE(channel->closeCode(), QWebSocketProtocol::CloseCodeGoingAway);
}

void TestAppProcess::versionAndHelp_printAndExit()
{
    QProcess process;
    process.start(m_program, { u"--version"_s });
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(QString::fromUtf8(process.readAllStandardOutput()).contains(QString::fromLatin1(NORVIK_VERSION)));

    process.start(m_program, { u"--help"_s });
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    const QString help = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY(help.contains(u"--api-base"));
    QVERIFY(help.contains(u"--ws-url"));
}

void TestAppProcess::refusedAddress_exitsWithStatus2AndAFrenchReason()
{
    QProcess process;
    process.setProcessEnvironment(environment(u"unix:path=/nonexistent"_s));
    process.start(m_program, { u"--ws-url"_s, u"ws://support.norvik.example/norvik-ws"_s });
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(u"refusée"));
    QCOMPARE(m_server->hasPendingConnections(), false);
}

void TestAppProcess::secondLaunch_bringsTheFirstForwardAndExits0()
{
    PrivateBus bus;
    QVERIFY(bus.start());
    QProcess first;
    std::unique_ptr<QWebSocket> channel;
    QVERIFY(launch(first, bus.address(), &channel));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT(
        (output += first.readAllStandardOutput()).contains("✅ Application démarrée"), 10000);
    // Every launch first takes the channel down, then connects.
    const qsizetype askDisconnect = output.indexOf("⏹ WebSocket → demande déconnexion");
    const qsizetype disconnected = output.indexOf("❌ WebSocket totalement déconnecté");
    const qsizetype connecting = output.indexOf("🔌 Connexion WebSocket… (ID=0, type=user)");
    const qsizetype started
        = output.indexOf("✅ Application démarrée - WebSocket actif - Sparkle configuré\n");
    QVERIFY2(askDisconnect >= 0 && askDisconnect < disconnected && disconnected < connecting
            && connecting < started,
        output.constData());

    QProcess second;
    second.setProcessEnvironment(environment(bus.address()));
    second.start(m_program, {});
    QVERIFY(second.waitForFinished(15000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(!m_server->hasPendingConnections()); // the second never opened a channel
    QVERIFY(!QString::fromUtf8(second.readAllStandardOutput()).contains(u"Application démarrée"));
    QTRY_VERIFY_WITH_TIMEOUT(
        (output += first.readAllStandardOutput()).contains("💥 Programme relancé"), 10000);

    stopAndExpectGoingAway(first, channel.get());
}

void TestAppProcess::withoutSessionBus_stillRuns()
{
    QProcess process;
    std::unique_ptr<QWebSocket> channel;
    QVERIFY(launch(process, u"unix:path="_s + m_home->filePath(u"no-bus"_s), &channel));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT(
        (output += process.readAllStandardOutput()).contains("✅ Application démarrée"), 10000);
    QVERIFY(output.contains("Pas de bus de session"));
    stopAndExpectGoingAway(process, channel.get());
}

void TestAppProcess::withTrayHost_startsInTheTrayWithoutWindow()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("a tray icon needs a display (run under xvfb-run)");
    PrivateBus bus;
    QVERIFY(bus.start());
    TrayWatcher watcher;
    QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), u"tray-host"_s);
    QVERIFY(connection.registerObject(u"/StatusNotifierWatcher"_s, &watcher,
        QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSlots));
    QVERIFY(connection.registerService(u"org.kde.StatusNotifierWatcher"_s));
    QSignalSpy registered(&watcher, &TrayWatcher::itemRegistered);

    QProcess process;
    std::unique_ptr<QWebSocket> channel;
    QProcessEnvironment env = environment(bus.address());
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    QSignalSpy connected(m_server.get(), &QWebSocketServer::newConnection);
    process.setProcessEnvironment(env);
    process.start(m_program, {});
    QVERIFY(connected.wait(20000));
    channel.reset(m_server->nextPendingConnection());
    QVERIFY(registered.size() > 0 || registered.wait(10000));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT(
        (output += process.readAllStandardOutput()).contains("✅ Application démarrée"), 10000);
    // The icon is the way in: no window at start-up.
    QVERIFY2(!output.contains("Pas de zone de notification"), output.constData());
    stopAndExpectGoingAway(process, channel.get());
    QDBusConnection::disconnectFromBus(u"tray-host"_s);
}

QTEST_GUILESS_MAIN(TestAppProcess)
#include "tst_appprocess.moc"
