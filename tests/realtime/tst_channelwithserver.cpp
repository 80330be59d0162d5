#include "api/apiservice.h"
#include "api/configuration.h"
#include "api/records.h"
#include "logrecorder.h"
#include "realtime/websocketservice.h"
#include "runtask.h"
#include "serverprocess.h"
#include "settings/usersettings.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString Authenticated = u"✅ WebSocket authentifié"_s;
const QString Retry = u"🔄 Tentative de reconnexion dans 5 sec…"_s;

} // namespace

// The channel against the real norvik-server: its pushes reach the right
// handler, and the channel outlives server restarts and a server that is
// down when the program starts.
class TestChannelWithServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void user_receivesClosingOfOwnTicket();
    void admin_receivesNewTicket();
    void serverRestart_channelComesBack();
    void serverDownAtStart_channelComesUpWithIt();

private:
    void store(qint64 userId, bool admin);
    void useServer(const ServerProcess &server);
    void startChannel();

    QTemporaryDir m_config;
    LogRecorder *m_log = nullptr;
    QStringList m_calls;
    Configuration m_configuration;
};

void TestChannelWithServer::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    WebSocketService::shared().setReconnectDelayForTesting(200ms);
}

void TestChannelWithServer::init()
{
    m_log = new LogRecorder(this);
    m_calls.clear();
    WebSocketService &service = WebSocketService::shared();
    service.onTicketClosed = [this](qint64 id, const QString &message) {
        m_calls.append(u"closed:%1|%2"_s.arg(id).arg(message));
    };
    service.onNewTicket = [this](const Ticket &ticket) {
        m_calls.append(
            u"ticket:%1|%2|%3"_s.arg(ticket.id).arg(ticket.displayTitle(), ticket.priorite.value_or(u"?"_s)));
    };
}

void TestChannelWithServer::cleanup()
{
    WebSocketService::shared().disconnect();
    QTRY_VERIFY(WebSocketService::shared().findChildren<QWebSocket *>().isEmpty());
    delete m_log;
    m_log = nullptr;
}

void TestChannelWithServer::store(qint64 userId, bool admin)
{
    UserSettings::shared().writeInteger(UserSettings::UserId, userId);
    UserSettings::shared().writeBool(UserSettings::IsAdmin, admin);
}

void TestChannelWithServer::useServer(const ServerProcess &server)
{
    m_configuration.apiBase = server.apiBase();
    m_configuration.wsURL = server.wsUrl();
    Configuration::setCurrent(m_configuration);
}

void TestChannelWithServer::startChannel()
{
    WebSocketService::shared().shouldStayConnected = true;
    WebSocketService::shared().connect();
}

void TestChannelWithServer::user_receivesClosingOfOwnTicket()
{
    ServerProcess server({ u"--demo"_s });
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    useServer(server);
    APIService api(m_configuration);
    const qint64 mine
        = RunTask::run(api.createTicket(1, u"Clavier"_s, u"Touches collées"_s, u"normale"_s, {}));
    const qint64 someoneElses
        = RunTask::run(api.createTicket(2, u"Souris"_s, u"Ne répond plus"_s, u"normale"_s, {}));

    store(1, false);
    startChannel();
    QTRY_VERIFY(m_log->contains(Authenticated));

    // Only the author hears of a closing, with the staff's message as typed.
    RunTask::run(api.closeTicket(someoneElses, u"Remplacée"_s));
    RunTask::run(api.closeTicket(mine, u"  Nettoyé, à bientôt  "_s));
    QTRY_COMPARE(m_calls, QStringList { u"closed:%1|  Nettoyé, à bientôt  "_s.arg(mine) });
}

void TestChannelWithServer::admin_receivesNewTicket()
{
    ServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    useServer(server);
    APIService api(m_configuration);
    const qint64 company = RunTask::run(api.createCompany(u"Scierie Oudin"_s, u"SCO"_s));
    const qint64 user
        = RunTask::run(api.registerUser(company, u"S-1"_s, u"Oudin"_s, u"Paul"_s, u"0600000000"_s)).userId;

    // Administrators are announced as 9999 whatever user id is stored.
    store(user, true);
    startChannel();
    QTRY_VERIFY(m_log->contains(Authenticated));
    QVERIFY(m_log->contains(u"🔌 Connexion WebSocket… (ID=9999, type=admin)"_s));

    const qint64 ticket
        = RunTask::run(api.createTicket(user, u"Scie bloquée"_s, u"Lame coincée"_s, u"critique"_s, {}));
    QTRY_COMPARE(m_calls, QStringList { u"ticket:%1|Scie bloquée|critique"_s.arg(ticket) });
    QVERIFY(m_log->contains(u"💥 new_ticket reçu dans WebSocketService !"_s));
}

void TestChannelWithServer::serverRestart_channelComesBack()
{
    ServerProcess server({ u"--demo"_s });
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    useServer(server);
    store(1, false);
    startChannel();
    QTRY_VERIFY(m_log->contains(Authenticated));

    QVERIFY2(server.restart(), qPrintable(server.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(m_log->count(Authenticated), 2, 20000);
    // The server said goodbye with a close frame before it went.
    QVERIFY(!m_log->starting(u"❌ WebSocket fermé (code="_s).isEmpty());
    QVERIFY(!m_log->starting(u"❌ Erreur réception WebSocket: "_s).isEmpty());
    QVERIFY(m_log->contains(Retry));

    // And the reconnected channel still delivers.
    APIService api(m_configuration);
    const qint64 ticket = RunTask::run(api.createTicket(1, u"Écran"_s, u"Scintille"_s, u"haute"_s, {}));
    RunTask::run(api.closeTicket(ticket, {}));
    QTRY_VERIFY(!m_calls.isEmpty());
    QVERIFY(m_calls.first().startsWith(u"closed:%1|"_s.arg(ticket)));
}

void TestChannelWithServer::serverDownAtStart_channelComesUpWithIt()
{
    ServerProcess server({ u"--demo"_s });
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    useServer(server);
    QVERIFY(server.stop());

    store(2, false);
    startChannel();
    QTRY_VERIFY_WITH_TIMEOUT(m_log->count(Retry) >= 2, 20000);
    QVERIFY(!m_log->contains(Authenticated));

    // Same port, same database: the next attempt finds it.
    QVERIFY2(server.restart(), qPrintable(server.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(m_log->contains(Authenticated), 20000);
    QVERIFY(m_log->contains(u"🔌 Connexion WebSocket… (ID=2, type=user)"_s));
}

QTEST_GUILESS_MAIN(TestChannelWithServer)
#include "tst_channelwithserver.moc"
