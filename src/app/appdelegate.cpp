#include "appdelegate.h"

#include "core/accesswatch.h"
#include "core/apiservice.h"
#include "core/appevents.h"
#include "core/conversationnotifications.h"
#include "core/desktopnotifier.h"
#include "core/log.h"
#include "core/missedclosures.h"
#include "core/notificationstate.h"
#include "core/realtimewiring.h"
#include "core/startupmanager.h"
#include "core/updater.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "ui/desktopintegration.h"
#include "ui/homeview.h"
#include "ui/mainwindow.h"
#include "ui/screencapture.h"
#include "ui/updateprompt.h"

#include <QApplication>
#include <QFile>
#include <QSystemTrayIcon>
#include <QTimer>

using namespace Qt::StringLiterals;

AppDelegate::AppDelegate(const Configuration &configuration, QObject *parent)
    : QObject(parent)
    , m_settings(UserSettings::defaultFilePath())
    , m_credentials(CredentialStore::defaultService(), CredentialStore::defaultFallbackPath())
    , m_api(configuration, m_credentials)
    , m_channel(configuration, m_settings, m_credentials)
    , m_startup(StartupManager::defaultEntryPath())
    , m_conversations(m_api, m_channel, m_settings, m_credentials, Conversations::defaultOutboxPath())
    , m_events(new AppEvents(this))
    , m_services { m_settings, m_api, m_channel, m_startup, *m_events, m_conversations }
    , m_realtime(new RealtimeWiring(m_channel, m_notifier, m_unread, this))
    , m_messageNotifications(new ConversationNotifications(m_conversations, m_notifier, m_unread, this))
    , m_access(new AccessWatch(m_api, m_credentials, m_settings, m_channel, this))
    , m_missedClosures(new MissedClosures(m_api, m_settings, m_channel, *m_realtime, m_notifier, m_unread,
          TicketStatusMemory::defaultPath(), this))
    , m_updater(new Updater(this))
    , m_prompt(new UpdatePrompt(m_updater, QString::fromLatin1(NORVIK_VERSION), this))
    , m_desktop(new DesktopIntegration(m_unread, this))
{
    connect(m_desktop, &DesktopIntegration::openRequested, this, [this] { bringMainWindowForward(); });
    connect(m_desktop, &DesktopIntegration::createTicketRequested, this, [this] { openCreateTicket(); });
    connect(m_desktop, &DesktopIntegration::myTicketsRequested, this, [this] { openMyTickets(); });
    connect(m_desktop, &DesktopIntegration::checkForUpdatesRequested, m_updater, &Updater::checkForUpdates);
    connect(m_desktop, &DesktopIntegration::quitRequested, this, &AppDelegate::terminate);
    connect(m_messageNotifications, &ConversationNotifications::conversationRequested, this,
        &AppDelegate::openConversation);
    wireCredentials();
    // A termination the program did not ask for (the session ending) still
    // closes the channel properly.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
}

AppDelegate::~AppDelegate()
{
    // What uses the services goes before them: children would outlive them.
    delete m_window;
    delete m_missedClosures;
    delete m_realtime;
    delete m_messageNotifications;
    delete m_desktop;
}

void AppDelegate::applicationDidFinishLaunching()
{
    if (std::exchange(m_started, true))
        return;
    // Desktop notifications fall back to the tray icon's balloon when the
    // session runs no notification service.
    m_notifier.setFallback([desktop = QPointer(m_desktop)](const QString &title, const QString &body) {
        if (desktop)
            desktop->showMessage(title, body);
    });
    // Only the tray icon at start-up; without a tray the window is the only
    // way in, so it opens at once.
    m_desktop->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        logLine(u"⚠️ Pas de zone de notification : ouverture de la fenêtre principale"_s);
        openMainWindow();
    }
    QTimer::singleShot(BackgroundCheckDelayMs, m_updater, &Updater::checkForUpdatesInBackground);
    startServices();
}

void AppDelegate::wireCredentials()
{
    // What the user must know about the credentials, shown where the tray's messages go.
    const auto tell = [this](const QString &message) { m_desktop->showMessage(QString(), message); };
    connect(&m_credentials, &CredentialStore::keyringUnavailable, m_desktop, tell);
    connect(m_access, &AccessWatch::staffSessionEnded, m_desktop, tell);
    connect(m_access, &AccessWatch::registrationRequired, m_desktop, tell);
    // An open window follows at once: out of administrator mode, or offering
    // the registration again.
    connect(m_access, &AccessWatch::staffSessionEnded, this, [this] {
        if (HomeView *home = m_window ? m_window->findChild<HomeView *>() : nullptr)
            home->setIsAdmin(false);
    });
    connect(m_access, &AccessWatch::registrationRequired, this, [this] {
        if (HomeView *home = m_window ? m_window->findChild<HomeView *>() : nullptr)
            home->openRegister();
    });
}

QCoro::Task<> AppDelegate::startServices()
{
    const QPointer<AppDelegate> self(this);
    co_await m_credentials.load();
    if (!self || m_terminated)
        co_return;
    m_missedClosures->start();
    m_realtime->start();
    logLine(u"✅ Application démarrée - WebSocket actif - Sparkle configuré"_s);
}

void AppDelegate::applicationWillTerminate()
{
    if (std::exchange(m_terminated, true))
        return;
    m_realtime->shutdown();
}

void AppDelegate::terminate()
{
    // The channel is closed while the event loop still runs, so its closing
    // frame leaves before the process does; aboutToQuit finds it done.
    applicationWillTerminate();
    Q_EMIT terminated();
}

void AppDelegate::bringMainWindowForward(const QString &activationToken)
{
    m_unread.setHasUnreadNotification(false);
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    openMainWindow();
}

void AppDelegate::activateFromAnotherLaunch(const QString &activationToken)
{
    logLine(u"💥 Programme relancé : fenêtre principale ramenée au premier plan"_s);
    bringMainWindowForward(activationToken);
}

void AppDelegate::open(SingleInstance::Request request, const QString &activationToken)
{
    switch (request) {
    case SingleInstance::Request::Activate:
        break;
    case SingleInstance::Request::NewTicket:
        openCreateTicket(activationToken);
        break;
    case SingleInstance::Request::NewTicketWithCapture:
        captureForNewTicket(activationToken);
        break;
    case SingleInstance::Request::MyTickets:
        openMyTickets(activationToken);
        break;
    }
}

void AppDelegate::openFromAnotherLaunch(SingleInstance::Request request, const QString &activationToken)
{
    logLine(u"💥 Programme relancé, demande : "_s + SingleInstance::requestName(request));
    open(request, activationToken);
}

void AppDelegate::openCreateTicket(const QString &activationToken)
{
    bringMainWindowForward(activationToken);
    Q_EMIT m_events->createTicketRequested();
}

void AppDelegate::openMyTickets(const QString &activationToken)
{
    bringMainWindowForward(activationToken);
    Q_EMIT m_events->myTicketsRequested();
}

void AppDelegate::openConversation(qint64 ticketId)
{
    bringMainWindowForward();
    Q_EMIT m_events->conversationRequested(ticketId);
}

void AppDelegate::captureForNewTicket(const QString &activationToken)
{
    if (!m_capture) {
        m_capture = new ScreenCapture(this);
        // The form opens once the user is done, so that it is not in the
        // picture; a cancelled capture still opens it, empty.
        connect(m_capture, &ScreenCapture::finished, this, [this](const QString &path) {
            openCreateTicket(m_captureToken);
            if (QFile::exists(path))
                Q_EMIT m_events->ticketPictureCaptured(path);
        });
        connect(m_capture, &ScreenCapture::unavailable, this, [this](const QString &message) {
            logLine(u"⚠️ "_s + message);
            openCreateTicket(m_captureToken);
        });
    }
    if (m_capture->isActive())
        return;
    m_captureToken = activationToken;
    m_capture->start(ScreenCapture::newCapturePath());
}

void AppDelegate::openMainWindow()
{
    if (!m_window) {
        m_window = new MainWindow(m_services);
        Q_EMIT mainWindowCreated(m_window);
    }
    if (m_window->isMinimized())
        m_window->showNormal();
    else
        m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
