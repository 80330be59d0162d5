#pragma once

#include "core/apiservice.h"
#include "core/configuration.h"
#include "core/conversations.h"
#include "core/credentialstore.h"
#include "core/desktopnotifier.h"
#include "core/notificationstate.h"
#include "core/services.h"
#include "core/singleinstance.h"
#include "core/startupmanager.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "ui/mainwindow.h"

#include <QObject>
#include <QPointer>

class AccessWatch;
class AppEvents;
class ConversationNotifications;
class DesktopIntegration;
class MissedClosures;
class RealtimeWiring;
class ScreenCapture;
class UpdatePrompt;
class Updater;

// The application delegate: runs start-up once the event loop is about to
// run, carries out what the tray menu asks for, and runs shut-down on the way
// out. Lives for the life of the process.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    // Seconds after start-up at which the silent update check runs.
    static constexpr int BackgroundCheckDelayMs = 3000;

    // Builds the process's one instance of each service, talking to the
    // server configuration names, and hands them down to what uses them.
    explicit AppDelegate(const Configuration &configuration, QObject *parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // Closing the last window never ends the program.
    static constexpr bool applicationShouldTerminateAfterLastWindowClosed() { return false; }

    // Clears the unread flag, opens (or reuses) the main window and brings it
    // in front of other programs. A token from the desktop's activation
    // protocol, when a launcher handed one over, lets the window take focus.
    void bringMainWindowForward(const QString &activationToken = {});
    // A second start of the program asked this one to come forward.
    void activateFromAnotherLaunch(const QString &activationToken);
    // Opens the screen a start of the program asked for (--new-ticket,
    // --my-tickets, --capture), as the tray menu's entries do.
    void open(SingleInstance::Request request, const QString &activationToken = {});
    // A second start asked this one for a screen.
    void openFromAnotherLaunch(SingleInstance::Request request, const QString &activationToken);
    // "Quitter", or a termination asked for by the session.
    void terminate();

    MainWindow *mainWindow() const { return m_window; }
    DesktopIntegration *desktopIntegration() const { return m_desktop; }
    Updater *updater() const { return m_updater; }
    UpdatePrompt *updatePrompt() const { return m_prompt; }
    AppEvents &events() const { return m_services.events; }
    AccessWatch *accessWatch() const { return m_access; }
    const Services &services() const { return m_services; }
    NotificationState &notificationState() { return m_unread; }
    Conversations &conversations() { return m_conversations; }

Q_SIGNALS:
    // "Quitter" ran the shut-down: the process may end now.
    void terminated();
    // After a new main window was created, before it is shown.
    void mainWindowCreated(MainWindow *window);

private:
    void openMainWindow();
    void openCreateTicket(const QString &activationToken = {});
    void openMyTickets(const QString &activationToken = {});
    void openConversation(qint64 ticketId);
    // The area capture first, then the form with the picture.
    void captureForNewTicket(const QString &activationToken);
    // What the user is told of the credentials, and what an open window does.
    void wireCredentials();
    // What talks to the server waits for the credentials to be read.
    QCoro::Task<> startServices();

    // The process's one instance of each service; the objects below use them.
    UserSettings m_settings;
    CredentialStore m_credentials;
    APIService m_api;
    WebSocketService m_channel;
    StartupManager m_startup;
    DesktopNotifier m_notifier;
    NotificationState m_unread;
    Conversations m_conversations;
    AppEvents *m_events;
    Services m_services;
    RealtimeWiring *m_realtime;
    ConversationNotifications *m_messageNotifications;
    AccessWatch *m_access;
    MissedClosures *m_missedClosures;
    ScreenCapture *m_capture = nullptr;
    QString m_captureToken;
    Updater *m_updater = nullptr;
    UpdatePrompt *m_prompt = nullptr;
    DesktopIntegration *m_desktop = nullptr;
    QPointer<MainWindow> m_window;
    bool m_started = false;
    bool m_terminated = false;
};
