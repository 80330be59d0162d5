#include "conversationoutbox.h"

#include "log.h"
#include "statedirectory.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

std::optional<OutboxEntry> decodeEntry(const QJsonObject &object)
{
    const QJsonValue ticketId = object.value(u"ticket_id");
    const QUuid clientId(object.value(u"client_id").toString());
    const QJsonValue text = object.value(u"text");
    const QJsonValue writtenAt = object.value(u"written_at");
    if (!ticketId.isDouble() || clientId.isNull() || !text.isString() || !writtenAt.isString())
        return std::nullopt;
    return OutboxEntry { qint64(ticketId.toDouble()), clientId, text.toString(), writtenAt.toString(),
        object.value(u"from_staff").toBool(), OutboxEntry::State::Pending, {} };
}

QJsonObject encodeEntry(const OutboxEntry &entry)
{
    return { { u"ticket_id"_s, entry.ticketId },
        { u"client_id"_s, entry.clientId.toString(QUuid::WithoutBraces) }, { u"text"_s, entry.text },
        { u"written_at"_s, entry.writtenAt }, { u"from_staff"_s, entry.fromStaff } };
}

} // namespace

QString ConversationOutbox::defaultPath()
{
    return StateDirectory::filePath(u"conversation-outbox.json"_s);
}

ConversationOutbox::ConversationOutbox(QString path)
    : m_path(std::move(path))
{
    load();
}

void ConversationOutbox::load()
{
    QFile file(m_path);
    if (!file.exists())
        return;
    QJsonParseError error {};
    QJsonDocument document;
    if (file.size() <= MaxFileBytes && file.open(QIODevice::ReadOnly))
        document = QJsonDocument::fromJson(file.readAll(), &error);
    const QJsonValue list = document.object().value(u"entries");
    if (error.error != QJsonParseError::NoError || !list.isArray()) {
        logLine(u"⚠️ Messages en attente illisibles ignorés : "_s + m_path);
        return;
    }
    for (const QJsonValue &item : list.toArray()) {
        const auto entry = decodeEntry(item.toObject());
        if (entry && !find(entry->clientId))
            m_entries.append(*entry);
    }
}

OutboxEntry *ConversationOutbox::find(const QUuid &clientId)
{
    for (OutboxEntry &entry : m_entries) {
        if (entry.clientId == clientId)
            return &entry;
    }
    return nullptr;
}

void ConversationOutbox::append(const OutboxEntry &entry)
{
    m_entries.append(entry);
    save();
}

void ConversationOutbox::remove(const QUuid &clientId)
{
    m_entries.removeIf([&clientId](const OutboxEntry &entry) { return entry.clientId == clientId; });
    save();
}

bool ConversationOutbox::save()
{
    QJsonArray list;
    for (const OutboxEntry &entry : std::as_const(m_entries)) {
        if (entry.state == OutboxEntry::State::Pending)
            list.append(encodeEntry(entry));
    }
    if (list.isEmpty()) {
        QFile::remove(m_path);
        return true;
    }
    QSaveFile file(m_path);
    const bool written = StateDirectory::ensure() && file.open(QIODevice::WriteOnly)
        && file.write(QJsonDocument(QJsonObject { { u"entries"_s, list } }).toJson(QJsonDocument::Compact))
            >= 0
        && file.commit();
    if (!written && !std::exchange(m_failing, true))
        logLine(u"❌ Messages en attente non enregistrés : "_s + m_path + u" ("_s + file.errorString() + u')');
    if (written)
        m_failing = false;
    return written;
}
