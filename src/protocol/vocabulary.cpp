#include "vocabulary.h"

using namespace Qt::StringLiterals;

Tint Priority::tint(const std::optional<QString> &priority)
{
    if (!priority)
        return Tint::Gray;
    const QString word = priority->toLower();
    if (word == Critique)
        return Tint::Red;
    if (word == Haute)
        return Tint::Orange;
    if (word == Normale)
        return Tint::Green;
    return Tint::Gray;
}

QString Priority::badgeText(const std::optional<QString> &priority)
{
    return priority ? priority->toUpper() : u"N/A"_s;
}

bool Status::isOpen(const QString &status)
{
    const QString word = status.toLower();
    return word == u"open" || word == u"ouvert";
}

bool Status::isClosed(const QString &status)
{
    const QString word = status.toLower();
    return word == u"closed" || word == u"fermé";
}

Tint Status::tint(const QString &status)
{
    if (isOpen(status))
        return Tint::Green;
    if (isClosed(status))
        return Tint::Red;
    return Tint::Gray;
}

QString Status::badgeText(const QString &status)
{
    return status.toUpper();
}
