#include "prioritybadge.h"

#include "badgepainter.h"
#include "style.h"

#include <QPainter>

PriorityBadge::PriorityBadge(const std::optional<QString> &priority, QWidget *parent)
    : QWidget(parent)
{
    setPriority(priority);
}

void PriorityBadge::setPriority(const std::optional<QString> &priority)
{
    m_text = Priority::badgeText(priority);
    m_color = Style::tint(Priority::tint(priority));
    setAccessibleName(m_text);
    updateGeometry();
    update();
}

QSize PriorityBadge::sizeHint() const
{
    return BadgePainter::size(m_text);
}

void PriorityBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    BadgePainter::paint(&painter, QPointF(0, 0), m_text, m_color);
}
