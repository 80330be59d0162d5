#include "companybox.h"

#include "ui/widgets/fieldlabel.h"
#include "ui/widgets/style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr int Padding = 12;
constexpr int Radius = 10;
} // namespace Sizes
} // namespace

CompanyBox::CompanyBox(const QString &name, const QString &code, QWidget *parent)
    : QWidget(parent)
    , m_row(new QWidget(this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Style::Metrics::Common::LabelToField);
    column->addWidget(new FieldLabel(QString(), tr("Société"), false, this));
    auto *row = new QHBoxLayout(m_row);
    row->setContentsMargins(Sizes::Padding, Sizes::Padding, Sizes::Padding, Sizes::Padding);
    auto *nameLabel = new QLabel(name, m_row);
    Style::setRole(nameLabel, "companyName");
    auto *codeLabel = new QLabel(u"("_s + code + u")"_s, m_row);
    Style::setRole(codeLabel, "small");
    row->addWidget(nameLabel);
    row->addWidget(codeLabel);
    row->addStretch();
    column->addWidget(m_row);
    setAccessibleName(tr("Société"));
    setAccessibleDescription(nameLabel->text() + u" "_s + codeLabel->text());
}

void CompanyBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Style::fillRounded(&painter, QRectF(m_row->geometry()), Sizes::Radius, Style::white(0.05));
}
