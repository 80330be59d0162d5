#include "dates.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

const QLocale &french()
{
    static const QLocale locale(u"fr_FR"_s);
    return locale;
}

QString formatIso(const QString &text, const QString &pattern)
{
    const auto date = Dates::parseIsoWithFraction(text);
    return date ? french().toString(date->toLocalTime(), pattern) : text;
}

} // namespace

std::optional<QDateTime> Dates::parseApiTimestamp(const QString &text)
{
    QDateTime date = QDateTime::fromString(text, ApiFormat.toString());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QDateTime> Dates::parseIsoWithFraction(const QString &text)
{
    static const QRegularExpression form(
        uR"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})\.(\d+)(Z|([+-])(\d{2}):(\d{2}))$)"_s);
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const int hour = m.captured(4).toInt(), minute = m.captured(5).toInt(), second = m.captured(6).toInt();
    // Only the first three fraction digits matter for milliseconds.
    const int msec = m.captured(7).left(3).leftJustified(3, u'0').toInt();
    const QTime time(hour, minute, second, msec);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    int offset = 0;
    if (m.captured(8) != u"Z") {
        const int hours = m.captured(10).toInt(), minutes = m.captured(11).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offset = (hours * 3600 + minutes * 60) * (m.captured(9) == u"-" ? -1 : 1);
    }
    return QDateTime(date, time, QTimeZone(offset));
}

QString Dates::formatUserCard(const QString &text)
{
    const auto date = parseApiTimestamp(text);
    return date ? french().toString(*date, u"dd/MM/yyyy à HH:mm"_s) : text;
}

QString Dates::formatAdminCard(const QString &text)
{
    return formatIso(text, u"d MMM yyyy 'à' HH:mm"_s);
}

QString Dates::formatAdminDetail(const QString &text)
{
    return formatIso(text, u"d MMMM yyyy 'à' HH:mm"_s);
}
