#pragma once

// The store's row readers, shared by the files that implement Store.
#include "store.h"

#include <QSqlQuery>
#include <type_traits>

// The first row read through read().
template<typename Read>
auto Store::firstRow(QSqlQuery &query, Read read) -> std::optional<decltype(read(query))>
{
    std::optional<decltype(read(query))> row;
    if (query.next())
        row = read(query);
    finish(query);
    return row;
}

template<typename Read>
auto Store::everyRow(QSqlQuery &query, Read read) -> QList<decltype(read(query))>
{
    QList<decltype(read(query))> rows;
    while (query.next())
        rows.append(read(query));
    finish(query);
    return rows;
}

template<typename Work>
auto Store::transaction(Work &&work) -> decltype(work())
{
    once(beginStatement());
    try {
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            once(QStringLiteral("COMMIT"));
        } else {
            auto result = work();
            once(QStringLiteral("COMMIT"));
            return result;
        }
    } catch (...) {
        if (!m_lost) {
            QSqlQuery rollback(database());
            rollback.exec(QStringLiteral("ROLLBACK")); // nothing to undo is fine too
        }
        throw;
    }
}
