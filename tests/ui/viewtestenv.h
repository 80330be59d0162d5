#pragma once

#include "core/apiservice.h"
#include "core/appevents.h"
#include "core/configuration.h"
#include "core/conversations.h"
#include "core/credentialstore.h"
#include "core/services.h"
#include "core/startupmanager.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
#include "httptestserver.h"
#include "ui/widgets/navigationstack.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// Shared set-up of the screen tests: a private configuration directory, the
// services a test hands its screens, helpers on the settings file and on the
// widgets a user sees.
namespace ViewTestEnv {

// The services one test's screens share, as the program's delegate builds
// them; each test class owns its own. Built as Program(configuration, options).
struct Program
{
    Configuration configuration;
    WebSocketOptions channelOptions;
    UserSettings settings { UserSettings::defaultFilePath() };
    // Empty until a test signs in: conversations are then unavailable.
    CredentialStore credentials { QStringLiteral("norvik-ui-test"),
        QFileInfo(settings.filePath()).dir().filePath(QStringLiteral("secrets")) };
    APIService api { configuration, credentials };
    WebSocketService channel { configuration, settings, channelOptions };
    StartupManager startup { StartupManager::defaultEntryPath() };
    AppEvents events;
    Conversations conversations { api, channel, settings, credentials, Conversations::defaultOutboxPath() };

    // As the main window hands them to its screens.
    Services services() { return { settings, api, channel, startup, events, conversations }; }

    // Empties the store, file and cache alike.
    void clearSettings()
    {
        settings.reload();
        QFile::remove(settings.filePath());
        settings.reload();
    }

    // The settings file as another process would read it.
    QVariant storedValue(const char *key)
    {
        settings.reload();
        return QSettings(settings.filePath(), QSettings::IniFormat).value(QLatin1StringView(key));
    }

    void storeIdentity(qint64 userId, const QString &poste, const QString &nom, const QString &prenom,
        const QString &companyName = QString(), const QString &companyCode = QString())
    {
        settings.writeInteger(UserSettings::UserId, userId);
        settings.writeText(UserSettings::UserPoste, poste);
        settings.writeText(UserSettings::UserNom, nom);
        settings.writeText(UserSettings::UserPrenom, prenom);
        if (!companyName.isNull())
            settings.writeText(UserSettings::CompanyName, companyName);
        if (!companyCode.isNull())
            settings.writeText(UserSettings::CompanyCode, companyCode);
        settings.writeBool(UserSettings::IsRegistered, true);
    }
};

// Points the settings and drafts into configDir, then builds the services
// towards channel and server (any loopback server with listen() and
// apiBase()); null when either cannot be had.
template<class Server>
std::unique_ptr<Program> prepare(
    QTemporaryDir &configDir, const Server &server, Configuration configuration = {})
{
    if (!configDir.isValid() || !server.listen())
        return nullptr;
    qputenv("XDG_CONFIG_HOME", configDir.path().toUtf8());
    qputenv("XDG_STATE_HOME", (configDir.path() + QStringLiteral("/state")).toUtf8());
    configuration.apiBase = server.apiBase();
    auto program = std::make_unique<Program>(configuration);
    // Keep failing tests short: the client's 60 s time-out would outlast ctest's patience.
    program->api.setTransferTimeout(10000);
    return program->settings.filePath().startsWith(configDir.path()) ? std::move(program) : nullptr;
}

// What most screen tests own: a configuration directory of their own, a
// scripted server and the services pointed at both (null when either could
// not be had).
class ScreenTest : public QObject
{
protected:
    QTemporaryDir m_config;
    HttpTestServer m_server;
    std::unique_ptr<Program> m_env = prepare(m_config, m_server);
};

// While alive, the settings directory cannot be written, not even by root:
// a regular file stands in its place. What the store held is dropped.
struct UnwritableSettings
{
    const QString directory;
    explicit UnwritableSettings(Program &program)
        : directory(QFileInfo(program.settings.filePath()).path())
    {
        program.clearSettings();
        QDir(directory).removeRecursively();
        QFile blocker(directory);
        if (!blocker.open(QIODevice::WriteOnly))
            qWarning("cannot put a file in place of the settings directory");
    }
    ~UnwritableSettings() { QFile::remove(directory); }
    Q_DISABLE_COPY_MOVE(UnwritableSettings)
};

// Replaces holder's sheet with a fresh one, built with arguments, and waits
// for it on screen.
template<class View, class... Arguments>
View *openSheet(std::unique_ptr<View> &holder, Arguments &&...arguments)
{
    holder = std::make_unique<View>(std::forward<Arguments>(arguments)...);
    holder->show();
    return QTest::qWaitForWindowExposed(holder.get()) ? holder.get() : nullptr;
}

// Types text key by key, accents included (QTest::keyClicks takes Latin-1
// characters only).
inline void typeText(QObject *widget, const QString &text)
{
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(widget, &press);
        QCoreApplication::sendEvent(widget, &release);
    }
}

enum class Shown { Any, Only };

// The button inside parent showing text or named so for assistive technology.
inline QAbstractButton *button(QWidget *parent, const QString &text, Shown shown = Shown::Any)
{
    for (QAbstractButton *found : parent->findChildren<QAbstractButton *>())
        if ((found->text() == text || found->accessibleName() == text)
            && (shown == Shown::Any || found->isVisibleTo(parent)))
            return found;
    return nullptr;
}

// The label inside widget showing exactly text, shown or not.
inline QLabel *label(QWidget *widget, const QString &text)
{
    for (QLabel *found : widget->findChildren<QLabel *>())
        if (found->text() == text)
            return found;
    return nullptr;
}

// Whether a label inside widget shows exactly text.
inline bool showsText(QWidget *widget, const QString &text)
{
    for (QLabel *found : widget->findChildren<QLabel *>())
        if (found->isVisibleTo(widget) && found->text() == text)
            return true;
    return false;
}

// A shown window holding a navigation stack, as the main window does.
struct StackedWindow
{
    QWidget window;
    NavigationStack *stack;

    explicit StackedWindow(QSize size = QSize(1100, 800), QWidget *root = nullptr)
        : stack(new NavigationStack(root ? root : new QWidget, &window))
    {
        window.resize(size);
        stack->resize(size);
        window.show();
        window.activateWindow();
        // Keyboard tests need focus; the others merely wait a moment.
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("the test window did not become active");
    }
};

} // namespace ViewTestEnv
