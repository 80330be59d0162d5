#include "gradientbutton.h"

#include "style.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

GradientButton::GradientButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
    setFont(Style::font(15, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    m_spin.setInterval(80);
    connect(&m_spin, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 12;
        update();
    });
}

void GradientButton::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    if (busy)
        m_spin.start();
    else
        m_spin.stop();
    update();
}

QSize GradientButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 48, 48);
}

void GradientButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
    // A disabled button keeps its colours, faded, so the form reads the same.
    painter.setOpacity(isEnabled() ? 1.0 : 0.45);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Style::primaryGradient(area));
    painter.drawRoundedRect(area, 12, 12);
    if (hasFocus()) {
        painter.setPen(QPen(Style::white(0.85), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), 11, 11);
    }
    if (isDown())
        Style::fillRounded(&painter, area, 12, Style::withOpacity(Qt::black, 0.15));
    if (m_busy) {
        const QRectF wheel(area.center() - QPointF(9, 9), QSizeF(18, 18));
        Style::paintSpinner(&painter, wheel, Qt::white, m_step);
        return;
    }
    painter.setPen(Qt::white);
    painter.setFont(font());
    painter.drawText(area, Qt::AlignCenter, text());
}
