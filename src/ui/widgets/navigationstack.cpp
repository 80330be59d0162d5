#include "navigationstack.h"

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
