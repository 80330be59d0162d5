#pragma once

#include "captureedit.h"

#include <QImage>
#include <QWidget>

// The picture in the capture editor, fitted to the widget, on which the user
// drags out the current tool's change. The change being dragged is shown as
// it will be burnt in; the finished one is handed on in picture pixels.
class CaptureCanvas : public QWidget
{
    Q_OBJECT

public:
    explicit CaptureCanvas(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    void setTool(CaptureEdit::Tool tool) { m_tool = tool; }

    // Where a pixel of the picture is shown, and which pixel a point shows.
    QPointF toWidget(const QPoint &pixel) const;
    QPoint toPicture(const QPointF &point) const;

Q_SIGNALS:
    void edited(const CaptureEdit &edit);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRectF pictureRect() const;

    QImage m_image;
    QImage m_preview; // m_image with the change being dragged
    CaptureEdit::Tool m_tool = CaptureEdit::Tool::Mask;
    CaptureEdit m_dragged;
    bool m_dragging = false;
};
