#pragma once

#include <QImage>
#include <QWidget>

// The attached picture, scaled to fit at most 200 pixels high, with rounded
// corners.
class ImagePreview : public QWidget
{
    Q_OBJECT

public:
    explicit ImagePreview(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRectF imageRect() const;
    QImage m_image;
};
