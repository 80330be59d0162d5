#include "conversations.h"

#include "apiservice.h"
#include "log.h"
#include "protocol/errors.h"
#include "usersettings.h"
#include "websocketservice.h"

#include <QDateTime>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString StaffSide = u"admin"_s;
const QString UserSide = u"user"_s;

// Typing and read marks are hints: a lost one costs nothing, so its failure
// is only logged.
QCoro::Task<void> fireAndForget(QCoro::Task<void> request, QString what)
{
    try {
        co_await std::move(request);
    } catch (const NorvikError &error) {
        logLine(u"⚠️ "_s + what + u" : "_s + error.description());
    }
}

bool isRefusal(const APIError &error)
{
    return error.statusCode >= 400 && error.statusCode < 500;
}

} // namespace

Conversations::Conversations(APIService &api, WebSocketService &channel, const UserSettings &settings,
    const CredentialStore &credentials, QString outboxPath, QObject *parent)
    : QObject(parent)
    , m_api(api)
    , m_channel(channel)
    , m_settings(settings)
    , m_credentials(credentials)
    , m_outbox(std::move(outboxPath))
{
    connect(&m_channel, &WebSocketService::messagePushed, this, &Conversations::receive);
    connect(&m_channel, &WebSocketService::adminTyping, this, [this](qint64 ticketId) {
        if (!isStaffSide())
            otherSideTyping(ticketId);
    });
    connect(&m_channel, &WebSocketService::userTyping, this, [this](qint64 ticketId) {
        if (isStaffSide())
            otherSideTyping(ticketId);
    });
    // Back online: what was written meanwhile goes out now.
    connect(&m_channel, &WebSocketService::authenticated, this, [this] { flush(); });
}

QString Conversations::defaultOutboxPath()
{
    return ConversationOutbox::defaultPath();
}

bool Conversations::isStaffSide() const
{
    return m_settings.readBool(UserSettings::IsAdmin);
}

CredentialStore::Kind Conversations::credentialKind(bool staff) const
{
    return staff ? CredentialStore::Kind::StaffSession : CredentialStore::Kind::UserSecret;
}

bool Conversations::hasCredential(bool staff) const
{
    return !m_credentials.value(credentialKind(staff)).isEmpty();
}

bool Conversations::isAvailable() const
{
    return hasCredential(isStaffSide());
}

QString Conversations::ownSender() const
{
    return isStaffSide() ? StaffSide : UserSide;
}

ConversationEntry Conversations::storedEntry(const ConversationMessage &message) const
{
    ConversationEntry entry;
    entry.message = message;
    entry.isOwn = message.sender == ownSender();
    return entry;
}

QList<ConversationEntry> Conversations::entries(qint64 ticketId) const
{
    QList<ConversationEntry> result = m_stored.value(ticketId);
    const QString sender = ownSender();
    for (const OutboxEntry &waiting : m_outbox.entries()) {
        if (waiting.ticketId != ticketId)
            continue;
        ConversationEntry entry;
        entry.message = { 0, ticketId, waiting.fromStaff ? StaffSide : UserSide, QString(), waiting.text,
            waiting.writtenAt };
        entry.state = waiting.state == OutboxEntry::State::Failed ? ConversationEntry::State::Failed
                                                                  : ConversationEntry::State::Pending;
        entry.clientId = waiting.clientId;
        entry.error = waiting.error;
        entry.isOwn = entry.message.sender == sender;
        result.append(entry);
    }
    return result;
}

QCoro::Task<void> Conversations::load(qint64 ticketId)
{
    if (!isAvailable())
        co_return;
    const QPointer<Conversations> self(this);
    const QList<ConversationMessage> messages
        = co_await m_api.getMessages(ticketId, credentialKind(isStaffSide()));
    if (!self)
        co_return;
    QList<ConversationEntry> loaded;
    QSet<qint64> ids;
    for (const ConversationMessage &message : messages) {
        loaded.append(storedEntry(message));
        ids.insert(message.id);
    }
    // A push that overtook the answer keeps its place at the end.
    for (const ConversationEntry &known : m_stored.value(ticketId)) {
        if (known.message.id == 0 || !ids.contains(known.message.id))
            loaded.append(known);
    }
    m_stored.insert(ticketId, loaded);
    Q_EMIT changed(ticketId);
}

void Conversations::send(qint64 ticketId, const QString &text)
{
    // Nothing is kept that could never go out: no credential, or no text.
    if (!isAvailable() || text.trimmed().isEmpty())
        return;
    OutboxEntry entry;
    entry.ticketId = ticketId;
    entry.clientId = QUuid::createUuid();
    entry.text = text;
    entry.writtenAt = QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss"_s);
    entry.fromStaff = isStaffSide();
    m_outbox.append(entry);
    Q_EMIT changed(ticketId);
    flush();
}

void Conversations::retry(qint64 ticketId, const QUuid &clientId)
{
    OutboxEntry *entry = m_outbox.find(clientId);
    if (!entry || entry->ticketId != ticketId)
        return;
    entry->state = OutboxEntry::State::Pending;
    entry->error.clear();
    m_outbox.save();
    Q_EMIT changed(ticketId);
    flush();
}

QCoro::Task<void> Conversations::flush()
{
    if (std::exchange(m_flushing, true)) {
        m_flushAgain = true;
        co_return;
    }
    const QPointer<Conversations> self(this);
    do {
        m_flushAgain = false;
        QSet<QUuid> tried;
        for (;;) {
            std::optional<OutboxEntry> next;
            for (const OutboxEntry &entry : m_outbox.entries()) {
                if (entry.state == OutboxEntry::State::Pending && !tried.contains(entry.clientId)
                    && hasCredential(entry.fromStaff)) {
                    next = entry;
                    break;
                }
            }
            if (!next)
                break;
            tried.insert(next->clientId);
            const bool reached = co_await deliver(*next);
            if (!self)
                co_return;
            if (!reached)
                break;
        }
    } while (m_flushAgain);
    m_flushing = false;
}

QCoro::Task<bool> Conversations::deliver(OutboxEntry entry)
{
    const QPointer<Conversations> self(this);
    try {
        const qint64 messageId = co_await m_api.sendMessage(
            entry.ticketId, entry.text, entry.clientId, credentialKind(entry.fromStaff));
        if (self)
            delivered(entry, messageId);
        co_return true;
    } catch (const APIError &error) {
        if (!self || !isRefusal(error))
            co_return false;
        if (OutboxEntry *kept = m_outbox.find(entry.clientId)) {
            kept->state = OutboxEntry::State::Failed;
            kept->error = error.message;
            m_outbox.save();
            Q_EMIT changed(entry.ticketId);
        }
        co_return true;
    } catch (const NorvikError &) {
        co_return false;
    }
}

void Conversations::delivered(const OutboxEntry &entry, qint64 messageId)
{
    m_outbox.remove(entry.clientId);
    QList<ConversationEntry> &stored = m_stored[entry.ticketId];
    const bool known = std::any_of(stored.cbegin(), stored.cend(),
        [messageId](const ConversationEntry &kept) { return kept.message.id == messageId; });
    if (!known) {
        ConversationEntry sent;
        sent.message = { messageId, entry.ticketId, entry.fromStaff ? StaffSide : UserSide, QString(),
            entry.text, entry.writtenAt };
        sent.clientId = entry.clientId;
        sent.isOwn = entry.fromStaff == isStaffSide();
        stored.append(sent);
    }
    Q_EMIT changed(entry.ticketId);
}

void Conversations::receive(const ConversationMessage &message)
{
    // A server that does not tell its callers apart has no conversations:
    // what it pushes changes nothing here.
    if (!isAvailable())
        return;
    QList<ConversationEntry> &stored = m_stored[message.ticketId];
    if (message.id != 0) {
        for (const ConversationEntry &kept : std::as_const(stored)) {
            if (kept.message.id == message.id)
                return;
        }
    }
    const ConversationEntry entry = storedEntry(message);
    stored.append(entry);
    Q_EMIT changed(message.ticketId);
    if (entry.isOwn)
        return;
    setUnread(message.ticketId, unreadCount(message.ticketId) + 1);
    // Whoever sent a message has stopped typing it.
    if (QTimer *timer = m_typingShown.value(message.ticketId); timer && timer->isActive()) {
        timer->stop();
        Q_EMIT typingChanged(message.ticketId, false);
    }
    Q_EMIT messageReceived(message);
}

void Conversations::typing(qint64 ticketId)
{
    if (!isAvailable())
        return;
    QElapsedTimer &last = m_typingSent[ticketId];
    if (last.isValid() && last.elapsed() < TypingSentEveryMs)
        return;
    last.start();
    fireAndForget(m_api.sendTyping(ticketId, credentialKind(isStaffSide())), u"Indication de saisie"_s);
}

void Conversations::otherSideTyping(qint64 ticketId)
{
    if (!isAvailable())
        return;
    QTimer *&timer = m_typingShown[ticketId];
    if (!timer) {
        timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, ticketId] { Q_EMIT typingChanged(ticketId, false); });
    }
    const bool wasShown = timer->isActive();
    timer->start(m_typingShownMs);
    if (!wasShown)
        Q_EMIT typingChanged(ticketId, true);
}

bool Conversations::isOtherSideTyping(qint64 ticketId) const
{
    const QTimer *timer = m_typingShown.value(ticketId);
    return timer && timer->isActive();
}

int Conversations::unreadCount(qint64 ticketId) const
{
    return m_unread.value(ticketId);
}

int Conversations::totalUnread() const
{
    int total = 0;
    for (const int count : m_unread)
        total += count;
    return total;
}

void Conversations::setUnreadCount(qint64 ticketId, int count)
{
    setUnread(ticketId, std::max(count, 0));
}

void Conversations::setUnread(qint64 ticketId, int count)
{
    if (m_unread.value(ticketId) == count)
        return;
    m_unread.insert(ticketId, count);
    Q_EMIT unreadChanged(ticketId, count);
}

void Conversations::markRead(qint64 ticketId)
{
    setUnread(ticketId, 0);
    if (isAvailable())
        fireAndForget(m_api.markMessagesRead(ticketId, credentialKind(isStaffSide())), u"Messages lus"_s);
}
