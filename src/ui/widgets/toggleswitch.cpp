#include "toggleswitch.h"

#include "style.h"

#include <QPainter>

namespace {
constexpr int TextSize = Style::TextSize::Caption;
constexpr int TrackWidth = 36;
constexpr int TrackHeight = 20;
constexpr int Gap = 8; // between the words and the track
constexpr int KnobInset = 2;
} // namespace

ToggleSwitch::ToggleSwitch(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{
    setFont(Style::font(TextSize));
    setCursor(Qt::PointingHandCursor);
}

QSize ToggleSwitch::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + Gap + TrackWidth + 2 * KnobInset,
        qMax(TrackHeight + 2 * KnobInset, metrics.height()));
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
        Style::showsFocusRing(this) ? Style::blue() : QColor());
    const qreal knob = TrackHeight - 2 * KnobInset;
    const qreal x = isChecked() ? track.right() - KnobInset - knob : track.left() + KnobInset;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + KnobInset, knob, knob));
}
