#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

// The built-in interactive capture on X11: a full-screen overlay showing a
// still picture of the screens, on which the user drags a rectangle (or
// clicks once for the whole picture). Escape cancels. Nothing blocks: the
// outcome arrives as a signal.
class AreaSelector : public QWidget
{
    Q_OBJECT

public:
    // picture covers geometry, in logical coordinates of the virtual desktop.
    AreaSelector(const QImage &picture, const QRect &geometry, QWidget *parent = nullptr);

    // A picture of every screen, composed over the virtual desktop.
    static QImage grabScreens(QRect *geometry);

Q_SIGNALS:
    void selected(const QImage &image);
    void cancelled();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void finish(const QRect &area);

    QImage m_picture;
    QPoint m_anchor;
    QRect m_selection;
    bool m_dragging = false;
    bool m_done = false;
};
