#include "toggleswitch.h"

#include "style.h"

#include <QPainter>

namespace {
constexpr int TrackWidth = 36, TrackHeight = 20, Gap = 8;
}

ToggleSwitch::ToggleSwitch(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{
    setFont(Style::font(12));
    setCursor(Qt::PointingHandCursor);
}

QSize ToggleSwitch::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(
        metrics.horizontalAdvance(text()) + Gap + TrackWidth + 4, qMax(TrackHeight + 4, metrics.height()));
}

bool ToggleSwitch::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.5);
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text());
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, textWidth, height()), Qt::AlignVCenter | Qt::AlignLeft, text());

    const QRectF track(textWidth + Gap, (height() - TrackHeight) / 2.0, TrackWidth, TrackHeight);
    Style::fillRounded(&painter, track, TrackHeight / 2.0, isChecked() ? Style::green() : Style::white(0.2),
        hasFocus() ? Style::blue() : QColor());
    const qreal knob = TrackHeight - 4;
    const qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}
