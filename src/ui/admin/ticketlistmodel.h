#pragma once

#include "protocol/records.h"
#include "protocol/vocabulary.h"

#include <QAbstractListModel>
#include <QHash>
#include <vector>

// Every ticket of the administrators' list, newest first, laid out as the
// rows of the grid: a header row for each non-empty section ("Tickets en
// cours", then "Tickets fermés"), each followed by one card row per ticket.
// Tickets of any other status are counted but shown in no section.
class TicketListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum class RowKind { Header, Card };
    enum class Section { Open, Closed };
    enum Role {
        RowKindRole = Qt::UserRole + 1, // RowKind as int
        SectionRole, // Section as int
        SectionCountRole, // header rows: number of cards below
        TicketIdRole, // card rows: the ticket's id
        // Card rows, as the card shows them; the title is the DisplayRole.
        StatusBadgeRole, // "OPEN" when the ticket has no status
        StatusTintRole, // Tint as int
        PriorityBadgeRole, // "N/A" when missing
        PriorityTintRole, // Tint as int
        DateRole,
        AuthorRole, // empty when prenom or nom is missing
        CompanyRole, // empty when societe is missing or empty
        UnreadRole, // int: the author's messages no staff member has read
    };

    explicit TicketListModel(QObject *parent = nullptr);

    // Replaces the list with tickets, sorted newest first.
    void setTickets(QList<Ticket> tickets);
    const QList<Ticket> &tickets() const { return m_tickets; }

    // "1 ticket au total", "12 tickets au total".
    static QString countLine(qsizetype count);
    // "1 message non lu", "3 messages non lus"; empty for 0.
    static QString unreadText(int count);
    // The same on a card's badge, where room is short: "3 non lus".
    static QString unreadBadge(int count);

    // The card row of ticket id, or -1.
    int rowOfTicket(qint64 id) const;
    // Kept across reloads: the list's counts, then the live ones.
    void setUnread(qint64 ticketId, int count);

    RowKind rowKind(int row) const { return m_rows.at(size_t(row)).kind; }
    // Card rows only.
    const Ticket &ticketAt(int row) const;
    // Rows of a section's header and of its first and last cards; all -1 when
    // the section is not shown.
    struct SectionRows
    {
        int header = -1;
        int first = -1;
        int last = -1;
    };
    SectionRows sectionRows(Section section) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct Row
    {
        RowKind kind;
        Section section;
        int ticket = -1; // index into m_tickets for cards, card count for headers
    };

    // What a card shows, computed once per card when first needed so that a
    // list of thousands of tickets opens without formatting every date.
    struct CardText
    {
        QString status;
        Tint statusTint = Tint::Gray;
        QString priority;
        Tint priorityTint = Tint::Gray;
        QString title;
        QString date;
        QString name;
        QString company;
        QString accessibleDescription;
    };

    // Stable sort by created_at text, greatest first; no created_at sorts as "".
    static void sortNewestFirst(QList<Ticket> &tickets);
    static QString sectionTitle(Section section);
    void buildRows();
    const CardText &cardText(int row) const;
    static CardText describe(const Ticket &ticket);
    QVariant sectionRowData(const Row &row, int role) const;
    QVariant cardRowData(int row, int role) const;

    QList<Ticket> m_tickets;
    std::vector<Row> m_rows;
    SectionRows m_open, m_closed;
    mutable std::vector<std::optional<CardText>> m_cardText; // by ticket index
    QHash<qint64, int> m_unread;
    QHash<qint64, int> m_cardRows; // ticket id -> card row
};
