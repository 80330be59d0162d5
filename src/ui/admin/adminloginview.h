#pragma once

#include "ui/widgets/sheet.h"

#include <QCoro/QCoroTask>
#include <optional>

class APIService;
class GradientButton;
class QLabel;
class QLineEdit;
class QStackedLayout;
class UserSettings;
class WebSocketService;

// Switches administrator mode on and off. A server that logs the staff in
// itself (admin/login.php exists) checks an identifier and a password and
// hands out a session; against any other the password is checked here. The
// face shown follows the stored "is_admin", read each time the sheet shows;
// the home screen follows the mode through isAdminChanged. Logging in and
// out also reconnect the real-time channel under the new identity.
class AdminLoginView : public Sheet
{
    Q_OBJECT

public:
    static constexpr int ReconnectDelayMs = 300;

    // Without the REST client the password is always checked here.
    AdminLoginView(UserSettings &settings, WebSocketService &channel, QWidget *parent = nullptr);
    AdminLoginView(
        UserSettings &settings, WebSocketService &channel, APIService &api, QWidget *parent = nullptr);

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
    QWidget *buildLoginBlock(QWidget *face);
    QWidget *buildAdminFace();
    void chooseFace();
    // Stores the mode; on failure shows why and leaves everything as it was.
    bool storeMode(bool admin);
    // Drops the channel now and opens it again, 0.3 s later, for the mode stored.
    void reconnectLater();
    // Asks the server whether it logs the staff in; asks only once an answer came.
    QCoro::Task<bool> askServer();
    QCoro::Task<> loginAsked();
    QCoro::Task<> loginThroughServer();
    QCoro::Task<> logoutThroughServer();
    void showIdentifier(bool shown);
    void updateLoginButton();
    // The password compared in the program, as against a server without staff accounts.
    void checkHere();
    void enterAdminMode();
    void refuse(const QString &text);

    UserSettings &m_settings;
    WebSocketService &m_channel;
    APIService *m_api = nullptr;
    // Whether the server logs the staff in, once it said so.
    std::optional<bool> m_serverLogin;
    bool m_busy = false;
    QStackedLayout *m_faces = nullptr;
    QWidget *m_loginFace = nullptr;
    QWidget *m_adminFace = nullptr;
    QLineEdit *m_password = nullptr;
    QWidget *m_loginBlock = nullptr;
    QLineEdit *m_login = nullptr;
    GradientButton *m_loginButton = nullptr;
    QLabel *m_error = nullptr;
    QLabel *m_saveError = nullptr;
};
