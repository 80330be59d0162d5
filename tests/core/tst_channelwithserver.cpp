#include "channeltest.h"
#include "core/apiservice.h"
#include "core/configuration.h"
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

// The channel against the real norvik-server, for what only a real server
// shows: it outlives a restart and still delivers afterwards. Who receives
// which push is the server's own test; the handlers' dispatch is tested on a
// loopback server, and the screen flows hear a real closing.
class TestChannelWithServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void serverRestart_channelComesBack();

private:
    // Starts a server and points the channel and the REST client at it.
    bool start(ServerProcess &server);

    QTemporaryDir m_config;
    LogRecorder *m_log = nullptr;
    EventRecorder *m_events = nullptr;
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
    m_events = new EventRecorder(this);
}

void TestChannelWithServer::cleanup()
{
    QVERIFY(Channel::stop());
    m_api.reset();
    delete m_log;
    m_log = nullptr;
    delete m_events;
    m_events = nullptr;
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
    QTRY_COMPARE(m_events->calls, QStringList { u"closed:%1|"_s.arg(ticket) });
}

QTEST_GUILESS_MAIN(TestChannelWithServer)
#include "tst_channelwithserver.moc"
