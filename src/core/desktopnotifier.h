#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

class NotificationsProxy;

// Shows desktop notifications through the session bus's notification
// service. An identifier shown again replaces its earlier notification.
// Ticket texts are shown as written, never as markup, whatever the service.
// Without a service (or when it refuses), the fallback shows the text instead,
// typically as the tray icon's balloon. Never blocks the caller.
class DesktopNotifier : public QObject
{
    Q_OBJECT

public:
    using Fallback = std::function<void(const QString &title, const QString &body)>;

    // What the user may do with a notification besides reading it.
    enum class Interaction {
        None,
        Open, // clicking it: activated()
        OpenOrReply, // and, where the service can, answering in it: replied()
    };

    explicit DesktopNotifier(QObject *parent = nullptr);

    void notify(const QString &identifier, const QString &title, const QString &body,
        Interaction interaction = Interaction::None);
    void setFallback(Fallback fallback);

    // The notification id the service gave an identifier still shown, or 0.
    uint notificationId(const QString &identifier) const { return m_ids.value(identifier); }

Q_SIGNALS:
    // The Notify call left for the service (benchmarks time this).
    void sent(const QString &identifier);
    // The service accepted a notification (tests and diagnostics).
    void delivered(const QString &identifier, uint notificationId);
    // The text went to the fallback instead.
    void fellBack(const QString &identifier);
    // The user clicked the notification shown for identifier.
    void activated(const QString &identifier);
    // The user answered text in the notification shown for identifier.
    void replied(const QString &identifier, const QString &text);

private:
    struct Request
    {
        QString title;
        QString body;
        Interaction interaction = Interaction::None;
    };

    NotificationsProxy *service();
    void send(NotificationsProxy *proxy, const QString &identifier, const Request &request,
        const QStringList &capabilities);
    QStringList actionsFor(Interaction interaction, const QStringList &capabilities) const;
    // The identifier shown under a notification id, empty when none of ours.
    QString identifierOf(uint notificationId) const;
    void showFallback(const QString &identifier, const QString &title, const QString &body);
    void onClosed(uint notificationId, uint reason);

    NotificationsProxy *m_service = nullptr;
    QHash<QString, uint> m_ids;
    QSet<QString> m_inFlight;
    QHash<QString, Request> m_queued; // newest request per identifier
    Fallback m_fallback;
};
