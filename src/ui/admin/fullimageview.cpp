#include "fullimageview.h"

#include "ui/widgets/iconbutton.h"
#include "ui/widgets/style.h"

#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QPainter>
#include <QPropertyAnimation>

using namespace Qt::StringLiterals;

namespace {
constexpr int Margin = 24;
constexpr int CloseSide = 32;
constexpr int CloseToImage = 20; // extra room under the close button
} // namespace

FullImageView::FullImageView(QWidget *parent)
    : QWidget(parent)
    , m_close(new IconButton(u"xmark.circle.fill"_s, Style::white(), tr("Fermer"),
          IconButton::Look { CloseSide, CloseSide, 0, CloseSide / 2 }, this))
    , m_opacity(new QGraphicsOpacityEffect(this))
    , m_fade(new QPropertyAnimation(m_opacity, "opacity", this))
{
    setAccessibleName(tr("Pièce jointe"));
    setFocusPolicy(Qt::StrongFocus);
    setGraphicsEffect(m_opacity);
    m_fade->setDuration(FadeMs);
    m_fade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_fade, &QPropertyAnimation::finished, this, [this] {
        if (!m_presented)
            hide();
    });
    connect(m_close, &QAbstractButton::clicked, this, &FullImageView::dismiss);
    hide();
}

void FullImageView::present(const QImage &image)
{
    m_image = image;
    m_scaled = QPixmap();
    m_presented = true;
    setGeometry(parentWidget()->rect());
    raise();
    show();
    m_fade->stop();
    m_fade->setStartValue(m_opacity->opacity() < 1.0 && isVisible() ? m_opacity->opacity() : 0.0);
    m_fade->setEndValue(1.0);
    m_fade->start();
    m_close->setFocus();
}

void FullImageView::dismiss()
{
    if (!m_presented)
        return;
    m_presented = false;
    m_fade->stop();
    m_fade->setStartValue(m_opacity->opacity());
    m_fade->setEndValue(0.0);
    m_fade->start();
}

QRect FullImageView::imageRect() const
{
    if (m_image.isNull())
        return {};
    const QRect area = rect().adjusted(Margin, Margin + CloseSide + Margin + CloseToImage, -Margin, -Margin);
    const QSize shown = m_image.size().scaled(area.size(), Qt::KeepAspectRatio);
    return QRect(area.left() + (area.width() - shown.width()) / 2,
        area.top() + (area.height() - shown.height()) / 2, shown.width(), shown.height());
}

void FullImageView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_close->move(width() - Margin - CloseSide, Margin);
    m_scaled = QPixmap();
}

void FullImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QColor backdrop = Qt::black;
    backdrop.setAlphaF(0.95f);
    painter.fillRect(rect(), backdrop);
    const QRect target = imageRect();
    if (target.isEmpty())
        return;
    const qreal ratio = devicePixelRatioF();
    if (m_scaled.isNull() || m_scaled.size() != target.size() * ratio) {
        m_scaled = QPixmap::fromImage(
            m_image.scaled(target.size() * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_scaled.setDevicePixelRatio(ratio);
    }
    painter.drawPixmap(target.topLeft(), m_scaled);
}

void FullImageView::mouseReleaseEvent(QMouseEvent *event)
{
    // A click anywhere on the backdrop closes the view; the picture itself
    // is not backdrop.
    if (event->button() == Qt::LeftButton && !imageRect().contains(event->position().toPoint()))
        dismiss();
}

void FullImageView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}
