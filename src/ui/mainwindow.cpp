#include "mainwindow.h"

#include "homeview.h"
#include "ui/widgets/navigationstack.h"

#include <QGuiApplication>
#include <QScreen>

using namespace Qt::StringLiterals;

MainWindow::MainWindow(const Services &services, QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QString::fromLatin1(Identifier));
    setWindowTitle(u"Norvik Support"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(MinimumWidth, MinimumHeight);

    // The home screen exists, with its observers, as soon as the window does:
    // a request posted right after opening reaches it.
    m_stack = new NavigationStack(new HomeView(services), this);
    setCentralWidget(m_stack);

    // Opened centred on the screen the user is working on.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), minimumSize());
        frame.moveCenter(screen->availableGeometry().center());
        setGeometry(frame);
    }
}
