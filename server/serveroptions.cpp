#include "serveroptions.h"

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
    return u"Usage: norvik-server [options]\n"
           u"  --listen ADDR             address to listen on (default 127.0.0.1)\n"
           u"  --port N                  TCP port, 0 picks a free one (default 8080)\n"
           u"  --db PATH                 SQLite database file (default in $XDG_DATA_HOME/norvik-server/)\n"
           u"  --token TEXT              shared API token (default the client's token)\n"
           u"  --demo                    fill an empty database with demo companies, users and tickets\n"
           u"  --idle-timeout SECONDS    drop HTTP connections silent for this long (default 60)\n"
           u"  --header-timeout SECONDS  refuse requests whose headers take longer (default 10)\n"
           u"  --ws-ping-interval SECONDS  WebSocket keep-alive interval (default 30)\n"
           u"  --appcast-version TEXT    version announced by /appcast.xml (default 1.0.0)\n"
           u"  --appcast-build TEXT      build number announced by /appcast.xml (default 1)\n"
           u"  --appcast-notes URL       release-notes link of the update feed\n"
           u"  --help                    show this text\n"_s;
}

std::optional<ServerOptions> ServerOptions::parse(const QStringList &arguments, QString *error, bool *help)
{
    ServerOptions options;
    options.token = QString::fromLatin1(DefaultToken);
    *help = false;

    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString name = arguments.at(i);
        std::optional<QString> inlineValue;
        if (const qsizetype eq = name.indexOf(u'='); name.startsWith(u"--"_s) && eq > 0) {
            inlineValue = name.mid(eq + 1);
            name.truncate(eq);
        }
        // Every option but the two flags takes one value, inline or next.
        const auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments.at(++i);
            *error = u"option %1 needs a value"_s.arg(name);
            return std::nullopt;
        };
        const auto seconds = [&](int *target) {
            const std::optional<QString> text = value();
            if (!text)
                return false;
            const std::optional<int> ms = positiveSeconds(*text);
            if (!ms) {
                *error = u"option %1 wants a positive number of seconds, not \"%2\""_s.arg(name, *text);
                return false;
            }
            *target = *ms;
            return true;
        };

        if (name == u"--help" || name == u"-h") {
            *help = true;
            return std::nullopt;
        } else if (name == u"--demo") {
            options.demo = true;
        } else if (name == u"--listen") {
            const std::optional<QString> text = value();
            if (!text)
                return std::nullopt;
            if (!options.listen.setAddress(*text)) {
                *error = u"--listen wants an IP address, not \"%1\""_s.arg(*text);
                return std::nullopt;
            }
        } else if (name == u"--port") {
            const std::optional<QString> text = value();
            if (!text)
                return std::nullopt;
            bool ok = false;
            const uint port = text->toUInt(&ok);
            if (!ok || port > 65535) {
                *error = u"--port wants a number from 0 to 65535, not \"%1\""_s.arg(*text);
                return std::nullopt;
            }
            options.port = quint16(port);
        } else if (name == u"--db") {
            const std::optional<QString> text = value();
            if (!text)
                return std::nullopt;
            if (text->isEmpty()) {
                *error = u"--db wants a file path"_s;
                return std::nullopt;
            }
            options.dbPath = *text;
        } else if (name == u"--token") {
            const std::optional<QString> text = value();
            if (!text)
                return std::nullopt;
            if (text->isEmpty()) {
                *error = u"--token must not be empty"_s;
                return std::nullopt;
            }
            options.token = *text;
        } else if (name == u"--idle-timeout") {
            if (!seconds(&options.idleTimeoutMs))
                return std::nullopt;
        } else if (name == u"--header-timeout") {
            if (!seconds(&options.headerTimeoutMs))
                return std::nullopt;
        } else if (name == u"--ws-ping-interval") {
            if (!seconds(&options.pingIntervalMs))
                return std::nullopt;
        } else if (name == u"--appcast-version" || name == u"--appcast-build" || name == u"--appcast-notes") {
            const std::optional<QString> text = value();
            if (!text)
                return std::nullopt;
            QString *target = name == u"--appcast-version" ? &options.appcastVersion
                : name == u"--appcast-build"               ? &options.appcastBuild
                                                           : &options.appcastNotes;
            *target = *text;
        } else {
            *error = u"unknown option \"%1\""_s.arg(arguments.at(i));
            return std::nullopt;
        }
    }

    if (options.dbPath.isEmpty())
        options.dbPath = defaultDatabasePath();
    return options;
}
