#include "core/updater.h"
#include "httptestserver.h"
#include "testing.h"
#include "ui/homebutton.h"
#include "ui/registerview.h"
#include "ui/settingsview.h"
#include "ui/updateprompt.h"
#include "ui/widgets/gradientbutton.h"
#include "ui/widgets/iconbutton.h"
#include "ui/widgets/style.h"
#include "viewtestenv.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

// What the user screens look like where no pixel needs reading: dialogs in
// the program's colours, sheets that fit, focus rings
// for the keyboard only. The contrast of what they render is measured by
// the "contrast" test.
class TestUserLook : public ViewTestEnv::ScreenTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_env); }

    void init()
    {
        m_env->clearSettings();
        m_server.setHandler([](const TestRequest &) { return TestResponse { 500, "oops", 0 }; });
    }

    void updateDialog_hasTheProgramsDarkFace()
    {
        Updater updater;
        UpdatePrompt prompt(&updater, u"1.0"_s);
        Q_EMIT updater.failed(u"hors ligne"_s, Updater::Check::UserStarted);
        QMessageBox *box = prompt.dialog();
        QVERIFY(box && box->parentWidget() == nullptr);
        QTRY_VERIFY(box->isVisible());
        // Light text of the sheet on a dark window, not the desktop's grey.
        QVERIFY(box->palette().color(QPalette::Window).lightness() < 80);
        QVERIFY(box->palette().color(QPalette::WindowText).lightness() > 200);
        QVERIFY(!box->styleSheet().isEmpty());
    }

    void registerSheet_failedCompanyList_fitsWithItsStyledRetry()
    {
        std::unique_ptr<RegisterView> view;
        QVERIFY(ViewTestEnv::openSheet(view, m_env->api, m_env->settings));
        QAbstractButton *retry = nullptr;
        QTRY_VERIFY((retry = ViewTestEnv::button(view.get(), u"Réessayer"_s, ViewTestEnv::Shown::Only)));
        QCOMPARE(retry->property("role").toString(), u"plain"_s);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        auto *page = view->findChild<QScrollArea *>();
        QTRY_COMPARE(page->verticalScrollBar()->maximum(), 0);
        auto *submit = view->findChild<GradientButton *>();
        QVERIFY(QRect(QPoint(), view->size())
                    .contains(QRect(submit->mapTo(view.get(), QPoint()), submit->size())));
    }

    void homeButton_ringsKeyboardFocusOnly()
    {
        QWidget window;
        Style::applyTo(&window);
        auto *first = new QPushButton(u"avant"_s, &window);
        auto *home = new HomeButton(u"Démarrer un ticket"_s, u"plus.circle.fill"_s, Style::green(), &window);
        home->setGeometry(0, 40, 300, 80);
        first->move(0, 0);
        window.resize(320, 140);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const auto ringPixels = [home] {
            const QImage picture = home->grab().toImage();
            int blue = 0;
            // The symbol is green and the label white: only a ring is blue.
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    const QColor pixel = picture.pixelColor(x, y);
                    blue += pixel.blue() > 180 && pixel.red() < 120 && pixel.green() < 170;
                }
            return blue;
        };
        home->setFocus(Qt::MouseFocusReason);
        QVERIFY(home->hasFocus());
        QCOMPARE(ringPixels(), 0);
        first->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(first, Qt::Key_Tab);
        QTRY_VERIFY(home->hasFocus());
        QVERIFY(ringPixels() > home->width() / 2);
    }
};

QTEST_MAIN(TestUserLook)
#include "tst_userlook.moc"
