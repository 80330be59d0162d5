#pragma once

#include <QColor>
#include <QSize>
#include <QString>

class QPainter;
class QPointF;

// The small coloured label of priorities and statuses, drawn the same way
// by the badge widgets and by list delegates: caption-size bold text in the
// colour, on that colour at 20 % with corner radius 8, margins 10 and 4.
namespace BadgePainter {

inline constexpr int HorizontalMargin = 10;
inline constexpr int VerticalMargin = 4;
inline constexpr qreal Radius = 8;
inline constexpr qreal FillOpacity = 0.2;

QSize size(const QString &text);
void paint(QPainter *painter, const QPointF &topLeft, const QString &text, const QColor &color);

} // namespace BadgePainter
