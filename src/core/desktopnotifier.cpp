#include "desktopnotifier.h"

#include "notificationsproxy.h"

#include <QDBusConnection>
#include <QDBusPendingCallWatcher>

using namespace Qt::StringLiterals;

namespace {

constexpr auto AppName = "Norvik Support";
constexpr auto AppIcon = "norvik-support";
constexpr auto DesktopEntry = "norvik-support";
constexpr auto DefaultSound = "message-new-instant";

// A service that reads markup would turn a title holding "<b>" or "&amp;"
// into formatting or links; escaped, the text shows as the user wrote it.
QString escapeMarkup(QString text)
{
    return text.replace(u'&', u"&amp;"_s).replace(u'<', u"&lt;"_s).replace(u'>', u"&gt;"_s);
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject *parent)
    : QObject(parent)
{ }

void DesktopNotifier::setFallback(Fallback fallback)
{
    m_fallback = std::move(fallback);
}

// The bus connection is made on first use, not at start-up, so a session
// without a bus costs nothing until a notification is due.
NotificationsProxy *DesktopNotifier::service()
{
    if (m_service)
        return m_service;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return nullptr;
    m_service = new NotificationsProxy(bus, this);
    connect(m_service, &NotificationsProxy::NotificationClosed, this, &DesktopNotifier::onClosed);
    // The service tells every program of every choice: only ours count.
    connect(m_service, &NotificationsProxy::ActionInvoked, this, [this](uint id, const QString &actionKey) {
        const QString identifier = identifierOf(id);
        if (!identifier.isEmpty() && actionKey == u"default")
            Q_EMIT activated(identifier);
    });
    connect(m_service, &NotificationsProxy::NotificationReplied, this, [this](uint id, const QString &text) {
        const QString identifier = identifierOf(id);
        if (!identifier.isEmpty())
            Q_EMIT replied(identifier, text);
    });
    return m_service;
}

void DesktopNotifier::notify(
    const QString &identifier, const QString &title, const QString &body, Interaction interaction)
{
    const Request request { title, body, interaction };
    // While the service has not yet answered for this identifier, the id to
    // replace is unknown: keep only the newest text and send it afterwards.
    if (m_inFlight.contains(identifier)) {
        m_queued.insert(identifier, request);
        return;
    }
    NotificationsProxy *proxy = service();
    if (!proxy) {
        showFallback(identifier, title, body);
        return;
    }

    m_inFlight.insert(identifier);
    // Asked each time, not once: another service, or the same one with
    // another configuration, may be answering by now.
    auto *capabilities = new QDBusPendingCallWatcher(proxy->getCapabilities(), this);
    connect(capabilities, &QDBusPendingCallWatcher::finished, this,
        [this, proxy, identifier, request](QDBusPendingCallWatcher *call) {
            call->deleteLater();
            const QDBusPendingReply<QStringList> answer = *call;
            // Without an answer the Notify call fails too, and falls back.
            send(proxy, identifier, request, answer.isError() ? QStringList() : answer.value());
        });
}

QStringList DesktopNotifier::actionsFor(Interaction interaction, const QStringList &capabilities) const
{
    QStringList actions;
    if (interaction == Interaction::None)
        return actions;
    actions << u"default"_s << tr("Ouvrir");
    if (interaction == Interaction::OpenOrReply && capabilities.contains(u"inline-reply"_s))
        actions << u"inline-reply"_s << tr("Répondre");
    return actions;
}

void DesktopNotifier::send(NotificationsProxy *proxy, const QString &identifier, const Request &request,
    const QStringList &capabilities)
{
    const bool markup = capabilities.contains(u"body-markup"_s);
    const QVariantMap hints { { u"sound-name"_s, QString::fromLatin1(DefaultSound) },
        { u"desktop-entry"_s, QString::fromLatin1(DesktopEntry) } };
    const QDBusPendingReply<uint> reply = proxy->notify(QString::fromLatin1(AppName), m_ids.value(identifier),
        QString::fromLatin1(AppIcon), markup ? escapeMarkup(request.title) : request.title,
        markup ? escapeMarkup(request.body) : request.body, actionsFor(request.interaction, capabilities),
        hints, -1);
    Q_EMIT sent(identifier);
    auto *watcher = new QDBusPendingCallWatcher(reply, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, identifier, request](QDBusPendingCallWatcher *call) {
            call->deleteLater();
            m_inFlight.remove(identifier);
            const QDBusPendingReply<uint> answer = *call;
            if (answer.isError()) {
                m_ids.remove(identifier);
                showFallback(identifier, request.title, request.body);
            } else {
                m_ids.insert(identifier, answer.value());
                Q_EMIT delivered(identifier, answer.value());
            }
            if (m_queued.contains(identifier)) {
                const Request next = m_queued.take(identifier);
                notify(identifier, next.title, next.body, next.interaction);
            }
        });
}

QString DesktopNotifier::identifierOf(uint notificationId) const
{
    return notificationId == 0 ? QString() : m_ids.key(notificationId);
}

void DesktopNotifier::showFallback(const QString &identifier, const QString &title, const QString &body)
{
    if (m_fallback)
        m_fallback(title, body);
    Q_EMIT fellBack(identifier);
}

void DesktopNotifier::onClosed(uint notificationId, uint /*reason*/)
{
    // The id may be handed out again: it must not replace someone else's
    // notification later.
    for (auto it = m_ids.begin(); it != m_ids.end(); ++it) {
        if (it.value() == notificationId) {
            m_ids.erase(it);
            return;
        }
    }
}
