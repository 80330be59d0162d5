#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

// An interactive capture of an area of the screen, left as a PNG file at a
// given path (or no file when the user cancels). X11 gets the built-in area
// selection; Wayland asks the desktop portal, which lets the user choose
// interactively; elsewhere capture is unavailable and says so in French.
// Nothing waits: finished() arrives when the user is done.
class ScreenCapture : public QObject
{
    Q_OBJECT

public:
    enum class Method { AreaSelection, Portal, Unavailable };

    static Method methodFor(const QString &platformName);
    // "<temp>/screenshot-<uuid>.png"
    static QString newCapturePath();
    static QString unavailableMessage();

    explicit ScreenCapture(QObject *parent = nullptr);

    // Starts a capture towards path with the method of this desktop; false
    // if one is already under way or none is possible here.
    bool start(const QString &path);
    bool start(const QString &path, Method method);
    bool isActive() const { return m_active; }

Q_SIGNALS:
    // The capture is over; a file exists at path unless it was cancelled.
    void finished(const QString &path);
    // No capture is possible here; message is for the user.
    void unavailable(const QString &message);

private Q_SLOTS:
    void onPortalResponse(uint response, const QVariantMap &results);

private:
    void startAreaSelection();
    void startPortal();
    void listenForPortalResponse(const QString &requestPath);
    void stopListening();
    void end();

    QString m_path;
    QString m_requestPath;
    bool m_active = false;
};
