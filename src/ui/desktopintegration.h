#pragma once

#include <QIcon>
#include <QObject>

class NotificationState;
class QAction;
class QMenu;
class QSystemTrayIcon;

// The program's place in the desktop: the tray icon, which shows the unread
// flag, and its menu. It only says what the user asked for; the delegate acts.
class DesktopIntegration : public QObject
{
    Q_OBJECT

public:
    // The tray icon shows unread's flag.
    explicit DesktopIntegration(NotificationState &unread, QObject *parent = nullptr);
    ~DesktopIntegration() override;

    // The images of the tray icon: a single-colour symbolic one, and the badge
    // in its own colours while something is unread.
    static QIcon plainIcon();
    static QIcon badgeIcon();
    static QIcon applicationIcon();

    void show();
    // A balloon from the tray icon, used when no notification service runs.
    void showMessage(const QString &title, const QString &body);

Q_SIGNALS:
    void openRequested();
    void createTicketRequested();
    void myTicketsRequested();
    void checkForUpdatesRequested();
    void quitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showUnread(bool unread);

    QMenu *m_menu = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    bool m_showsBadge = false;
};
