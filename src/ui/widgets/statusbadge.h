#pragma once

#include "badge.h"
#include "protocol/vocabulary.h"
#include "style.h"

// A status as a badge: the word upper-cased in full Unicode, in the colour of
// its tint. The detail screen turns it to "closed" once the ticket is closed.
class StatusBadge : public Badge
{
    Q_OBJECT

public:
    explicit StatusBadge(const QString &status, QWidget *parent = nullptr)
        : Badge(parent)
    {
        setStatus(status);
    }

    void setStatus(const QString &status)
    {
        setBadge(Status::badgeText(status), Style::tint(Status::tint(status)));
    }
};
