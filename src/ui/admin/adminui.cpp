#include "adminui.h"

#include "ui/widgets/sheet.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

using namespace Qt::StringLiterals;

QPushButton *AdminUi::cancelButton(Sheet *sheet, QWidget *parent)
{
    auto *cancel = new QPushButton(QCoreApplication::translate("AdminUi", "Annuler"), parent);
    Style::setRole(cancel, "secondary");
    cancel->setProperty("buttonSize", u"large"_s);
    cancel->setFixedHeight(Style::Metrics::Common::MainButtonHeight);
    cancel->setAutoDefault(false);
    cancel->setCursor(Qt::PointingHandCursor);
    QObject::connect(cancel, &QPushButton::clicked, sheet, &Sheet::dismiss);
    return cancel;
}

QLabel *AdminUi::text(
    const QString &text, int pixelSize, QFont::Weight weight, const QColor &color, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    // The screens' shared sheet styles every label; a local sheet is the one
    // place a label can take its own size and colour on top of it.
    label->setStyleSheet(Style::labelSheet(color, pixelSize, weight));
    return label;
}

QLabel *AdminUi::symbol(const QString &name, const QColor &color, int side, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setPixmap(SymbolIcons::pixmap(name, color, side, label->devicePixelRatioF()));
    label->setFixedSize(side, side);
    // Pure decoration: the text beside it says the same.
    label->setAccessibleName(QString());
    return label;
}

QWidget *AdminUi::centred(QWidget *content, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    layout->addWidget(content);
    layout->addStretch();
    return row;
}

RoundedPanel::RoundedPanel(const QColor &fill, QWidget *parent, const QColor &outline, qreal radius)
    : QWidget(parent)
    , m_fill(fill)
    , m_outline(outline)
    , m_radius(radius)
{ }

void RoundedPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Style::fillRounded(&painter, QRectF(rect()), m_radius, m_fill, m_outline);
}
