#include "core/apiservice.h"
#include "pushlistener.h"
#include "rawpeer.h"
#include "runtask.h"
#include "serverprocess.h"
#include "testing.h"

#include <QElapsedTimer>
#include <QWebSocket>
#include <QtEndian>

namespace {

constexpr int WaitMs = PushListener::WaitMs;

// A client text frame. The mask is all zeros, so the payload goes as it is.
QByteArray textFrame(const QByteArray &payload)
{
    QByteArray frame("\x81", 1);
    if (payload.size() < 126) {
        frame += char(0x80 | payload.size());
    } else {
        frame += char(0x80 | 126);
        frame += char(payload.size() >> 8);
        frame += char(payload.size() & 0xff);
    }
    return frame + QByteArray(4, '\0') + payload;
}

QByteArray announcement(qint64 userId)
{
    return R"({"type":"auth","userId":)" + QByteArray::number(userId) + R"(,"userType":"user"})";
}

// What the server answered a raw peer until it let go of it.
struct Outcome
{
    int status = 0; // of the opening handshake
    int closeCode = -1; // of the server's close frame after an upgrade, if any
    QByteArray frames; // what came after the handshake
};

Outcome parse(const QByteArray &data)
{
    Outcome outcome;
    if (data.startsWith("HTTP/1.1 "))
        outcome.status = data.mid(9, 3).toInt();
    const qsizetype head = data.indexOf("\r\n\r\n");
    outcome.frames = head < 0 ? QByteArray() : data.mid(head + 4);
    // The server's close frame ends what it sends: 0x88, a short length, the
    // code and a reason.
    const QByteArray &f = outcome.frames;
    for (qsizetype i = 0; i + 4 <= f.size(); ++i) {
        if (quint8(f[i]) == 0x88 && i + 2 + quint8(f[i + 1]) == f.size())
            outcome.closeCode = qFromBigEndian<quint16>(f.constData() + i + 2);
    }
    return outcome;
}

} // namespace

// The server's real-time channel: announcements, the two pushes and who gets
// them, malformed or oversized messages, and clients that try to get more
// than they may: each is refused within a bounded time, while a well-behaved
// client keeps getting its pushes.
class TestServerPush : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_api = m_server.client();
        m_company = RunTask::run(m_api->createCompany(u"Push"_s, u"PSH"_s));
        m_userId = newUser(u"H-1"_s);
        m_user = std::make_unique<PushListener>(m_server.wsRequest());
        QVERIFY(m_user->announce(m_userId, u"user"_s));
    }

    void pushes_reachWhomTheyConcern_andNobodyElse()
    {
        const qint64 author = newUser(u"N-1"_s);
        const qint64 neighbour = newUser(u"N-2"_s);
        const qint64 other = newTicket(neighbour);
        PushListener admin(m_server.wsRequest()), secondAdmin(m_server.wsRequest()),
            silent(m_server.wsRequest()), formerAdmin(m_server.wsRequest()), laptop(m_server.wsRequest()),
            desktop(m_server.wsRequest()), neighbours(m_server.wsRequest()),
            sameIdAsAdmin(m_server.wsRequest());
        QVERIFY(silent.waitConnected());
        for (PushListener *l : { &admin, &secondAdmin, &formerAdmin })
            QVERIFY(l->announce(9999, u"admin"_s));
        // An administrator who logs out becomes a user again: no new tickets, but
        // the closes of that user.
        for (PushListener *l : { &formerAdmin, &laptop, &desktop })
            QVERIFY(l->announce(author, u"user"_s));
        QVERIFY(neighbours.announce(neighbour, u"user"_s));
        QVERIFY(sameIdAsAdmin.announce(author, u"admin"_s));

        const QString capture = QString::fromLatin1(QByteArray("png bytes").toBase64());
        const qint64 id
            = RunTask::run(m_api->createTicket(author, u"Souris"_s, u"Clic droit"_s, u"haute"_s, capture));
        const std::optional<QJsonObject> pushed = admin.waitFor(u"new_ticket"_s);
        QVERIFY(pushed.has_value());
        // The full record, capture and author included, as the list would show it.
        const Ticket ticket = Ticket::fromJson(pushed->value(u"ticket"_s).toObject());
        QVERIFY(ticket.id == id && RunTask::run(m_api->getAllTickets()).contains(ticket));

        RunTask::run(m_api->closeTicket(id, u"C'est réparé"_s));
        // No message: the member is there, empty.
        RunTask::run(m_api->closeTicket(other, std::nullopt));
        const auto expected = [](qint64 ticketId, const QString &message) {
            return QJsonObject { { u"type"_s, u"ticket_closed"_s },
                { u"ticketId"_s, ticketId }, // a number, never a string
                { u"closeMessage"_s, message } };
        };
        for (PushListener *l : { &laptop, &desktop })
            QCOMPARE(l->waitFor(u"ticket_closed"_s), expected(id, u"C'est réparé"_s));
        QCOMPARE(neighbours.waitFor(u"ticket_closed"_s), expected(other, QString()));

        // Listener, new tickets and closes it must have had.
        const QList<std::tuple<PushListener *, int, int>> counts { { &admin, 1, 0 }, { &secondAdmin, 1, 0 },
            { &sameIdAsAdmin, 1, 0 }, { &formerAdmin, 0, 1 }, { &silent, 0, 0 }, { &laptop, 0, 1 },
            { &desktop, 0, 1 }, { &neighbours, 0, 1 } };
        for (const auto &[listener, tickets, closes] : counts) {
            QVERIFY(listener->announce(author, u"user"_s));
            QCOMPARE(listener->count(u"new_ticket"_s), tickets);
            QCOMPARE(listener->count(u"ticket_closed"_s), closes);
        }
    }

    void malformedMessage_answersError_connectionStaysOpen_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<bool>("binary");
        const auto row = [](const char *name, const QByteArray &message, bool binary = false) {
            QTest::newRow(name) << message << binary;
        };
        row("not JSON", "hello");
        row("no type", R"({"userId":1,"userType":"user"})");
        row("unknown type", R"({"type":"Auth","userId":1,"userType":"user"})");
        row("userId as digits", R"({"type":"auth","userId":"5","userType":"user"})");
        row("unknown userType", R"({"type":"auth","userId":1,"userType":"root"})");
        row("binary not UTF-8", "\xff\xfe\xfd", true);
    }

    void malformedMessage_answersError_connectionStaysOpen()
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

    void oversizedMessage_closesThatConnectionOnly()
    {
        PushListener flooder(m_server.wsRequest());
        QVERIFY(flooder.announce(0, u"user"_s));

        // Just under the limit is still a message (a malformed one).
        flooder.socket().sendTextMessage(QString(1024 * 1024 - 16, u'x'));
        QVERIFY(flooder.waitFor(u"error"_s).has_value());

        flooder.socket().sendTextMessage(QString(1024 * 1024 + 1, u'x'));
        QVERIFY(flooder.closedSpy().wait(WaitMs));
        QCOMPARE(flooder.socket().closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);
        QVERIFY(pushReachesTheUser());
    }

    void unknownPath_isRefused()
    {
        QNetworkRequest elsewhere = m_server.wsRequest();
        elsewhere.setUrl(elsewhere.url().resolved(QUrl(u"/other-ws"_s)));
        PushListener lost(elsewhere);
        QSignalSpy connected(&lost.socket(), &QWebSocket::connected);
        QVERIFY(lost.closedSpy().wait(WaitMs));
        QCOMPARE(connected.size(), 0);
    }

    void hostileClient_refusedInTime_othersStillServed_data()
    {
        QTest::addColumn<QByteArray>("token"); // on the upgrade
        QTest::addColumn<QByteArray>("frames"); // sent after an accepted upgrade
        QTest::addColumn<int>("status"); // of the handshake
        QTest::addColumn<int>("closeCode"); // after an upgrade; -1: none

        const QByteArray token = ServerProcess::Token;
        QByteArray flood;
        for (int i = 0; i < 500; ++i)
            flood += textFrame(announcement(0));
        QTest::newRow("wrong token") << "not-the-token"_ba << QByteArray() << 401 << -1;
        QTest::newRow("forged user id") << token << textFrame(announcement(987654321)) << 101 << 1008;
        // A header that announces 2^40 bytes of payload, and no payload.
        QTest::newRow("frame announcing a terabyte")
            << token << QByteArray("\x81\xff\x00\x00\x01\x00\x00\x00\x00\x00\0\0\0\0", 14) << 101 << 1009;
        QTest::newRow("flood of announcements") << token << flood << 101 << 1008;
        // Dribbled a byte at a time: refused at the header limit (1 s), then
        // let go of after the answer.
        QTest::newRow("slowloris handshake") << token << QByteArray() << 408 << -1;
    }

    void hostileClient_refusedInTime_othersStillServed()
    {
        QFETCH(QByteArray, token);
        QFETCH(QByteArray, frames);
        QFETCH(int, status);
        QFETCH(int, closeCode);
        const QByteArrayView attack(QTest::currentDataTag());
        const bool dribble = attack.startsWith("slowloris");

        const std::unique_ptr<QTcpSocket> raw = RawPeer::connectTo(m_server.port());
        const QByteArray request = RawPeer::upgradeRequest(token);
        QElapsedTimer clock;
        clock.start();
        // From the first byte to the connection's end; a dribbled handshake
        // takes its header limit first.
        const QDeadlineTimer deadline(dribble ? 6000 : 3000);
        QByteArray answer;
        // The first bytes at once, the rest (one at a time when dribbling) after
        // the well-behaved user was served.
        RawPeer::exchange(*raw, dribble ? request.left(20) : request, false, QDeadlineTimer(100), &answer);
        if (!frames.isEmpty()) {
            QVERIFY2(answer.startsWith("HTTP/1.1 101"), answer.constData());
            RawPeer::exchange(*raw, frames, false, QDeadlineTimer(100), &answer);
        }
        QVERIFY(pushReachesTheUser());
        QVERIFY2(
            RawPeer::exchange(*raw, dribble ? request.mid(20) : QByteArray(), dribble, deadline, &answer),
            qPrintable(u"still connected after %1 ms: "_s.arg(clock.elapsed())
                + QString::fromLatin1(answer.toHex(' ').right(120))));
        const Outcome outcome = parse(answer);
        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.closeCode, closeCode);
        // A refused announcement is never acknowledged, and a flood not for long.
        QVERIFY(outcome.frames.count("auth_success") <= (attack.startsWith("flood") ? 20 : 0));

        QCOMPARE(m_user->closedSpy().size(), 0);
        QVERIFY(pushReachesTheUser());
    }

    void silentPeer_droppedByKeepAlive_livePeerKept()
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
            const std::unique_ptr<QTcpSocket> vanished = RawPeer::connectTo(brisk.port());
            QByteArray answer;
            RawPeer::exchange(*vanished, RawPeer::upgradeRequest(ServerProcess::Token), false,
                QDeadlineTimer(100), &answer);
            QVERIFY2(answer.startsWith("HTTP/1.1 101"), answer.constData());
            // With the event loop running, so that the live peer answers pings.
            QTRY_COMPARE_WITH_TIMEOUT(vanished->state(), QAbstractSocket::UnconnectedState, WaitMs);
        }

        QCOMPARE(live.closedSpy().size(), 0);
        QVERIFY(live.announce(0, u"user"_s));
    }

    void stop_closesConnectionsAsGoingAway()
    {
        // A server of its own: closing a peer drops it from the list being
        // walked, which takes two peers to show.
        ServerProcess stopped;
        QVERIFY2(stopped.start(), qPrintable(stopped.errorString()));
        PushListener first(stopped.wsRequest()), second(stopped.wsRequest());
        QVERIFY(first.announce(0, u"user"_s));
        QVERIFY(second.announce(9999, u"admin"_s));
        QVERIFY(stopped.stop()); // SIGTERM, and a normal exit
        QCOMPARE(stopped.exitCode(), 0);
        for (PushListener *client : { &first, &second }) {
            QTRY_COMPARE_WITH_TIMEOUT(client->closedSpy().size(), 1, WaitMs);
            QCOMPARE(client->socket().closeCode(), QWebSocketProtocol::CloseCodeGoingAway);
        }
    }

private:
    qint64 newUser(const QString &poste)
    {
        return RunTask::run(m_api->registerUser(m_company, poste, u"Nom"_s, u"Prénom"_s, QString())).userId;
    }

    qint64 newTicket(qint64 author)
    {
        return RunTask::run(m_api->createTicket(author, u"Réseau"_s, u"Lent"_s, u"normale"_s, std::nullopt));
    }

    // A ticket of the well-behaved user, closed: its push must reach them.
    bool pushReachesTheUser()
    {
        const qint64 ticket = newTicket(m_userId);
        RunTask::run(m_api->closeTicket(ticket, u"Réglé"_s));
        const std::optional<QJsonObject> closed = m_user->waitFor(u"ticket_closed"_s);
        return closed && closed->value(u"ticketId"_s).toInteger() == ticket;
    }

    // Headers must be complete within a second: the slow handshake's limit.
    ServerProcess m_server { { u"--header-timeout"_s, u"1"_s } };
    std::unique_ptr<APIService> m_api;
    std::unique_ptr<PushListener> m_user;
    qint64 m_company = 0;
    qint64 m_userId = 0;
};

QTEST_GUILESS_MAIN(TestServerPush)
#include "tst_serverpush.moc"
