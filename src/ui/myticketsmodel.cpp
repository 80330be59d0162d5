#include "myticketsmodel.h"

#include "protocol/dates.h"
#include "protocol/vocabulary.h"
#include "ui/widgets/style.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

QString capitalised(const QString &word)
{
    const QString lower = word.toLower();
    return lower.left(1).toUpper() + lower.mid(1);
}

} // namespace

MyTicketsModel::MyTicketsModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

QString MyTicketsModel::formatDate(const QString &timestamp)
{
    return Dates::formatUserCard(timestamp);
}

void MyTicketsModel::setTickets(const QList<UserTicket> &tickets)
{
    // A reload replaces the whole list: the server's order is the order shown.
    beginResetModel();
    m_cards.clear();
    m_rows.clear();
    m_cards.reserve(tickets.size());
    for (const UserTicket &ticket : tickets) {
        Card card;
        card.id = ticket.id;
        card.title = ticket.titre;
        card.description = ticket.description;
        card.priorityWord = capitalised(ticket.priorite);
        // The shared vocabulary, lower-cased: a capital letter changes nothing.
        const Tint priority = Priority::tint(ticket.priorite);
        card.priorityColor = Style::tint(priority == Tint::Gray ? Tint::Green : priority);
        const bool closed = Status::isClosed(ticket.status);
        card.statusWord = closed ? tr("Terminé") : tr("En cours");
        card.statusColor = closed ? Style::ticketDone() : Style::ticketInProgress();
        card.createdAt = ticket.createdAt;
        card.closeMessage = ticket.closeMessage.value_or(QString());
        card.isClosed = closed;
        if (closed)
            card.closedAt = ticket.closedAt;
        m_rows.insert(card.id, int(m_cards.size()));
        m_cards.append(std::move(card));
    }
    // Forget the open state of tickets that left the list.
    for (auto it = m_expanded.begin(); it != m_expanded.end();)
        it = m_rows.contains(*it) ? std::next(it) : m_expanded.erase(it);
    m_expansion.clear();
    endResetModel();
}

int MyTicketsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_cards.size());
}

QVariant MyTicketsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_cards.size())
        return {};
    const Card &card = m_cards.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case TitleRole:
        return card.title;
    case IdRole:
        return card.id;
    case DescriptionRole:
        return card.description;
    case PriorityWordRole:
        return card.priorityWord;
    case PriorityColorRole:
        return card.priorityColor;
    case StatusWordRole:
        return card.statusWord;
    case StatusColorRole:
        return card.statusColor;
    case CreatedRole:
        return card.createdText();
    case CloseMessageRole:
        return card.closeMessage;
    case ClosedRole:
        return card.closedText();
    case ExpandedRole:
        return isExpanded(card.id);
    case ExpansionRole:
        return expansion(card.id);
    case UnreadRole:
        return unread(card.id);
    case UnreadTextRole:
        return unreadText(unread(card.id));
    case IsClosedRole:
        return card.isClosed;
    case Qt::AccessibleTextRole:
        return accessibleText(card);
    case Qt::AccessibleDescriptionRole:
        return accessibleDescription(card);
    default:
        return {};
    }
}

// What a screen reader says for a card: what its header and title show.
QString MyTicketsModel::accessibleText(const Card &card) const
{
    const QString text = tr("%1, priorité %2, %3, créé le %4")
                             .arg(card.title, card.priorityWord, card.statusWord, card.createdText());
    const int count = unread(card.id);
    return count > 0 ? text + u", "_s + unreadText(count) : text;
}

QString MyTicketsModel::unreadText(int count)
{
    if (count <= 0)
        return {};
    return count == 1 ? tr("1 nouveau message") : tr("%1 nouveaux messages").arg(count);
}

void MyTicketsModel::setUnread(qint64 id, int count)
{
    if (unread(id) == qMax(0, count))
        return;
    if (count > 0)
        m_unread.insert(id, count);
    else
        m_unread.remove(id);
    emitChanged(id);
}

// The opened card's body; a closed card says how to open it.
QString MyTicketsModel::accessibleDescription(const Card &card) const
{
    if (!isExpanded(card.id))
        return tr("Réduit. Espace pour voir plus.");
    QStringList parts { card.description };
    if (!card.closeMessage.isEmpty())
        parts << tr("Réponse du support : %1").arg(card.closeMessage);
    if (card.closedAt)
        parts << card.closedText();
    return parts.join(u". "_s);
}

QString MyTicketsModel::Card::createdText() const
{
    if (!created)
        created = formatDate(createdAt);
    return *created;
}

QString MyTicketsModel::Card::closedText() const
{
    if (!closedAt)
        return {};
    if (!closed)
        closed = QCoreApplication::translate("MyTicketsModel", "Fermé le %1").arg(formatDate(*closedAt));
    return *closed;
}

void MyTicketsModel::emitChanged(qint64 id)
{
    const int row = rowOf(id);
    if (row >= 0)
        Q_EMIT dataChanged(index(row), index(row));
}

void MyTicketsModel::setExpanded(qint64 id, bool expanded)
{
    if (rowOf(id) < 0 || isExpanded(id) == expanded)
        return;
    if (expanded)
        m_expanded.insert(id);
    else
        m_expanded.remove(id);
    emitChanged(id);
}

void MyTicketsModel::setExpansion(qint64 id, qreal progress)
{
    if (rowOf(id) < 0)
        return;
    m_expansion.insert(id, progress);
    emitChanged(id);
}
