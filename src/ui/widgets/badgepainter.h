#pragma once

#include "stylemetrics.h"

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>

class QPainter;
class QPointF;

// The small coloured labels of priorities and statuses, drawn the same way
// by the badge widgets and by list delegates. The plain badge is caption-size
// bold text in its colour, on that colour at 20 % with corner radius 8,
// margins 10 and 4; a chip may take its own font, colours, a leading dot and
// a fixed height.
namespace BadgePainter {

inline constexpr int HorizontalMargin = Style::Metrics::Badge::HorizontalMargin;
inline constexpr int VerticalMargin = Style::Metrics::Badge::VerticalMargin;
inline constexpr qreal Radius = Style::Metrics::Badge::Radius;
inline constexpr qreal FillOpacity = 0.2;

struct Look
{
    QFont font {};
    QColor text {};
    QColor fill {};
    // A filled circle before the text, when dotSide > 0.
    QColor dot {};
    qreal dotSide = 0;
    qreal dotGap = Style::Metrics::Badge::DotGap;
    qreal radius = Radius;
    // 0: the text's height and the vertical margins.
    int height = 0;
};

// The plain badge's look in color.
Look look(const QColor &color);
QSize size(const QString &text, const Look &look);
void paint(QPainter *painter, const QPointF &topLeft, const QString &text, const Look &look);

QSize size(const QString &text);
void paint(QPainter *painter, const QPointF &topLeft, const QString &text, const QColor &color);

} // namespace BadgePainter
