#pragma once

#include <QList>
#include <QString>

class QBoxLayout;
class QVBoxLayout;
class QWidget;

// The layout pieces several screens repeat, built in one place so that the
// screens stay alike: a bare column, a scrolling page, a title over its
// subtitle, a column of centred items.
namespace ScreenParts {

// A column on owner with neither margins nor spacing: its parts bring their own.
QVBoxLayout *bareColumn(QWidget *owner);
// A frameless page that scrolls vertically only, added to layout; the caller
// fills the returned page.
QWidget *addScrollingPage(QBoxLayout *layout, int stretch = 0);
// Once the layout has made room for widget, scrolls its page (if it is on
// one) so that it shows: a message at the foot of a long form must not
// appear below the fold.
void revealWhenLaidOut(QWidget *widget);
// Scrolls widget's page (if it is on one) back to its top, where a screen
// shows the outcome of what was just done.
void scrollToTop(QWidget *widget);
// A screen's title (role "title") over its subtitle (role "subtitle").
QVBoxLayout *titles(const QString &title, const QString &subtitle, QWidget *parent);
// A page showing items one under the other, centred both ways; a negative
// spacing keeps the style's.
QWidget *centredColumn(const QList<QWidget *> &items, int spacing, QWidget *parent);

} // namespace ScreenParts
