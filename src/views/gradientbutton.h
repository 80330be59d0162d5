#pragma once

#include <QPushButton>
#include <QTimer>

// The primary button of a screen: a rounded left-to-right blue-to-purple
// fill with white text, which shows a small white spinner instead of its
// label while the screen's request is in flight.
class GradientButton : public QPushButton
{
    Q_OBJECT

public:
    explicit GradientButton(const QString &text, QWidget *parent = nullptr);

    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_busy = false;
    int m_step = 0;
    QTimer m_spin;
};
