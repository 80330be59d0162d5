#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Timestamps travel as text; these read and show them the way the screens do.
namespace Dates {

// "yyyy-MM-dd HH:mm:ss", the form the server writes.
inline constexpr QStringView ApiFormat = u"yyyy-MM-dd HH:mm:ss";

// Reads the server's form in the machine's time zone.
std::optional<QDateTime> parseApiTimestamp(const QString &text);
// Strict ISO 8601 internet date-time: date, 'T', time with seconds and a
// fraction, and a zone (Z or ±hh:mm). Anything else does not parse.
std::optional<QDateTime> parseIsoWithFraction(const QString &text);

// User's ticket card: "dd/MM/yyyy à HH:mm", raw text when unreadable.
QString formatUserCard(const QString &text);
// Administrator card: "d MMM yyyy 'à' HH:mm" of an ISO time, raw text otherwise.
QString formatAdminCard(const QString &text);
// Administrator detail: "d MMMM yyyy 'à' HH:mm" of an ISO time, raw text otherwise.
QString formatAdminDetail(const QString &text);

} // namespace Dates
