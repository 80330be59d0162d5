#include "inforow.h"

#include "adminui.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace Text = Style::TextSize;
namespace {

namespace Sizes {
constexpr int Padding = 12;
constexpr int Circle = 36;
constexpr int CircleSymbolInset = 10;
constexpr int Spacing = 12;
constexpr int LineSpacing = 2;
constexpr int Radius = 10;
} // namespace Sizes

} // namespace

InfoRow::InfoRow(
    const QString &icon, const QColor &iconColor, const QString &label, const QString &value, QWidget *parent)
    : QWidget(parent)
    , m_icon(icon)
    , m_iconColor(iconColor)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(
        Sizes::Padding + Sizes::Circle + Sizes::Padding, Sizes::Padding, Sizes::Padding, Sizes::Padding);
    row->setSpacing(Sizes::Spacing);
    auto *column = new QVBoxLayout();
    column->setSpacing(Sizes::LineSpacing);
    column->addWidget(AdminUi::text(label, Text::Caption, QFont::Normal, Style::grey(), this));
    QLabel *shown = AdminUi::text(value, Text::Headline, QFont::Medium, Style::white(), this);
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
    shown->setWordWrap(true);
    column->addWidget(shown);
    row->addLayout(column, 1);
    setMinimumHeight(Sizes::Circle + 2 * Sizes::Padding);
    setAccessibleName(label);
    setAccessibleDescription(value);
}

void InfoRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Style::fillRounded(&painter, QRectF(rect()), Sizes::Radius, Style::white(0.03));
    const QRectF circle(Sizes::Padding, (height() - Sizes::Circle) / 2.0, Sizes::Circle, Sizes::Circle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Style::withOpacity(m_iconColor, 0.2));
    painter.drawEllipse(circle);
    SymbolIcons::paint(&painter, m_icon,
        circle.adjusted(Sizes::CircleSymbolInset, Sizes::CircleSymbolInset, -Sizes::CircleSymbolInset,
            -Sizes::CircleSymbolInset),
        m_iconColor);
}
