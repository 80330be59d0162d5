#pragma once

#include "stylemetrics.h"

#include <QAbstractButton>
#include <QColor>

// A square button showing only a symbol: the home screen's header buttons,
// the refresh button, the sheets' close buttons. Its accessible name is its
// tooltip, so a screen reader and a mouse user learn the same thing.
class IconButton : public QAbstractButton
{
    Q_OBJECT

public:
    struct Look
    {
        int frame = Style::Metrics::IconButton::Frame; // side of the square
        int symbolSize = Style::Metrics::IconButton::Symbol; // side of the symbol inside it
        qreal background = 0.1; // white fill opacity, 0 for none
        qreal radius = Style::Metrics::IconButton::Radius;
    };

    IconButton(const QString &symbol, const QColor &color, const QString &tooltip, Look look,
        QWidget *parent = nullptr);
    // The grey borderless close button of the sheets, named "Fermer".
    static IconButton *closeButton(QWidget *parent);

    void setSymbol(const QString &symbol, const QColor &color);
    void setToolTipAndName(const QString &text);

    QSize sizeHint() const override { return QSize(m_look.frame, m_look.frame); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
    QColor m_color;
    Look m_look;
};
