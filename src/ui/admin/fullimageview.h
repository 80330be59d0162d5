#pragma once

#include <QImage>
#include <QWidget>

class IconButton;
class QGraphicsOpacityEffect;
class QPropertyAnimation;

// The attachment at full size over a darkened screen. It fades in and out;
// the close button, a click on the backdrop or Escape hides it.
class FullImageView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int FadeMs = 200;

    explicit FullImageView(QWidget *parent);

    void present(const QImage &image);
    void dismiss();
    // True from present() until dismiss() starts the fade-out.
    bool isPresented() const { return m_presented; }
    QRect imageRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_image;
    QPixmap m_scaled; // the image at the size shown, rebuilt on resize only
    IconButton *m_close;
    QGraphicsOpacityEffect *m_opacity;
    QPropertyAnimation *m_fade;
    bool m_presented = false;
};
