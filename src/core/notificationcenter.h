#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

// The process's named-notification bus: a poster names an event and may
// attach an object; observers of that name run on the main thread, in the
// order they registered, before post() returns.
class NotificationCenter : public QObject
{
    Q_OBJECT

public:
    static constexpr auto OpenCreateTicket = "OpenCreateTicket";
    static constexpr auto OpenMyTickets = "OpenMyTickets";
    static constexpr auto RefreshMyTickets = "RefreshMyTickets";
    static constexpr auto NewTicket = "WS_NewTicket";

    static NotificationCenter &defaultCenter();

    void post(const QString &name, const QVariant &object = {});

    // Calls handler(object) for every post of name while context lives.
    template<typename Handler>
    QMetaObject::Connection observe(const QString &name, const QObject *context, Handler handler)
    {
        return connect(this, &NotificationCenter::posted, context,
            [name, handler = std::move(handler)](const QString &posted, const QVariant &object) {
                if (posted == name)
                    handler(object);
            });
    }

Q_SIGNALS:
    void posted(const QString &name, const QVariant &object);
};
