#pragma once

#include <QColor>
#include <QWidget>

// A status shown as a small coloured badge (see BadgePainter): the word
// upper-cased in full Unicode, in the colour of its tint.
class StatusBadge : public QWidget
{
    Q_OBJECT

public:
    explicit StatusBadge(const QString &status, QWidget *parent = nullptr);

    void setStatus(const QString &status);
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
