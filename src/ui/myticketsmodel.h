#pragma once

#include "protocol/records.h"

#include <QAbstractListModel>
#include <QColor>
#include <QHash>
#include <QSet>
#include <optional>

// The user's tickets as the cards show them, in the server's order. What a
// card draws is worked out once per reload, not at every paint, and every
// row tells assistive technology what the card shows.
class MyTicketsModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        TitleRole,
        DescriptionRole,
        PriorityWordRole, // "Haute": first letter upper-cased, rest lower
        PriorityColorRole, // the circle's colour
        StatusWordRole, // "En cours" or "Terminé"
        StatusColorRole,
        CreatedRole, // createdAt through formatDate
        CloseMessageRole, // the support's answer, empty when none
        ClosedRole, // "Fermé le …", empty when not shown
        ExpandedRole, // bool: the card is (being) expanded
        ExpansionRole, // 0..1: where the expand animation stands
        UnreadRole, // int: support messages the user has not read
        UnreadTextRole, // "2 nouveaux messages", empty when none
        IsClosedRole, // bool: the ticket takes no more messages
    };

    explicit MyTicketsModel(QObject *parent = nullptr);

    // "dd/MM/yyyy à HH:mm" of a "yyyy-MM-dd HH:mm:ss" text, else the text.
    static QString formatDate(const QString &timestamp);

    void setTickets(const QList<UserTicket> &tickets);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    bool isExpanded(qint64 id) const { return m_expanded.contains(id); }
    void setExpanded(qint64 id, bool expanded);
    qreal expansion(qint64 id) const { return m_expansion.value(id, isExpanded(id) ? 1.0 : 0.0); }
    void setExpansion(qint64 id, qreal progress);
    int rowOf(qint64 id) const { return m_rows.value(id, -1); }
    int unread(qint64 id) const { return m_unread.value(id, 0); }
    // Kept across reloads, like the open state; 0 shows nothing.
    void setUnread(qint64 id, int count);
    static QString unreadText(int count);

private:
    struct Card
    {
        qint64 id;
        QString title;
        QString description;
        QString priorityWord;
        QColor priorityColor;
        QString statusWord;
        QColor statusColor;
        QString createdAt;
        std::optional<QString> closedAt; // only for a closed ticket
        QString closeMessage;
        bool isClosed = false;
        // Dates are formatted when first asked for: a reply of thousands
        // of tickets shows only a handful at a time.
        mutable std::optional<QString> created;
        mutable std::optional<QString> closed;
        QString createdText() const;
        QString closedText() const;
    };
    QString accessibleText(const Card &card) const;
    QString accessibleDescription(const Card &card) const;
    void emitChanged(qint64 id);

    QList<Card> m_cards;
    QHash<qint64, int> m_rows;
    // Kept across reloads: a card stays open while its ticket stays listed.
    QSet<qint64> m_expanded;
    QHash<qint64, qreal> m_expansion;
    QHash<qint64, int> m_unread;
};
