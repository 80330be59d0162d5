#pragma once

#include <QColor>
#include <QWidget>

class QLabel;

// A message row on a faint rounded background of its colour: a symbol and a
// wrapped text, both in that colour. Error boxes, the success banner and
// the missing-identity warning are all notice boxes.
class NoticeBox : public QWidget
{
    Q_OBJECT

public:
    NoticeBox(const QString &symbol, const QColor &color, QWidget *parent = nullptr);

    void setText(const QString &text);
    // Sets the text and shows the box: how a screen reports a failure.
    void showText(const QString &text);
    QString text() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QColor m_color;
    QLabel *m_text;
};
