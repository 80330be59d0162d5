#pragma once

#include "core/apiservice.h"
#include "protocol/errors.h"

#include <QCoro/QCoroTimer>
#include <QMap>
#include <functional>

// Ticket creations by concurrent writers while the server or its database is
// broken under them, and the check that nothing the server acknowledged was
// lost. The writers refer to the burst: it must outlive them.
struct TicketBurst
{
    QMap<qint64, QString> acknowledged; // ticket id → title
    int failures = 0;
    bool stop = false;
    // A writer ends at its first failure; otherwise it backs off, as a
    // client does, and goes on.
    bool stopOnFailure = false;
    // After each acknowledgement, with the writer's number.
    std::function<void(int writer)> onAcknowledged = [](int) {};

    QCoro::Task<> writer(APIService *api, qint64 userId, int number)
    {
        for (int i = 0; i < 100000 && !stop; ++i) {
            const QString title = QStringLiteral("Rafale %1-%2").arg(number).arg(i);
            bool refused = false;
            try {
                acknowledged.insert(co_await api->createTicket(
                                        userId, title, QStringLiteral("d"), QStringLiteral("normale"), {}),
                    title);
                onAcknowledged(number);
            } catch (const NorvikError &) {
                ++failures;
                refused = true;
            }
            if (refused && stopOnFailure)
                co_return;
            if (refused)
                co_await QCoro::sleepFor(std::chrono::milliseconds(20));
        }
    }

    // The first acknowledged ticket missing from stored or stored with
    // another title; empty when every one is there.
    QString lost(const QList<Ticket> &stored) const
    {
        QMap<qint64, QString> titles;
        for (const Ticket &t : stored)
            titles.insert(t.id, t.titre.value_or(QString()));
        for (auto it = acknowledged.cbegin(); it != acknowledged.cend(); ++it) {
            if (titles.value(it.key(), QStringLiteral("(missing)")) != it.value())
                return QStringLiteral("acknowledged ticket %1 was lost").arg(it.key());
        }
        return {};
    }
};
