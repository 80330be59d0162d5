#include "pushlistener.h"
#include "core/apiservice.h"
#include "runtask.h"
#include "serverprocess.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

enum class Attack { NoToken, WrongToken, ForgedUser, OversizedFrame, Flood, Slowloris };

QByteArray upgradeRequest(const QByteArray &token)
{
    QByteArray request = "GET /norvik-ws HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                         "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                         "Sec-WebSocket-Version: 13\r\n";
    if (!token.isEmpty())
        request += "X-API-TOKEN: " + token + "\r\n";
    return request + "\r\n";
}

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

// Sends toSend (a byte every 50 ms when dribbling) and collects in *data
// what the server answers, until it drops the connection or the deadline
// passes. Whether it dropped it.
bool exchange(QTcpSocket &socket, QByteArray toSend, bool dribble, QDeadlineTimer deadline, QByteArray *data)
{
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        if (!toSend.isEmpty()) {
            const qsizetype n = dribble ? 1 : toSend.size();
            socket.write(toSend.left(n));
            toSend.remove(0, n);
        }
        socket.waitForReadyRead(int(std::min<qint64>(50, deadline.remainingTime())));
        *data += socket.readAll();
    }
    *data += socket.readAll();
    return socket.state() != QAbstractSocket::ConnectedState;
}

Outcome parse(const QByteArray &data)
{
    Outcome outcome;
    if (data.startsWith("HTTP/1.1 "))
        outcome.status = data.mid(9, 3).toInt();
    const qsizetype head = data.indexOf("\r\n\r\n");
    outcome.frames = head < 0 ? QByteArray() : data.mid(head + 4);
    // Server frames are unmasked: opcode, length, payload.
    const QByteArray &f = outcome.frames;
    for (qsizetype i = 0; i + 2 <= f.size();) {
        const int opcode = f[i] & 0x0f;
        qint64 length = f[i + 1] & 0x7f;
        qsizetype header = 2;
        if (length == 126 && i + 4 <= f.size()) {
            length = qFromBigEndian<quint16>(f.constData() + i + 2);
            header = 4;
        } else if (length == 127 && i + 10 <= f.size()) {
            length = qint64(qFromBigEndian<quint64>(f.constData() + i + 2));
            header = 10;
        }
        if (opcode == 8 && length >= 2 && i + header + 2 <= f.size()) {
            outcome.closeCode = qFromBigEndian<quint16>(f.constData() + i + header);
            break;
        }
        i += header + length;
    }
    return outcome;
}

} // namespace

Q_DECLARE_METATYPE(Attack)

// Clients that try to get more from the real-time channel than they may:
// each is refused within a bounded time, while a well-behaved client keeps
// getting its pushes.
class TestHostileClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void hostileClient_refusedInTime_othersStillServed_data();
    void hostileClient_refusedInTime_othersStillServed();

private:
    // A ticket of the well-behaved user, closed: its push must reach them.
    bool pushReachesTheUser();

    // Headers must be complete within a second: the slow handshake's limit.
    ServerProcess m_server { { u"--header-timeout"_s, u"1"_s } };
    std::unique_ptr<APIService> m_api;
    std::unique_ptr<PushListener> m_user;
    qint64 m_userId = 0;
};

void TestHostileClients::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    Configuration configuration;
    configuration.apiBase = m_server.apiBase();
    m_api = std::make_unique<APIService>(configuration);
    const qint64 company = RunTask::run(m_api->createCompany(u"Hostile"_s, u"HST"_s));
    m_userId = RunTask::run(m_api->registerUser(company, u"H-1"_s, u"Nom"_s, u"Prénom"_s, QString())).userId;
    m_user = std::make_unique<PushListener>(m_server.wsRequest());
    QVERIFY(m_user->announce(m_userId, u"user"_s));
}

bool TestHostileClients::pushReachesTheUser()
{
    const qint64 ticket
        = RunTask::run(m_api->createTicket(m_userId, u"Poste"_s, u"Lent"_s, u"normale"_s, std::nullopt));
    RunTask::run(m_api->closeTicket(ticket, u"Réglé"_s));
    const std::optional<QJsonObject> closed = m_user->waitFor(u"ticket_closed"_s);
    return closed && closed->value(u"ticketId"_s).toInteger() == ticket;
}

void TestHostileClients::hostileClient_refusedInTime_othersStillServed_data()
{
    QTest::addColumn<Attack>("attack");
    QTest::addColumn<int>("status"); // of the handshake
    QTest::addColumn<int>("closeCode"); // after an upgrade; -1: none
    QTest::addColumn<int>("boundMs"); // from the first byte to the connection's end

    QTest::newRow("no token") << Attack::NoToken << 401 << -1 << 3000;
    QTest::newRow("wrong token") << Attack::WrongToken << 401 << -1 << 3000;
    QTest::newRow("forged user id") << Attack::ForgedUser << 101 << 1008 << 3000;
    QTest::newRow("frame announcing a terabyte") << Attack::OversizedFrame << 101 << 1009 << 3000;
    QTest::newRow("flood of announcements") << Attack::Flood << 101 << 1008 << 3000;
    // Refused at the header limit (1 s), then let go of after the answer.
    QTest::newRow("slowloris handshake") << Attack::Slowloris << 408 << -1 << 6000;
}

void TestHostileClients::hostileClient_refusedInTime_othersStillServed()
{
    QFETCH(Attack, attack);
    QFETCH(int, status);
    QFETCH(int, closeCode);
    QFETCH(int, boundMs);

    QTcpSocket raw;
    raw.connectToHost(u"127.0.0.1"_s, m_server.port());
    QVERIFY(raw.waitForConnected(PushListener::WaitMs));
    const QByteArray token = m_server.token().toUtf8();
    const QByteArray request = upgradeRequest(attack == Attack::NoToken ? QByteArray()
            : attack == Attack::WrongToken                              ? "not-the-token"_ba
                                                                        : token);
    // What follows an accepted upgrade.
    QByteArray frames;
    switch (attack) {
    case Attack::ForgedUser:
        frames = textFrame(announcement(987654321));
        break;
    case Attack::OversizedFrame:
        // A header that announces 2^40 bytes of payload, and no payload.
        frames = QByteArray("\x81\xff\x00\x00\x01\x00\x00\x00\x00\x00", 10) + QByteArray(4, '\0');
        break;
    case Attack::Flood:
        for (int i = 0; i < 500; ++i)
            frames += textFrame(announcement(0));
        break;
    default:
        break;
    }

    QElapsedTimer clock;
    clock.start();
    const QDeadlineTimer deadline(boundMs);
    QByteArray answer;
    if (attack == Attack::Slowloris) {
        // The first bytes at once, then one at a time; meanwhile others are served.
        exchange(raw, request.left(20), false, QDeadlineTimer(100), &answer);
        QVERIFY(pushReachesTheUser());
        QVERIFY(exchange(raw, request.mid(20), true, deadline, &answer));
    } else {
        exchange(raw, request, false, QDeadlineTimer(100), &answer);
        if (!frames.isEmpty()) {
            QVERIFY2(answer.startsWith("HTTP/1.1 101"), answer.constData());
            exchange(raw, frames, false, QDeadlineTimer(100), &answer);
        }
        QVERIFY(pushReachesTheUser());
        QVERIFY2(exchange(raw, QByteArray(), false, deadline, &answer),
            qPrintable(u"still connected after %1 ms: "_s.arg(clock.elapsed())
                + QString::fromLatin1(answer.toHex(' ').right(120))));
    }
    const Outcome outcome = parse(answer);
    QCOMPARE(outcome.status, status);
    QCOMPARE(outcome.closeCode, closeCode);
    // A refused announcement is never acknowledged, and a flood not for long.
    if (attack == Attack::ForgedUser)
        QVERIFY(!outcome.frames.contains("auth_success"));
    if (attack == Attack::Flood)
        QVERIFY(outcome.frames.count("auth_success") <= 20);
    qInfo("refused after %lld ms", clock.elapsed());

    QCOMPARE(m_user->closedSpy().size(), 0);
    QVERIFY(pushReachesTheUser());
}

QTEST_GUILESS_MAIN(TestHostileClients)
#include "tst_hostileclients.moc"
