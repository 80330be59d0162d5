#pragma once

#include <QColor>
#include <QWidget>

// A small coloured label (see BadgePainter) as a widget, which screen readers
// know by its text. PriorityBadge and StatusBadge choose the words and colour.
class Badge : public QWidget
{
    Q_OBJECT

public:
    explicit Badge(QWidget *parent = nullptr);

    void setBadge(const QString &text, const QColor &color);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QColor m_color;
};
