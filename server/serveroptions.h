#pragma once

#include "authmode.h"
#include "databaselocation.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <optional>

// What the server was asked to do on its command line (the database and the
// token may come from NORVIK_DB and NORVIK_TOKEN instead, for a unit file),
// with the defaults a fresh machine needs: loopback only, port 8080, an
// SQLite database in the user's data directory and the client's own token.
struct ServerOptions
{
    QHostAddress listen = QHostAddress::LocalHost;
    quint16 port = 8080;
    DatabaseLocation database; // filled with the default location by parse()
    QString token;
    bool demo = false;
    AuthMode auth = DefaultAuthMode;

    // A connection that sends nothing for this long is dropped, and a request
    // whose headers take longer than headerTimeoutMs is refused.
    int idleTimeoutMs = 60000;
    int headerTimeoutMs = 10000;
    // WebSocket keep-alive: a connection that answers no ping for two
    // intervals is dropped, so a half-open peer does not linger for ever.
    int pingIntervalMs = 30000;

    // What the update feed announces.
    QString appcastVersion = QStringLiteral("1.0.0");
    QString appcastBuild = QStringLiteral("1");
    QString appcastNotes; // empty: the server's own release-notes page

    // Parses the arguments (the first one is the program) and the
    // environment. On a bad argument returns nothing and sets *error; --help
    // sets *help instead.
    static std::optional<ServerOptions> parse(const QStringList &arguments, QString *error, bool *help);
    static QString usage();
    static QString defaultDatabasePath();
};
