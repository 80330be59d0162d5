#pragma once

#include <QObject>

class QWidget;

// Watches one styled screen: marks the control that Tab, Backtab or a
// shortcut focused (dynamic property "keyboardFocus", read by the style
// sheet and by Style::showsFocusRing), so a click or the window's
// activation never makes a control look selected; and gives a dialog opened
// on the screen (a message box, a file dialog) the screen's dark palette, so
// the sheet's white text it inherits sits on a dark face.
class ScreenLook : public QObject
{
    Q_OBJECT

public:
    // Owned by screen; one per screen.
    explicit ScreenLook(QWidget *screen);

    static constexpr const char *KeyboardFocus = "keyboardFocus";

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isOnScreen(const QWidget *widget) const;
    bool fromKeyboard(Qt::FocusReason reason) const;
    QWidget *m_screen;
    bool m_tabKeyDown = false;
};
