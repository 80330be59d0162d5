#include "homebutton.h"

#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QGraphicsDropShadowEffect>
#include <QPainter>
#include <QPainterPath>

namespace {
namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr QSize Frame { 300, 56 };
constexpr int Radius = 16;
constexpr int TextSize = Style::TextSize::Headline;
constexpr int Symbol = 17;
constexpr int SymbolGap = 12;
constexpr int RestShadowBlur = 12;
constexpr int HoverShadowBlur = 20;
constexpr int ShadowOffset = 8;
} // namespace Sizes
} // namespace
constexpr qreal RestFill = 0.08, HoverFill = 0.15;
} // namespace

HomeButton::HomeButton(const QString &label, const QString &systemIcon, const QColor &color, QWidget *parent)
    : QAbstractButton(parent)
    , m_systemIcon(systemIcon)
    , m_color(color)
    , m_shadow(new QGraphicsDropShadowEffect(this))
{
    setText(label);
    setAccessibleName(label);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setFixedSize(Sizes::Frame);

    m_shadow->setColor(Style::withOpacity(Qt::black, 0.4));
    m_shadow->setOffset(0, Sizes::ShadowOffset);
    m_shadow->setBlurRadius(Sizes::RestShadowBlur);
    // The shadow is an effect so its blur can follow the hover animation.
    setGraphicsEffect(m_shadow);

    m_animation.setDuration(HoverDurationMs);
    m_animation.setEasingCurve(QEasingCurve::OutCubic);
    connect(&m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_progress = value.toReal();
        m_shadow->setBlurRadius(shadowRadius());
        update();
    });
}

qreal HomeButton::fillOpacity() const
{
    return RestFill + (HoverFill - RestFill) * m_progress;
}

qreal HomeButton::shadowRadius() const
{
    return Sizes::RestShadowBlur + (Sizes::HoverShadowBlur - Sizes::RestShadowBlur) * m_progress;
}

QSize HomeButton::sizeHint() const
{
    return Sizes::Frame;
}

QRectF HomeButton::frameRect() const
{
    return QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
}

void HomeButton::setHovering(bool hovering)
{
    if (m_isHovering == hovering)
        return;
    m_isHovering = hovering;
    // Start from wherever the previous animation left off, so a quick
    // in-and-out never jumps.
    m_animation.stop();
    m_animation.setStartValue(m_progress);
    m_animation.setEndValue(hovering ? 1.0 : 0.0);
    m_animation.start();
}

void HomeButton::enterEvent(QEnterEvent *event)
{
    setHovering(true);
    QAbstractButton::enterEvent(event);
}

void HomeButton::leaveEvent(QEvent *event)
{
    setHovering(false);
    QAbstractButton::leaveEvent(event);
}

bool HomeButton::hitButton(const QPoint &pos) const
{
    QPainterPath shape;
    shape.addRoundedRect(frameRect(), Sizes::Radius, Sizes::Radius);
    return shape.contains(pos);
}

void HomeButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF frame = frameRect();
    Style::fillRounded(&painter, frame, Sizes::Radius, Style::white(fillOpacity() + (isDown() ? 0.05 : 0)),
        Style::white(0.12));
    if (Style::showsFocusRing(this))
        Style::fillRounded(
            &painter, frame, Sizes::Radius, Qt::transparent, Style::withOpacity(Style::blue(), 0.9));

    // Symbol then label, centred together as one row.
    const QFont labelFont = Style::font(Sizes::TextSize, QFont::Bold);
    const QFontMetrics metrics(labelFont);
    const int symbolSide = Sizes::Symbol, gap = Sizes::SymbolGap;
    const int rowWidth = symbolSide + gap + metrics.horizontalAdvance(text());
    const qreal left = frame.center().x() - rowWidth / 2.0;
    SymbolIcons::paint(&painter, m_systemIcon,
        QRectF(left, frame.center().y() - symbolSide / 2.0, symbolSide, symbolSide), m_color);
    painter.setFont(labelFont);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(left + symbolSide + gap, frame.top(), rowWidth, frame.height()),
        Qt::AlignVCenter | Qt::AlignLeft, text());
}
