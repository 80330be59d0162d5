#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

// What the channel carries when a message is posted on a ticket, and what
// the server answers a message sent to a closed ticket.
inline const QString ClosedTicketText
    = QStringLiteral("Ce ticket est fermé : il ne reçoit plus de messages.");

inline QString pushed(qint64 ticketId, const QString &senderType, qint64 messageId, const QString &text)
{
    const QJsonObject push { { QStringLiteral("type"), QStringLiteral("new_message") },
        { QStringLiteral("ticketId"), ticketId }, { QStringLiteral("sender"), QStringLiteral("Léa Martin") },
        { QStringLiteral("message"), text },
        { QStringLiteral("timestamp"), QStringLiteral("2026-12-08 10:00:00") },
        { QStringLiteral("messageId"), messageId }, { QStringLiteral("senderType"), senderType } };
    return QString::fromUtf8(QJsonDocument(push).toJson(QJsonDocument::Compact));
}
