#include "symbolicons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPixmap>
#include <QTransform>
#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

using Builder = std::function<QPainterPath()>;

// A line drawing turned into a fillable outline, so every symbol is a fill
// and cut-outs are plain path subtraction.
QPainterPath stroked(const QPainterPath &line, qreal width = 2.0)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line).simplified();
}

QPainterPath circle(qreal cx, qreal cy, qreal r)
{
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), r, r);
    return p;
}

QPainterPath rounded(qreal x, qreal y, qreal w, qreal h, qreal r)
{
    QPainterPath p;
    p.addRoundedRect(QRectF(x, y, w, h), r, r);
    return p;
}

QPainterPath polyline(std::initializer_list<QPointF> points)
{
    QPainterPath p;
    bool first = true;
    for (const QPointF &point : points) {
        if (first)
            p.moveTo(point);
        else
            p.lineTo(point);
        first = false;
    }
    return p;
}

QPainterPath plusMark(qreal cx, qreal cy, qreal half, qreal width = 2.0)
{
    QPainterPath line = polyline({ { cx - half, cy }, { cx + half, cy } });
    line.addPath(polyline({ { cx, cy - half }, { cx, cy + half } }));
    return stroked(line, width);
}

QPainterPath xMark(qreal cx, qreal cy, qreal half, qreal width = 2.0)
{
    QPainterPath line = polyline({ { cx - half, cy - half }, { cx + half, cy + half } });
    line.addPath(polyline({ { cx + half, cy - half }, { cx - half, cy + half } }));
    return stroked(line, width);
}

QPainterPath checkMark(qreal cx, qreal cy, qreal s, qreal width = 2.0)
{
    return stroked(
        polyline({ { cx - s, cy }, { cx - s / 3, cy + s * 0.7 }, { cx + s, cy - s * 0.7 } }), width);
}

// Head and shoulders, filled, standing in a box of the given height.
QPainterPath personFilled(qreal cx, qreal top, qreal height)
{
    const qreal headR = height * 0.22;
    QPainterPath p = circle(cx, top + headR, headR);
    QPainterPath body;
    const qreal bodyTop = top + height * 0.55, halfWidth = height * 0.42;
    body.moveTo(cx - halfWidth, top + height);
    body.cubicTo(cx - halfWidth, bodyTop, cx + halfWidth, bodyTop, cx + halfWidth, top + height);
    body.closeSubpath();
    return p.united(body);
}

QPainterPath personOutline(qreal cx, qreal top, qreal height)
{
    const qreal headR = height * 0.2;
    QPainterPath line = circle(cx, top + headR + 1, headR);
    const qreal bodyTop = top + height * 0.58, halfWidth = height * 0.38;
    QPainterPath body;
    body.moveTo(cx - halfWidth, top + height);
    body.cubicTo(cx - halfWidth, bodyTop, cx + halfWidth, bodyTop, cx + halfWidth, top + height);
    line.addPath(body);
    return stroked(line, 1.8);
}

QPainterPath triangle(qreal inset)
{
    return polyline({ { 12, 3 + inset }, { 21.5 - inset, 20 - inset / 2 }, { 2.5 + inset, 20 - inset / 2 },
        { 12, 3 + inset } });
}

QPainterPath exclamation()
{
    QPainterPath mark = stroked(polyline({ { 12, 8.5 }, { 12, 13.5 } }), 2.2);
    return mark.united(circle(12, 16.8, 1.3));
}

QPainterPath building(bool filled)
{
    QPainterPath shapes = rounded(3, 3, 11, 18, 1.5).united(rounded(14, 9, 7, 12, 1.5));
    QPainterPath windows;
    for (int row = 0; row < 4; ++row) {
        windows.addRect(QRectF(5.5, 5.5 + row * 3.6, 2, 2));
        windows.addRect(QRectF(9.5, 5.5 + row * 3.6, 2, 2));
    }
    windows.addRect(QRectF(16.5, 12, 2, 2));
    windows.addRect(QRectF(16.5, 16, 2, 2));
    if (filled)
        return shapes.subtracted(windows);
    QPainterPath outline
        = stroked(rounded(3.5, 3.5, 10, 17, 1.5), 1.6)
              .united(
                  stroked(polyline({ { 13.5, 9.5 }, { 20.5, 9.5 }, { 20.5, 20.5 }, { 13.5, 20.5 } }), 1.6));
    return outline.united(windows);
}

QPainterPath docPage()
{
    return polyline({ { 6, 2.5 }, { 14, 2.5 }, { 19, 7.5 }, { 19, 21.5 }, { 6, 21.5 }, { 6, 2.5 } });
}

QPainterPath docLines()
{
    QPainterPath lines = polyline({ { 9, 11 }, { 16, 11 } });
    lines.addPath(polyline({ { 9, 14.5 }, { 16, 14.5 } }));
    lines.addPath(polyline({ { 9, 18 }, { 13.5, 18 } }));
    return lines;
}

QPainterPath cameraBody()
{
    QPainterPath body = rounded(2.5, 7, 19, 13, 2.5);
    QPainterPath top;
    top.addRoundedRect(QRectF(8, 4.5, 8, 4), 1.2, 1.2);
    return body.united(top);
}

// The shield's outline, filled or stroked by the symbols that use it.
QPainterPath shield()
{
    QPainterPath shape;
    shape.moveTo(12, 2.5);
    shape.lineTo(20, 5.5);
    shape.cubicTo(20, 13, 17.5, 18.5, 12, 21.5);
    shape.cubicTo(6.5, 18.5, 4, 13, 4, 5.5);
    shape.closeSubpath();
    return shape;
}

// A handset seen from the side: two pads joined by a curved grip. The filled
// symbol is the same drawing, heavier.
QPainterPath handset(qreal gripWidth, qreal padWidth, qreal padLength)
{
    QPainterPath grip;
    grip.moveTo(6.5, 4.5);
    grip.cubicTo(2.5, 8, 9, 19, 19.5, 17.5);
    const QPainterPath upright = rounded(-padWidth / 2, -padLength / 2, padWidth, padLength, 1.8);
    const QPainterPath lying = rounded(-padLength / 2, -padWidth / 2, padLength, padWidth, 1.8);
    QPainterPath shape = stroked(grip, gripWidth);
    shape = shape.united(QTransform().translate(6.2, 5.2).rotate(-45).map(upright));
    shape = shape.united(QTransform().translate(18.8, 17.8).rotate(-45).map(lying));
    return shape.simplified();
}

const QHash<QString, Builder> &table()
{
    static const QHash<QString, Builder> symbols {
        // Administrator screens.
        { u"chevron.left"_s,
            [] {
                return stroked(polyline({ { 15, 5 }, { 8, 12 }, { 15, 19 } }), 2.4);
            } },
        { u"calendar"_s,
            [] {
                QPainterPath shape = stroked(rounded(3, 5, 18, 16, 2.5), 1.6);
                shape = shape.united(rounded(3, 5, 18, 5, 2));
                shape = shape.united(stroked(polyline({ { 8, 3 }, { 8, 6.5 } }), 2));
                shape = shape.united(stroked(polyline({ { 16, 3 }, { 16, 6.5 } }), 2));
                for (int row = 0; row < 2; ++row)
                    for (int col = 0; col < 3; ++col)
                        shape.addRect(QRectF(6.5 + col * 4, 12.5 + row * 4, 2.4, 2.4));
                return shape.simplified();
            } },
        { u"arrow.right.circle.fill"_s,
            [] {
                QPainterPath arrow = polyline({ { 7, 12 }, { 16.5, 12 } });
                arrow.addPath(polyline({ { 12.5, 8 }, { 16.5, 12 }, { 12.5, 16 } }));
                return circle(12, 12, 10).subtracted(stroked(arrow, 2.2));
            } },
        { u"checkmark.seal.fill"_s,
            [] {
                QPainterPath seal;
                for (int i = 0; i < 24; ++i) {
                    const qreal angle = i * M_PI / 12;
                    const qreal r = (i % 2) ? 8.6 : 10.5;
                    const QPointF point(12 + r * std::sin(angle), 12 - r * std::cos(angle));
                    if (i == 0)
                        seal.moveTo(point);
                    else
                        seal.lineTo(point);
                }
                seal.closeSubpath();
                return seal.subtracted(checkMark(12, 12, 4.2));
            } },
        { u"tray.fill"_s,
            [] {
                QPainterPath body = polyline({ { 2.5, 13 }, { 5.5, 4.5 }, { 18.5, 4.5 }, { 21.5, 13 },
                    { 21.5, 19.5 }, { 2.5, 19.5 } });
                body.closeSubpath();
                QPainterPath slot = polyline({ { 5, 12.5 }, { 6.8, 7 }, { 17.2, 7 }, { 19, 12.5 },
                    { 15.5, 12.5 }, { 14, 15 }, { 10, 15 }, { 8.5, 12.5 } });
                slot.closeSubpath();
                return body.subtracted(slot);
            } },
        { u"shield.fill"_s, [] { return shield(); } },
        { u"lock.shield"_s,
            [] {
                QPainterPath lock
                    = rounded(8.5, 11, 7, 5.5, 1).united(stroked(polyline({ { 10, 11 }, { 10, 9 } }), 1.4));
                lock = lock.united(stroked(polyline({ { 14, 11 }, { 14, 9 } }), 1.4));
                QPainterPath arc;
                arc.moveTo(10, 9);
                arc.cubicTo(10, 6.5, 14, 6.5, 14, 9);
                lock = lock.united(stroked(arc, 1.4));
                return stroked(shield(), 1.6).united(lock);
            } },
        { u"text.bubble.fill"_s,
            [] {
                QPainterPath bubble = rounded(2.5, 3.5, 19, 14, 4);
                bubble.addPath(polyline({ { 7, 16 }, { 6, 21 }, { 12, 16 } }));
                QPainterPath lines = polyline({ { 7, 8.5 }, { 17, 8.5 } });
                lines.addPath(polyline({ { 7, 12.5 }, { 14, 12.5 } }));
                return bubble.simplified().subtracted(stroked(lines, 1.6));
            } },
        { u"photo.fill"_s,
            [] {
                QPainterPath frame = rounded(2.5, 4, 19, 16, 2.5);
                QPainterPath hills
                    = polyline({ { 4.5, 18 }, { 9.5, 11.5 }, { 13.5, 16 }, { 16, 13.5 }, { 19.5, 18 } });
                hills.closeSubpath();
                return frame.subtracted(hills).subtracted(circle(16, 8.5, 1.8));
            } },
        { u"phone.fill"_s, [] { return handset(4.2, 4.8, 7.6); } },
        { u"desktopcomputer"_s,
            [] {
                QPainterPath screen = stroked(rounded(2.5, 3.5, 19, 13, 2), 1.8);
                screen = screen.united(rounded(10.5, 16.5, 3, 3, 0.5));
                return screen.united(rounded(7, 19.5, 10, 1.8, 0.9));
            } },
        { u"plus.circle.fill"_s, [] { return circle(12, 12, 10).subtracted(plusMark(12, 12, 4.5)); } },
        { u"xmark.circle.fill"_s, [] { return circle(12, 12, 10).subtracted(xMark(12, 12, 3.5)); } },
        { u"checkmark.circle.fill"_s, [] { return circle(12, 12, 10).subtracted(checkMark(12, 12, 4.5)); } },
        { u"clock.fill"_s,
            [] {
                return circle(12, 12, 10)
                    .subtracted(stroked(polyline({ { 12, 6 }, { 12, 12 }, { 16, 14.5 } }), 2));
            } },
        { u"exclamationmark.triangle.fill"_s,
            [] {
                QPainterPath shape = stroked(triangle(0), 3);
                shape = shape.united(QPainterPath(triangle(0)).simplified());
                return shape.subtracted(exclamation());
            } },
        { u"exclamationmark.triangle"_s, [] { return stroked(triangle(0.5), 1.8).united(exclamation()); } },
        { u"person.circle"_s,
            [] {
                QPainterPath inner = personFilled(12, 5.5, 13).intersected(circle(12, 12, 9));
                return stroked(circle(12, 12, 9.5), 1.8).united(inner);
            } },
        { u"person.circle.fill"_s,
            [] {
                return circle(12, 12, 10)
                    .subtracted(personFilled(12, 5.5, 13).intersected(circle(12, 12, 8.2)));
            } },
        { u"person.fill"_s, [] { return personFilled(12, 3, 18); } },
        { u"person"_s, [] { return personOutline(12, 3, 18); } },
        { u"person.fill.checkmark"_s,
            [] { return personFilled(9, 4, 16).united(checkMark(18.5, 9, 3.5, 2.2)); } },
        { u"person.badge.plus"_s, [] { return personOutline(9, 4, 16).united(plusMark(19, 8, 3.2)); } },
        { u"gearshape.fill"_s,
            [] {
                QPainterPath gear = circle(12, 12, 7.5);
                for (int tooth = 0; tooth < 8; ++tooth) {
                    QPainterPath t = rounded(-1.8, -10.5, 3.6, 5, 0.8);
                    gear = gear.united(QTransform().translate(12, 12).rotate(tooth * 45).map(t));
                }
                return gear.subtracted(circle(12, 12, 3.2));
            } },
        { u"building.2"_s, [] { return building(false); } },
        { u"building.2.fill"_s, [] { return building(true); } },
        { u"arrow.clockwise"_s,
            [] {
                QPainterPath arc;
                arc.arcMoveTo(QRectF(4, 4, 16, 16), 80);
                arc.arcTo(QRectF(4, 4, 16, 16), 80, 300);
                QPainterPath head;
                head.moveTo(12.5, 0.8);
                head.lineTo(17.5, 4.2);
                head.lineTo(12.5, 7.6);
                head.closeSubpath();
                return stroked(arc, 2).united(head);
            } },
        { u"tray"_s,
            [] {
                QPainterPath line = polyline({ { 2.5, 13 }, { 5.5, 4.5 }, { 18.5, 4.5 }, { 21.5, 13 },
                    { 21.5, 19.5 }, { 2.5, 19.5 }, { 2.5, 13 } });
                line.addPath(polyline(
                    { { 2.5, 13 }, { 8, 13 }, { 9.5, 15.5 }, { 14.5, 15.5 }, { 16, 13 }, { 21.5, 13 } }));
                return stroked(line, 1.8);
            } },
        { u"chevron.down"_s,
            [] {
                return stroked(polyline({ { 5, 9 }, { 12, 16 }, { 19, 9 } }), 2.4);
            } },
        { u"chevron.up"_s,
            [] {
                return stroked(polyline({ { 5, 15 }, { 12, 8 }, { 19, 15 } }), 2.4);
            } },
        { u"doc.text"_s,
            [] {
                QPainterPath line = docPage();
                line.addPath(polyline({ { 14, 2.5 }, { 14, 7.5 }, { 19, 7.5 } }));
                line.addPath(docLines());
                return stroked(line, 1.6);
            } },
        { u"doc.text.fill"_s,
            [] { return QPainterPath(docPage()).simplified().subtracted(stroked(docLines(), 1.6)); } },
        { u"text.alignleft"_s,
            [] {
                QPainterPath lines = polyline({ { 3, 5 }, { 21, 5 } });
                lines.addPath(polyline({ { 3, 10 }, { 15, 10 } }));
                lines.addPath(polyline({ { 3, 15 }, { 19, 15 } }));
                lines.addPath(polyline({ { 3, 20 }, { 12, 20 } }));
                return stroked(lines, 2);
            } },
        { u"camera"_s,
            [] { return stroked(cameraBody(), 1.6).united(stroked(circle(12, 13.5, 3.8), 1.6)); } },
        { u"camera.viewfinder"_s,
            [] {
                QPainterPath corners = polyline({ { 2.5, 7 }, { 2.5, 2.5 }, { 7, 2.5 } });
                corners.addPath(polyline({ { 17, 2.5 }, { 21.5, 2.5 }, { 21.5, 7 } }));
                corners.addPath(polyline({ { 21.5, 17 }, { 21.5, 21.5 }, { 17, 21.5 } }));
                corners.addPath(polyline({ { 7, 21.5 }, { 2.5, 21.5 }, { 2.5, 17 } }));
                QPainterPath camera = rounded(6.5, 8.5, 11, 8, 1.5).subtracted(circle(12, 12.5, 2.3));
                return stroked(corners, 1.8).united(camera);
            } },
        { u"photo"_s,
            [] {
                QPainterPath frame = stroked(rounded(2.5, 4, 19, 16, 2.5), 1.6);
                QPainterPath hills;
                hills.moveTo(4, 18.5);
                hills.lineTo(9.5, 11.5);
                hills.lineTo(13.5, 16);
                hills.lineTo(16, 13.5);
                hills.lineTo(20, 18.5);
                hills.closeSubpath();
                return frame.united(hills).united(circle(16.5, 8.5, 1.8));
            } },
        { u"flag"_s,
            [] {
                QPainterPath pole = stroked(polyline({ { 5, 3 }, { 5, 22 } }), 2);
                QPainterPath cloth;
                cloth.moveTo(5, 4);
                cloth.cubicTo(10, 1.5, 13, 6.5, 19.5, 4);
                cloth.lineTo(19.5, 13);
                cloth.cubicTo(13, 15.5, 10, 10.5, 5, 13);
                cloth.closeSubpath();
                return pole.united(stroked(cloth, 1.6));
            } },
        { u"number"_s,
            [] {
                QPainterPath lines = polyline({ { 9.5, 3 }, { 7.5, 21 } });
                lines.addPath(polyline({ { 16.5, 3 }, { 14.5, 21 } }));
                lines.addPath(polyline({ { 4, 8.5 }, { 20.5, 8.5 } }));
                lines.addPath(polyline({ { 3.5, 15.5 }, { 20, 15.5 } }));
                return stroked(lines, 1.8);
            } },
        { u"phone"_s, [] { return handset(3.2, 4.4, 7.2); } },
        { u"square.stack.3d.up.fill"_s,
            [] {
                auto layer = [](qreal y) {
                    QPainterPath p = polyline({ { 12, y }, { 21, y + 4.5 }, { 12, y + 9 }, { 3, y + 4.5 } });
                    p.closeSubpath();
                    return p;
                };
                QPainterPath top = layer(2.5);
                QPainterPath middle = layer(7).subtracted(stroked(top, 2.4));
                QPainterPath bottom = layer(11.5).subtracted(stroked(layer(7), 2.4)).subtracted(layer(7));
                return top.united(middle.subtracted(top)).united(bottom.subtracted(top));
            } },
    };
    return symbols;
}

} // namespace

QStringList SymbolIcons::names()
{
    QStringList result = table().keys();
    result.sort();
    return result;
}

bool SymbolIcons::has(QStringView name)
{
    return table().contains(name.toString());
}

QPainterPath SymbolIcons::path(QStringView name)
{
    const auto found = table().constFind(name.toString());
    return found == table().cend() ? QPainterPath() : (*found)();
}

void SymbolIcons::paint(QPainter *painter, QStringView name, const QRectF &rect, const QColor &color)
{
    // Built once per name: a list of thousands of painted cards asks often.
    static QHash<QString, QPainterPath> cache;
    const QString key = name.toString();
    auto found = cache.find(key);
    if (found == cache.end())
        found = cache.insert(key, path(name));
    if (found->isEmpty())
        return;
    const qreal side = qMin(rect.width(), rect.height());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter->scale(side / 24.0, side / 24.0);
    painter->setPen(Qt::NoPen);
    painter->setBrush(color);
    painter->drawPath(*found);
    painter->restore();
}

QPixmap SymbolIcons::pixmap(QStringView name, const QColor &color, int side, qreal devicePixelRatio)
{
    QPixmap result(QSize(side, side) * devicePixelRatio);
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    paint(&painter, name, QRectF(0, 0, side, side), color);
    return result;
}

QIcon SymbolIcons::icon(QStringView name, const QColor &color, int side)
{
    QIcon result;
    result.addPixmap(pixmap(name, color, side, 1.0));
    result.addPixmap(pixmap(name, color, side, 2.0));
    return result;
}
