#include "appdelegate.h"
#include "core/configuration.h"
#include "core/frenchtranslations.h"
#include "core/singleinstance.h"
#include "process/terminationwatcher.h"
#include "ui/desktopintegration.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The texts of the sources are French; an English desktop gets the English
// catalogue compiled into the program, every other language the French, with
// Qt's own French for the texts Qt supplies.
void installInterfaceTranslations(QApplication &application)
{
    auto *english = new QTranslator(&application);
    if (QLocale::system().language() == QLocale::English
        && english->load(QLocale::system(), u"norvik-support"_s, u"_"_s, u":/i18n"_s)) {
        QCoreApplication::installTranslator(english);
        return;
    }
    delete english;
    installFrenchTranslations(application);
}

// The token a launcher hands over so the window it asks for may take focus.
QString activationToken()
{
    for (const char *name : { "XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID" }) {
        const QString token = qEnvironmentVariable(name);
        if (!token.isEmpty())
            return token;
    }
    return {};
}

// The screen the command line asks for; nothing when the options clash.
std::optional<SingleInstance::Request> requestFromCommandLine(const QCommandLineParser &parser)
{
    const bool capture = parser.isSet(u"capture"_s);
    const bool myTickets = parser.isSet(u"my-tickets"_s);
    if (myTickets && (capture || parser.isSet(u"new-ticket"_s)))
        return std::nullopt;
    if (myTickets)
        return SingleInstance::Request::MyTickets;
    // A capture is always for a new ticket.
    if (capture)
        return SingleInstance::Request::NewTicketWithCapture;
    if (parser.isSet(u"new-ticket"_s))
        return SingleInstance::Request::NewTicket;
    return SingleInstance::Request::Activate;
}

// Answers --help and --version, and takes the server addresses into
// *configuration. Returns the exit status when the program should end here,
// -1 to go on.
int answerFromCommandLine(
    const QCommandLineParser &parser, const QStringList &arguments, Configuration *configuration)
{
    if (parser.isSet(u"help"_s)) {
        std::fputs(
            parser.helpText().replace(u"<executable_name>"_s, u"norvik-support"_s).toLocal8Bit().constData(),
            stdout);
        return 0;
    }
    if (parser.isSet(u"version"_s)) {
        std::printf("Norvik Support %s (%s)\n", NORVIK_VERSION, NORVIK_BUILD_NUMBER);
        return 0;
    }
    if (!requestFromCommandLine(parser)) {
        std::fputs("--my-tickets ne se combine ni avec --new-ticket ni avec --capture.\n", stderr);
        return 2;
    }
    QString error;
    const auto read = Configuration::fromEnvironmentAndArguments(arguments, &error);
    if (!read) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 2;
    }
    *configuration = *read;
    return -1;
}

// The options --help lists. They are read before the application object
// exists, so their descriptions are the program's French ones.
void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(u"Norvik Support, client du support technique Norvik."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({ u"api-base"_s, u"Adresse de l'API du serveur (https://…/api)."_s, u"url"_s });
    parser.addOption({ u"ws-url"_s, u"Adresse WebSocket du serveur (wss://…/norvik-ws)."_s, u"url"_s });
    parser.addOption({ u"new-ticket"_s,
        u"Ouvre le formulaire de nouveau ticket, dans le programme déjà lancé s'il y en a un."_s });
    parser.addOption({ u"my-tickets"_s,
        u"Ouvre la liste de mes tickets, dans le programme déjà lancé s'il y en a un."_s });
    parser.addOption({ u"capture"_s,
        u"Capture d'abord une zone de l'écran, puis ouvre le formulaire de nouveau ticket avec elle."_s });
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication::setOrganizationName(u"Norvik"_s);
    QApplication::setApplicationName(u"NorvikSupport"_s);
    QApplication::setApplicationVersion(QString::fromLatin1(NORVIK_VERSION));

    QCommandLineParser parser;
    describeOptions(parser);

    // Options are read before the display is opened, so --help, --version and
    // a refused address answer in a terminal without a graphical session.
    // Qt's own options (-platform, -session from the session manager, …) are
    // only known once the application object has taken them out: a command
    // line carrying them is read again afterwards.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    Configuration configuration;
    if (parser.parse(arguments)) {
        if (const int status = answerFromCommandLine(parser, arguments, &configuration); status >= 0)
            return status;
    } else if (parser.unknownOptionNames().isEmpty()) {
        std::fprintf(stderr, "%s\n", parser.errorText().toLocal8Bit().constData());
        return 2;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(u"Norvik Support"_s);
    QApplication::setDesktopFileName(u"norvik-support"_s);
    QApplication::setWindowIcon(DesktopIntegration::applicationIcon());
    QApplication::setQuitOnLastWindowClosed(AppDelegate::applicationShouldTerminateAfterLastWindowClosed());
    installInterfaceTranslations(application);
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "%s\n", parser.errorText().toLocal8Bit().constData());
        return 2;
    }
    if (const int status = answerFromCommandLine(parser, QApplication::arguments(), &configuration);
        status >= 0)
        return status;

    const SingleInstance::Request request = *requestFromCommandLine(parser);
    SingleInstance instance;
    switch (instance.claim(activationToken(), request)) {
    case SingleInstance::Role::Secondary:
        return 0;
    case SingleInstance::Role::Failed:
        return 1;
    case SingleInstance::Role::Primary:
    case SingleInstance::Role::Alone:
        break;
    }

    AppDelegate delegate(configuration);
    QObject::connect(
        &instance, &SingleInstance::activationRequested, &delegate, &AppDelegate::activateFromAnotherLaunch);
    QObject::connect(
        &instance, &SingleInstance::openRequested, &delegate, &AppDelegate::openFromAnotherLaunch);
    // exit(), not quit(): quit() first asks every window to close and gives
    // up if one refuses, and the sheets that cannot be dismissed refuse.
    QObject::connect(&delegate, &AppDelegate::terminated, &application, [] { QCoreApplication::exit(0); });
    TerminationWatcher termination;
    QObject::connect(
        &termination, &TerminationWatcher::terminationRequested, &delegate, &AppDelegate::terminate);
    // Start-up runs once the event loop is up, as the desktop's "finished
    // launching" does.
    QTimer::singleShot(0, &delegate, [&delegate, request] {
        delegate.applicationDidFinishLaunching();
        delegate.open(request);
    });
    return QApplication::exec();
}
