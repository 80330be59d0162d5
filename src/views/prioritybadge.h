#pragma once

#include <QColor>
#include <QWidget>
#include <optional>

// A priority shown as a small coloured badge (see BadgePainter): the word
// upper-cased in full Unicode, in the colour of its tint.
class PriorityBadge : public QWidget
{
    Q_OBJECT

public:
    explicit PriorityBadge(const std::optional<QString> &priority, QWidget *parent = nullptr);

    void setPriority(const std::optional<QString> &priority);
    QString text() const { return m_text; }
    QColor color() const { return m_color; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QColor m_color;
};
