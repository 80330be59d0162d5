#include "ticketstatusmemory.h"

#include "log.h"
#include "protocol/jsonreader.h"
#include "statedirectory.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {
// Far more than any user's list; a larger file is not one this program wrote.
constexpr qint64 MaxFileBytes = 16LL * 1024 * 1024;
} // namespace

QString TicketStatusMemory::defaultPath()
{
    return StateDirectory::filePath(u"ticket-statuses.json"_s);
}

TicketStatusMemory::TicketStatusMemory(QString path)
    : m_path(std::move(path))
{ }

bool TicketStatusMemory::load(qint64 userId)
{
    m_userId = userId;
    m_statuses.clear();
    QFile file(m_path);
    if (!file.exists())
        return false;
    QJsonObject object;
    if (file.size() <= MaxFileBytes && file.open(QIODevice::ReadOnly))
        object = QJsonDocument::fromJson(file.readAll()).object();
    const auto storedUser = JsonReader::wholeNumber(object.value(u"user_id"));
    const QJsonValue tickets = object.value(u"tickets");
    if (!storedUser || !tickets.isObject()) {
        logLine(u"⚠️ Statuts des tickets illisibles ignorés : "_s + m_path);
        return false;
    }
    if (*storedUser != userId)
        return false;
    const QJsonObject map = tickets.toObject();
    for (auto it = map.begin(); it != map.end(); ++it) {
        bool number = false;
        const qint64 id = it.key().toLongLong(&number);
        if (number && it.value().isString())
            m_statuses.insert(id, it.value().toString());
    }
    return true;
}

bool TicketStatusMemory::save() const
{
    QJsonObject tickets;
    for (auto it = m_statuses.begin(); it != m_statuses.end(); ++it)
        tickets.insert(QString::number(it.key()), it.value());
    const QJsonObject object { { u"user_id"_s, m_userId }, { u"tickets"_s, tickets } };
    QSaveFile file(m_path);
    const bool written = StateDirectory::ensure() && file.open(QIODevice::WriteOnly)
        && file.write(QJsonDocument(object).toJson(QJsonDocument::Compact)) >= 0 && file.commit();
    if (!written)
        logLine(u"❌ Statuts des tickets non enregistrés : "_s + m_path);
    return written;
}
