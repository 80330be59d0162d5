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

class TestWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void badges_upperCaseInFullUnicodeAndTint();
    void symbols_everyNameRendersTintedInk();
    void sheet_dismissalFollowsItsSetting();
    void gradientButton_busyShowsSpinnerInsteadOfLabel();
};

// Which word takes which tint and text is the vocabulary's, tested in tst_records.
void TestWidgets::badges_upperCaseInFullUnicodeAndTint()
{
    StatusBadge closed(u"fermé"_s);
    QCOMPARE(closed.color(), Style::red());
    QCOMPARE(closed.accessibleName(), u"FERMÉ"_s);
    // ß has no single upper-case letter: full casing gives two.
    QCOMPARE(StatusBadge(u"straße"_s).text(), u"STRASSE"_s);
    QCOMPARE(PriorityBadge(std::nullopt).color(), Style::grey());
}

// Every symbol is a resource drawing read through the SVG image plugin: a
// missing file or plugin leaves a blank where the icon should be.
void TestWidgets::symbols_everyNameRendersTintedInk()
{
    const QColor tint = Style::blue();
    for (const QString &name : SymbolIcons::names()) {
        const QImage image = SymbolIcons::pixmap(name, tint, 24, 2.0).toImage();
        QCOMPARE(image.size(), QSize(48, 48));
        bool inked = false;
        for (int y = 0; y < image.height() && !inked; ++y)
            for (int x = 0; x < image.width() && !inked; ++x)
                inked = qAlpha(image.pixel(x, y)) == 255 && QColor(image.pixel(x, y)).rgb() == tint.rgb();
        QVERIFY2(inked, qPrintable(name));
    }
    QVERIFY(!SymbolIcons::has(u"no.such.symbol"_s));
}

void TestWidgets::sheet_dismissalFollowsItsSetting()
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

void TestWidgets::gradientButton_busyShowsSpinnerInsteadOfLabel()
{
    GradientButton button(u"Créer mon compte"_s);
    button.resize(300, 48);
    const QImage idle = button.grab().toImage();
    button.setBusy(true);
    const QImage busy = button.grab().toImage();
    QVERIFY(idle != busy);
    QCOMPARE(
        button.accessibleName().isEmpty() ? button.text() : button.accessibleName(), u"Créer mon compte"_s);
    button.setBusy(false);
    QCOMPARE(button.grab().toImage(), idle);
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
