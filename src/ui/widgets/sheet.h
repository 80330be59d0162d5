#pragma once

#include <QDialog>

// A fixed-size sheet over a window: window-modal, on the dark background,
// closed by the screen's own dismiss() or, when the sheet allows it, by
// Escape and the title bar. A sheet that may not be dismissed interactively
// ignores both and closes only through dismiss().
class Sheet : public QDialog
{
    Q_OBJECT

public:
    Sheet(const QSize &size, QWidget *parent = nullptr);

    void setInteractiveDismissal(bool allowed) { m_interactiveDismissal = allowed; }
    bool allowsInteractiveDismissal() const { return m_interactiveDismissal; }

public Q_SLOTS:
    // Closes the sheet: the screen's own way out (success, close button).
    void dismiss();

Q_SIGNALS:
    // Emitted once when the sheet is first shown (the moment to load).
    void appeared();

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool m_interactiveDismissal = true;
    bool m_dismissing = false;
    bool m_appeared = false;
};
