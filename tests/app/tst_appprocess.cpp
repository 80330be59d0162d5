#include "notificationdaemon.h"
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
    void withTrayHost_startsInTheTrayWithoutWindow();
    void withoutBusOrTray_opensTheWindow_andEndsDespiteAnUndismissableSheet();

private:
    QProcessEnvironment environment(const QString &busAddress) const;
    // Starts the program and waits for its channel to reach the server.
    bool launch(QProcess &process, const QProcessEnvironment &env, std::unique_ptr<QWebSocket> *channel);
    // Reads the program's output until the start-up line is in it.
    static bool awaitStarted(QProcess &process, QByteArray *output);
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
    QProcess &process, const QProcessEnvironment &env, std::unique_ptr<QWebSocket> *channel)
{
    QSignalSpy connected(m_server.get(), &QWebSocketServer::newConnection);
    process.setProcessEnvironment(env);
    process.start(m_program, {});
    if (!process.waitForStarted(10000) || !connected.wait(20000))
        return false;
    channel->reset(m_server->nextPendingConnection());
    return true;
}

bool TestAppProcess::awaitStarted(QProcess &process, QByteArray *output)
{
    return QTest::qWaitFor(
        [&] { return (*output += process.readAllStandardOutput()).contains("✅ Application démarrée"); },
        10000);
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
    const QByteArray version = NORVIK_VERSION;
    // Qt's own options, as a session manager passes them, are not refused.
    const QList<std::tuple<QStringList, int, QByteArray>> runs {
        { { u"--version"_s }, 0, version },
        { { u"--help"_s }, 0, "--api-base" },
        { { u"--help"_s }, 0, "--ws-url" },
        { { u"-platform"_s, u"offscreen"_s, u"--version"_s }, 0, version },
        { { u"--no-such-option"_s }, 2, "no-such-option" },
    };
    for (const auto &[arguments, status, said] : runs) {
        QProcess process;
        process.start(m_program, arguments);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), status);
        const QByteArray output
            = status == 0 ? process.readAllStandardOutput() : process.readAllStandardError();
        QVERIFY2(output.contains(said), output.constData());
    }
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
    NotificationDaemon bus;
    QString error;
    QVERIFY2(bus.startBus(&error), qPrintable(error));
    QProcess first;
    std::unique_ptr<QWebSocket> channel;
    QVERIFY(launch(first, environment(bus.address()), &channel));
    QByteArray output;
    QVERIFY(awaitStarted(first, &output));
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

void TestAppProcess::withTrayHost_startsInTheTrayWithoutWindow()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("a tray icon needs a display (run under xvfb-run)");
    NotificationDaemon bus;
    QString error;
    QVERIFY2(bus.startBus(&error), qPrintable(error));
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
    QVERIFY(launch(process, env, &channel));
    QVERIFY(registered.size() > 0 || registered.wait(10000));
    QByteArray output;
    QVERIFY(awaitStarted(process, &output));
    // The icon is the way in: no window at start-up.
    QVERIFY2(!output.contains("Pas de zone de notification"), output.constData());
    stopAndExpectGoingAway(process, channel.get());
    QDBusConnection::disconnectFromBus(u"tray-host"_s);
}

void TestAppProcess::withoutBusOrTray_opensTheWindow_andEndsDespiteAnUndismissableSheet()
{
    // Without a session bus there is no tray either: the window opens at
    // once, and a newcomer is offered the registration sheet, which refuses
    // to close and first asks the server for the companies. That request
    // tells the test the sheet is up.
    QTcpServer api;
    QVERIFY(api.listen(QHostAddress::LocalHost, 0));
    QSignalSpy asked(&api, &QTcpServer::newConnection);
    QProcessEnvironment env = environment(u"unix:path="_s + m_home->filePath(u"no-bus"_s));
    env.insert(u"NORVIK_API_BASE"_s, u"http://127.0.0.1:%1/api"_s.arg(api.serverPort()));
    QProcess process;
    std::unique_ptr<QWebSocket> channel;
    QVERIFY(launch(process, env, &channel));
    QVERIFY(asked.size() > 0 || asked.wait(10000));
    stopAndExpectGoingAway(process, channel.get());
    const QByteArray output = process.readAllStandardOutput();
    QVERIFY2(output.contains("Pas de bus de session") && output.contains("✅ Application démarrée"),
        output.constData());
}

QTEST_GUILESS_MAIN(TestAppProcess)
#include "tst_appprocess.moc"
