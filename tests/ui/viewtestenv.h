#pragma once

#include "core/apiservice.h"
#include "core/appevents.h"
#include "core/configuration.h"
#include "core/services.h"
#include "core/startupmanager.h"
#include "core/usersettings.h"
#include "core/websocketservice.h"
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
// REST client pointed at a loopback server, helpers on the settings file and
// on the widgets a user sees.
namespace ViewTestEnv {

// The services the screens of one test program share, as the program's
// delegate builds them once. Built on first use, or by configure().
struct ProgramServices
{
    ProgramServices(const Configuration &where, const WebSocketOptions &options)
        : configuration(where)
        , channelOptions(options)
    { }

    Configuration configuration;
    WebSocketOptions channelOptions;
    UserSettings settings { UserSettings::defaultFilePath() };
    APIService api { configuration };
    WebSocketService channel { configuration, settings, channelOptions };
    StartupManager startup { StartupManager::defaultEntryPath() };
    AppEvents events;
};

inline std::unique_ptr<ProgramServices> &programServices()
{
    static std::unique_ptr<ProgramServices> services;
    return services;
}

// Builds the services towards configuration; call before any is used.
inline void configure(const Configuration &configuration, const WebSocketOptions &options = {})
{
    programServices() = std::make_unique<ProgramServices>(configuration, options);
}

inline ProgramServices &program()
{
    if (!programServices())
        configure(Configuration());
    return *programServices();
}
inline UserSettings &settings()
{
    return program().settings;
}
inline APIService &api()
{
    return program().api;
}
inline WebSocketService &channel()
{
    return program().channel;
}
inline StartupManager &startup()
{
    return program().startup;
}

// Call first thing in initTestCase, before anything reads a setting or
// builds the REST client. Any loopback server with listen() and apiBase().
template<class Server>
bool prepare(QTemporaryDir &configDir, const Server &server)
{
    if (!configDir.isValid() || !server.listen())
        return false;
    qputenv("XDG_CONFIG_HOME", configDir.path().toUtf8());
    // Drafts and remembered statuses stay in the test's own directory too.
    qputenv("XDG_STATE_HOME", (configDir.path() + QStringLiteral("/state")).toUtf8());
    Configuration configuration;
    configuration.apiBase = server.apiBase();
    configure(configuration);
    // Keep failing tests short: the client's 60 s time-out would outlast ctest's patience.
    api().setTransferTimeout(10000);
    return settings().filePath().startsWith(configDir.path());
}

// Empties the store, file and cache alike.
inline void clearSettings()
{
    UserSettings &settings = ViewTestEnv::settings();
    settings.reload();
    QFile::remove(settings.filePath());
    settings.reload();
}

// While alive, the settings directory cannot be written, not even by root:
// a regular file stands in its place. What the store held is dropped.
struct UnwritableSettings
{
    const QString directory = QFileInfo(settings().filePath()).path();
    UnwritableSettings()
    {
        clearSettings();
        QDir(directory).removeRecursively();
        QFile blocker(directory);
        if (!blocker.open(QIODevice::WriteOnly))
            qWarning("cannot put a file in place of the settings directory");
    }
    ~UnwritableSettings() { QFile::remove(directory); }
    Q_DISABLE_COPY_MOVE(UnwritableSettings)
};

// The settings file as another process would read it.
inline QVariant storedValue(const char *key)
{
    settings().reload();
    QSettings file(settings().filePath(), QSettings::IniFormat);
    return file.value(QLatin1StringView(key));
}

inline void storeIdentity(qint64 userId, const QString &poste, const QString &nom, const QString &prenom,
    const QString &companyName = QString(), const QString &companyCode = QString())
{
    UserSettings &settings = ViewTestEnv::settings();
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

// The keys written from now until the guard goes, in order.
struct WriteRecorder
{
    QStringList keys;
    WriteRecorder()
    {
        settings().writeObserver = [this](const char *key) { keys << QString::fromLatin1(key); };
    }
    ~WriteRecorder() { settings().writeObserver = nullptr; }
    Q_DISABLE_COPY_MOVE(WriteRecorder)
};

// The process's services, as the main window hands them to its screens.
inline Services services()
{
    ProgramServices &all = program();
    return { all.settings, all.api, all.channel, all.startup, all.events };
}

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

// Whether a label inside widget shows exactly text.
inline bool showsText(QWidget *widget, const QString &text)
{
    for (QLabel *label : widget->findChildren<QLabel *>())
        if (label->isVisibleTo(widget) && label->text() == text)
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
