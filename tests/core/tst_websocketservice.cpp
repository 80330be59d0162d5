#include "channeltest.h"
#include "core/configuration.h"
#include "loopback.h"
#include "loopbackwebsocketserver.h"
#include "stdoutcapture.h"
#include "testing.h"

using namespace std::chrono_literals;

namespace {

const QString Blocked = u"⏹ WebSocket: connexion bloquée (shouldStayConnected=false)"_s;
const QString Connected = u"✅ WebSocket connecté"_s;
const QString Retry = u"🔄 Tentative de reconnexion dans 5 sec…"_s;
const QString Cancelled = u"⛔ Reconnexion annulée (déconnecté volontairement)"_s;
const QString ReceiveError = u"❌ Erreur réception WebSocket: "_s;
const QString Raw = u"📩 RAW WS MESSAGE: "_s;

constexpr auto ShortDelay = 150ms;

} // namespace

class TestWebSocketService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        Channel::identify(m_settings, 0, false);
        m_server = std::make_unique<LoopbackWebSocketServer>();
        QVERIFY(m_server->listen());
        useChannel(m_server->url());
    }

    void cleanup()
    {
        QVERIFY(Channel::stop(*m_service));
        m_server.reset();
    }

    // One channel's life: its announcement, a second connect that replaces it,
    // and the user's disconnect.
    void lifecycle_announceReplaceDisconnect()
    {
        // The administrator's announcement; a newcomer's is read on the built
        // program's start-up log, a user's in the reconnection test. The token
        // on the upgrade is required by the real server in tst_conversationflow.
        Channel::identify(m_settings, 42, true);
        QVERIFY(openChannel());
        const QString announcement = m_server->last().received.first();
        const QJsonObject expected { { u"type"_s, u"auth"_s }, { u"userId"_s, 9999 },
            { u"userType"_s, u"admin"_s } };
        QCOMPARE(QJsonDocument::fromJson(announcement.toUtf8()).object(), expected);
        QVERIFY(!announcement.contains(u' ')); // compact
        const QString connecting = u"🔌 Connexion WebSocket… (ID=9999, type=admin)"_s;
        QCOMPARE(m_log->lines, (QStringList { connecting, Connected }));

        m_log->lines.clear();
        m_service->connect();
        QTRY_COMPARE(m_server->peerCount(), 2);
        QTRY_COMPARE(m_server->peer(1).received.size(), 1);
        // The first connection is gone from the server's side: no ghost left
        // receiving the user's events.
        QTRY_VERIFY(m_server->peer(0).ended);

        // Its end is no lost connection: nothing is logged for it and no retry is
        // armed (arming logs at once). A message through the new socket, read
        // after anything the old one left queued, marks the point to look.
        const QString typing = uR"({"type":"admin_typing","ticketId":2})"_s;
        peer()->sendTextMessage(typing);
        QTRY_COMPARE(m_events->calls, QStringList { u"typing:2"_s });
        QCOMPARE(m_log->lines, (QStringList { connecting, Connected, Raw + typing }));

        // The user's disconnect closes with "going away" and arms no retry.
        m_log->lines.clear();
        m_service->disconnect();
        QCOMPARE(m_log->lines,
            (QStringList {
                u"⏹ WebSocket → demande déconnexion"_s, u"❌ WebSocket totalement déconnecté"_s }));

        QTRY_VERIFY(m_server->last().ended);
        QCOMPARE(m_server->last().closeCode, 1001);
        // The ended socket reports its failed receive, then refuses to retry.
        QTRY_VERIFY(m_log->contains(Cancelled));
        QCOMPARE(m_log->starting(ReceiveError).size(), 1);
        QCOMPARE(m_log->lines.last(), Cancelled);
        QVERIFY(!m_log->contains(Retry));
    }

    void handleMessage_dispatchesOrDrops_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("logs"); // after the raw line
        QTest::addColumn<QStringList>("expectedCalls");
        const auto row
            = [](const char *name, const QString &message, const QStringList &logs,
                  const QStringList &expected) { QTest::newRow(name) << message << logs << expected; };
        const QString parseFailed = u"❌ Impossible de parser le ticket"_s;
        const QString newTicket = u"💥 new_ticket reçu dans WebSocketService !"_s;

        row("not json", u"bonjour"_s, {}, {});
        row("type not a string", uR"({"type":5})"_s, {}, {});
        row("new_message",
            uR"({"type":"new_message","ticketId":12,"sender":"Léa","message":"Bonjour","timestamp":"hier","x":1})"_s,
            {}, { u"message:12|Léa|Bonjour|hier"_s, u"pushed:12|0|admin|Léa"_s });
        // A push's id and side, and user_typing, are read through the
        // conversations in tst_conversations.
        row("user_typing without id", uR"({"type":"user_typing"})"_s, {}, {});
        row("new_message fractional id",
            uR"({"type":"new_message","ticketId":12.5,"sender":"a","message":"b","timestamp":"c"})"_s, {},
            {});
        row("ticket_closed empty message", uR"({"type":"ticket_closed","ticketId":42,"closeMessage":""})"_s,
            {}, { u"closed:42|"_s });
        row("ticket_closed without message", uR"({"type":"ticket_closed","ticketId":42})"_s, {}, {});
        row("ticket_closed id as digits", uR"({"type":"ticket_closed","ticketId":"42","closeMessage":"x"})"_s,
            {}, {});
        row("new_ticket optional members null",
            uR"({"type":"new_ticket","ticket":{"id":8,"titre":null,"description":null}})"_s, { newTicket },
            { u"ticket:8|Sans titre"_s });
        row("new_ticket without id", uR"({"type":"new_ticket","ticket":{"titre":"x"}})"_s,
            { newTicket, parseFailed }, {});
        row("type in other case is unknown", uR"({"type":"Ticket_Closed","ticketId":1,"closeMessage":""})"_s,
            { u"⚠️ Message inconnu: Ticket_Closed"_s }, {});
        // Peer text cannot end a log line early and forge one of its own.
        row("line breaks forge no lines",
            u"{\"type\":\"error\",\n\"message\":\"x\\n✅ WebSocket authentifié\\r\\u001b[2J\"}"_s,
            { u"❌ WebSocket error: x\\n✅ WebSocket authentifié\\r\\u001b[2J"_s }, {});
        row("control characters in an unknown type", u"{\"type\":\"a\\u0085\\u2028b\"}"_s,
            { u"⚠️ Message inconnu: a\\u0085\\u2028b"_s }, {});
    }

    void handleMessage_dispatchesOrDrops()
    {
        QFETCH(QString, message);
        QFETCH(QStringList, logs);
        QFETCH(QStringList, expectedCalls);

        StdoutCapture out;
        m_service->handleMessage(message);
        const QStringList written = out.lines();
        out.restore();
        const QString raw = QString(message).replace(u'\n', u"\\n"_s);
        QCOMPARE(m_log->lines, QStringList { Raw + raw } + logs);
        QCOMPARE(written, m_log->lines); // one line on standard output for each
        QCOMPARE(m_events->calls, expectedCalls);
    }

    void connectionLost_logsAndReconnectsWithFreshIdentity_data()
    {
        QTest::addColumn<bool>("closeFrame");
        QTest::newRow("server closes") << true;
        // No close frame: only the failed receive tells, with the system's reason.
        QTest::newRow("connection cut") << false;
    }

    void connectionLost_logsAndReconnectsWithFreshIdentity()
    {
        QFETCH(bool, closeFrame);
        Channel::identify(m_settings, 12, false);
        QVERIFY(openChannel());

        // A change of identity while connected shows on the next attempt.
        Channel::identify(m_settings, 77, false);
        m_log->lines.clear();
        if (closeFrame)
            peer()->close(QWebSocketProtocol::CloseCodeNormal);
        else
            peer()->abort();

        QTRY_VERIFY(m_log->contains(Retry));
        const QStringList lines = m_log->lines;
        QCOMPARE(lines.size(), closeFrame ? 3 : 2);
        if (closeFrame)
            QCOMPARE(lines.first(), u"❌ WebSocket fermé (code=1000)"_s);
        const QString failed = lines.at(lines.size() - 2);
        QVERIFY2(failed.startsWith(ReceiveError) && failed.size() > ReceiveError.size(), qPrintable(failed));
        if (!closeFrame)
            QVERIFY(failed != ReceiveError + u"connexion interrompue"_s);
        QCOMPARE(lines.last(), Retry);

        QTRY_COMPARE(m_server->peerCount(), 2);
        QTRY_COMPARE(m_server->last().received.size(), 1);
        QCOMPARE(
            QJsonDocument::fromJson(m_server->last().received.first().toUtf8())[u"userId"].toInteger(), 77);
        QVERIFY(m_log->contains(u"🔌 Connexion WebSocket… (ID=77, type=user)"_s));
        // Still reading after the reconnection, text and UTF-8 binary frames
        // alike; an error message ends neither the connection nor the reading.
        m_log->lines.clear();
        peer()->sendTextMessage(uR"({"type":"error","message":"quota"})"_s);
        peer()->sendBinaryMessage(
            uR"({"type":"ticket_closed","ticketId":4,"closeMessage":"Clôturé"})"_s.toUtf8());
        peer()->sendBinaryMessage(
            QByteArray("{\"type\":\"ticket_closed\",\"ticketId\":5,\"closeMessage\":\"\xff\xfe\"}"));
        peer()->sendTextMessage(uR"({"type":"admin_typing","ticketId":9})"_s);
        QTRY_COMPARE(m_events->calls, (QStringList { u"closed:4|Clôturé"_s, u"typing:9"_s }));
        QCOMPARE(m_log->starting(Raw).size(), 3);
        QVERIFY(m_log->contains(u"❌ WebSocket error: quota"_s));
        QVERIFY(!m_log->contains(Retry));
    }

    void disconnect_duringPendingReconnection_blocksTheAttempt()
    {
        useChannel(m_server->url(), { .reconnectDelay = 600ms });
        WebSocketService &service = *m_service;
        QVERIFY(openChannel());
        peer()->close(QWebSocketProtocol::CloseCodeNormal);
        QTRY_VERIFY(m_log->contains(Retry));
        service.disconnect();
        // The armed timer still fires, and connect refuses.
        QTRY_VERIFY(m_log->contains(Blocked));
        QCOMPARE(m_server->peerCount(), 1);
        QVERIFY(!service.currentSocket());
        QCOMPARE(m_log->lines.last(), Blocked);
    }

    void unreachableServer_retriesUntilItAnswers_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::newRow("nobody listening") << false;
        QTest::newRow("opening handshake never answered") << true;
    }

    void unreachableServer_retriesUntilItAnswers()
    {
        QFETCH(bool, silent);
        // Takes connections and holds them without a word.
        QTcpServer taker;
        QVERIFY(!silent || taker.listen(QHostAddress::LocalHost, 0));
        const quint16 port = silent ? taker.serverPort() : freePort();
        useChannel(QUrl(u"ws://127.0.0.1:%1/norvik-ws"_s.arg(port)),
            { .reconnectDelay = ShortDelay, .openingTimeout = 300ms });
        Channel::start(*m_service);
        // Each failed attempt arms the next one.
        QTRY_VERIFY(m_log->count(Retry) >= 2);
        QVERIFY(m_log->lines.at(1).startsWith(ReceiveError));
        QVERIFY(!m_log->contains(Connected));

        taker.close();
        LoopbackWebSocketServer server;
        QVERIFY(server.listen(port));
        QTRY_COMPARE(server.peerCount(), 1);
        QTRY_COMPARE(server.last().received.size(), 1);
        QVERIFY(m_log->contains(Connected));
    }

    void announcementLostInTheBuffer_isALostConnection()
    {
        Channel::start(*m_service);
        QWebSocket *socket = m_service->currentSocket();
        QVERIFY(socket);
        // Runs right after the service queued its announcement, before it is written.
        connect(socket, &QWebSocket::connected, this, [socket] { socket->abort(); });
        QTRY_VERIFY(m_log->contains(Retry));
        QCOMPARE(m_log->starting(u"❌ Erreur envoi WebSocket: "_s).size(), 1);
        // The next attempt announces as usual.
        QTRY_VERIFY(m_server->peerCount() == 2 && m_server->last().received.size() == 1);
        QVERIFY(m_server->peer(0).received.isEmpty());
    }

private:
    // Starts the channel against a fresh loopback server and waits for its
    // announcement.
    bool openChannel()
    {
        Channel::start(*m_service);
        return QTest::qWaitFor(
            [this] { return m_server->peerCount() == 1 && m_server->last().received.size() == 1; });
    }
    QWebSocket *peer() { return m_server->last().socket; }
    // A new channel towards url, with its recorders.
    void useChannel(const QUrl &url, WebSocketOptions options = { .reconnectDelay = ShortDelay })
    {
        if (m_service)
            QVERIFY(Channel::stop(*m_service));
        m_service = std::make_unique<WebSocketService>(Configuration { .wsURL = url }, m_settings, options);
        m_log = std::make_unique<LogRecorder>(*m_service);
        m_events = std::make_unique<EventRecorder>(*m_service);
    }

    QTemporaryDir m_config;
    UserSettings m_settings { m_config.filePath(u"NorvikSupport.conf"_s) };
    std::unique_ptr<WebSocketService> m_service;
    std::unique_ptr<EventRecorder> m_events;
    std::unique_ptr<LogRecorder> m_log;
    std::unique_ptr<LoopbackWebSocketServer> m_server;
};

QTEST_GUILESS_MAIN(TestWebSocketService)
#include "tst_websocketservice.moc"
