#pragma once

#include <QString>
#include <optional>

// The priority and status words the server uses, compared after lower-casing,
// and the tint each one is shown in. The style module turns a Tint into a
// colour; this layer stays free of the GUI.
enum class Tint { Red, Orange, Green, Gray };

namespace Priority {
inline constexpr QStringView Normale = u"normale";
inline constexpr QStringView Haute = u"haute";
inline constexpr QStringView Critique = u"critique";

Tint tint(const std::optional<QString> &priority);
// Text of a priority badge: full Unicode upper-casing, "N/A" when missing.
QString badgeText(const std::optional<QString> &priority);
} // namespace Priority

namespace Status {
bool isOpen(const QString &status);
bool isClosed(const QString &status);
Tint tint(const QString &status);
// Text of a status badge: full Unicode upper-casing (fermé → FERMÉ).
QString badgeText(const QString &status);
} // namespace Status
