#include "core/apiservice.h"
#include "pushlistener.h"
#include "runtask.h"
#include "serverprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>

using namespace Qt::StringLiterals;

namespace {

constexpr int WaitMs = PushListener::WaitMs;

} // namespace

// The server's real-time channel: announcements, the two pushes and who gets
// them, and what happens to malformed or oversized messages.
class TestServerPush : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void newTicket_reachesEveryAdmin_andNobodyElse();
    void ticketClosed_reachesTheAuthorsUserConnections_only();
    void malformedMessage_answersError_connectionStaysOpen_data();
    void malformedMessage_answersError_connectionStaysOpen();
    void oversizedMessage_closesThatConnectionOnly();
    void unknownPath_isRefused();
    void silentPeer_droppedByKeepAlive_livePeerKept();
    void stop_closesConnectionsAsGoingAway();

private:
    qint64 newUser(const QString &poste);

    ServerProcess m_server;
    std::unique_ptr<APIService> m_api;
    qint64 m_company = 0;
};

void TestServerPush::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    Configuration configuration;
    configuration.apiBase = m_server.apiBase();
    m_api = std::make_unique<APIService>(configuration);
    m_company = RunTask::run(m_api->createCompany(u"Push"_s, u"PSH"_s));
}

qint64 TestServerPush::newUser(const QString &poste)
{
    return RunTask::run(m_api->registerUser(m_company, poste, u"Nom"_s, u"Prénom"_s, QString())).userId;
}

void TestServerPush::newTicket_reachesEveryAdmin_andNobodyElse()
{
    const qint64 author = newUser(u"N-1"_s);
    PushListener admin(m_server.wsRequest()), secondAdmin(m_server.wsRequest()), authorsOwn(m_server.wsRequest()),
        silent(m_server.wsRequest()), formerAdmin(m_server.wsRequest());
    QVERIFY(silent.waitConnected());
    QVERIFY(admin.announce(9999, u"admin"_s));
    QVERIFY(secondAdmin.announce(9999, u"admin"_s));
    QVERIFY(authorsOwn.announce(author, u"user"_s));
    // An administrator who logs out becomes a user again and is left out.
    QVERIFY(formerAdmin.announce(9999, u"admin"_s));
    QVERIFY(formerAdmin.announce(author, u"user"_s));

    const QString capture = QString::fromLatin1(QByteArray("png bytes").toBase64());
    const qint64 id
        = RunTask::run(m_api->createTicket(author, u"Souris"_s, u"Clic droit"_s, u"haute"_s, capture));

    const std::optional<QJsonObject> pushed = admin.waitFor(u"new_ticket"_s);
    QVERIFY(pushed.has_value());
    const Ticket ticket = Ticket::fromJson(pushed->value(u"ticket"_s).toObject());
    QCOMPARE(ticket.id, id);
    // The full record, capture and author included, as the list would show it.
    const QList<Ticket> all = RunTask::run(m_api->getAllTickets());
    const auto listed = std::find_if(all.cbegin(), all.cend(), [id](const Ticket &t) { return t.id == id; });
    QVERIFY(listed != all.cend());
    QCOMPARE(ticket, *listed);
    QVERIFY(secondAdmin.waitFor(u"new_ticket"_s).has_value());

    for (PushListener *l : { &authorsOwn, &formerAdmin, &silent }) {
        QVERIFY(l->announce(author, u"user"_s));
        QCOMPARE(l->count(u"new_ticket"_s), 0);
    }
    QCOMPARE(admin.count(u"new_ticket"_s), 1);
}

void TestServerPush::ticketClosed_reachesTheAuthorsUserConnections_only()
{
    const qint64 author = newUser(u"C-1"_s);
    const qint64 neighbour = newUser(u"C-2"_s);
    const qint64 ticket
        = RunTask::run(m_api->createTicket(author, u"Réseau"_s, u"Lent"_s, u"normale"_s, std::nullopt));
    const qint64 other
        = RunTask::run(m_api->createTicket(neighbour, u"Autre"_s, u"x"_s, u"normale"_s, std::nullopt));

    PushListener laptop(m_server.wsRequest()), desktop(m_server.wsRequest()), staff(m_server.wsRequest()),
        neighbours(m_server.wsRequest()), sameIdAsAdmin(m_server.wsRequest());
    QVERIFY(laptop.announce(author, u"user"_s));
    QVERIFY(desktop.announce(author, u"user"_s));
    QVERIFY(staff.announce(9999, u"admin"_s));
    QVERIFY(neighbours.announce(neighbour, u"user"_s));
    QVERIFY(sameIdAsAdmin.announce(author, u"admin"_s));

    RunTask::run(m_api->closeTicket(ticket, u"C'est réparé"_s));
    for (PushListener *l : { &laptop, &desktop }) {
        const std::optional<QJsonObject> closed = l->waitFor(u"ticket_closed"_s);
        QVERIFY(closed.has_value());
        QVERIFY(closed->value(u"ticketId"_s).isDouble()); // a number, never a string
        QCOMPARE(closed->value(u"ticketId"_s).toInteger(), ticket);
        QCOMPARE(closed->value(u"closeMessage"_s).toString(), u"C'est réparé"_s);
    }

    // No message: the member is there, empty.
    RunTask::run(m_api->closeTicket(other, std::nullopt));
    const std::optional<QJsonObject> neighboursClose = neighbours.waitFor(u"ticket_closed"_s);
    QVERIFY(neighboursClose.has_value());
    QVERIFY(neighboursClose->value(u"closeMessage"_s).isString());
    QCOMPARE(neighboursClose->value(u"closeMessage"_s).toString(), QString());
    QCOMPARE(neighboursClose->value(u"ticketId"_s).toInteger(), other);

    for (PushListener *l : { &staff, &sameIdAsAdmin }) {
        QVERIFY(l->announce(9999, u"admin"_s));
        QCOMPARE(l->count(u"ticket_closed"_s), 0);
    }
    QVERIFY(laptop.announce(author, u"user"_s));
    QCOMPARE(neighbours.count(u"ticket_closed"_s), 1);
    QCOMPARE(laptop.count(u"ticket_closed"_s), 1);
}

void TestServerPush::malformedMessage_answersError_connectionStaysOpen_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("binary");
    const auto row = [](const char *name, const QByteArray &message, bool binary = false) {
        QTest::newRow(name) << message << binary;
    };
    row("not JSON", "hello");
    row("array", R"([{"type":"auth"}])");
    row("no type", R"({"userId":1,"userType":"user"})");
    row("type not a string", R"({"type":1})");
    row("unknown type", R"({"type":"Auth","userId":1,"userType":"user"})");
    row("userId as digits", R"({"type":"auth","userId":"5","userType":"user"})");
    row("userId fraction", R"({"type":"auth","userId":1.5,"userType":"user"})");
    row("unknown userType", R"({"type":"auth","userId":1,"userType":"root"})");
    row("binary not UTF-8", "\xff\xfe\xfd", true);
}

void TestServerPush::malformedMessage_answersError_connectionStaysOpen()
{
    QFETCH(QByteArray, message);
    QFETCH(bool, binary);
    PushListener client(m_server.wsRequest());
    QVERIFY(client.waitConnected());
    if (binary)
        client.socket().sendBinaryMessage(message);
    else
        client.socket().sendTextMessage(QString::fromUtf8(message));
    const std::optional<QJsonObject> error = client.waitFor(u"error"_s);
    QVERIFY(error.has_value());
    QVERIFY(!error->value(u"message"_s).toString().isEmpty());
    // Still open, still usable; and the bad message announced nobody.
    QVERIFY(client.announce(0, u"user"_s));
    QCOMPARE(client.closedSpy().size(), 0);
}

void TestServerPush::oversizedMessage_closesThatConnectionOnly()
{
    PushListener flooder(m_server.wsRequest()), bystander(m_server.wsRequest());
    QVERIFY(bystander.waitConnected());
    QVERIFY(flooder.announce(0, u"user"_s));

    // Just under the limit is still a message (a malformed one).
    flooder.socket().sendTextMessage(QString(1024 * 1024 - 16, u'x'));
    QVERIFY(flooder.waitFor(u"error"_s).has_value());

    flooder.socket().sendTextMessage(QString(1024 * 1024 + 1, u'x'));
    QVERIFY(flooder.closedSpy().wait(WaitMs));
    QCOMPARE(flooder.socket().closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);
    QVERIFY(bystander.announce(0, u"user"_s));
}

void TestServerPush::unknownPath_isRefused()
{
    QNetworkRequest elsewhere = m_server.wsRequest();
    QUrl url = elsewhere.url();
    url.setPath(u"/other-ws"_s);
    elsewhere.setUrl(url);
    PushListener lost(elsewhere);
    QSignalSpy connected(&lost.socket(), &QWebSocket::connected);
    QVERIFY(lost.closedSpy().wait(WaitMs));
    QCOMPARE(connected.size(), 0);
}

void TestServerPush::silentPeer_droppedByKeepAlive_livePeerKept()
{
    ServerProcess brisk({ u"--ws-ping-interval"_s, u"0.5"_s });
    QVERIFY2(brisk.start(), qPrintable(brisk.errorString()));

    PushListener live(brisk.wsRequest());
    QVERIFY(live.announce(0, u"user"_s)); // and nothing more from it but pongs

    // A peer that completes the handshake and then never answers a ping,
    // like one whose machine vanished. Two in turn, so that by the time the
    // second is dropped the live peer has sent nothing but pongs for several
    // intervals.
    for (int round = 0; round < 2; ++round) {
        QTcpSocket vanished;
        vanished.connectToHost(u"127.0.0.1"_s, brisk.port());
        QVERIFY(vanished.waitForConnected(WaitMs));
        vanished.write("GET /norvik-ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                       "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                       "Sec-WebSocket-Version: 13\r\nX-API-TOKEN: "
            + brisk.token().toUtf8() + "\r\n\r\n");
        QByteArray handshake;
        while (!handshake.contains("\r\n\r\n") && vanished.waitForReadyRead(WaitMs))
            handshake += vanished.readAll();
        QVERIFY2(handshake.startsWith("HTTP/1.1 101"), handshake.constData());
        QTRY_COMPARE_WITH_TIMEOUT(vanished.state(), QAbstractSocket::UnconnectedState, WaitMs);
    }

    QCOMPARE(live.closedSpy().size(), 0);
    QVERIFY(live.announce(0, u"user"_s));
}

void TestServerPush::stop_closesConnectionsAsGoingAway()
{
    PushListener client(m_server.wsRequest());
    QVERIFY(client.announce(0, u"user"_s));
    QVERIFY(m_server.stop()); // SIGTERM, and a normal exit
    QCOMPARE(m_server.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(client.closedSpy().size(), 1, WaitMs);
    QCOMPARE(client.socket().closeCode(), QWebSocketProtocol::CloseCodeGoingAway);
}

QTEST_GUILESS_MAIN(TestServerPush)
#include "tst_serverpush.moc"
