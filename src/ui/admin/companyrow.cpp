#include "companyrow.h"

#include "adminui.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

using namespace Qt::StringLiterals;

CompanyRow::CompanyRow(const Company &company, QWidget *parent)
    : QWidget(parent)
    , m_company(company)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16 + 50 + 16, 16, 16, 16);
    row->setSpacing(16);
    auto *column = new QVBoxLayout();
    column->setSpacing(4);
    QLabel *name = AdminUi::text(company.nom, 16, QFont::DemiBold, Style::white(), this);
    name->setTextFormat(Qt::PlainText);
    column->addWidget(name);
    auto *codeRow = new QHBoxLayout();
    codeRow->setSpacing(8);
    codeRow->addWidget(AdminUi::text(u"Code:"_s, 13, QFont::Normal, Style::grey(), this));
    QLabel *code = AdminUi::text(company.code, 13, QFont::Medium, Style::blue(), this);
    code->setTextFormat(Qt::PlainText);
    code->setStyleSheet(Style::Sheets::codeChip());
    codeRow->addWidget(code);
    codeRow->addStretch();
    column->addLayout(codeRow);
    row->addLayout(column, 1);
    setMinimumHeight(50 + 32);
    setAccessibleName(company.nom);
    setAccessibleDescription(u"Code: "_s + company.code);
}

void CompanyRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Style::fillRounded(&painter, QRectF(rect()), 12, Style::white(0.05));
    const QRectF circle(16, (height() - 50) / 2.0, 50, 50);
    QLinearGradient fill(circle.topLeft(), circle.bottomRight());
    fill.setColorAt(0, Style::withOpacity(Style::blue(), 0.3));
    fill.setColorAt(1, Style::withOpacity(Style::purple(), 0.3));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(circle);
    SymbolIcons::paint(&painter, u"building.2.fill", circle.adjusted(15, 15, -15, -15), Style::blue());
}
