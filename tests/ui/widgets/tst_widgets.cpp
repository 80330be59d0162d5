#include "testing.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QImage>

class TestWidgets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every symbol is a resource drawing read through the SVG image plugin: a
    // missing file or plugin leaves a blank where the icon should be.
    void symbols_everyNameRendersTintedInk()
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
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
