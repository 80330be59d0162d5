#include "imagepreview.h"

#include <QPainter>
#include <QPainterPath>

using namespace Qt::StringLiterals;

namespace {
// This screen's own sizes, in pixels at a device pixel ratio of 1.
namespace Sizes {
constexpr int PreferredWidth = 520;
constexpr int MaxHeight = 200;
constexpr int Radius = 8;
} // namespace Sizes
} // namespace

ImagePreview::ImagePreview(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(tr("Capture d'écran jointe"));
}

void ImagePreview::setImage(const QImage &image)
{
    m_image = image;
    const int available = parentWidget() ? parentWidget()->contentsRect().width() : width();
    setFixedHeight(heightForWidth(qMax(width(), available)));
    updateGeometry();
    update();
}

int ImagePreview::heightForWidth(int width) const
{
    const QSizeF size = m_image.deviceIndependentSize();
    if (size.isEmpty())
        return 0;
    return qMin<int>(Sizes::MaxHeight, qRound(size.height() * qMin(1.0, width / size.width())));
}

QSize ImagePreview::sizeHint() const
{
    return QSize(Sizes::PreferredWidth, heightForWidth(Sizes::PreferredWidth));
}

QRectF ImagePreview::imageRect() const
{
    const QSizeF size = m_image.deviceIndependentSize();
    if (size.isEmpty())
        return {};
    const QSizeF fitted = size.scaled(QSizeF(width(), height()).boundedTo(size), Qt::KeepAspectRatio);
    return QRectF(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void ImagePreview::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The height follows the width the layout gave; width never depends on
    // height, so this settles after one pass.
    const int wanted = heightForWidth(width());
    if (wanted != height())
        setFixedHeight(wanted);
}

void ImagePreview::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF target = imageRect();
    QPainterPath clip;
    clip.addRoundedRect(target, Sizes::Radius, Sizes::Radius);
    painter.setClipPath(clip);
    painter.drawImage(target, m_image);
}
