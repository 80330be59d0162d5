#pragma once

#include <QColor>
#include <QIcon>
#include <QStringList>
#include <QStringView>

class QPainter;
class QRectF;

// The icons of the screens, named by the system-symbol names the screens use
// ("plus.circle.fill", "building.2", ...). Each is a one-colour SVG drawing
// on a 24-unit grid among the program's resources, rendered at the size asked
// for and tinted at paint time, so it stays sharp at any device pixel ratio,
// takes any colour and needs no icon theme on the desktop.
namespace SymbolIcons {

// Every name the table knows.
QStringList names();
bool has(QStringView name);
// Paints the symbol centred in rect, in color (its alpha included).
void paint(QPainter *painter, QStringView name, const QRectF &rect, const QColor &color);
// A pixmap of side logical pixels at the given device pixel ratio; a
// transparent one for an unknown name.
QPixmap pixmap(QStringView name, const QColor &color, int side, qreal devicePixelRatio = 1.0);
QIcon icon(QStringView name, const QColor &color, int side);

} // namespace SymbolIcons
