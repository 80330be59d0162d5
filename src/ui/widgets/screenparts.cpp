#include "screenparts.h"

#include "style.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

QVBoxLayout *ScreenParts::bareColumn(QWidget *owner)
{
    auto *column = new QVBoxLayout(owner);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    return column;
}

QWidget *ScreenParts::addScrollingPage(QBoxLayout *layout, int stretch)
{
    auto *scroll = new QScrollArea(layout->parentWidget());
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(scroll, stretch);
    auto *page = new QWidget(scroll);
    scroll->setWidget(page);
    return page;
}

QVBoxLayout *ScreenParts::titles(const QString &title, const QString &subtitle, QWidget *parent)
{
    auto *column = new QVBoxLayout;
    column->setSpacing(Style::Metrics::Common::TitleToSubtitle);
    auto *titleLabel = new QLabel(title, parent);
    Style::setRole(titleLabel, "title");
    auto *subtitleLabel = new QLabel(subtitle, parent);
    Style::setRole(subtitleLabel, "subtitle");
    column->addWidget(titleLabel);
    column->addWidget(subtitleLabel);
    return column;
}

QWidget *ScreenParts::centredColumn(const QList<QWidget *> &items, int spacing, QWidget *parent)
{
    auto *page = new QWidget(parent);
    auto *column = new QVBoxLayout(page);
    if (spacing >= 0)
        column->setSpacing(spacing);
    column->addStretch();
    for (QWidget *item : items) {
        item->setParent(page);
        column->addWidget(item, 0, Qt::AlignHCenter);
    }
    column->addStretch();
    return page;
}

namespace {

QScrollArea *pageOf(QWidget *widget)
{
    for (QWidget *ancestor = widget->parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(ancestor))
            return area;
    }
    return nullptr;
}

} // namespace

void ScreenParts::scrollToTop(QWidget *widget)
{
    if (QScrollArea *area = pageOf(widget))
        area->verticalScrollBar()->setValue(0);
}

void ScreenParts::revealWhenLaidOut(QWidget *widget)
{
    QTimer::singleShot(0, widget, [widget] {
        if (!widget->isVisible())
            return;
        if (QScrollArea *area = pageOf(widget))
            area->ensureWidgetVisible(widget, 0, Style::Metrics::Common::RevealMargin);
    });
}
