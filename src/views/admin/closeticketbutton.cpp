#include "closeticketbutton.h"

#include "views/style.h"
#include "views/symbolicons.h"

#include <QPainter>

using namespace Qt::StringLiterals;

CloseTicketButton::CloseTicketButton(QWidget *parent)
    : QPushButton(u"Fermer ce ticket"_s, parent)
{
    setFont(Style::font(15, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFixedHeight(44);
    m_spin.setInterval(80);
    connect(&m_spin, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 12;
        update();
    });
}

void CloseTicketButton::setBusy(bool busy)
{
    m_busy = busy;
    setText(busy ? u"Fermeture..."_s : u"Fermer ce ticket"_s);
    if (busy)
        m_spin.start();
    else
        m_spin.stop();
    update();
}

QSize CloseTicketButton::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(text()) + 64, 44);
}

void CloseTicketButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(rect());
    QLinearGradient fill(frame.topLeft(), frame.topRight());
    const qreal opacity = isEnabled() || m_busy ? 0.7 : 0.4;
    fill.setColorAt(0, Style::withOpacity(Style::red(), opacity));
    fill.setColorAt(1, Style::withOpacity(Style::orange(), opacity));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(frame, 10, 10);
    if (hasFocus()) {
        painter.setPen(QPen(Style::white(0.9), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(frame.adjusted(1, 1, -1, -1), 9, 9);
    }

    const QFontMetrics metrics(font());
    const int glyph = 16;
    const int total = glyph + 8 + metrics.horizontalAdvance(text());
    const qreal left = frame.center().x() - total / 2.0;
    const QRectF mark(left, frame.center().y() - glyph / 2.0, glyph, glyph);
    if (m_busy)
        Style::paintSpinner(&painter, mark.adjusted(1.6, 1.6, -1.6, -1.6), Style::white(), m_step);
    else
        SymbolIcons::paint(&painter, u"checkmark.circle.fill", mark, Style::white());
    painter.setPen(Style::white());
    painter.setFont(font());
    painter.drawText(QRectF(mark.right() + 8, frame.top(), total, frame.height()),
        Qt::AlignVCenter | Qt::AlignLeft, text());
}
