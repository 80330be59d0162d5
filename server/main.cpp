// norvik-server: the support service's reference server. Wires the options,
// the store, the HTTP/WebSocket front and the stop signals together.
#include "demodata.h"
#include "process/terminationwatcher.h"
#include "serverlog.h"
#include "serveroptions.h"
#include "staffcommands.h"
#include "store.h"
#include "storeerror.h"
#include "storewatchdog.h"
#include "supportserver.h"
#include "websockethub.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QString hostForUrl(const QHostAddress &address)
{
    if (address == QHostAddress::Any || address == QHostAddress::AnyIPv4)
        return u"127.0.0.1"_s;
    if (address == QHostAddress::AnyIPv6)
        return u"[::1]"_s;
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return u'[' + address.toString() + u']';
    return address.toString();
}

// The demo's tickets and companies, and in accounts mode a fresh password
// for its staff account, which the ready output shows.
bool seedDemo(Store &store, AuthMode auth, QString *staffPassword)
{
    try {
        DemoData::seedIfEmpty(store);
        if (auth == AuthMode::Accounts)
            *staffPassword = DemoData::renewStaff(store);
    } catch (const StoreError &e) {
        printLine(stderr, u"norvik-server: cannot add the demo data: "_s + e.message);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"norvik-server"_s);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(NORVIK_SERVER_VERSION));

    if (const std::optional<int> status = StaffCommands::run(QCoreApplication::arguments()))
        return *status;

    QString error;
    bool help = false;
    const std::optional<ServerOptions> options
        = ServerOptions::parse(QCoreApplication::arguments(), &error, &help);
    if (help) {
        printLine(stdout, ServerOptions::usage());
        printLine(stdout, StaffCommands::usage());
        return 0;
    }
    if (!options) {
        printLine(stderr, u"norvik-server: "_s + error);
        printLine(stderr, ServerOptions::usage());
        return 2;
    }

    Store store;
    if (!store.open(options->database, &error)) {
        printLine(
            stderr, u"norvik-server: cannot open the database %1: %2"_s.arg(options->database.text, error));
        return 1;
    }
    QString demoPassword;
    if (options->demo && !seedDemo(store, options->auth, &demoPassword))
        return 1;

    SupportServer server(*options, store);
    StoreWatchdog watchdog(store);
    QObject::connect(&watchdog, &StoreWatchdog::reconnected, &server, &SupportServer::forgetCachedData);
    if (!server.start(&error)) {
        printLine(stderr,
            u"norvik-server: cannot listen on %1 port %2: %3"_s.arg(
                options->listen.toString(), QString::number(options->port), error));
        return 1;
    }

    TerminationWatcher termination;
    // On a stop signal: no new connections, a close frame to every WebSocket
    // peer, and a short bounded wait for those frames to leave.
    QTimer closing;
    closing.setInterval(10);
    QDeadlineTimer closingDeadline;
    QObject::connect(&closing, &QTimer::timeout, &app, [&] {
        if (server.hub()->connectionCount() == 0 || closingDeadline.hasExpired())
            QCoreApplication::quit();
    });
    QObject::connect(&termination, &TerminationWatcher::terminationRequested, &app, [&](int) {
        if (closing.isActive())
            return;
        server.stopListening();
        server.hub()->closeAll();
        closingDeadline.setRemainingTime(1000);
        closing.start();
    });

    const QString authority = hostForUrl(options->listen) + u':' + QString::number(server.port());
    // Tests and scripts wait for exactly this line.
    printLine(stdout, u"NORVIK_API_BASE=http://%1/api NORVIK_WS_URL=ws://%1/norvik-ws"_s.arg(authority));
    if (!demoPassword.isEmpty())
        printLine(stdout, u"NORVIK_DEMO_STAFF=demo NORVIK_DEMO_PASSWORD="_s + demoPassword);

    const int status = QCoreApplication::exec();
    store.close();
    return status;
}
