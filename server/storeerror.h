#pragma once

#include <QString>
#include <exception>

// Why the store refused a write or a read: the routes turn the kind into an
// HTTP status and the message into the reply's "error" text.
class StoreError : public std::exception
{
public:
    // Unavailable: the database cannot be reached for now; nothing was
    // acknowledged, and the same request may succeed later.
    enum Kind { Conflict, NotFound, Failure, Unavailable };

    StoreError(Kind errorKind, QString text)
        : kind(errorKind)
        , message(std::move(text))
    { }
    const char *what() const noexcept override { return "store error"; }

    Kind kind;
    QString message;
};
