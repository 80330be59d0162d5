#pragma once

#include "stylemetrics.h"

#include <QColor>
#include <QTimer>
#include <QWidget>

// The small indeterminate progress wheel. It turns only while visible, so a
// hidden spinner costs nothing.
class Spinner : public QWidget
{
    Q_OBJECT

public:
    explicit Spinner(int side = Style::Metrics::Common::SmallSpinner, const QColor &color = Qt::white,
        QWidget *parent = nullptr);

    QSize sizeHint() const override { return QSize(m_side, m_side); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    int m_side;
    QColor m_color;
    int m_step = 0;
    QTimer m_timer;
};
