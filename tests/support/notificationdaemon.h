#pragma once

#include "childprocess.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

// A private session bus (dbus-daemon) and, on an X display, a real
// notification daemon (dunst) on it, for tests and benchmarks. startBus()
// points DBUS_SESSION_BUS_ADDRESS at the private bus, so it must run before
// anything in the process connects to the session bus. Both processes stop
// with this object.
class NotificationDaemon
{
public:
    NotificationDaemon() = default;
    NotificationDaemon(const NotificationDaemon &) = delete;
    NotificationDaemon &operator=(const NotificationDaemon &) = delete;
    ~NotificationDaemon() { stop(); }

    bool startBus(QString *error)
    {
        // No service directory: nothing is started on demand, so a bus
        // without dunst really has no notification service.
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return fail(error, QStringLiteral("cannot write the bus configuration"));
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n<busconfig>\n"
                   "<type>session</type>\n<listen>unix:dir="
            + QFile::encodeName(m_dir.path())
            + "</listen>\n<auth>EXTERNAL</auth>\n"
              "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>\n</busconfig>\n");
        file.close();

        m_bus.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--config-file=") + config, QStringLiteral("--print-address"),
                QStringLiteral("--nofork") });
        if (!m_bus.waitForStarted(5000))
            return fail(error, QStringLiteral("dbus-daemon did not start"));
        const QDeadlineTimer deadline(10000);
        while (!m_bus.canReadLine() && !deadline.hasExpired() && m_bus.state() == QProcess::Running)
            m_bus.waitForReadyRead(100);
        const QByteArray address = m_bus.readLine().trimmed();
        if (address.isEmpty())
            return fail(error, QStringLiteral("dbus-daemon printed no address"));
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        m_address = QString::fromUtf8(address);
        return true;
    }

    static bool hasDisplay() { return !qEnvironmentVariableIsEmpty("DISPLAY"); }

    // Starts dunst with this configuration (its defaults when empty), in
    // place of a dunst this object started before.
    bool startDunst(QString *error, const QByteArray &configuration = {})
    {
        if (!hasDisplay())
            return fail(error, QStringLiteral("no X display for dunst"));
        finish(m_dunst);
        const QString config = m_dir.filePath(QStringLiteral("dunstrc"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write(configuration) != configuration.size())
            return fail(error, QStringLiteral("cannot write the dunst configuration"));
        file.close();
        m_dunst.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_dunst.start(QStringLiteral("dunst"), { QStringLiteral("-config"), config });
        if (!m_dunst.waitForStarted(5000))
            return fail(error, QStringLiteral("dunst did not start"));
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        const auto registered = [bus] {
            return bus->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")).value();
        };
        // Either outcome ends the wait; which one is read just below.
        (void)QTest::qWaitFor([&] { return registered() || m_dunst.state() != QProcess::Running; }, 10000);
        if (!registered())
            return fail(error, QStringLiteral("dunst did not take the notification service"));
        return true;
    }

    // Closes every notification on screen, so that dunst moves them to its
    // history, and returns that history, newest first: one map per
    // notification with "id", "appname", "summary", "body"...
    QList<QVariantMap> closeAllAndReadHistory()
    {
        dunstctl({ QStringLiteral("close-all") });
        const QJsonDocument document = QJsonDocument::fromJson(dunstctl({ QStringLiteral("history") }));
        QList<QVariantMap> notifications;
        const QJsonArray outer = document.object().value(QStringLiteral("data")).toArray();
        const QJsonArray items = outer.isEmpty() ? QJsonArray() : outer.first().toArray();
        for (const QJsonValue &item : items) {
            QVariantMap fields;
            const QJsonObject object = item.toObject();
            for (auto it = object.begin(); it != object.end(); ++it)
                fields.insert(it.key(), it.value().toObject().value(QStringLiteral("data")).toVariant());
            notifications.append(fields);
        }
        return notifications;
    }

    // Ends dunst, so that the service name is free for another.
    void stopDunst() { finish(m_dunst); }

    // The default action of the notification at this position on screen, as
    // if the user clicked it.
    void invokeAction(int position = 0) { dunstctl({ QStringLiteral("action"), QString::number(position) }); }

    int displayedCount()
    {
        return dunstctl({ QStringLiteral("count"), QStringLiteral("displayed") }).trimmed().toInt();
    }

    QString address() const { return m_address; }

    void stop()
    {
        finish(m_dunst);
        finish(m_bus);
    }

    // SIGTERM, then SIGKILL if the process does not end in time.
    static void finish(QProcess &process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    }

private:
    static bool fail(QString *error, const QString &text)
    {
        if (error)
            *error = text;
        return false;
    }

    static QByteArray dunstctl(const QStringList &arguments)
    {
        return runTool(
            QStringLiteral("dunstctl"), arguments, QProcessEnvironment::systemEnvironment(), {}, 10000)
            .out;
    }

    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_dunst;
    QString m_address;
};
