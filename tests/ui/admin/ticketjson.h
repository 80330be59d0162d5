#pragma once

#include <QJsonArray>
#include <QJsonObject>

// JSON tickets as the administrators' list sends them; a missing field is
// simply left out of the object.
inline QJsonObject ticketJson(
    qint64 id, const char *status, const char *createdAt, const char *titre = nullptr)
{
    QJsonObject object { { QStringLiteral("id"), id } };
    if (status)
        object.insert(QStringLiteral("status"), QString::fromUtf8(status));
    if (createdAt)
        object.insert(QStringLiteral("created_at"), QString::fromUtf8(createdAt));
    if (titre)
        object.insert(QStringLiteral("titre"), QString::fromUtf8(titre));
    return object;
}

inline QJsonObject ticketList(const QJsonArray &tickets)
{
    return QJsonObject { { QStringLiteral("success"), true }, { QStringLiteral("tickets"), tickets } };
}
