#include "databaselocation.h"

#include <QUrl>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

std::optional<DatabaseLocation> DatabaseLocation::parse(const QString &text, QString *error)
{
    DatabaseLocation location;
    location.text = text;
    if (!text.startsWith(u"postgresql://"_s, Qt::CaseInsensitive)
        && !text.startsWith(u"postgres://"_s, Qt::CaseInsensitive)) {
        if (text.isEmpty()) {
            *error = u"--db wants a file path or a postgresql:// URL"_s;
            return std::nullopt;
        }
        location.path = text;
        return location;
    }

    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        *error = u"--db: \"%1\" is not a valid URL: %2"_s.arg(text, url.errorString());
        return std::nullopt;
    }
    // Command lines and unit files are readable by others; the password
    // belongs where libpq looks for it.
    if (url.userInfo().contains(u':')) {
        *error = u"--db: the database password goes in PGPASSWORD or ~/.pgpass, not in the URL"_s;
        return std::nullopt;
    }
    location.kind = Kind::Postgres;
    location.user = url.userName();
    location.host = url.host();
    location.port = url.port(-1);
    location.database = url.path().mid(1);
    const QUrlQuery query(url);
    for (const auto &[name, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (name != u"host") {
            *error = u"--db: unknown URL parameter \"%1\" (only host= is read)"_s.arg(name);
            return std::nullopt;
        }
        location.host = value;
    }
    if (location.database.isEmpty() || location.database.contains(u'/')) {
        *error = u"--db: the URL must name one database, as in postgresql://user@host/dbname"_s;
        return std::nullopt;
    }
    return location;
}
