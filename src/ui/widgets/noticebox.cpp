#include "noticebox.h"

#include "screenparts.h"
#include "style.h"
#include "symbolicons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace Sizes = Style::Metrics::NoticeBox;

NoticeBox::NoticeBox(const QString &symbol, const QColor &color, QWidget *parent)
    : QWidget(parent)
    , m_color(color)
    , m_text(new QLabel(this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(Sizes::Padding, Sizes::Padding, Sizes::Padding, Sizes::Padding);
    row->setSpacing(Sizes::Spacing);
    if (!symbol.isEmpty()) {
        auto *icon = new QLabel(this);
        icon->setPixmap(SymbolIcons::pixmap(symbol, color, Sizes::Symbol, devicePixelRatioF()));
        row->addWidget(icon, 0, Qt::AlignTop);
    }
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setStyleSheet(Style::labelSheet(color, Sizes::TextSize));
    row->addWidget(m_text, 1);
}

void NoticeBox::setText(const QString &text)
{
    m_text->setText(text);
    setAccessibleName(text);
}

void NoticeBox::showText(const QString &text)
{
    setText(text);
    show();
}

QString NoticeBox::text() const
{
    return m_text->text();
}

void NoticeBox::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    ScreenParts::revealWhenLaidOut(this);
}

void NoticeBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Style::fillRounded(&painter, QRectF(rect()), Sizes::Radius, Style::withOpacity(m_color, 0.1));
}
