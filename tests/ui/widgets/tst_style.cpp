#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/prioritybadge.h"
#include "ui/widgets/sheet.h"
#include "ui/widgets/statusbadge.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestStyle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void badges_upperCaseInFullUnicodeAndTint();
    void symbols_everyNameUsedByTheScreensIsDrawnInsideItsGrid();
    void sheet_dismissalFollowsItsSetting();
    void gradientButton_busyShowsSpinnerInsteadOfLabel();
};

// Which word takes which tint and text is the vocabulary's, tested in tst_records.
void TestStyle::badges_upperCaseInFullUnicodeAndTint()
{
    StatusBadge closed(u"fermé"_s);
    QCOMPARE(closed.color(), Style::red());
    QCOMPARE(closed.accessibleName(), u"FERMÉ"_s);
    // ß has no single upper-case letter: full casing gives two.
    QCOMPARE(StatusBadge(u"straße"_s).text(), u"STRASSE"_s);
    QCOMPARE(PriorityBadge(std::nullopt).color(), Style::gray());
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
}

void TestStyle::sheet_dismissalFollowsItsSetting()
{
    Sheet sheet(QSize(520, 650));
    sheet.setInteractiveDismissal(false);
    QSignalSpy appeared(&sheet, &Sheet::appeared);
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    QCOMPARE(appeared.count(), 1);
    QTest::keyClick(&sheet, Qt::Key_Escape);
    QVERIFY(!sheet.close());
    QVERIFY(sheet.isVisible());
    sheet.dismiss();
    QVERIFY(!sheet.isVisible());
    sheet.show();
    QCOMPARE(appeared.count(), 1); // once per sheet, not per show

    sheet.setInteractiveDismissal(true);
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
    QCOMPARE(
        button.accessibleName().isEmpty() ? button.text() : button.accessibleName(), u"Créer mon compte"_s);
    button.setBusy(false);
    QCOMPARE(button.grab().toImage(), idle);
}

QTEST_MAIN(TestStyle)
#include "tst_style.moc"
