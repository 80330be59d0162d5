#pragma once

#include <QString>
#include <optional>

// Where the store keeps its data, as --db or NORVIK_DB names it: a file path
// for SQLite, or postgresql://user@host:port/dbname for PostgreSQL (with
// ?host=/socket/dir for a Unix socket). A password never appears here: libpq
// takes it from PGPASSWORD or ~/.pgpass.
struct DatabaseLocation
{
    enum class Kind { SqliteFile, Postgres };

    Kind kind = Kind::SqliteFile;
    QString text; // as given, for messages
    QString path; // SqliteFile
    // Postgres; an empty host or user, or a port of -1, leaves it to libpq.
    QString host;
    int port = -1;
    QString user;
    QString database;

    static std::optional<DatabaseLocation> parse(const QString &text, QString *error);
};
