#include "childprocess.h"
#include "core/apiservice.h"
#include "loopback.h"
#include "notificationdaemon.h"
#include "runtask.h"
#include "serverprocess.h"
#include "testing.h"
#include "traywatcher.h"

#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTcpServer>
#include <QWebSocket>
#include <QWebSocketServer>

namespace {

// Runs xdotool against the test's X server: what it printed, or nothing.
QByteArray xdotool(const QStringList &arguments)
{
    const ToolRun run = runTool(u"xdotool"_s, arguments, QProcessEnvironment::systemEnvironment(), {}, 10000);
    return run.exitCode == 0 ? run.out.trimmed() : QByteArray();
}

QJsonObject readJson(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

} // namespace

// The built program itself: options, the start-up sequence seen on its log,
// the single instance over a private session bus, and an orderly exit.
class TestAppProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_program = qEnvironmentVariable("NORVIK_SUPPORT_BIN");
        QVERIFY2(QFile::exists(m_program), "NORVIK_SUPPORT_BIN names the built program");
        m_closedPort = freePort(); // nobody answers there, for the update feed
    }

    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        m_server = std::make_unique<QWebSocketServer>(u"test"_s, QWebSocketServer::NonSecureMode);
        QVERIFY(m_server->listen(QHostAddress::LocalHost, 0));
    }

    void options_printOrRefuseAndExit()
    {
        const QByteArray version = NORVIK_VERSION;
        // Qt's own options, as a session manager passes them, are not refused.
        const QList<std::tuple<QStringList, int, QByteArray>> runs {
            { { u"--version"_s }, 0, version },
            { { u"-platform"_s, u"offscreen"_s, u"--version"_s }, 0, version },
            { { u"--help"_s }, 0, "--new-ticket" },
            { { u"--no-such-option"_s }, 2, "no-such-option" },
            { { u"--my-tickets"_s, u"--capture"_s }, 2, "--my-tickets ne se combine" },
            // Refused before any display or connection is opened.
            { { u"--ws-url"_s, u"ws://support.norvik.example/norvik-ws"_s }, 2, "refusée" },
        };
        for (const auto &[arguments, status, said] : runs) {
            const ToolRun run
                = runTool(m_program, arguments, environment(u"unix:path=/nonexistent"_s), {}, 10000);
            QCOMPARE(run.exitCode, status);
            const QByteArray output = status == 0 ? run.out : run.err;
            QVERIFY2(output.contains(said), output.constData());
        }
    }

    // With a tray host on the bus (on a display) the program starts in the
    // tray alone; a second launch brings the first forward and exits 0.
    void secondLaunch_bringsTheFirstForward_trayHostKeepsItWithoutWindow()
    {
        NotificationDaemon bus;
        QString error;
        QVERIFY2(bus.startBus(&error), qPrintable(error));
        TrayWatcher watcher;
        QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), u"tray-host"_s);
        QVERIFY(connection.registerObject(u"/StatusNotifierWatcher"_s, &watcher,
            QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSlots));
        QVERIFY(connection.registerService(u"org.kde.StatusNotifierWatcher"_s));
        QSignalSpy registered(&watcher, &TrayWatcher::itemRegistered);
        const bool tray = NotificationDaemon::hasDisplay();
        QProcessEnvironment env = environment(bus.address());
        if (tray)
            env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        QProcess first;
        std::unique_ptr<QWebSocket> channel;
        QVERIFY(launch(first, env, &channel));
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += first.readAllStandardOutput()).contains("✅ Application démarrée"), 10000);
        // Every launch first takes the channel down, then connects.
        qsizetype at = 0;
        for (const char *line : { "⏹ WebSocket → demande déconnexion",
                 "❌ WebSocket totalement déconnecté", "🔌 Connexion WebSocket… (ID=0, type=user)",
                 "✅ Application démarrée - WebSocket actif - Sparkle configuré\n" }) {
            at = output.indexOf(line, at);
            QVERIFY2(at >= 0, output.constData());
        }
        // The icon is the way in: no window at start-up.
        QVERIFY(!tray || registered.size() > 0 || registered.wait(10000));
        QVERIFY2(!tray || !output.contains("Pas de zone de notification"), output.constData());

        const ToolRun second = runTool(m_program, {}, env, {}, 15000);
        QCOMPARE(second.exitCode, 0);
        QVERIFY(!m_server->hasPendingConnections()); // the second never opened a channel
        QVERIFY(!second.out.contains("Application démarrée"));
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += first.readAllStandardOutput()).contains("💥 Programme relancé"), 10000);

        // A start asking for a screen hands the request over and leaves too.
        QCOMPARE(runTool(m_program, { u"--my-tickets"_s }, env, {}, 15000).exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += first.readAllStandardOutput()).contains("💥 Programme relancé, demande : my-tickets\n"),
            10000);
        stopAndExpectGoingAway(first, channel.get());
        QDBusConnection::disconnectFromBus(u"tray-host"_s);
    }

    void withoutBusOrTray_opensTheWindow_andEndsDespiteAnUndismissableSheet()
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

    void captureThenTicket_theDraftSurvivesAKillDuringTyping()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
            QSKIP("typing into the program needs an X display and xdotool");
        storeIdentity(12);
        QProcessEnvironment env = environment(u"unix:path="_s + m_home->filePath(u"no-bus"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        QProcess process;
        std::unique_ptr<QWebSocket> channel;
        QVERIFY(launch(process, env, &channel, { u"--new-ticket"_s, u"--capture"_s }));

        // The capture comes first, over the whole screen; Enter takes all of it.
        const QByteArray screen = "Geometry: " + xdotool({ u"getdisplaygeometry"_s }).replace(' ', 'x');
        QTRY_VERIFY_WITH_TIMEOUT(
            xdotool({ u"getwindowfocus"_s, u"getwindowgeometry"_s }).contains(screen), 10000);
        xdotool({ u"key"_s, u"Return"_s });
        // Then the form, with the picture, the title field ready for typing.
        QTRY_VERIFY_WITH_TIMEOUT(
            xdotool({ u"getwindowfocus"_s, u"getwindowname"_s }).startsWith("Créer un ticket"), 10000);
        xdotool({ u"type"_s, u"--delay"_s, u"20"_s, u"Imprimante"_s });
        const QString draft = statePath(u"ticket-draft.json"_s);
        QTRY_COMPARE_WITH_TIMEOUT(readJson(draft).value(u"titre"_s).toString(), u"Imprimante"_s, 10000);
        QVERIFY(!readJson(draft).value(u"capture_png_base64"_s).toString().isEmpty());
        xdotool({ u"type"_s, u"--delay"_s, u"20"_s, u" du 2e étage"_s });
        process.kill();
        QVERIFY(process.waitForFinished(10000));

        // Whatever the kill interrupted, the draft on disk is whole.
        const QJsonObject kept = readJson(draft);
        QVERIFY(kept.value(u"titre"_s).toString().startsWith(u"Imprimante"_s));
        QVERIFY(!kept.value(u"capture_png_base64"_s).toString().isEmpty());
        QFile keptFile(draft);
        QVERIFY(keptFile.open(QIODevice::ReadOnly));
        const QByteArray bytes = keptFile.readAll();

        // The next start offers it; leaving without an answer keeps it as it was.
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        QProcess again;
        QVERIFY(launch(again, env, &channel, { u"--new-ticket"_s }));
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += again.readAllStandardOutput()).contains("💥 Brouillon de ticket proposé"), 10000);
        stopAndExpectGoingAway(again, channel.get());
        QVERIFY(keptFile.seek(0));
        QCOMPARE(keptFile.readAll(), bytes);
    }

    void ticketsClosedWhileStopped_areToldOnceAtTheNextStart()
    {
        NotificationDaemon daemon;
        QString error;
        QVERIFY2(daemon.startBus(&error), qPrintable(error));
        if (!NotificationDaemon::hasDisplay())
            QSKIP("dunst needs an X display (run under xvfb-run)");
        QVERIFY2(daemon.startDunst(&error), qPrintable(error));
        ServerProcess server({ u"--demo"_s });
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const std::unique_ptr<APIService> api = server.client();
        QList<qint64> tickets;
        for (int i = 0; i < 8; ++i)
            tickets.append(RunTask::run(
                api->createTicket(1, u"Panne %1"_s.arg(i), u"D"_s, u"normale"_s, std::nullopt), 10000));
        const auto close = [&](qint64 ticket, const QString &message) {
            RunTask::run(api->closeTicket(ticket, message), 10000);
        };

        storeIdentity(1);
        QProcessEnvironment env = environment(daemon.address());
        env.insert(u"NORVIK_API_BASE"_s, server.apiBase());
        env.insert(u"NORVIK_WS_URL"_s, server.wsUrl().toString());
        const QString memory = statePath(u"ticket-statuses.json"_s);
        QProcess client;
        client.setProcessEnvironment(env);
        const auto stopOnFailure = qScopeGuard([&client] { NotificationDaemon::finish(client); });
        QByteArray output;
        // The notifications shown since the last call, as "title|body", oldest first.
        qsizetype seen = 0;
        const auto newNotifications = [&] {
            const QList<QVariantMap> history = daemon.closeAllAndReadHistory();
            QStringList shown;
            for (qsizetype i = history.size() - seen - 1; i >= 0; --i)
                shown.append(history[i].value(u"summary"_s).toString() + u'|'
                    + history[i].value(u"body"_s).toString());
            seen = history.size();
            return shown;
        };
        // Starts the client and waits until it has compared the server's list
        // with what it remembers, which rewrites the file.
        const auto startAndAwaitCheck = [&] {
            const QDateTime before = QFileInfo(memory).lastModified();
            output.clear();
            client.start(m_program, {});
            return client.waitForStarted(10000)
                && QTest::qWaitFor(
                    [&] {
                        output += client.readAllStandardOutput();
                        return QFileInfo(memory).lastModified() != before;
                    },
                    20000);
        };
        const auto stop = [&client] {
            client.terminate();
            return client.waitForFinished(10000) && client.exitCode() == 0;
        };

        // First start: everything seen so far is history.
        close(tickets[0], u"Fermé avant"_s);
        QVERIFY(startAndAwaitCheck());
        QVERIFY(stop());
        QCOMPARE(newNotifications(), QStringList());

        // Two closed while stopped: told one by one, with the push's texts.
        close(tickets[1], u"Pilote réinstallé"_s);
        close(tickets[2], QString());
        QVERIFY(startAndAwaitCheck());
        QTRY_COMPARE_WITH_TIMEOUT(daemon.displayedCount(), 2, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += client.readAllStandardOutput()).contains("💥 Tickets fermés entre-temps : 2\n"), 10000);
        QStringList told = newNotifications();
        told.sort();
        QCOMPARE(told,
            (QStringList { u"Ticket fermé|Pilote réinstallé"_s,
                u"Ticket fermé|Votre ticket #%1 a été fermé."_s.arg(tickets[2]) }));
        QVERIFY(stop());

        // Four: one summary.
        for (int i = 3; i < 7; ++i)
            close(tickets[i], u"ok"_s);
        QVERIFY(startAndAwaitCheck());
        QTRY_COMPARE_WITH_TIMEOUT(daemon.displayedCount(), 1, 10000);
        QCOMPARE(newNotifications(), QStringList { u"Tickets fermés|4 tickets ont été fermés."_s });
        QVERIFY(stop());

        // A closure pushed while running is told once, not again when the
        // reconnection after a server restart compares the list.
        QVERIFY(startAndAwaitCheck());
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += client.readAllStandardOutput()).contains("✅ WebSocket authentifié"), 10000);
        close(tickets[7], u"Réglé en direct"_s);
        QTRY_COMPARE_WITH_TIMEOUT(daemon.displayedCount(), 1, 10000);
        // Dismissed by the user, so that telling it again would show anew.
        QCOMPARE(newNotifications(), QStringList { u"Ticket fermé|Réglé en direct"_s });
        const QDateTime checked = QFileInfo(memory).lastModified();
        QVERIFY2(server.restart(), qPrintable(server.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(memory).lastModified() != checked, 30000);
        QVERIFY(stop());
        QCOMPARE(newNotifications(), QStringList());
    }

private:
    QProcessEnvironment environment(const QString &busAddress) const
    {
        QProcessEnvironment env = childEnvironment(*m_home, u"http://127.0.0.1:%1/api"_s.arg(m_closedPort),
            QUrl(u"ws://127.0.0.1:%1/norvik-ws"_s.arg(m_server->serverPort())));
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress);
        env.insert(u"NORVIK_UPDATE_FEED"_s, u"http://127.0.0.1:%1/appcast.xml"_s.arg(m_closedPort));
        return env;
    }

    // Starts the program and waits for its channel to reach the server.
    bool launch(QProcess &process, const QProcessEnvironment &env, std::unique_ptr<QWebSocket> *channel,
        const QStringList &arguments = {})
    {
        QSignalSpy connected(m_server.get(), &QWebSocketServer::newConnection);
        process.setProcessEnvironment(env);
        process.start(m_program, arguments);
        if (!process.waitForStarted(10000) || !connected.wait(20000))
            return false;
        channel->reset(m_server->nextPendingConnection());
        return true;
    }

    // A registered user in the program's settings file.
    void storeIdentity(qint64 userId) const
    {
        QDir().mkpath(m_home->filePath(u"config/Norvik"_s));
        QFile file(m_home->filePath(u"config/Norvik/NorvikSupport.conf"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nis_registered=true\nuser_id=" + QByteArray::number(userId)
            + "\ncompany_id=1\nuser_poste=P-1\nuser_nom=Duval\nuser_prenom=Claire\n");
    }
    QString statePath(const QString &name) const
    {
        return m_home->filePath(u"state/norvik-support/"_s + name);
    }

    static void stopAndExpectGoingAway(QProcess &process, QWebSocket *channel)
    {
        QSignalSpy closed(channel, &QWebSocket::disconnected);
        process.terminate(); // SIGTERM: the session asks the program to end
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(closed.size() == 1 || closed.wait(5000));
        QCOMPARE(channel->closeCode(), QWebSocketProtocol::CloseCodeGoingAway);
    }

    QString m_program;
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QWebSocketServer> m_server;
    quint16 m_closedPort = 0;
};

QTEST_GUILESS_MAIN(TestAppProcess)
#include "tst_appprocess.moc"
