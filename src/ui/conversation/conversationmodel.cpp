#include "conversationmodel.h"

#include "protocol/dates.h"

using namespace Qt::StringLiterals;

ConversationModel::ConversationModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

QString ConversationModel::formatTime(const QString &timestamp)
{
    const std::optional<QDateTime> parsed = Dates::parseApiTimestamp(timestamp);
    return parsed ? parsed->toString(u"dd/MM/yyyy HH:mm"_s) : timestamp;
}

void ConversationModel::setEntries(const QList<ConversationEntry> &entries)
{
    // Only what changed is replaced: the shared beginning stays, so the view
    // keeps its scroll position and its measured heights.
    qsizetype same = 0;
    while (same < m_entries.size() && same < entries.size() && m_entries.at(same).entry == entries.at(same))
        ++same;
    if (same < m_entries.size()) {
        beginRemoveRows({}, int(same), int(m_entries.size() - 1));
        m_entries.resize(same);
        endRemoveRows();
    }
    if (same < entries.size()) {
        beginInsertRows({}, int(same), int(entries.size() - 1));
        for (qsizetype i = same; i < entries.size(); ++i)
            m_entries.append({ entries.at(i), formatTime(entries.at(i).message.createdAt) });
        endInsertRows();
    }
}

int ConversationModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant ConversationModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    const Row &row = m_entries.at(index.row());
    const ConversationEntry &entry = row.entry;
    switch (role) {
    case Qt::DisplayRole:
    case TextRole:
        return entry.message.message;
    case SenderRole:
        return senderOf(entry);
    case TimeRole:
        return row.time;
    case StateRole:
        return int(entry.state);
    case ErrorRole:
        return entry.error;
    case IsOwnRole:
        return entry.isOwn;
    case ClientIdRole:
        return entry.clientId;
    case KeyRole:
        return entry.message.id != 0 ? QString::number(entry.message.id) : entry.clientId.toString();
    case Qt::AccessibleTextRole:
        return accessibleText(row);
    default:
        return {};
    }
}

// Messages written here carry no name until the conversation is loaded again.
QString ConversationModel::senderOf(const ConversationEntry &entry) const
{
    if (entry.message.senderName.isEmpty() && entry.isOwn)
        return tr("Vous");
    return entry.message.senderName;
}

// What a screen reader says for a bubble: who, when, what, and how it stands.
QString ConversationModel::accessibleText(const Row &row) const
{
    const ConversationEntry &entry = row.entry;
    QString text = tr("%1, %2 : %3").arg(senderOf(entry), row.time, entry.message.message);
    if (entry.state == ConversationEntry::State::Pending)
        text += u". "_s + tr("En attente");
    else if (entry.state == ConversationEntry::State::Failed)
        text += u". "_s + tr("Non envoyé : %1").arg(entry.error);
    return text;
}
