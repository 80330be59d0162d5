#include "screenlook.h"

#include "style.h"

#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QStyle>
#include <QWidget>

namespace {

bool isTabKey(const QEvent *event)
{
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

void markKeyboardFocus(QWidget *widget, bool keyboard)
{
    if (widget->property(ScreenLook::KeyboardFocus).toBool() == keyboard)
        return;
    widget->setProperty(ScreenLook::KeyboardFocus, keyboard);
    // The sheet's property selectors are read when a widget is polished.
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

} // namespace

bool ScreenLook::fromKeyboard(Qt::FocusReason reason) const
{
    // Qt also gives the Tab reason when a focused control is disabled and the
    // focus moves on by itself (a form sending): only a Tab key really down
    // makes it the keyboard's doing.
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
        return m_tabKeyDown;
    return reason == Qt::ShortcutFocusReason;
}

ScreenLook::ScreenLook(QWidget *screen)
    : QObject(screen)
    , m_screen(screen)
{
    // Focus and polish events go to the widget concerned only, not to the
    // screen it is on.
    qApp->installEventFilter(this);
}

bool ScreenLook::isOnScreen(const QWidget *widget) const
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w == m_screen)
            return true;
    }
    return false;
}

bool ScreenLook::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && isOnScreen(widget))
            markKeyboardFocus(widget,
                event->type() == QEvent::FocusIn
                    && fromKeyboard(static_cast<QFocusEvent *>(event)->reason()));
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (isTabKey(event))
            m_tabKeyDown = event->type() == QEvent::KeyPress;
        break;
    case QEvent::Polish: {
        // A sheet is a screen of its own and already has the look.
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (dialog && dialog != m_screen && isOnScreen(dialog)
            && !dialog->findChild<ScreenLook *>(QString(), Qt::FindDirectChildrenOnly))
            dialog->setPalette(Style::dialogPalette(dialog->palette()));
        break;
    }
    default:
        break;
    }
    return false;
}
