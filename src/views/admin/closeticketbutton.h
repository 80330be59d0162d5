#pragma once

#include <QPushButton>
#include <QTimer>

// The administrator's close button: a red-to-orange fill with a check mark
// and "Fermer ce ticket", or a spinner and "Fermeture..." while the request
// is in flight.
class CloseTicketButton : public QPushButton
{
    Q_OBJECT

public:
    explicit CloseTicketButton(QWidget *parent = nullptr);

    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_busy = false;
    int m_step = 0;
    QTimer m_spin;
};
