#include "iconbutton.h"

#include "style.h"
#include "symbolicons.h"

#include <QPainter>

using namespace Qt::StringLiterals;

namespace Sizes = Style::Metrics::IconButton;

IconButton::IconButton(
    const QString &symbol, const QColor &color, const QString &tooltip, Look look, QWidget *parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_color(color)
    , m_look(look)
{
    setFixedSize(look.frame, look.frame);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setToolTipAndName(tooltip);
}

IconButton *IconButton::closeButton(QWidget *parent)
{
    return new IconButton(u"xmark.circle.fill"_s, Style::grey(), tr("Fermer"),
        Look { Sizes::CloseFrame, Sizes::CloseSymbol, 0, Sizes::CloseRadius }, parent);
}

void IconButton::setSymbol(const QString &symbol, const QColor &color)
{
    m_symbol = symbol;
    m_color = color;
    update();
}

void IconButton::setToolTipAndName(const QString &text)
{
    setToolTip(text);
    setAccessibleName(text);
}

void IconButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF frame(rect());
    if (m_look.background > 0)
        Style::fillRounded(
            &painter, frame, m_look.radius, Style::white(m_look.background * (isDown() ? 1.6 : 1)));
    if (Style::showsFocusRing(this))
        Style::fillRounded(
            &painter, frame, m_look.radius, Qt::transparent, Style::withOpacity(Style::blue(), 0.9));
    const qreal side = m_look.symbolSize;
    const QRectF symbolRect(frame.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    // A slightly brighter symbol under the pointer says the square is clickable.
    SymbolIcons::paint(&painter, m_symbol, symbolRect, underMouse() ? m_color.lighter(125) : m_color);
}
