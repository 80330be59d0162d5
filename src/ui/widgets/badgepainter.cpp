#include "badgepainter.h"

#include "style.h"

#include <QFontMetrics>
#include <QPainter>
#include <QtMath>

BadgePainter::Look BadgePainter::look(const QColor &color)
{
    return { .font = Style::captionBold(), .text = color, .fill = Style::withOpacity(color, FillOpacity) };
}

QSize BadgePainter::size(const QString &text, const Look &look)
{
    const QFontMetrics metrics(look.font);
    const int lead = look.dotSide > 0 ? qCeil(look.dotSide + look.dotGap) : 0;
    return QSize(lead + metrics.horizontalAdvance(text) + 2 * HorizontalMargin,
        look.height > 0 ? look.height : metrics.height() + 2 * VerticalMargin);
}

void BadgePainter::paint(QPainter *painter, const QPointF &topLeft, const QString &text, const Look &look)
{
    const QRectF area(topLeft, QSizeF(size(text, look)));
    Style::fillRounded(painter, area, look.radius, look.fill);
    painter->save();
    QRectF textArea = area.adjusted(HorizontalMargin, 0, -HorizontalMargin, 0);
    if (look.dotSide > 0) {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(look.dot);
        painter->drawEllipse(
            QRectF(textArea.left(), area.center().y() - look.dotSide / 2, look.dotSide, look.dotSide));
        textArea.setLeft(textArea.left() + look.dotSide + look.dotGap);
    }
    painter->setFont(look.font);
    painter->setPen(look.text);
    painter->drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft, text);
    painter->restore();
}

QSize BadgePainter::size(const QString &text)
{
    return size(text, look(QColor()));
}

void BadgePainter::paint(QPainter *painter, const QPointF &topLeft, const QString &text, const QColor &color)
{
    paint(painter, topLeft, text, look(color));
}
