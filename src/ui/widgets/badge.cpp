#include "badge.h"

#include "badgepainter.h"

#include <QPainter>

Badge::Badge(QWidget *parent)
    : QWidget(parent)
{ }

void Badge::setBadge(const QString &text, const QColor &color)
{
    m_text = text;
    m_color = color;
    setAccessibleName(text);
    updateGeometry();
    update();
}

QSize Badge::sizeHint() const
{
    return BadgePainter::size(m_text);
}

void Badge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    BadgePainter::paint(&painter, QPointF(0, 0), m_text, m_color);
}
