#include "ticketlistmodel.h"

#include "protocol/dates.h"

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QString statusOf(const Ticket &ticket)
{
    return ticket.status.value_or(QString());
}

} // namespace

TicketListModel::TicketListModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

void TicketListModel::sortNewestFirst(QList<Ticket> &tickets)
{
    // The positions are sorted, then each ticket moves once along its cycle:
    // a ticket is large, and moving it at every step of the sort cost more
    // than comparing the dates, which are read in place.
    const qsizetype count = tickets.size();
    const auto createdAt = [&tickets](qsizetype i) {
        const std::optional<QString> &date = std::as_const(tickets).at(i).createdAt;
        return date ? QStringView(*date) : QStringView();
    };
    std::vector<qsizetype> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
        [&createdAt](qsizetype a, qsizetype b) { return createdAt(a) > createdAt(b); });
    // Position j receives the ticket that was at order[j]; -1 marks a place filled.
    for (qsizetype start = 0; start < count; ++start) {
        if (order[size_t(start)] < 0)
            continue;
        Ticket held = std::move(tickets[start]);
        qsizetype j = start;
        for (;;) {
            const qsizetype from = std::exchange(order[size_t(j)], -1);
            if (from == start) {
                tickets[j] = std::move(held);
                break;
            }
            tickets[j] = std::move(tickets[from]);
            j = from;
        }
    }
}

QString TicketListModel::countLine(qsizetype count)
{
    return QString::number(count) + u" ticket"_s + (count >= 2 ? u"s"_s : QString()) + u" au total"_s;
}

QString TicketListModel::sectionTitle(Section section)
{
    return section == Section::Open ? u"Tickets en cours"_s : u"Tickets fermés"_s;
}

void TicketListModel::setTickets(QList<Ticket> tickets)
{
    beginResetModel();
    sortNewestFirst(tickets);
    m_tickets = std::move(tickets);
    m_cardText.assign(size_t(m_tickets.size()), std::nullopt);
    buildRows();
    endResetModel();
}

void TicketListModel::buildRows()
{
    m_rows.clear();
    std::vector<int> open, closed;
    for (int i = 0; i < m_tickets.size(); ++i) {
        const QString status = statusOf(m_tickets.at(i));
        if (Status::isOpen(status))
            open.push_back(i);
        else if (Status::isClosed(status))
            closed.push_back(i);
    }
    m_rows.reserve(open.size() + closed.size() + 2);
    m_open = m_closed = SectionRows();
    auto addSection = [this](Section section, const std::vector<int> &members) {
        if (members.empty())
            return;
        SectionRows &rows = section == Section::Open ? m_open : m_closed;
        rows.header = int(m_rows.size());
        rows.first = rows.header + 1;
        rows.last = rows.header + int(members.size());
        m_rows.push_back({ RowKind::Header, section, int(members.size()) });
        for (const int index : members)
            m_rows.push_back({ RowKind::Card, section, index });
    };
    addSection(Section::Open, open);
    addSection(Section::Closed, closed);
}

QList<Ticket> TicketListModel::openTickets() const
{
    QList<Ticket> result;
    std::copy_if(m_tickets.cbegin(), m_tickets.cend(), std::back_inserter(result),
        [](const Ticket &t) { return Status::isOpen(statusOf(t)); });
    return result;
}

QList<Ticket> TicketListModel::closedTickets() const
{
    QList<Ticket> result;
    std::copy_if(m_tickets.cbegin(), m_tickets.cend(), std::back_inserter(result),
        [](const Ticket &t) { return Status::isClosed(statusOf(t)); });
    return result;
}

TicketListModel::SectionRows TicketListModel::sectionRows(Section section) const
{
    return section == Section::Open ? m_open : m_closed;
}

const Ticket &TicketListModel::ticketAt(int row) const
{
    const Row &r = m_rows.at(size_t(row));
    Q_ASSERT(r.kind == RowKind::Card);
    return m_tickets.at(r.ticket);
}

int TicketListModel::rowOfTicket(qint64 id) const
{
    for (size_t row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].kind == RowKind::Card && m_tickets.at(m_rows[row].ticket).id == id)
            return int(row);
    }
    return -1;
}

const TicketListModel::CardText &TicketListModel::cardText(int row) const
{
    const int index = m_rows.at(size_t(row)).ticket;
    std::optional<CardText> &cached = m_cardText[size_t(index)];
    if (cached)
        return *cached;

    const Ticket &t = m_tickets.at(index);
    CardText text;
    // A ticket without status is shown as open, though it sits in no section.
    const QString status = t.status.value_or(u"open"_s);
    text.status = Status::badgeText(status);
    text.statusTint = Status::tint(status);
    text.priority = Priority::badgeText(t.priorite);
    text.priorityTint = Priority::tint(t.priorite);
    text.title = t.displayTitle();
    text.date = Dates::formatAdminCard(t.createdAt.value_or(QString()));
    text.hasName = t.prenom && t.nom;
    if (text.hasName)
        text.name = *t.prenom + u' ' + *t.nom;
    if (t.societe && !t.societe->isEmpty())
        text.company = *t.societe;

    QStringList parts { u"Statut "_s + text.status, u"priorité "_s + text.priority,
        u"créé le "_s + text.date };
    if (text.hasName)
        parts << u"par "_s + text.name;
    if (!text.company.isEmpty())
        parts << u"société "_s + text.company;
    text.accessibleDescription = parts.join(u", "_s);
    cached = std::move(text);
    return *cached;
}

int TicketListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant TicketListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row &row = m_rows[size_t(index.row())];
    switch (role) {
    case RowKindRole:
        return int(row.kind);
    case SectionRole:
        return int(row.section);
    default:
        break;
    }
    if (row.kind == RowKind::Header) {
        switch (role) {
        case Qt::DisplayRole:
            return sectionTitle(row.section);
        case SectionCountRole:
            return row.ticket;
        case Qt::AccessibleTextRole:
            // Read as a sentence: "Tickets en cours, 3 tickets".
            return QString(sectionTitle(row.section) + u", "_s + QString::number(row.ticket) + u" ticket"_s
                + (row.ticket >= 2 ? u"s"_s : QString()));
        default:
            return {};
        }
    }
    switch (role) {
    case TicketIdRole:
        return m_tickets.at(row.ticket).id;
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return cardText(index.row()).title;
    case Qt::AccessibleDescriptionRole:
        return cardText(index.row()).accessibleDescription;
    default:
        return {};
    }
}

Qt::ItemFlags TicketListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Headers are text to read, not places for the keyboard cursor.
    if (rowKind(index.row()) == RowKind::Header)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
