#pragma once

#include <QHash>
#include <QString>

// The status of each of the user's tickets as the program last saw it, kept
// in the state directory so that a ticket closed while the program was not
// listening can be told at the next start. Bound to one user: another user
// id starts from nothing. An unreadable file counts as nothing seen.
class TicketStatusMemory
{
public:
    static QString defaultPath();
    explicit TicketStatusMemory(QString path = defaultPath());

    // Reads the file for userId; false when nothing was remembered for him.
    bool load(qint64 userId);
    qint64 userId() const { return m_userId; }
    bool knows(qint64 ticketId) const { return m_statuses.contains(ticketId); }
    QString status(qint64 ticketId) const { return m_statuses.value(ticketId); }

    void setStatus(qint64 ticketId, const QString &status) { m_statuses.insert(ticketId, status); }
    // Forgets every ticket, as when a list from the server replaces them.
    void clear() { m_statuses.clear(); }
    bool save() const;

private:
    QString m_path;
    qint64 m_userId = 0;
    QHash<qint64, QString> m_statuses;
};
