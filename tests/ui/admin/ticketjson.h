#pragma once

#include "ui/admin/ticketgridview.h"
#include "ui/admin/ticketlistmodel.h"
#include "ui/admin/ticketlistview.h"

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

// The company list's reply: id, name and code of each company.
inline QJsonObject companyList(std::initializer_list<std::tuple<int, const char *, const char *>> companies)
{
    QJsonArray list;
    for (const auto &[id, nom, code] : companies)
        list.append(
            QJsonObject { { QStringLiteral("id"), id }, { QStringLiteral("nom"), QString::fromUtf8(nom) },
                { QStringLiteral("code"), QString::fromUtf8(code) } });
    return QJsonObject { { QStringLiteral("success"), true }, { QStringLiteral("companies"), list } };
}

inline TicketGridView *gridOf(TicketListView *list)
{
    return list->findChild<TicketGridView *>(QStringLiteral("grid"));
}

inline TicketListModel *modelOf(TicketListView *list)
{
    return qobject_cast<TicketListModel *>(gridOf(list)->model());
}

inline int rowOfTicket(const TicketListModel *model, qint64 id)
{
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row).data(TicketListModel::TicketIdRole).toLongLong() == id)
            return row;
    return -1;
}
