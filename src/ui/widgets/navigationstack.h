#pragma once

#include <QStackedWidget>

// The main window's navigation stack: a root screen, with screens pushed on
// top of it (the administrators' ticket list, a ticket's detail) and popped
// back with their "Retour" control, Escape or Alt+Left.
class NavigationStack : public QStackedWidget
{
    Q_OBJECT

public:
    explicit NavigationStack(QWidget *root, QWidget *parent = nullptr);

    // Shows screen on top; the stack owns it.
    void push(QWidget *screen);
    // Removes and deletes the top screen; the root always stays.
    void pop();
    QWidget *top() const;

    // The stack that shows widget, or nullptr.
    static NavigationStack *of(const QWidget *widget);
    // The bar with "Retour" that a pushed screen puts on top: it pops screen
    // when screen is the top of its stack.
    static QWidget *backBar(QWidget *screen);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
