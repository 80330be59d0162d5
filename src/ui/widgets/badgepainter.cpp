#include "badgepainter.h"

#include "style.h"

#include <QFontMetrics>
#include <QPainter>

QSize BadgePainter::size(const QString &text)
{
    const QFontMetrics metrics(Style::captionBold());
    return QSize(
        metrics.horizontalAdvance(text) + 2 * HorizontalMargin, metrics.height() + 2 * VerticalMargin);
}

void BadgePainter::paint(QPainter *painter, const QPointF &topLeft, const QString &text, const QColor &color)
{
    const QRectF area(topLeft, QSizeF(size(text)));
    Style::fillRounded(painter, area, Radius, Style::withOpacity(color, FillOpacity));
    painter->save();
    painter->setFont(Style::captionBold());
    painter->setPen(color);
    painter->drawText(area, Qt::AlignCenter, text);
    painter->restore();
}
