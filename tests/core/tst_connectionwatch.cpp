#include "channeltest.h"
#include "core/apiservice.h"
#include "core/desktopnotifier.h"
#include "core/missedclosures.h"
#include "core/notificationstate.h"
#include "core/realtimewiring.h"
#include "loopbackwebsocketserver.h"
#include "protocol/vocabulary.h"
#include "runtask.h"
#include "serverprocess.h"
#include "testing.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>

using namespace std::chrono_literals;

namespace {

const QString Retry = u"🔄 Tentative de reconnexion dans 5 sec…"_s;
const QString ReceiveError = u"❌ Erreur réception WebSocket: "_s;

// Passes TCP both ways between the client and a server on loopback. Held,
// it keeps every byte of the connections open at that moment, both ways,
// as a network gone silent does: no FIN, no RST. Later connections pass.
class Relay : public QObject
{
    Q_OBJECT

public:
    explicit Relay(quint16 target)
        : m_target(target)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &Relay::accept);
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QUrl url() const { return QUrl(u"ws://127.0.0.1:%1/norvik-ws"_s.arg(m_server.serverPort())); }
    void hold() { m_held = m_pairs; }
    void release()
    {
        const auto held = std::exchange(m_held, {});
        for (const auto &[client, upstream] : held) {
            forward(client, upstream);
            forward(upstream, client);
        }
    }
    // Bytes from clients waiting in held connections.
    qint64 heldBytes() const
    {
        qint64 bytes = 0;
        for (const auto &pair : m_held)
            bytes += pair.first->bytesAvailable();
        return bytes;
    }
    // How many times bytes from a client passed.
    int clientChunks = 0;

private:
    using Pair = std::pair<QTcpSocket *, QTcpSocket *>;

    void accept()
    {
        while (QTcpSocket *client = m_server.nextPendingConnection()) {
            auto *upstream = new QTcpSocket(this);
            client->setParent(this);
            upstream->connectToHost(QHostAddress::LocalHost, m_target);
            m_pairs.append(Pair { client, upstream });
            connect(client, &QTcpSocket::readyRead, this, [this, client, upstream] {
                if (!m_held.contains(Pair { client, upstream })
                    && upstream->state() == QTcpSocket::ConnectedState) {
                    ++clientChunks;
                    forward(client, upstream);
                }
            });
            connect(upstream, &QTcpSocket::connected, this,
                [this, client, upstream] { forward(client, upstream); });
            connect(upstream, &QTcpSocket::readyRead, this, [this, client, upstream] {
                if (!m_held.contains(Pair { client, upstream }))
                    forward(upstream, client);
            });
        }
    }
    static void forward(QTcpSocket *from, QTcpSocket *to) { to->write(from->readAll()); }

    quint16 m_target;
    QTcpServer m_server;
    QList<Pair> m_pairs;
    QList<Pair> m_held;
};

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
        connect(&m_notifier, &DesktopNotifier::fellBack, this,
            [this](const QString &identifier) { m_shownIds.append(identifier); });
    }

    void silentNetwork_reconnects_missedClosureToldOnce()
    {
        ServerProcess server({ u"--demo"_s });
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Relay relay(server.wsUrl().port());
        QVERIFY(relay.listen());
        Configuration configuration;
        configuration.apiBase = server.apiBase();
        configuration.wsURL = relay.url();
        APIService api(configuration);
        Channel::identify(m_settings, 1, false);
        WebSocketService channel(configuration, m_settings, quickOptions(300ms, 600ms));
        LogRecorder log(channel);
        RealtimeWiring wiring(channel, m_notifier, m_unread);
        MissedClosures closures(
            api, m_settings, channel, wiring, m_notifier, m_unread, m_config.filePath(u"statuses.json"_s));
        QSignalSpy checked(&closures, &MissedClosures::checked);
        closures.start();
        wiring.start();
        QVERIFY(checked.wait(10000));

        qint64 open = 0;
        for (const UserTicket &ticket : RunTask::run(api.getMyTickets(1), 10000))
            open = Status::isClosed(ticket.status) ? open : ticket.id;
        QVERIFY(open > 0);
        relay.hold();
        RunTask::run(api.closeTicket(open, u"Réglé"_s), 10000);

        // The check that follows the new connection tells the closure.
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 2, 10000);
        QCOMPARE(checked.last().first().toInt(), 1);
        QCOMPARE(m_shownIds, QStringList { u"ticket-closed-%1"_s.arg(open) });
        // The loss was told like any other, then the usual retry.
        QCOMPARE(log.starting(ReceiveError).size(), 1);
        QCOMPARE(log.count(Retry), 1);
        wiring.shutdown();
        QVERIFY(Channel::stop(channel));
    }

    void lateAnswerWithinTheDeadline_keepsTheConnection()
    {
        LoopbackWebSocketServer server;
        QVERIFY(server.listen());
        Relay relay(server.port());
        QVERIFY(relay.listen());
        Configuration configuration;
        configuration.wsURL = relay.url();
        WebSocketService channel(configuration, m_settings, quickOptions(600ms, 500ms));
        LogRecorder log(channel);
        Channel::start(channel);
        QTRY_VERIFY(server.peerCount() == 1 && server.last().received.size() == 1);
        QSignalSpy pong(channel.currentSocket(), &QWebSocket::pong);

        // The first ping waits a while on its way, well within its deadline.
        relay.hold();
        QTRY_VERIFY(relay.heldBytes() > 0);
        QTimer::singleShot(150ms, &relay, &Relay::release);
        QVERIFY(pong.wait(5000));
        // The next ping leaves after the first one's deadline, on the same connection.
        const int chunks = relay.clientChunks;
        QTRY_VERIFY(relay.clientChunks > chunks);
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
        const auto end = qScopeGuard([&daemon] {
            daemon.kill();
            daemon.waitForFinished();
        });
        QDBusConnection logind = QDBusConnection::connectToBus(address, u"logind"_s);
        QVERIFY(logind.registerService(u"org.freedesktop.login1"_s));
        QDBusConnection listener = QDBusConnection::connectToBus(address, u"listener"_s);
        QVERIFY(listener.isConnected());

        LoopbackWebSocketServer server;
        QVERIFY(server.listen());
        Configuration configuration;
        configuration.wsURL = server.url();
        WebSocketOptions options = quickOptions(1h, 1h);
        options.watch.bus = listener;
        WebSocketService channel(configuration, m_settings, options);
        Channel::start(channel);
        QTRY_VERIFY(server.peerCount() == 1 && server.last().received.size() == 1);
        QSignalSpy pong(channel.currentSocket(), &QWebSocket::pong);

        QDBusMessage resume = QDBusMessage::createSignal(
            u"/org/freedesktop/login1"_s, u"org.freedesktop.login1.Manager"_s, u"PrepareForSleep"_s);
        resume << false;
        QVERIFY(logind.send(resume));
        QVERIFY(pong.wait(5000));
        QVERIFY(Channel::stop(channel));
        QDBusConnection::disconnectFromBus(u"logind"_s);
        QDBusConnection::disconnectFromBus(u"listener"_s);
    }

private:
    static WebSocketOptions quickOptions(std::chrono::milliseconds period, std::chrono::milliseconds deadline)
    {
        WebSocketOptions options;
        options.reconnectDelay = 150ms;
        options.watch.pingPeriod = period;
        options.watch.pongDeadline = deadline;
        return options;
    }

    QTemporaryDir m_config;
    UserSettings m_settings { m_config.filePath(u"NorvikSupport.conf"_s) };
    DesktopNotifier m_notifier;
    NotificationState m_unread;
    QStringList m_shownIds;
};

QTEST_GUILESS_MAIN(TestConnectionWatch)
#include "tst_connectionwatch.moc"
