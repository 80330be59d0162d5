#include "screencapture.h"

#include "areaselector.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QUrl>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {
const QString PortalService = u"org.freedesktop.portal.Desktop"_s;
const QString PortalPath = u"/org/freedesktop/portal/desktop"_s;
const QString RequestInterface = u"org.freedesktop.portal.Request"_s;
} // namespace

ScreenCapture::Method ScreenCapture::methodFor(const QString &platformName)
{
    if (platformName == u"xcb")
        return Method::AreaSelection;
    if (platformName.startsWith(u"wayland"))
        return Method::Portal;
    return Method::Unavailable;
}

QString ScreenCapture::newCapturePath()
{
    return QDir(QDir::tempPath())
        .filePath(u"screenshot-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces) + u".png"_s);
}

QString ScreenCapture::unavailableMessage()
{
    return tr("La capture d'écran n'est pas disponible sur ce bureau. Utilisez « Choisir une image » "
              "ou collez une image avec Ctrl+V.");
}

ScreenCapture::ScreenCapture(QObject *parent)
    : QObject(parent)
{ }

bool ScreenCapture::start(const QString &path)
{
    return start(path, methodFor(QGuiApplication::platformName()));
}

bool ScreenCapture::start(const QString &path, Method method)
{
    if (m_active)
        return false;
    m_path = path;
    switch (method) {
    case Method::AreaSelection:
        m_active = true;
        startAreaSelection();
        return true;
    case Method::Portal:
        m_active = true;
        startPortal();
        return true;
    case Method::Unavailable:
        break;
    }
    Q_EMIT unavailable(unavailableMessage());
    return false;
}

void ScreenCapture::end()
{
    m_active = false;
    Q_EMIT finished(m_path);
}

void ScreenCapture::startAreaSelection()
{
    QRect geometry;
    const QImage picture = AreaSelector::grabScreens(&geometry);
    if (picture.isNull()) {
        m_active = false;
        Q_EMIT unavailable(unavailableMessage());
        return;
    }
    auto *selector = new AreaSelector(picture, geometry);
    connect(selector, &AreaSelector::selected, this, [this](const QImage &image) {
        image.save(m_path, "PNG");
        end();
    });
    connect(selector, &AreaSelector::cancelled, this, &ScreenCapture::end);
    selector->show();
    selector->activateWindow();
    selector->setFocus();
}

void ScreenCapture::startPortal()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString token = u"norvik"_s + QUuid::createUuid().toString(QUuid::Id128);
    // Listen on the request path the portal will use before asking, so a
    // quick answer is never missed.
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    listenForPortalResponse(PortalPath + u"/request/"_s + sender + u"/"_s + token);

    QDBusMessage call = QDBusMessage::createMethodCall(
        PortalService, PortalPath, u"org.freedesktop.portal.Screenshot"_s, u"Screenshot"_s);
    QVariantMap options;
    options.insert(u"handle_token"_s, token);
    options.insert(u"interactive"_s, true);
    options.insert(u"modal"_s, true);
    call << QString() << options;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *self) {
        self->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *self;
        if (reply.isError()) {
            stopListening();
            m_active = false;
            Q_EMIT unavailable(unavailableMessage());
            return;
        }
        // Older portals choose their own request path.
        const QString path = reply.value().path();
        if (path != m_requestPath) {
            stopListening();
            listenForPortalResponse(path);
        }
    });
}

void ScreenCapture::listenForPortalResponse(const QString &requestPath)
{
    m_requestPath = requestPath;
    // QtDBus offers only the by-name form for connecting to a remote signal.
    QDBusConnection::sessionBus().connect(PortalService, requestPath, RequestInterface, u"Response"_s, this,
        SLOT(onPortalResponse(uint, QVariantMap)));
}

void ScreenCapture::stopListening()
{
    if (m_requestPath.isEmpty())
        return;
    QDBusConnection::sessionBus().disconnect(PortalService, m_requestPath, RequestInterface, u"Response"_s,
        this, SLOT(onPortalResponse(uint, QVariantMap)));
    m_requestPath.clear();
}

void ScreenCapture::onPortalResponse(uint response, const QVariantMap &results)
{
    stopListening();
    // 0 = success, 1 = cancelled by the user, 2 = failed otherwise.
    if (response == 0) {
        const QUrl uri(results.value(u"uri"_s).toString());
        if (uri.isLocalFile()) {
            QFile::remove(m_path);
            QFile::copy(uri.toLocalFile(), m_path);
        }
    }
    end();
}
