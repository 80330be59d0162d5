#include "desktopintegration.h"

#include "core/notificationstate.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

DesktopIntegration::DesktopIntegration(NotificationState &unread, QObject *parent)
    : QObject(parent)
    , m_menu(new QMenu)
    , m_tray(new QSystemTrayIcon(this))
{
    m_menu->addAction(tr("Ouvrir l'application"), this, &DesktopIntegration::openRequested);
    m_menu->addSeparator();
    m_menu->addAction(tr("Faire un ticket"), this, &DesktopIntegration::createTicketRequested);
    m_menu->addSeparator();
    m_menu->addAction(tr("Voir mes tickets"), this, &DesktopIntegration::myTicketsRequested);
    m_menu->addSeparator();
    m_menu->addAction(
        tr("Vérifier les mises à jour..."), this, &DesktopIntegration::checkForUpdatesRequested);
    m_menu->addSeparator();
    m_menu->addAction(tr("Quitter"), this, &DesktopIntegration::quitRequested);

    m_tray->setContextMenu(m_menu);
    m_tray->setToolTip(u"Norvik Support"_s);
    // Many trays open the menu only on a secondary click; a primary click does
    // what the first entry does, so the window is one click away everywhere.
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            Q_EMIT openRequested();
    });

    connect(&unread, &NotificationState::hasUnreadNotificationChanged, this, &DesktopIntegration::showUnread);
    m_showsBadge = !unread.hasUnreadNotification(); // forces the first drawing
    showUnread(unread.hasUnreadNotification());
    // The symbolic image follows the theme's text colour when it changes.
    qApp->installEventFilter(this);
}

bool DesktopIntegration::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange && !m_showsBadge)
        m_tray->setIcon(plainIcon());
    return QObject::eventFilter(watched, event);
}

DesktopIntegration::~DesktopIntegration()
{
    // The menu has no parent: the tray icon only refers to it.
    m_tray->setContextMenu(nullptr);
    delete m_menu;
}

QIcon DesktopIntegration::plainIcon()
{
    // The symbolic image is drawn in one colour; it is painted in the theme's
    // text colour so it reads on light and dark panels alike, and marked as a
    // mask so trays that tint symbolic icons may do so.
    const QIcon source(u":/icons/AppIconMenuBar.svg"_s);
    const QColor ink = QGuiApplication::palette().color(QPalette::WindowText);
    QIcon icon;
    for (const int side : { 16, 22, 24, 32, 48, 64 }) {
        QPixmap pixmap = source.pixmap(side, side);
        QPainter painter(&pixmap);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), ink);
        painter.end();
        icon.addPixmap(pixmap);
    }
    icon.setIsMask(true);
    return icon;
}

QIcon DesktopIntegration::badgeIcon()
{
    return QIcon(u":/icons/AppIconMenuBarBadge.svg"_s);
}

QIcon DesktopIntegration::applicationIcon()
{
    // The installed theme icon is this same drawing; looking it up in the
    // icon theme would cost a scan of the theme directories at every start.
    return QIcon(u":/icons/norvik-support.svg"_s);
}

void DesktopIntegration::show()
{
    m_tray->show();
}

void DesktopIntegration::showMessage(const QString &title, const QString &body)
{
    m_tray->showMessage(title, body, applicationIcon());
}

void DesktopIntegration::showUnread(bool unread)
{
    if (m_showsBadge == unread)
        return;
    m_showsBadge = unread;
    m_tray->setIcon(unread ? badgeIcon() : plainIcon());
}
