#include "spinner.h"

#include "style.h"

#include <QPainter>

using namespace Qt::StringLiterals;

Spinner::Spinner(int side, const QColor &color, QWidget *parent)
    : QWidget(parent)
    , m_side(side)
    , m_color(color)
{
    setFixedSize(side, side);
    setAccessibleName(tr("Chargement"));
    m_timer.setInterval(80);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 12;
        update();
    });
}

void Spinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Style::paintSpinner(&painter, QRectF(rect()), m_color, m_step);
}

void Spinner::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer.start();
}

void Spinner::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}
