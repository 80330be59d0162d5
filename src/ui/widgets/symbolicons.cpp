#include "symbolicons.h"

#include <QImageReader>
#include <QPainter>
#include <QPixmapCache>
#include <QtMath>

using namespace Qt::StringLiterals;

namespace {

struct Symbol
{
    QStringView name;
    QStringView file; // under :/symbols/, without ".svg"
};

// The symbols the screens name, and the drawing of each.
constexpr Symbol table[] = {
    { u"arrow.clockwise", u"arrow-clockwise" },
    { u"arrow.right.circle.fill", u"arrow-right-circle-fill" },
    { u"building.2", u"building-2" },
    { u"building.2.fill", u"building-2-fill" },
    { u"calendar", u"calendar" },
    { u"camera", u"camera" },
    { u"camera.viewfinder", u"camera-viewfinder" },
    { u"checkmark.circle.fill", u"checkmark-circle-fill" },
    { u"checkmark.seal.fill", u"checkmark-seal-fill" },
    { u"chevron.down", u"chevron-down" },
    { u"chevron.left", u"chevron-left" },
    { u"chevron.up", u"chevron-up" },
    { u"clock.fill", u"clock-fill" },
    { u"desktopcomputer", u"desktopcomputer" },
    { u"doc.text", u"doc-text" },
    { u"doc.text.fill", u"doc-text-fill" },
    { u"exclamationmark.triangle", u"exclamationmark-triangle" },
    { u"exclamationmark.triangle.fill", u"exclamationmark-triangle-fill" },
    { u"flag", u"flag" },
    { u"gearshape.fill", u"gearshape-fill" },
    { u"lock.shield", u"lock-shield" },
    { u"number", u"number" },
    { u"person", u"person" },
    { u"person.badge.plus", u"person-badge-plus" },
    { u"person.circle", u"person-circle" },
    { u"person.circle.fill", u"person-circle-fill" },
    { u"person.fill", u"person-fill" },
    { u"person.fill.checkmark", u"person-fill-checkmark" },
    { u"phone", u"phone" },
    { u"phone.fill", u"phone-fill" },
    { u"photo", u"photo" },
    { u"photo.fill", u"photo-fill" },
    { u"plus.circle.fill", u"plus-circle-fill" },
    { u"shield.fill", u"shield-fill" },
    { u"square.stack.3d.up.fill", u"square-stack-3d-up-fill" },
    { u"text.alignleft", u"text-alignleft" },
    { u"text.bubble.fill", u"text-bubble-fill" },
    { u"tray", u"tray" },
    { u"tray.fill", u"tray-fill" },
    { u"xmark.circle.fill", u"xmark-circle-fill" },
};

QStringView fileOf(QStringView name)
{
    for (const Symbol &symbol : table)
        if (symbol.name == name)
            return symbol.file;
    return {};
}

// The symbol rendered at pixels × pixels device pixels and tinted; cached,
// since a list of painted cards asks for the same few again and again.
QPixmap rendered(QStringView name, const QColor &color, int pixels)
{
    const QStringView file = fileOf(name);
    if (file.isEmpty() || pixels <= 0)
        return {};
    const QString key = u"symbol:%1:%2:%3"_s.arg(file).arg(pixels).arg(color.name(QColor::HexArgb));
    QPixmap result;
    if (QPixmapCache::find(key, &result))
        return result;
    QImageReader reader(u":/symbols/"_s + file + u".svg"_s);
    reader.setScaledSize(QSize(pixels, pixels));
    QImage image = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    // The drawing is in one colour: its coverage becomes the tint's.
    QPainter tint(&image);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(image.rect(), color);
    tint.end();
    result = QPixmap::fromImage(std::move(image));
    QPixmapCache::insert(key, result);
    return result;
}

} // namespace

QStringList SymbolIcons::names()
{
    QStringList result;
    for (const Symbol &symbol : table)
        result << symbol.name.toString();
    return result;
}

bool SymbolIcons::has(QStringView name)
{
    return !fileOf(name).isEmpty();
}

void SymbolIcons::paint(QPainter *painter, QStringView name, const QRectF &rect, const QColor &color)
{
    const qreal side = qMin(rect.width(), rect.height());
    // Rendered for the pixels it will cover: the device's ratio and any
    // scaling of the painter (a hovered card grows a little).
    const qreal scale = painter->device()->devicePixelRatioF() * qMax(1.0, painter->worldTransform().m11());
    const QPixmap image = rendered(name, color, qCeil(side * scale));
    if (image.isNull())
        return;
    const QRectF target(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawPixmap(target, image, QRectF(image.rect()));
    painter->restore();
}

QPixmap SymbolIcons::pixmap(QStringView name, const QColor &color, int side, qreal devicePixelRatio)
{
    QPixmap result = rendered(name, color, qCeil(side * devicePixelRatio));
    if (result.isNull()) {
        result = QPixmap(QSize(side, side) * devicePixelRatio);
        result.fill(Qt::transparent);
    }
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon SymbolIcons::icon(QStringView name, const QColor &color, int side)
{
    QIcon result;
    result.addPixmap(pixmap(name, color, side, 1.0));
    result.addPixmap(pixmap(name, color, side, 2.0));
    return result;
}
