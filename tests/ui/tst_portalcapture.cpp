#include "notificationdaemon.h"
#include "ui/screencapture.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// A stand-in for the desktop's screenshot portal on a private session bus:
// it answers Screenshot() with a request path and, a moment later, the
// Response signal on that path, as the real portal does once the user has
// chosen.
class FakeScreenshotPortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

public:
    explicit FakeScreenshotPortal(const QDBusConnection &connection)
        : m_connection(connection)
    { }

    uint response = 0;
    QString picture;
    QVariantMap lastOptions;

public Q_SLOTS:
    QDBusObjectPath Screenshot(const QString &, const QVariantMap &options, const QDBusMessage &message)
    {
        lastOptions = options;
        QString sender = message.service().mid(1);
        sender.replace(u'.', u'_');
        const QString path = u"/org/freedesktop/portal/desktop/request/"_s + sender + u"/"_s
            + options.value(u"handle_token"_s).toString();
        QTimer::singleShot(50, this, [this, path] {
            QDBusMessage signal
                = QDBusMessage::createSignal(path, u"org.freedesktop.portal.Request"_s, u"Response"_s);
            QVariantMap results;
            if (response == 0)
                results.insert(u"uri"_s, QUrl::fromLocalFile(picture).toString());
            signal << response << results;
            m_connection.send(signal);
        });
        return QDBusObjectPath(path);
    }

private:
    QDBusConnection m_connection;
};

} // namespace

class TestPortalCapture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_files.isValid());
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        m_portalBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"portal"_s);
        QVERIFY(m_portalBus.isConnected());
        m_portal = std::make_unique<FakeScreenshotPortal>(m_portalBus);
        QVERIFY(m_portalBus.registerObject(
            u"/org/freedesktop/portal/desktop"_s, m_portal.get(), QDBusConnection::ExportAllSlots));
        QVERIFY(m_portalBus.registerService(u"org.freedesktop.portal.Desktop"_s));
        m_portal->picture = m_files.filePath(u"portal-shot.png"_s);
        QImage picture(640, 400, QImage::Format_RGB32);
        picture.fill(QColor(0, 128, 255));
        QVERIFY(picture.save(m_portal->picture));
    }

    void cleanupTestCase()
    {
        m_portalBus.unregisterService(u"org.freedesktop.portal.Desktop"_s);
        QDBusConnection::disconnectFromBus(u"portal"_s);
    }

    void answer_data()
    {
        QTest::addColumn<uint>("response");
        QTest::newRow("area chosen: copied to the promised path") << 0u;
        QTest::newRow("cancelled: no file") << 1u;
    }

    void answer()
    {
        QFETCH(uint, response);
        QCOMPARE(ScreenCapture::methodFor(u"wayland-egl"_s), ScreenCapture::Method::Portal);
        m_portal->response = response;
        ScreenCapture capture;
        QSignalSpy finished(&capture, &ScreenCapture::finished);
        const QString path = ScreenCapture::newCapturePath();
        QVERIFY(capture.start(path, ScreenCapture::Method::Portal));
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!capture.isActive());
        QCOMPARE(m_portal->lastOptions.value(u"interactive"_s).toBool(), true);
        QCOMPARE(QFile::exists(path), response == 0);
        if (response == 0)
            QCOMPARE(QImage(path).size(), QSize(640, 400));
        QFile::remove(path);
    }

    // Without a portal the capture ends at once, saying why, instead of waiting forever.
    void noPortal_saysCaptureIsUnavailable()
    {
        QVERIFY(m_portalBus.unregisterService(u"org.freedesktop.portal.Desktop"_s));
        ScreenCapture capture;
        QSignalSpy unavailable(&capture, &ScreenCapture::unavailable);
        QVERIFY(capture.start(ScreenCapture::newCapturePath(), ScreenCapture::Method::Portal));
        QTRY_COMPARE(unavailable.count(), 1);
        QCOMPARE(unavailable.first().first().toString(), ScreenCapture::unavailableMessage());
        QVERIFY(!capture.isActive());
    }

private:
    QTemporaryDir m_files;
    std::unique_ptr<FakeScreenshotPortal> m_portal;
    QDBusConnection m_portalBus { u"unused"_s };
};

// The test brings its own session bus, which starts nothing on demand, so no
// desktop's portal answers. It stops after the application is gone.
int main(int argc, char **argv)
{
    NotificationDaemon bus;
    QString error;
    if (!bus.startBus(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QApplication app(argc, argv);
    TestPortalCapture test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portalcapture.moc"
