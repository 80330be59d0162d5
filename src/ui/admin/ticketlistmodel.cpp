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
    return (count >= 2 ? tr("%1 tickets au total") : tr("%1 ticket au total")).arg(count);
}

QString TicketListModel::sectionTitle(Section section)
{
    return section == Section::Open ? tr("Tickets en cours") : tr("Tickets fermés");
}

QString TicketListModel::unreadText(int count)
{
    if (count <= 0)
        return {};
    return count == 1 ? tr("1 message non lu") : tr("%1 messages non lus").arg(count);
}

QString TicketListModel::unreadBadge(int count)
{
    if (count <= 0)
        return {};
    return count == 1 ? tr("1 non lu") : tr("%1 non lus").arg(count);
}

int TicketListModel::rowOfTicket(qint64 id) const
{
    return m_cardRows.value(id, -1);
}

void TicketListModel::setUnread(qint64 ticketId, int count)
{
    count = qMax(0, count);
    if (m_unread.value(ticketId, 0) == count)
        return;
    if (count > 0)
        m_unread.insert(ticketId, count);
    else
        m_unread.remove(ticketId);
    if (const int row = rowOfTicket(ticketId); row >= 0)
        Q_EMIT dataChanged(index(row), index(row), { UnreadRole, Qt::AccessibleDescriptionRole });
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
    m_cardRows.clear();
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
        for (const int index : members) {
            m_cardRows.insert(m_tickets.at(index).id, int(m_rows.size()));
            m_rows.push_back({ RowKind::Card, section, index });
        }
    };
    addSection(Section::Open, open);
    addSection(Section::Closed, closed);
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

const TicketListModel::CardText &TicketListModel::cardText(int row) const
{
    const int index = m_rows.at(size_t(row)).ticket;
    std::optional<CardText> &cached = m_cardText[size_t(index)];
    if (!cached)
        cached = describe(m_tickets.at(index));
    return *cached;
}

TicketListModel::CardText TicketListModel::describe(const Ticket &t)
{
    CardText text;
    // A ticket without status is shown as open, though it sits in no section.
    const QString status = t.status.value_or(u"open"_s);
    text.status = Status::badgeText(status);
    text.statusTint = Status::tint(status);
    text.priority = Priority::badgeText(t.priorite);
    text.priorityTint = Priority::tint(t.priorite);
    text.title = t.displayTitle();
    text.date = Dates::formatAdminCard(t.createdAt.value_or(QString()));
    if (t.prenom && t.nom)
        text.name = *t.prenom + u' ' + *t.nom;
    if (t.societe && !t.societe->isEmpty())
        text.company = *t.societe;

    QStringList parts { tr("Statut %1").arg(text.status), tr("priorité %1").arg(text.priority),
        tr("créé le %1").arg(text.date) };
    if (t.prenom && t.nom)
        parts << tr("par %1").arg(text.name);
    if (!text.company.isEmpty())
        parts << tr("société %1").arg(text.company);
    text.accessibleDescription = parts.join(u", "_s);
    return text;
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
    return row.kind == RowKind::Header ? sectionRowData(row, role) : cardRowData(index.row(), role);
}

QVariant TicketListModel::sectionRowData(const Row &row, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return sectionTitle(row.section);
    case SectionCountRole:
        return row.ticket;
    case Qt::AccessibleTextRole:
        // Read as a sentence: "Tickets en cours, 3 tickets".
        return (row.ticket >= 2 ? tr("%1, %2 tickets") : tr("%1, %2 ticket"))
            .arg(sectionTitle(row.section), QString::number(row.ticket));
    default:
        return {};
    }
}

QVariant TicketListModel::cardRowData(int row, int role) const
{
    if (role == TicketIdRole)
        return m_tickets.at(m_rows[size_t(row)].ticket).id;
    if (role == UnreadRole)
        return m_unread.value(m_tickets.at(m_rows[size_t(row)].ticket).id, 0);
    // Other roles (the view's decoration, font, ...) do not format the card.
    const bool shown = role == Qt::DisplayRole || role == Qt::AccessibleTextRole
        || role == Qt::AccessibleDescriptionRole || (role >= StatusBadgeRole && role <= CompanyRole);
    if (!shown)
        return {};
    const CardText &text = cardText(row);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return text.title;
    case Qt::AccessibleDescriptionRole: {
        const int unread = m_unread.value(m_tickets.at(m_rows[size_t(row)].ticket).id, 0);
        return unread > 0 ? text.accessibleDescription + u", "_s + unreadText(unread)
                          : text.accessibleDescription;
    }
    case StatusBadgeRole:
        return text.status;
    case StatusTintRole:
        return int(text.statusTint);
    case PriorityBadgeRole:
        return text.priority;
    case PriorityTintRole:
        return int(text.priorityTint);
    case DateRole:
        return text.date;
    case AuthorRole:
        return text.name;
    case CompanyRole:
        return text.company;
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
