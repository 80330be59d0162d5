#pragma once

#include "ui/widgets/sheet.h"

class GradientButton;
class QLabel;
class QLineEdit;
class QStackedLayout;
class UserSettings;
class WebSocketService;

// Switches administrator mode on (password checked locally) and off. The
// face shown follows the stored "is_admin", read each time the sheet shows;
// the home screen follows the mode through isAdminChanged. Logging in and
// out also reconnect the real-time channel under the new identity.
class AdminLoginView : public Sheet
{
    Q_OBJECT

public:
    static constexpr int ReconnectDelayMs = 300;

    AdminLoginView(UserSettings &settings, WebSocketService &channel, QWidget *parent = nullptr);

    void login();
    void logout();

Q_SIGNALS:
    // The two-way binding to the home screen's isAdmin.
    void isAdminChanged(bool isAdmin);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildLoginFace();
    QWidget *buildPasswordBlock(QWidget *face);
    QWidget *buildAdminFace();
    void chooseFace();
    // Stores the mode; on failure shows why and leaves everything as it was.
    bool storeMode(bool admin);
    // Drops the channel now and opens it again, 0.3 s later, for the mode stored.
    void reconnectLater();

    UserSettings &m_settings;
    WebSocketService &m_channel;
    QStackedLayout *m_faces = nullptr;
    QWidget *m_loginFace = nullptr;
    QWidget *m_adminFace = nullptr;
    QLineEdit *m_password = nullptr;
    GradientButton *m_loginButton = nullptr;
    QLabel *m_error = nullptr;
    QLabel *m_saveError = nullptr;
};
