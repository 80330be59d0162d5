#include "artifacts.h"
#include "views/badgepainter.h"
#include "views/gradientbutton.h"
#include "views/iconbutton.h"
#include "views/prioritybadge.h"
#include "views/sheet.h"
#include "views/statusbadge.h"
#include "views/style.h"
#include "views/symbolicons.h"

#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestStyle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void badges_upperCaseInFullUnicodeAndTint();
    void badge_paintsTwentyPercentFillAndFullColourText();
    void symbols_everyNameUsedByTheScreensIsDrawnInsideItsGrid();
    void symbols_takeTheirTint();
    void sheet_withoutInteractiveDismissal_ignoresEscapeAndClose();
    void sheet_withInteractiveDismissal_closesOnEscape();
    void gradientButton_busyShowsSpinnerInsteadOfLabel();
    void closeButton_isNamedFermer();
};

void TestStyle::badges_upperCaseInFullUnicodeAndTint()
{
    StatusBadge closed(u"fermé"_s);
    QCOMPARE(closed.text(), u"FERMÉ"_s);
    QCOMPARE(closed.color(), Style::red());
    QCOMPARE(closed.accessibleName(), u"FERMÉ"_s);
    // ß has no single upper-case letter: full casing gives two.
    StatusBadge german(u"straße"_s);
    QCOMPARE(german.text(), u"STRASSE"_s);
    QCOMPARE(german.color(), Style::gray());
    QCOMPARE(StatusBadge(u"Ouvert"_s).color(), Style::green());

    PriorityBadge critique(u"CRITIQUE"_s);
    QCOMPARE(critique.text(), u"CRITIQUE"_s);
    QCOMPARE(critique.color(), Style::red());
    QCOMPARE(PriorityBadge(u"Haute"_s).color(), Style::orange());
    QCOMPARE(PriorityBadge(u"normale"_s).color(), Style::green());
    PriorityBadge missing(std::nullopt);
    QCOMPARE(missing.text(), u"N/A"_s);
    QCOMPARE(missing.color(), Style::gray());
    PriorityBadge other(u"urgente"_s);
    QCOMPARE(other.text(), u"URGENTE"_s);
    QCOMPARE(other.color(), Style::gray());
}

void TestStyle::badge_paintsTwentyPercentFillAndFullColourText()
{
    const QString text = u"FERMÉ"_s;
    const QSize size = BadgePainter::size(text);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        BadgePainter::paint(&painter, QPointF(0, 0), text, Style::red());
    }
    // A pixel of the margin, away from the rounded corners and the text.
    const QColor margin = image.pixelColor(size.width() / 2, 1);
    QVERIFY2(qAbs(margin.red() - qRound(Style::red().red() * 0.2)) <= 2, qPrintable(margin.name()));
    QCOMPARE(margin.green(), qRound(Style::red().green() * 0.2));
    // Somewhere in the text the colour is at full strength.
    int brightest = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            brightest = qMax(brightest, image.pixelColor(x, y).red());
    QVERIFY(brightest >= Style::red().red() - 2);
    // Caption margins: 10 each side, 4 above and below.
    const QFontMetrics metrics(Style::captionBold());
    QCOMPARE(size.width(), metrics.horizontalAdvance(text) + 20);
    QCOMPARE(size.height(), metrics.height() + 8);
}

void TestStyle::symbols_everyNameUsedByTheScreensIsDrawnInsideItsGrid()
{
    const QStringList used { u"plus.circle.fill"_s, u"building.2"_s, u"building.2.fill"_s,
        u"person.fill.checkmark"_s, u"person.circle"_s, u"person.circle.fill"_s, u"gearshape.fill"_s,
        u"xmark.circle.fill"_s, u"arrow.clockwise"_s, u"tray"_s, u"exclamationmark.triangle.fill"_s,
        u"exclamationmark.triangle"_s, u"checkmark.circle.fill"_s, u"clock.fill"_s, u"chevron.down"_s,
        u"chevron.up"_s, u"person.badge.plus"_s, u"doc.text.fill"_s, u"doc.text"_s, u"text.alignleft"_s,
        u"camera"_s, u"camera.viewfinder"_s, u"photo"_s, u"flag"_s, u"number"_s, u"person"_s,
        u"person.fill"_s, u"phone"_s, u"square.stack.3d.up.fill"_s };
    for (const QString &name : used) {
        QVERIFY2(SymbolIcons::has(name), qPrintable(name));
        const QRectF bounds = SymbolIcons::path(name).boundingRect();
        QVERIFY2(!bounds.isEmpty(), qPrintable(name));
        QVERIFY2(QRectF(-0.5, -0.5, 25, 25).contains(bounds), qPrintable(name));
    }
    QVERIFY(!SymbolIcons::has(u"no.such.symbol"_s));
    QVERIFY(SymbolIcons::path(u"no.such.symbol"_s).isEmpty());

    // One sheet of every symbol, for a reviewer's eye.
    const QStringList all = SymbolIcons::names();
    QImage sheet(QSize(48 * 8, 48 * int((all.size() + 7) / 8)), QImage::Format_ARGB32);
    sheet.fill(Style::background());
    QPainter painter(&sheet);
    for (int i = 0; i < all.size(); ++i)
        SymbolIcons::paint(
            &painter, all[i], QRectF((i % 8) * 48 + 8, (i / 8) * 48 + 8, 32, 32), Style::white(0.9));
    painter.end();
    QVERIFY(sheet.save(artifactPath(u"symbols"_s)));
}

void TestStyle::symbols_takeTheirTint()
{
    const QImage image = SymbolIcons::pixmap(u"plus.circle.fill"_s, Style::green(), 24).toImage();
    // The disc is green, its plus is cut out, so transparent.
    QCOMPARE(image.pixelColor(5, 12).rgb(), Style::green().rgb());
    QCOMPARE(image.pixelColor(12, 12).alpha(), 0);
}

void TestStyle::sheet_withoutInteractiveDismissal_ignoresEscapeAndClose()
{
    Sheet sheet(QSize(520, 650));
    sheet.setInteractiveDismissal(false);
    QSignalSpy appeared(&sheet, &Sheet::appeared);
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    QCOMPARE(appeared.count(), 1);
    QCOMPARE(sheet.size(), QSize(520, 650));
    QCOMPARE(sheet.minimumSize(), sheet.maximumSize());
    QCOMPARE(sheet.palette().color(QPalette::Window), QColor(14, 17, 32));

    QTest::keyClick(&sheet, Qt::Key_Escape);
    QVERIFY(sheet.isVisible());
    QVERIFY(!sheet.close());
    QVERIFY(sheet.isVisible());

    sheet.dismiss();
    QVERIFY(!sheet.isVisible());
    sheet.show();
    QCOMPARE(appeared.count(), 1); // once per sheet, not per show
}

void TestStyle::sheet_withInteractiveDismissal_closesOnEscape()
{
    Sheet sheet(QSize(500, 600));
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    QTest::keyClick(&sheet, Qt::Key_Escape);
    QVERIFY(!sheet.isVisible());
}

void TestStyle::gradientButton_busyShowsSpinnerInsteadOfLabel()
{
    GradientButton button(u"Créer mon compte"_s);
    button.resize(300, 48);
    const QImage idle = button.grab().toImage();
    button.setBusy(true);
    QVERIFY(button.isBusy());
    const QImage busy = button.grab().toImage();
    QVERIFY(idle != busy);
    // The left edge is blue, the right edge purple.
    const QColor left = idle.pixelColor(4, 24), right = idle.pixelColor(idle.width() - 5, 24);
    QVERIFY(left.blue() > left.red());
    QVERIFY(right.red() > left.red());
    QCOMPARE(
        button.accessibleName().isEmpty() ? button.text() : button.accessibleName(), u"Créer mon compte"_s);
    button.setBusy(false);
    QCOMPARE(button.grab().toImage(), idle);
}

void TestStyle::closeButton_isNamedFermer()
{
    QWidget parent;
    IconButton *close = IconButton::closeButton(&parent);
    QCOMPARE(close->accessibleName(), u"Fermer"_s);
    QCOMPARE(close->toolTip(), u"Fermer"_s);
    QCOMPARE(close->focusPolicy(), Qt::StrongFocus);
}

QTEST_MAIN(TestStyle)
#include "tst_style.moc"
