#pragma once

#include "style.h"

#include <QPushButton>
#include <QTimer>

// The filled button of the screens: a rounded left-to-right gradient (blue to
// purple unless told otherwise) with white words, optionally after a symbol.
// While its request is in flight it shows a small white spinner: in place of
// the label, or, when it has a busy text, in the symbol's place beside that text.
class GradientButton : public QPushButton
{
    Q_OBJECT

public:
    struct Look
    {
        QColor from = Style::blue();
        QColor to = Style::purple();
        qreal radius = Style::Metrics::GradientButton::Radius;
        qreal inset = 1; // between the widget's edge and the fill
        int padding = Style::Metrics::GradientButton::Padding; // left and right of the label
        // between the symbol (or spinner) and the words
        qreal symbolGap = Style::Metrics::GradientButton::SymbolGap;
    };

    explicit GradientButton(const QString &text, QWidget *parent = nullptr);

    void setLook(const Look &look);
    // A system symbol drawn before the words.
    void setSymbol(const QString &name);
    // The words shown while busy; the idle text comes back afterwards.
    void setBusyText(const QString &text);

    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Look m_look;
    QString m_symbol;
    QString m_busyText;
    QString m_idleText;
    bool m_busy = false;
    int m_step = 0;
    QTimer m_spin;
};
