#include "testing.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/style.h"
#include "ui/widgets/symbolicons.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

qreal luminance(QRgb pixel)
{
    const auto channel = [](int value) {
        const qreal c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) + 0.0722 * channel(qBlue(pixel));
}

// The contrast ratio of the text in area against its background: the
// commonest colour there is the background, the one farthest from it the ink.
qreal textContrast(const QImage &image, const QRect &area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000];
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most)
            std::tie(background, most) = std::pair(it.key(), it.value());
    qreal best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const qreal a = luminance(it.key()), b = luminance(background);
        best = qMax(best, (qMax(a, b) + 0.05) / (qMin(a, b) + 0.05));
    }
    return best;
}

// A screen with the program's look and two kinds of buttons on it.
struct StyledScreen
{
    QWidget screen;
    GradientButton *drawn = new GradientButton(u"Nouvelle société"_s, &screen);
    QPushButton *sheeted = new QPushButton(u"Se déconnecter"_s, &screen);
    IconButton *icon = new IconButton(u"arrow.clockwise"_s, Qt::white, u"Actualiser"_s, {}, &screen);

    StyledScreen()
    {
        Style::applyTo(&screen);
        sheeted->setStyleSheet(Style::Sheets::filledButton(Style::red(), 14, QFont::DemiBold, 10, u"8px"_s));
        auto *row = new QHBoxLayout(&screen);
        for (QWidget *button : std::initializer_list<QWidget *> { drawn, sheeted, icon })
            row->addWidget(button);
        screen.resize(600, 120);
        screen.show();
        screen.activateWindow();
    }
};

} // namespace

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

    // A dialog opened on a screen inherits the screen's sheet (white text)
    // but not, being a window, its palette: it must get the dark face too.
    void dialogOnStyledScreen_textReadableOnItsFace()
    {
        StyledScreen styled;
        auto *box = new QMessageBox(QMessageBox::Warning, u"Confirmer la fermeture"_s,
            u"Voulez-vous vraiment fermer ce ticket ?"_s, QMessageBox::Cancel, &styled.screen);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        QVERIFY(QTest::qWaitForWindowExposed(box));
        auto *text = box->findChild<QLabel *>(u"qt_msgbox_label"_s);
        QVERIFY(text);
        const QImage image = box->grab().toImage();
        const QRect area(text->mapTo(box, QPoint(0, 0)), text->size());
        const qreal contrast = textContrast(image, area);
        QVERIFY2(contrast >= 3, qPrintable(QString::number(contrast)));
        QCOMPARE(box->palette().color(QPalette::Window), Style::background());
        box->close();
    }

    // Focus shows as a ring only when the keyboard moved it: neither the
    // window's activation nor a click makes a control look selected.
    void focusRing_onlyForKeyboardFocus()
    {
        StyledScreen styled;
        QVERIFY(QTest::qWaitForWindowActive(&styled.screen));
        const QImage idle = styled.sheeted->grab().toImage();
        for (QWidget *button :
            std::initializer_list<QWidget *> { styled.drawn, styled.sheeted, styled.icon }) {
            button->setFocus(Qt::ActiveWindowFocusReason);
            QVERIFY(button->hasFocus() && !Style::showsFocusRing(button));
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(!Style::showsFocusRing(button));
        }
        styled.sheeted->setFocus(Qt::MouseFocusReason);
        QCOMPARE(styled.sheeted->grab().toImage(), idle);

        styled.drawn->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(styled.drawn, Qt::Key_Tab);
        QVERIFY(styled.sheeted->hasFocus() && Style::showsFocusRing(styled.sheeted));
        QVERIFY(styled.sheeted->grab().toImage() != idle);
        QTest::keyClick(styled.sheeted, Qt::Key_Tab);
        QVERIFY(Style::showsFocusRing(styled.icon) && !Style::showsFocusRing(styled.sheeted));

        // A form that disables its fields while it sends moves the focus on
        // as a Tab would; that is not the keyboard either.
        styled.drawn->setFocus(Qt::MouseFocusReason);
        styled.drawn->setEnabled(false);
        QVERIFY(styled.sheeted->hasFocus() && !Style::showsFocusRing(styled.sheeted));
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
