#include "inforow.h"

#include "adminui.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

InfoRow::InfoRow(
    const QString &icon, const QColor &iconColor, const QString &label, const QString &value, QWidget *parent)
    : QWidget(parent)
    , m_icon(icon)
    , m_iconColor(iconColor)
    , m_label(label)
    , m_value(value)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(12 + 36 + 12, 12, 12, 12);
    row->setSpacing(12);
    auto *column = new QVBoxLayout();
    column->setSpacing(2);
    column->addWidget(AdminUi::text(label, 12, QFont::Normal, Style::grey(), this));
    QLabel *shown = AdminUi::text(value, 15, QFont::Medium, Style::white(), this);
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
    shown->setWordWrap(true);
    column->addWidget(shown);
    row->addLayout(column, 1);
    setMinimumHeight(36 + 24);
    setAccessibleName(label);
    setAccessibleDescription(value);
}

void InfoRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Style::fillRounded(&painter, QRectF(rect()), 10, Style::white(0.03));
    const QRectF circle(12, (height() - 36) / 2.0, 36, 36);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Style::withOpacity(m_iconColor, 0.2));
    painter.drawEllipse(circle);
    SymbolIcons::paint(&painter, m_icon, circle.adjusted(10, 10, -10, -10), m_iconColor);
}
