#pragma once

#include <QColor>
#include <QIcon>
#include <QPainterPath>
#include <QStringList>
#include <QStringView>

class QPainter;
class QRectF;

// The icons of the screens, named by their system-symbol names
// ("plus.circle.fill", "building.2", ...). Each is drawn by the program as a
// filled path on a 24-unit grid, so it scales cleanly, takes any tint and
// needs no icon theme on the desktop.
namespace SymbolIcons {

// Every name the table knows.
QStringList names();
bool has(QStringView name);
// The symbol's outline on a 24 × 24 grid; empty for an unknown name.
QPainterPath path(QStringView name);
// Paints the symbol centred in rect, filled with color.
void paint(QPainter *painter, QStringView name, const QRectF &rect, const QColor &color);
// A pixmap of side logical pixels at the given device pixel ratio.
QPixmap pixmap(QStringView name, const QColor &color, int side, qreal devicePixelRatio = 1.0);
QIcon icon(QStringView name, const QColor &color, int side = 24);

} // namespace SymbolIcons
