#pragma once

#include <QColor>
#include <QWidget>

// One tile of a ticket author's details: a tinted symbol in a circle, a small
// grey label and the value under it.
class InfoRow : public QWidget
{
    Q_OBJECT

public:
    InfoRow(const QString &icon, const QColor &iconColor, const QString &label, const QString &value,
        QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_icon;
    QColor m_iconColor;
};
