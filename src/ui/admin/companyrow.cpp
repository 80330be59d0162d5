#include "companyrow.h"

#include "adminui.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace Text = Style::TextSize;
namespace {

namespace Sizes {
constexpr int Padding = 16;
constexpr int Circle = 50;
constexpr int CircleSymbolInset = 15;
constexpr int Spacing = 16;
constexpr int NameToCode = 4;
constexpr int CodeRowSpacing = 8;
constexpr int ChipSidePadding = 8;
constexpr int ChipVerticalPadding = 2;
} // namespace Sizes

// The code on its chip, sized from its own text: a label's padding in the
// sheet would come on top of the indent and the room a layout gives it.
QLabel *codeChip(const QString &code, QWidget *parent)
{
    auto *chip = new QLabel(code, parent);
    chip->setTextFormat(Qt::PlainText);
    chip->setAlignment(Qt::AlignCenter);
    chip->setStyleSheet(Style::Sheets::codeChip());
    chip->ensurePolished();
    const QFontMetrics metrics(chip->font());
    chip->setFixedSize(metrics.horizontalAdvance(code) + 2 * Sizes::ChipSidePadding,
        metrics.height() + 2 * Sizes::ChipVerticalPadding);
    return chip;
}

} // namespace

CompanyRow::CompanyRow(const Company &company, bool offersPosteReset, QWidget *parent)
    : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(
        Sizes::Padding + Sizes::Circle + Sizes::Padding, Sizes::Padding, Sizes::Padding, Sizes::Padding);
    row->setSpacing(Sizes::Spacing);
    auto *column = new QVBoxLayout();
    column->setSpacing(Sizes::NameToCode);
    QLabel *name = AdminUi::text(company.nom, Text::Lead, QFont::DemiBold, Style::white(), this);
    name->setTextFormat(Qt::PlainText);
    column->addWidget(name);
    auto *codeRow = new QHBoxLayout();
    codeRow->setSpacing(Sizes::CodeRowSpacing);
    codeRow->addWidget(AdminUi::text(tr("Code:"), Text::Body, QFont::Normal, Style::grey(), this));
    codeRow->addWidget(codeChip(company.code, this));
    codeRow->addStretch();
    column->addLayout(codeRow);
    row->addLayout(column, 1);
    if (offersPosteReset) {
        auto *reset = new QPushButton(tr("Réinitialiser un poste"), this);
        reset->setObjectName(u"resetPoste"_s);
        Style::setRole(reset, "secondary");
        reset->setAutoDefault(false);
        reset->setCursor(Qt::PointingHandCursor);
        reset->setAccessibleName(tr("Réinitialiser un poste de %1").arg(company.nom));
        connect(reset, &QPushButton::clicked, this, [this, company] { Q_EMIT posteResetRequested(company); });
        row->addWidget(reset, 0, Qt::AlignVCenter);
    }
    setMinimumHeight(Sizes::Circle + 2 * Sizes::Padding);
    setAccessibleName(company.nom);
    setAccessibleDescription(tr("Code: %1").arg(company.code));
}

void CompanyRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Style::fillRounded(&painter, QRectF(rect()), Style::Metrics::Common::PanelRadius, Style::white(0.05));
    const QRectF circle(Sizes::Padding, (height() - Sizes::Circle) / 2.0, Sizes::Circle, Sizes::Circle);
    QLinearGradient fill(circle.topLeft(), circle.bottomRight());
    fill.setColorAt(0, Style::withOpacity(Style::blue(), 0.3));
    fill.setColorAt(1, Style::withOpacity(Style::purple(), 0.3));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(circle);
    SymbolIcons::paint(&painter, u"building.2.fill",
        circle.adjusted(Sizes::CircleSymbolInset, Sizes::CircleSymbolInset, -Sizes::CircleSymbolInset,
            -Sizes::CircleSymbolInset),
        Style::blue());
}
