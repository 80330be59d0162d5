#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QVariantAnimation>

class QGraphicsDropShadowEffect;

// The large action button of the home screen: a tinted symbol and a bold
// white label in a 300 × 56 rounded frame whose fill and shadow grow while
// the pointer hovers, with a 0.18 s ease-out.
class HomeButton : public QAbstractButton
{
    Q_OBJECT

public:
    static constexpr int HoverDurationMs = 180;

    HomeButton(
        const QString &label, const QString &systemIcon, const QColor &color, QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    // Fill opacity and shadow radius at the current point of the animation.
    qreal fillOpacity() const;
    qreal shadowRadius() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    void setHovering(bool hovering);
    QRectF frameRect() const;

    QString m_systemIcon;
    QColor m_color;
    bool m_isHovering = false;
    qreal m_progress = 0;
    QVariantAnimation m_animation;
    QGraphicsDropShadowEffect *m_shadow;
};
