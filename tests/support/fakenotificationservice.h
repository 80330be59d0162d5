#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A notification service of the test's own on the private bus, for what the
// real daemon cannot do (answer in a notification): it says the capabilities
// it is given, keeps every Notify call and emits the service's signals as if
// its user had acted. It owns the service name only while dunst does not.
class FakeNotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown
    {
        uint id = 0;
        uint replacesId = 0;
        QString summary;
        QString body;
        QStringList actions;
    };

    explicit FakeNotificationService(QStringList capabilities, QObject *parent = nullptr)
        : QObject(parent)
        , m_capabilities(std::move(capabilities))
        , m_connection(QDBusConnection::connectToBus(
              QDBusConnection::SessionBus, QStringLiteral("fake-notifications")))
    {
        m_connection.registerObject(
            QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportAllSlots);
    }

    ~FakeNotificationService() override
    {
        m_connection.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        m_connection.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
    }

    // False while another service holds the name.
    bool registerService()
    {
        return m_connection.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

    const QList<Shown> &shown() const { return m_shown; }

    void emitSignal(const QString &name, uint id, const QString &text)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), name);
        signal << id << text;
        m_connection.send(signal);
    }

public Q_SLOTS:
    QStringList GetCapabilities() { return m_capabilities; }

    uint Notify(const QString &appName, uint replacesId, const QString &appIcon, const QString &summary,
        const QString &body, const QStringList &actions, const QVariantMap &hints, int expireTimeout)
    {
        Q_UNUSED(appName);
        Q_UNUSED(appIcon);
        Q_UNUSED(hints);
        Q_UNUSED(expireTimeout);
        const uint id = replacesId != 0 ? replacesId : ++m_lastId;
        m_shown.append({ id, replacesId, summary, body, actions });
        return id;
    }

private:
    QStringList m_capabilities;
    QDBusConnection m_connection;
    QList<Shown> m_shown;
    uint m_lastId = 0;
};
