#include "serveroptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// The token every client build carries; a deployment may choose its own.
constexpr auto DefaultToken = "XQVT_HELPDESK_SHARED_KEY_2031";

std::optional<int> positiveSeconds(const QString &text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || seconds <= 0 || seconds > 86400)
        return std::nullopt;
    return int(seconds * 1000);
}

struct Options
{
    QCommandLineOption help { { u"h"_s, u"help"_s }, u"show this text"_s };
    QCommandLineOption listen { u"listen"_s, u"address to listen on (default 127.0.0.1)"_s, u"ADDR"_s };
    QCommandLineOption port { u"port"_s, u"TCP port, 0 picks a free one (default 8080)"_s, u"N"_s };
    QCommandLineOption db { u"db"_s,
        u"SQLite database file (default in $XDG_DATA_HOME/norvik-server/), or"
        u" postgresql://user@host:port/dbname[?host=/socket/dir]; NORVIK_DB if not given"_s,
        u"PATH|URL"_s };
    QCommandLineOption token { u"token"_s,
        u"shared API token (default NORVIK_TOKEN, else the client's token)"_s, u"TEXT"_s };
    QCommandLineOption auth { u"auth"_s,
        u"who may do what: \"accounts\" (user secrets, staff logins) or \"shared\" (the token"
        u" grants everything); default %1"_s.arg(
            DefaultAuthMode == AuthMode::Accounts ? u"accounts"_s : u"shared"_s),
        u"MODE"_s };
    QCommandLineOption demo { u"demo"_s, u"fill an empty database with demo companies, users and tickets"_s };
    QCommandLineOption idleTimeout { u"idle-timeout"_s,
        u"drop HTTP connections silent for this long (default 60)"_s, u"SECONDS"_s };
    QCommandLineOption headerTimeout { u"header-timeout"_s,
        u"refuse requests whose headers take longer (default 10)"_s, u"SECONDS"_s };
    QCommandLineOption pingInterval { u"ws-ping-interval"_s, u"WebSocket keep-alive interval (default 30)"_s,
        u"SECONDS"_s };
    QCommandLineOption appcastVersion { u"appcast-version"_s,
        u"version announced by /appcast.xml (default 1.0.0)"_s, u"TEXT"_s };
    QCommandLineOption appcastBuild { u"appcast-build"_s,
        u"build number announced by /appcast.xml (default 1)"_s, u"TEXT"_s };
    QCommandLineOption appcastNotes { u"appcast-notes"_s, u"release-notes link of the update feed"_s,
        u"URL"_s };

    Options(QCommandLineParser &parser)
    {
        parser.setApplicationDescription(
            u"The Norvik Support server: REST, WebSocket and the update feed."_s);
        parser.addOptions({ listen, port, db, token, auth, demo, idleTimeout, headerTimeout, pingInterval,
            appcastVersion, appcastBuild, appcastNotes, help });
    }
};

// What the parser refused, in the server's own words: the name of an
// unknown option as it was typed, or the option left without its value.
QString refusal(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty()) {
        const QString &name = unknown.constFirst();
        return u"unknown option \"%1%2\""_s.arg(name.size() > 1 ? u"--"_s : u"-"_s, name);
    }
    // A missing value can only be the last argument's.
    if (arguments.size() > 1 && arguments.constLast().startsWith(u'-')
        && !arguments.constLast().contains(u'='))
        return u"option %1 needs a value"_s.arg(arguments.constLast());
    return parser.errorText();
}

} // namespace

QString ServerOptions::defaultDatabasePath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + u"/.local/share"_s;
    return base + u"/norvik-server/norvik-server.sqlite"_s;
}

QString ServerOptions::usage()
{
    QCommandLineParser parser;
    const Options options(parser);
    return parser.helpText();
}

namespace {

// Each reader takes its options from the parsed command line into the result
// and answers false, with the refusal in error, on a value it cannot take.
bool readAccess(
    const QCommandLineParser &parser, const Options &known, ServerOptions &options, QString *error)
{
    if (parser.isSet(known.auth)) {
        const QString mode = parser.value(known.auth);
        if (mode != u"accounts" && mode != u"shared") {
            *error = u"--auth wants \"accounts\" or \"shared\", not \"%1\""_s.arg(mode);
            return false;
        }
        options.auth = mode == u"accounts" ? AuthMode::Accounts : AuthMode::Shared;
    }
    return true;
}

bool readToken(const QCommandLineParser &parser, const Options &known, ServerOptions &options, QString *error)
{
    if (parser.isSet(known.token) || qEnvironmentVariableIsSet("NORVIK_TOKEN")) {
        options.token
            = parser.isSet(known.token) ? parser.value(known.token) : qEnvironmentVariable("NORVIK_TOKEN");
        if (options.token.isEmpty()) {
            *error = u"--token must not be empty"_s;
            return false;
        }
    }
    return true;
}

bool readAddress(
    const QCommandLineParser &parser, const Options &known, ServerOptions &options, QString *error)
{
    if (parser.isSet(known.listen) && !options.listen.setAddress(parser.value(known.listen))) {
        *error = u"--listen wants an IP address, not \"%1\""_s.arg(parser.value(known.listen));
        return false;
    }
    if (parser.isSet(known.port)) {
        const QString text = parser.value(known.port);
        bool ok = false;
        const uint port = text.toUInt(&ok);
        if (!ok || port > 65535) {
            *error = u"--port wants a number from 0 to 65535, not \"%1\""_s.arg(text);
            return false;
        }
        options.port = quint16(port);
    }
    return true;
}

bool readDatabase(
    const QCommandLineParser &parser, const Options &known, ServerOptions &options, QString *error)
{
    // The option wins over the environment, which wins over the default.
    QString db = parser.isSet(known.db) ? parser.value(known.db) : qEnvironmentVariable("NORVIK_DB");
    if (!parser.isSet(known.db) && db.isEmpty())
        db = ServerOptions::defaultDatabasePath();
    const std::optional<DatabaseLocation> database = DatabaseLocation::parse(db, error);
    if (!database)
        return false;
    options.database = *database;
    return true;
}

bool readDurations(
    const QCommandLineParser &parser, const Options &known, ServerOptions &options, QString *error)
{
    const std::pair<const QCommandLineOption *, int *> durations[] = {
        { &known.idleTimeout, &options.idleTimeoutMs },
        { &known.headerTimeout, &options.headerTimeoutMs },
        { &known.pingInterval, &options.pingIntervalMs },
    };
    for (const auto &[option, target] : durations) {
        if (!parser.isSet(*option))
            continue;
        const QString text = parser.value(*option);
        const std::optional<int> ms = positiveSeconds(text);
        if (!ms) {
            *error = u"option --%1 wants a positive number of seconds, not \"%2\""_s.arg(
                option->names().constFirst(), text);
            return false;
        }
        *target = *ms;
    }
    return true;
}

void readAppcast(const QCommandLineParser &parser, const Options &known, ServerOptions &options)
{
    if (parser.isSet(known.appcastVersion))
        options.appcastVersion = parser.value(known.appcastVersion);
    if (parser.isSet(known.appcastBuild))
        options.appcastBuild = parser.value(known.appcastBuild);
    if (parser.isSet(known.appcastNotes))
        options.appcastNotes = parser.value(known.appcastNotes);
}

} // namespace

std::optional<ServerOptions> ServerOptions::parse(const QStringList &arguments, QString *error, bool *help)
{
    QCommandLineParser parser;
    const Options known(parser);
    *help = false;
    if (!parser.parse(arguments)) {
        *error = refusal(parser, arguments);
        return std::nullopt;
    }
    if (parser.isSet(known.help)) {
        *help = true;
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = u"unknown option \"%1\""_s.arg(parser.positionalArguments().constFirst());
        return std::nullopt;
    }

    ServerOptions options;
    options.token = QString::fromLatin1(DefaultToken);
    options.demo = parser.isSet(known.demo);
    if (!readAccess(parser, known, options, error) || !readAddress(parser, known, options, error)
        || !readDatabase(parser, known, options, error) || !readToken(parser, known, options, error)
        || !readDurations(parser, known, options, error))
        return std::nullopt;
    readAppcast(parser, known, options);
    return options;
}
