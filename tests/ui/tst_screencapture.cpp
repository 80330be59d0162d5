#include "testing.h"
#include "ui/areaselector.h"
#include "ui/screencapture.h"

#include <QApplication>
#include <QFile>
#include <QPointer>

// The built-in area capture on a real X server (Xvfb under the test
// script): grab, select by dragging, find the PNG at the promised path.
class TestScreenCapture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("needs an X server (run under xvfb-run)");
    }

    void escapeLeavesNoFile_dragLeavesAPngOfTheArea()
    {
        ScreenCapture capture;
        QSignalSpy finished(&capture, &ScreenCapture::finished);
        const QString cancelled = ScreenCapture::newCapturePath();
        QVERIFY(capture.start(cancelled) && capture.isActive());
        QVERIFY(!capture.start(ScreenCapture::newCapturePath())); // one at a time
        QPointer<AreaSelector> selector = waitForSelector();
        QVERIFY(selector);
        QTest::keyClick(selector, Qt::Key_Escape);
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!QFile::exists(cancelled) && !capture.isActive());
        QTRY_VERIFY(!selector);

        // Something recognisable on screen to capture.
        QWidget marker;
        marker.setWindowFlags(Qt::FramelessWindowHint);
        marker.setStyleSheet(u"background: rgb(255, 0, 0);"_s);
        marker.setGeometry(100, 100, 200, 120);
        marker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&marker));

        const QString path = ScreenCapture::newCapturePath();
        QVERIFY(capture.start(path));
        selector = waitForSelector();
        QVERIFY(selector);
        const QPoint origin = selector->mapFromGlobal(QPoint(120, 120));
        QTest::mousePress(selector, Qt::LeftButton, Qt::NoModifier, origin);
        QTest::mouseMove(selector, origin + QPoint(80, 40));
        QTest::mouseRelease(selector, Qt::LeftButton, Qt::NoModifier, origin + QPoint(160, 80));
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(finished.last().first().toString(), path);
        QImage saved(path);
        QCOMPARE(saved.size(), QSize(160, 80));
        QCOMPARE(saved.pixelColor(80, 40), QColor(255, 0, 0));
        QFile::remove(path);
    }

private:
    AreaSelector *waitForSelector()
    {
        AreaSelector *selector = nullptr;
        const bool shown = QTest::qWaitFor(
            [&selector] {
                for (QWidget *widget : QApplication::topLevelWidgets())
                    if (auto *found = qobject_cast<AreaSelector *>(widget); found && found->isVisible())
                        selector = found;
                return selector != nullptr;
            },
            5000);
        return shown && QTest::qWaitForWindowExposed(selector) ? selector : nullptr;
    }
};

int main(int argc, char **argv)
{
    // The test runner asks for the offscreen platform; this test wants the
    // X server when there is one.
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestScreenCapture test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screencapture.moc"
