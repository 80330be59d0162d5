#pragma once

// What the route files share to build their answers.
#include "apiroutes.h"

#include <QJsonDocument>
#include <QJsonObject>

// A request the server will not act on: becomes a 400 with its text.
struct BadRequest
{
    QString message;
};

// A body part over its size limit: becomes a 413 with its text.
struct TooLarge
{
    QString message;
};

// A caller who may not act on what they named: becomes a 403.
struct Forbidden
{
};

// A side of a conversation as the messages name it.
inline QString sideOf(const Caller &caller)
{
    return caller.kind == Caller::Staff ? QStringLiteral("admin") : QStringLiteral("user");
}

inline QString queryText(const QUrlQuery &query, const QString &key)
{
    if (!query.hasQueryItem(key))
        throw BadRequest { QStringLiteral("Paramètre manquant : %1").arg(key) };
    return query.queryItemValue(key, QUrl::FullyDecoded);
}

inline qint64 queryInteger(const QUrlQuery &query, const QString &key)
{
    const QString text = queryText(query, key);
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    // Digits only: toLongLong alone would take " 12" or "+12".
    if (!ok || text.isEmpty() || !(text.front().isDigit() || text.front() == u'-') || text.back().isSpace())
        throw BadRequest { QStringLiteral("Paramètre %1 : un nombre entier est attendu").arg(key) };
    return value;
}

inline QByteArray compactJson(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

inline ApiRoutes::Reply okReply(const QJsonObject &object)
{
    return { 200, compactJson(object), {}, 0 };
}
