// The yardstick of the start-up benchmark: the least a Qt Widgets tray
// program does (a tray icon with a menu and an empty window), built with the
// same compiler and flags as the client.
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QMenu menu;
    menu.addAction(u"Quitter"_s, &application, &QCoreApplication::quit);
    QSystemTrayIcon tray(QIcon(u":/icons/AppIconMenuBar.svg"_s));
    tray.setContextMenu(&menu);
    tray.show();
    QMainWindow window;
    window.resize(960, 740);
    window.show();
    // Ready once the event loop runs, as the client reports after its start-up.
    QTimer::singleShot(0, &application, [] {
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
    });
    return QApplication::exec();
}
