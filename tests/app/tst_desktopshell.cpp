#include "app/appdelegate.h"
#include "core/appevents.h"
#include "core/configuration.h"
#include "core/notificationstate.h"
#include "core/updater.h"
#include "testing.h"
#include "ui/createticketview.h"
#include "ui/desktopintegration.h"
#include "ui/homeview.h"
#include "ui/mainwindow.h"
#include "ui/myticketsview.h"
#include "ui/registerview.h"
#include "ui/updateprompt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>

// Receives the pages the update dialog asks the desktop to open.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void openUrl(const QUrl &url) { opened.append(url); }
};

namespace {

// An update feed offering shortVersion.
QByteArray feedOffering(const QByteArray &shortVersion, const QByteArray &build = "999")
{
    return "<rss version=\"2.0\" xmlns:norvik=\"https://norvik.example/xmlns/appcast/1.0\"><channel><item>"
           "<title>Norvik Support</title><enclosure url=\"https://support.norvik.example/download/"
           "norvik-support.deb\" norvik:version=\""
        + build + "\" norvik:shortVersionString=\"" + shortVersion
        + "\" length=\"0\" type=\"application/octet-stream\"/></item></channel></rss>";
}

} // namespace

// The tray menu, the main window and the update prompts, in this process,
// against an in-test update feed. Start-up without a tray, its log order, the
// single instance and the channel's closing frame at the end are checked on
// the built program.
class TestDesktopShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        qputenv("XDG_STATE_HOME", (m_config.path() + u"/state"_s).toUtf8());
        m_feedServer.route(
            u"/appcast.xml"_s, [this] { return QHttpServerResponse("application/rss+xml"_ba, m_feed); });
        const quint16 feedPort = m_feedServer.listen(QHostAddress::LocalHost, 0);
        QVERIFY(feedPort != 0);
        qputenv("NORVIK_UPDATE_FEED", u"http://127.0.0.1:%1/appcast.xml"_s.arg(feedPort).toUtf8());
        // Nobody answers on port 9: no test here needs the server or the channel.
        m_configuration
            = { .apiBase = u"http://127.0.0.1:9/api"_s, .wsURL = QUrl(u"ws://127.0.0.1:9/norvik-ws"_s) };
        QApplication::setQuitOnLastWindowClosed(
            AppDelegate::applicationShouldTerminateAfterLastWindowClosed());
    }

    void init()
    {
        m_feed = feedOffering(NORVIK_VERSION, NORVIK_BUILD_NUMBER);
        m_delegate = std::make_unique<AppDelegate>(m_configuration);
    }

    void cleanup() { m_delegate.reset(); }

    void trayImages_loadAndFollowTheUnreadFlag()
    {
        // The colour of the first opaque pixel; invalid when nothing is drawn.
        const auto inkOf = [](const QIcon &icon) {
            const QImage image = icon.pixmap(22, 22).toImage();
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(image.pixel(x, y)) == 255)
                        return QColor(image.pixel(x, y));
            return QColor();
        };
        // The SVG images must render, or the tray would show an empty square.
        for (const QIcon &icon : { DesktopIntegration::plainIcon(), DesktopIntegration::badgeIcon(),
                 DesktopIntegration::applicationIcon() })
            QVERIFY(inkOf(icon).isValid());
        const QSystemTrayIcon *tray = m_delegate->desktopIntegration()->findChild<QSystemTrayIcon *>();
        for (const bool unread : { true, false }) {
            m_delegate->notificationState().setHasUnreadNotification(unread);
            QCOMPARE(tray->icon().isMask(), !unread);
        }
        // A theme change repaints the symbolic image in the new text colour.
        const QPalette original = QApplication::palette();
        QPalette dark = original;
        dark.setColor(QPalette::WindowText, QColor(250, 250, 250));
        QApplication::setPalette(dark);
        QTRY_COMPARE(inkOf(tray->icon()), QColor(250, 250, 250));
        QApplication::setPalette(original);
    }

    void openApplication_clearsTheBadge_reusesTheWindow_closingKeepsTheProgram()
    {
        m_delegate->notificationState().setHasUnreadNotification(true);
        bool badgeWhenWindowCreated = true;
        connect(m_delegate.get(), &AppDelegate::mainWindowCreated, this, [&](MainWindow *) {
            badgeWhenWindowCreated
                = !m_delegate->desktopIntegration()->findChild<QSystemTrayIcon *>()->icon().isMask();
        });
        entry(u"Ouvrir l'application"_s)->trigger();
        QVERIFY(!badgeWhenWindowCreated);
        MainWindow *window = m_delegate->mainWindow();
        QVERIFY(window && window->isVisible());

        // Asking again while it is open reuses the window.
        entry(u"Ouvrir l'application"_s)->trigger();
        QCOMPARE(m_delegate->mainWindow(), window);

        // A newcomer's registration sheet, which he cannot dismiss, holds the
        // home screen but not the window: nothing modal blocks its close button.
        QPointer<QWidget> firstHome = window->findChild<HomeView *>();
        QTRY_VERIFY(window->findChild<RegisterView *>() && window->findChild<RegisterView *>()->isVisible());
        QVERIFY(!QApplication::activeModalWidget());

        // Closing it keeps the program and takes the sheet along; the next
        // opening starts a fresh home, which offers registration again.
        QPointer<MainWindow> first = window;
        QPointer<QWidget> sheet = window->findChild<RegisterView *>();
        QVERIFY(first->close());
        QTRY_VERIFY(!first);
        QVERIFY(!firstHome && !sheet);
        QVERIFY(!m_delegate->mainWindow());
        entry(u"Ouvrir l'application"_s)->trigger();
        window = m_delegate->mainWindow();
        QTRY_VERIFY(window->findChild<RegisterView *>() && window->findChild<RegisterView *>()->isVisible());

        // "Quitter" runs the shut-down at once.
        QSignalSpy terminated(m_delegate.get(), &AppDelegate::terminated);
        entry(u"Quitter"_s)->trigger();
        QCOMPARE(terminated.size(), 1);
    }

    void requestEntries_reachAHomeScreenThatExistsAlready_data()
    {
        // A tray entry, or the command line's request (empty text).
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("create");
        QTest::newRow("create") << u"Faire un ticket"_s << true;
        QTest::newRow("my tickets") << u"Voir mes tickets"_s << false;
        QTest::newRow("--new-ticket") << QString() << true;
        QTest::newRow("--my-tickets") << QString() << false;
    }

    void requestEntries_reachAHomeScreenThatExistsAlready()
    {
        QFETCH(QString, text);
        QFETCH(bool, create);
        int posts = 0;
        bool homeWasThere = false;
        QObject context;
        const auto observe = [&] {
            ++posts;
            const MainWindow *window = m_delegate->mainWindow();
            // The badge goes on the same way in, checked in openApplication_....
            homeWasThere = window && window->isVisible() && window->findChild<HomeView *>();
        };
        AppEvents &events = m_delegate->events();
        connect(&events, create ? &AppEvents::createTicketRequested : &AppEvents::myTicketsRequested,
            &context, observe);
        if (text.isEmpty())
            m_delegate->open(
                create ? SingleInstance::Request::NewTicket : SingleInstance::Request::MyTickets);
        else
            entry(text)->trigger();
        QCOMPARE(posts, 1);
        QVERIFY(homeWasThere);
        // The home screen acted on the request: its sheet is open.
        const MainWindow *window = m_delegate->mainWindow();
        QVERIFY(create ? window->findChild<CreateTicketView *>() != nullptr
                       : window->findChild<MyTicketsView *>() != nullptr);
    }

    // The background check speaks only of a newer version; the user's own
    // check always answers in a dialog.
    void updateChecks_backgroundOnlyOfANewerVersion_userAlwaysAnswered()
    {
        Updater *updater = m_delegate->updater();
        UpdatePrompt *prompt = m_delegate->updatePrompt();
        const auto dialogSays = [prompt](const QString &text) {
            return prompt->dialog() && prompt->dialog()->isVisible() && prompt->dialog()->text() == text;
        };
        QSignalSpy failed(updater, &Updater::failed);
        QSignalSpy available(updater, &Updater::updateAvailable);

        m_feed = "not a feed"_ba;
        updater->checkForUpdatesInBackground();
        QVERIFY(failed.wait(10000));
        QVERIFY(!prompt->dialog());

        m_feed = feedOffering("99.0.0");
        updater->checkForUpdatesInBackground();
        QVERIFY(available.wait(10000));
        QVERIFY(prompt->dialog());

        // Each answer differs from the one before, so each is a new one.
        QAction *check = entry(u"Vérifier les mises à jour..."_s);

        m_feed = feedOffering(NORVIK_VERSION, NORVIK_BUILD_NUMBER);
        check->trigger();
        QTRY_VERIFY(dialogSays(u"Norvik Support est à jour."_s));

        m_feed = "<rss><channel><item>"_ba;
        check->trigger();
        QTRY_VERIFY(dialogSays(u"La recherche de mises à jour a échoué."_s));

        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(u"https"_s, &recorder, "openUrl");
        m_feed = feedOffering("99.0.0");
        check->trigger();
        QTRY_VERIFY(dialogSays(u"Une nouvelle version de Norvik Support est disponible."_s));
        prompt->dialog()->defaultButton()->click();
        QDesktopServices::unsetUrlHandler(u"https"_s);
        QCOMPARE(recorder.opened,
            QList<QUrl> { QUrl(u"https://support.norvik.example/download/norvik-support.deb"_s) });
    }

private:
    QAction *entry(const QString &text) const
    {
        const QMenu *menu = m_delegate->desktopIntegration()->findChild<QSystemTrayIcon *>()->contextMenu();
        for (QAction *action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    QTemporaryDir m_config;
    QHttpServer m_feedServer;
    QByteArray m_feed;
    Configuration m_configuration;
    std::unique_ptr<AppDelegate> m_delegate;
};

QTEST_MAIN(TestDesktopShell)
#include "tst_desktopshell.moc"
