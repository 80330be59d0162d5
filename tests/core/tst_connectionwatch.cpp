#include "channeltest.h"
#include "core/apiservice.h"
#include "core/desktopnotifier.h"
#include "core/missedclosures.h"
#include "core/notificationstate.h"
#include "core/realtimewiring.h"
#include "loopbackwebsocketserver.h"
#include "runtask.h"
#include "serverprocess.h"
#include "testing.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

using namespace std::chrono_literals;

namespace {

const QString ReceiveError = u"❌ Erreur réception WebSocket: "_s;

// Passes TCP both ways to a loopback port. Frozen, the connections open at
// that moment keep every byte, both ways, as a network gone silent does: no
// FIN, no RST. Later connections pass.
class Relay : public QTcpServer
{
public:
    explicit Relay(quint16 target)
        : m_target(target)
    {
        connect(this, &QTcpServer::newConnection, this, &Relay::accept);
        listen(QHostAddress::LocalHost);
    }
    QUrl url() const { return QUrl(u"ws://127.0.0.1:%1/norvik-ws"_s.arg(serverPort())); }
    void freeze() { m_frozen = m_links.size(), held = 0; }
    void thaw()
    {
        m_frozen = 0;
        for (const auto &pump : m_links)
            pump();
    }
    int held = 0; // chunks from clients kept since the freeze

private:
    void accept()
    {
        while (QTcpSocket *client = nextPendingConnection()) {
            auto *upstream = new QTcpSocket(client);
            upstream->connectToHost(QHostAddress::LocalHost, m_target);
            const qsizetype link = m_links.size();
            const auto pump = [=, this] {
                if (link < m_frozen || upstream->state() != QAbstractSocket::ConnectedState)
                    return false;
                upstream->write(client->readAll());
                client->write(upstream->readAll());
                return true;
            };
            m_links.append(pump);
            connect(client, &QTcpSocket::readyRead, this, [=, this] { held += !pump(); });
            connect(upstream, &QTcpSocket::readyRead, this, pump);
            connect(upstream, &QTcpSocket::connected, this, pump);
        }
    }

    quint16 m_target;
    QList<std::function<bool()>> m_links;
    qsizetype m_frozen = 0;
};

WebSocketOptions quickOptions(std::chrono::milliseconds period, std::chrono::milliseconds deadline)
{
    return { .reconnectDelay = 150ms,
        .watch = { .pingPeriod = period, .pongDeadline = deadline, .bus = {} } };
}

} // namespace

// The channel notices a connection that died without a word: pings tell,
// a late answer within the deadline is no death, and a resume checks at once.
class TestConnectionWatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No session bus: notifications go to the fallback, counted here.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/norvik-test-bus");
        m_notifier.setFallback([](const QString &, const QString &) {});
        connect(&m_notifier, &DesktopNotifier::fellBack, this, [this](const QString &id) { m_shown << id; });
    }

    void silentNetwork_reconnects_missedClosureToldOnce()
    {
        ServerProcess server({ u"--demo"_s });
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Relay relay(server.wsUrl().port());
        Configuration configuration = apiFor(server);
        configuration.wsURL = relay.url();
        APIService api(configuration);
        Channel::identify(m_settings, 1, false);
        WebSocketService channel(configuration, m_settings, quickOptions(300ms, 600ms));
        LogRecorder log(channel);
        RealtimeWiring wiring(channel, m_notifier, m_unread);
        MissedClosures closures(
            api, m_settings, channel, wiring, m_notifier, m_unread, m_config.filePath(u"statuses.json"_s));
        QSignalSpy checked(&closures, &MissedClosures::checked);
        const qint64 open
            = RunTask::run(api.createTicket(1, u"Panne"_s, u"D"_s, u"normale"_s, std::nullopt), 10000);
        closures.start();
        wiring.start();
        QVERIFY(checked.wait(10000));

        relay.freeze();
        RunTask::run(api.closeTicket(open, u"Réglé"_s), 10000);

        // The check that follows the new connection tells the closure, once.
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 2, 10000);
        QCOMPARE(checked.last().first().toInt(), 1);
        QCOMPARE(m_shown, QStringList { u"ticket-closed-%1"_s.arg(open) });
        // The loss was told like any other, then the usual retry.
        QCOMPARE(log.starting(ReceiveError).size(), 1);
        QCOMPARE(log.count(u"🔄 Tentative de reconnexion dans 5 sec…"_s), 1);
        wiring.shutdown();
        QVERIFY(Channel::stop(channel));
    }

    void lateAnswerWithinTheDeadline_keepsTheConnection()
    {
        LoopbackWebSocketServer server;
        QVERIFY(server.listen());
        Relay relay(server.port());
        WebSocketService channel({ .wsURL = relay.url() }, m_settings, quickOptions(600ms, 500ms));
        LogRecorder log(channel);
        Channel::start(channel);
        QTRY_VERIFY(server.peerCount() == 1 && server.last().received.size() == 1);
        QSignalSpy pong(channel.currentSocket(), &QWebSocket::pong);

        // The first ping waits a while on its way, well within its deadline.
        relay.freeze();
        QTRY_VERIFY(relay.held > 0);
        QTimer::singleShot(150ms, &relay, &Relay::thaw);
        // The next ping, sent after the first one's deadline, is answered on
        // the same connection.
        QTRY_COMPARE_WITH_TIMEOUT(pong.size(), 2, 5000);
        QCOMPARE(server.peerCount(), 1);
        QVERIFY(log.starting(ReceiveError).isEmpty());
        QVERIFY(Channel::stop(channel));
    }

    void resume_checksAtOnce()
    {
        QProcess daemon;
        daemon.start(u"dbus-daemon"_s, { u"--session"_s, u"--print-address"_s, u"--nofork"_s });
        QVERIFY(daemon.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(daemon.readLine().trimmed());
        const auto end = qScopeGuard([&daemon] { daemon.kill(), daemon.waitForFinished(); });
        QDBusConnection logind = QDBusConnection::connectToBus(address, u"logind"_s);
        QVERIFY(logind.registerService(u"org.freedesktop.login1"_s));
        LoopbackWebSocketServer server;
        QVERIFY(server.listen());
        WebSocketOptions options = quickOptions(1h, 1h);
        options.watch.bus = QDBusConnection::connectToBus(address, u"listener"_s);
        WebSocketService channel({ .wsURL = server.url() }, m_settings, options);
        Channel::start(channel);
        QTRY_VERIFY(server.peerCount() == 1 && server.last().received.size() == 1);
        QSignalSpy pong(channel.currentSocket(), &QWebSocket::pong);

        QDBusMessage resume = QDBusMessage::createSignal(
            u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s);
        QVERIFY(logind.send(resume << false));
        QVERIFY(pong.wait(5000));
        QVERIFY(Channel::stop(channel));
        QDBusConnection::disconnectFromBus(u"logind"_s);
        QDBusConnection::disconnectFromBus(u"listener"_s);
    }

private:
    QTemporaryDir m_config;
    UserSettings m_settings { m_config.filePath(u"NorvikSupport.conf"_s) };
    DesktopNotifier m_notifier;
    NotificationState m_unread;
    QStringList m_shown;
};

QTEST_GUILESS_MAIN(TestConnectionWatch)
#include "tst_connectionwatch.moc"
