#pragma once

#include "badge.h"
#include "protocol/vocabulary.h"
#include "style.h"

#include <optional>

// A priority as a badge: the word upper-cased in full Unicode, in the colour
// of its tint ("N/A" in grey when there is none).
class PriorityBadge : public Badge
{
    Q_OBJECT

public:
    explicit PriorityBadge(const std::optional<QString> &priority, QWidget *parent = nullptr)
        : Badge(parent)
    {
        setBadge(Priority::badgeText(priority), Style::tint(Priority::tint(priority)));
    }
};
