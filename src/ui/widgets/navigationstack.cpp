#include "navigationstack.h"

#include "style.h"
#include "symbolicons.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

namespace Sizes {
constexpr int SidePadding = 16;
constexpr int TopPadding = 12;
constexpr int BottomPadding = 4;
constexpr int Symbol = 16;
constexpr int TextSize = Style::TextSize::Callout;
constexpr int ButtonVerticalPadding = 6;
constexpr int ButtonSidePadding = 8;
} // namespace Sizes

} // namespace

NavigationStack::NavigationStack(QWidget *root, QWidget *parent)
    : QStackedWidget(parent)
{
    addWidget(root);
}

void NavigationStack::push(QWidget *screen)
{
    addWidget(screen);
    setCurrentWidget(screen);
}

void NavigationStack::pop()
{
    if (count() <= 1)
        return;
    QWidget *screen = widget(count() - 1);
    removeWidget(screen);
    setCurrentIndex(count() - 1);
    screen->deleteLater();
}

QWidget *NavigationStack::top() const
{
    return widget(count() - 1);
}

NavigationStack *NavigationStack::of(const QWidget *widget)
{
    for (QWidget *w = widget ? widget->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto *stack = qobject_cast<NavigationStack *>(w))
            return stack;
    }
    return nullptr;
}

QWidget *NavigationStack::backBar(QWidget *screen)
{
    auto *bar = new QWidget(screen);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(Sizes::SidePadding, Sizes::TopPadding, Sizes::SidePadding, Sizes::BottomPadding);
    auto *back = new QPushButton(
        SymbolIcons::icon(u"chevron.left", Style::white(), Sizes::Symbol), tr("Retour"), bar);
    back->setStyleSheet(Style::Sheets::plainButton(Style::white(), Sizes::TextSize, QFont::Medium,
        Style::Sheets::padding(Sizes::ButtonVerticalPadding, Sizes::ButtonSidePadding)));
    back->setCursor(Qt::PointingHandCursor);
    back->setAccessibleName(tr("Retour"));
    connect(back, &QPushButton::clicked, screen, [screen] {
        NavigationStack *stack = of(screen);
        if (stack && stack->top() == screen)
            stack->pop();
    });
    row->addWidget(back);
    row->addStretch();
    return bar;
}

void NavigationStack::keyPressEvent(QKeyEvent *event)
{
    // Keys a pushed screen's controls leave unused step back, as its
    // "Retour" does; the root screen stays.
    if (count() > 1 && (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Back))) {
        pop();
        event->accept();
        return;
    }
    QStackedWidget::keyPressEvent(event);
}
