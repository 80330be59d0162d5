#include "gradientbutton.h"

#include "symbolicons.h"

#include <QPainter>

namespace {
// The side of the symbol, or of the spinner standing for it.
namespace Sizes = Style::Metrics::GradientButton;
constexpr qreal MarkSide = Sizes::Symbol;
} // namespace

GradientButton::GradientButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
    setFont(Style::font(Sizes::TextSize, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    m_spin.setInterval(80);
    connect(&m_spin, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 12;
        update();
    });
}

void GradientButton::setLook(const Look &look)
{
    m_look = look;
    updateGeometry();
    update();
}

void GradientButton::setSymbol(const QString &name)
{
    m_symbol = name;
    updateGeometry();
    update();
}

void GradientButton::setBusyText(const QString &text)
{
    m_busyText = text;
}

void GradientButton::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    // The busy text is the button's text meanwhile, so it is also what a
    // screen reader announces.
    if (!m_busyText.isEmpty()) {
        if (busy)
            m_idleText = text();
        setText(busy ? m_busyText : m_idleText);
    }
    if (busy)
        m_spin.start();
    else
        m_spin.stop();
    update();
}

QSize GradientButton::sizeHint() const
{
    const qreal mark = m_symbol.isEmpty() ? 0 : MarkSide + m_look.symbolGap;
    return QSize(fontMetrics().horizontalAdvance(text()) + qRound(mark) + 2 * m_look.padding,
        Style::Metrics::Common::MainButtonHeight);
}

void GradientButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal inset = m_look.inset, radius = m_look.radius;
    const QRectF area = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    // A disabled button keeps its colours, faded, so the form reads the same;
    // one that says in words what it is doing stays readable while it does.
    const bool speaksWhileBusy = m_busy && !m_busyText.isEmpty();
    painter.setOpacity(isEnabled() || speaksWhileBusy ? 1.0 : 0.45);
    QLinearGradient fill(area.topLeft(), area.topRight());
    fill.setColorAt(0, m_look.from);
    fill.setColorAt(1, m_look.to);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(area, radius, radius);
    if (Style::showsFocusRing(this)) {
        painter.setPen(QPen(Style::white(0.85), Sizes::FocusRingWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(area.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }
    if (isDown())
        Style::fillRounded(&painter, area, radius, Style::withOpacity(Qt::black, 0.15));
    if (m_busy && !speaksWhileBusy) {
        const QRectF wheel(area.center() - QPointF(Sizes::Spinner / 2.0, Sizes::Spinner / 2.0),
            QSizeF(Sizes::Spinner, Sizes::Spinner));
        Style::paintSpinner(&painter, wheel, Qt::white, m_step);
        return;
    }
    painter.setPen(Qt::white);
    painter.setFont(font());
    if (!speaksWhileBusy && m_symbol.isEmpty()) {
        painter.drawText(area, Qt::AlignCenter, text());
        return;
    }
    // The mark and the words, centred together.
    const qreal textWidth = fontMetrics().horizontalAdvance(text());
    const qreal left = area.center().x() - (MarkSide + m_look.symbolGap + textWidth) / 2;
    const QRectF mark(left, area.center().y() - MarkSide / 2, MarkSide, MarkSide);
    // The spinner at 0.8 of the symbol's size.
    if (m_busy)
        Style::paintSpinner(&painter, mark.adjusted(1.6, 1.6, -1.6, -1.6), Qt::white, m_step);
    else
        SymbolIcons::paint(&painter, m_symbol, mark, Qt::white);
    painter.drawText(QRectF(mark.right() + m_look.symbolGap, area.top(), textWidth + 2, area.height()),
        Qt::AlignVCenter | Qt::AlignLeft, text());
}
