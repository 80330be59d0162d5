#include "statusbadge.h"

#include "badgepainter.h"
#include "style.h"

#include <QPainter>

StatusBadge::StatusBadge(const QString &status, QWidget *parent)
    : QWidget(parent)
{
    setStatus(status);
}

void StatusBadge::setStatus(const QString &status)
{
    m_text = Status::badgeText(status);
    m_color = Style::tint(Status::tint(status));
    setAccessibleName(m_text);
    updateGeometry();
    update();
}

QSize StatusBadge::sizeHint() const
{
    return BadgePainter::size(m_text);
}

void StatusBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    BadgePainter::paint(&painter, QPointF(0, 0), m_text, m_color);
}
