// The yardsticks of the start-up benchmark: the least a Qt Widgets tray
// program does (a tray icon with a menu and an empty window), built with the
// same compiler and flags as the client; built with MINIMAL_TRAY_CHANNEL it
// also opens a WebSocket to NORVIK_WS_URL and makes a network access manager,
// the least a program needs that connects its channel at launch.
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>

#ifdef MINIMAL_TRAY_CHANNEL
#    include <QNetworkAccessManager>
#    include <QWebSocket>
#endif

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
#ifdef MINIMAL_TRAY_CHANNEL
    QNetworkAccessManager network;
    QWebSocket channel;
    channel.open(QUrl(qEnvironmentVariable("NORVIK_WS_URL")));
#endif
    // Ready once the event loop runs, as the client reports after its start-up.
    QTimer::singleShot(0, &application, [] {
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
    });
    return QApplication::exec();
}
