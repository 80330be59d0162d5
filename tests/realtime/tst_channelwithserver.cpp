#include "api/apiservice.h"
#include "api/configuration.h"
#include "api/records.h"
#include "channeltest.h"
#include "runtask.h"
#include "serverprocess.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString Authenticated = u"✅ WebSocket authentifié"_s;
const QString Retry = u"🔄 Tentative de reconnexion dans 5 sec…"_s;

} // namespace

// The channel against the real norvik-server: its pushes reach the right
// handler, and the channel outlives a server restart.
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

private:
    // Starts a server and points the channel and the REST client at it.
    bool start(ServerProcess &server);

    QTemporaryDir m_config;
    LogRecorder *m_log = nullptr;
    QStringList m_calls;
    std::unique_ptr<APIService> m_api;
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
    QVERIFY(Channel::stop());
    m_api.reset();
    delete m_log;
    m_log = nullptr;
}

bool TestChannelWithServer::start(ServerProcess &server)
{
    if (!server.start()) {
        qWarning("%s", qPrintable(server.errorString()));
        return false;
    }
    Configuration configuration;
    configuration.apiBase = server.apiBase();
    configuration.wsURL = server.wsUrl();
    Configuration::setCurrent(configuration);
    m_api = std::make_unique<APIService>(configuration);
    return true;
}

void TestChannelWithServer::user_receivesClosingOfOwnTicket()
{
    ServerProcess server({ u"--demo"_s });
    QVERIFY(start(server));
    const qint64 mine
        = RunTask::run(m_api->createTicket(1, u"Clavier"_s, u"Touches collées"_s, u"normale"_s, {}));
    const qint64 someoneElses
        = RunTask::run(m_api->createTicket(2, u"Souris"_s, u"Ne répond plus"_s, u"normale"_s, {}));

    Channel::identify(1, false);
    Channel::start();
    QTRY_VERIFY(m_log->contains(Authenticated));

    // Only the author hears of a closing, with the staff's message as typed.
    RunTask::run(m_api->closeTicket(someoneElses, u"Remplacée"_s));
    RunTask::run(m_api->closeTicket(mine, u"  Nettoyé, à bientôt  "_s));
    QTRY_COMPARE(m_calls, QStringList { u"closed:%1|  Nettoyé, à bientôt  "_s.arg(mine) });
}

void TestChannelWithServer::admin_receivesNewTicket()
{
    ServerProcess server;
    QVERIFY(start(server));
    const qint64 company = RunTask::run(m_api->createCompany(u"Scierie Oudin"_s, u"SCO"_s));
    const qint64 user
        = RunTask::run(m_api->registerUser(company, u"S-1"_s, u"Oudin"_s, u"Paul"_s, u"0600000000"_s)).userId;

    // Administrators are announced as 9999 whatever user id is stored.
    Channel::identify(user, true);
    Channel::start();
    QTRY_VERIFY(m_log->contains(Authenticated));
    QVERIFY(m_log->contains(u"🔌 Connexion WebSocket… (ID=9999, type=admin)"_s));

    const qint64 ticket
        = RunTask::run(m_api->createTicket(user, u"Scie bloquée"_s, u"Lame coincée"_s, u"critique"_s, {}));
    QTRY_COMPARE(m_calls, QStringList { u"ticket:%1|Scie bloquée|critique"_s.arg(ticket) });
    QVERIFY(m_log->contains(u"💥 new_ticket reçu dans WebSocketService !"_s));
}

void TestChannelWithServer::serverRestart_channelComesBack()
{
    ServerProcess server({ u"--demo"_s });
    QVERIFY(start(server));
    Channel::identify(1, false);
    Channel::start();
    QTRY_VERIFY(m_log->contains(Authenticated));

    QVERIFY2(server.restart(), qPrintable(server.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(m_log->count(Authenticated), 2, 20000);
    // The server said goodbye with a close frame before it went.
    QVERIFY(!m_log->starting(u"❌ WebSocket fermé (code="_s).isEmpty());
    QVERIFY(!m_log->starting(u"❌ Erreur réception WebSocket: "_s).isEmpty());
    QVERIFY(m_log->contains(Retry));

    // And the reconnected channel still delivers.
    const qint64 ticket = RunTask::run(m_api->createTicket(1, u"Écran"_s, u"Scintille"_s, u"haute"_s, {}));
    RunTask::run(m_api->closeTicket(ticket, {}));
    QTRY_COMPARE(m_calls, QStringList { u"closed:%1|"_s.arg(ticket) });
}

QTEST_GUILESS_MAIN(TestChannelWithServer)
#include "tst_channelwithserver.moc"
