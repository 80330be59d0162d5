#pragma once

#include "credentialstore.h"

#include <QObject>

class APIService;
class UserSettings;
class WebSocketService;

// What a credential the server stopped accepting means for the user. A staff
// session that ended (logout elsewhere, expiry, the member removed) leaves
// administrator mode; a user's secret that no longer names this workstation
// (reset by the staff) asks for the workstation to be registered again.
class AccessWatch : public QObject
{
    Q_OBJECT

public:
    AccessWatch(APIService &api, CredentialStore &credentials, UserSettings &settings,
        WebSocketService &channel, QObject *parent = nullptr);

    // The server refused the secret this workstation still holds: until a new
    // registration stores another, the window offers to register again.
    bool isRegistrationRequired() const;

Q_SIGNALS:
    // Administrator mode was left; the message says why, in French.
    void staffSessionEnded(const QString &message);
    // The workstation must be registered again before it may ask anything.
    void registrationRequired(const QString &message);

private:
    void rejected(CredentialStore::Kind kind);
    void leaveAdminMode();

    CredentialStore &m_credentials;
    UserSettings &m_settings;
    WebSocketService &m_channel;
    QString m_refusedSecret;
};
