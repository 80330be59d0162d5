#pragma once

#include "core/conversations.h"

#include <QAbstractListModel>

// One ticket's conversation as the bubbles show it, oldest first. New
// entries are inserted after the ones already shown, so the list keeps its
// place while a message arrives; the time is formatted once per entry.
class ConversationModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        TextRole = Qt::UserRole + 1,
        SenderRole, // the author's name, "Vous" for a message just written here
        TimeRole, // "dd/MM/yyyy HH:mm", empty while unknown
        StateRole, // ConversationEntry::State as int
        ErrorRole, // the server's French reason, for a failed entry
        IsOwnRole, // bool: written from this side
        ClientIdRole, // QUuid of a message written here
        KeyRole, // QString telling entries apart across updates
    };

    explicit ConversationModel(QObject *parent = nullptr);

    // "dd/MM/yyyy HH:mm" of a "yyyy-MM-dd HH:mm:ss" text, else the text.
    static QString formatTime(const QString &timestamp);

    void setEntries(const QList<ConversationEntry> &entries);
    const ConversationEntry &entryAt(int row) const { return m_entries.at(row).entry; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    struct Row
    {
        ConversationEntry entry;
        QString time;
    };
    QString senderOf(const ConversationEntry &entry) const;
    QString accessibleText(const Row &row) const;

    QList<Row> m_entries;
};
