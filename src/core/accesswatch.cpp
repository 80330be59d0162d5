#include "accesswatch.h"

#include "apiservice.h"
#include "log.h"
#include "usersettings.h"
#include "websocketservice.h"

using namespace Qt::StringLiterals;

AccessWatch::AccessWatch(APIService &api, CredentialStore &credentials, UserSettings &settings,
    WebSocketService &channel, QObject *parent)
    : QObject(parent)
    , m_credentials(credentials)
    , m_settings(settings)
    , m_channel(channel)
{
    connect(&api, &APIService::credentialRejected, this, &AccessWatch::rejected);
}

void AccessWatch::rejected(CredentialStore::Kind kind)
{
    if (kind == CredentialStore::Kind::UserSecret) {
        // Every request of a refused workstation fails alike: said once per secret.
        const QString secret = m_credentials.value(kind);
        if (secret == std::exchange(m_refusedSecret, secret))
            return;
        logLine(u"⚠️ Accès refusé (401) : ce poste doit être enregistré à nouveau"_s);
        Q_EMIT registrationRequired(tr("Votre accès n'est plus valide : enregistrez ce poste à nouveau."));
        return;
    }
    // Several admin requests may fail together; the first one leaves.
    if (m_credentials.value(CredentialStore::Kind::StaffSession).isEmpty())
        return;
    logLine(u"⚠️ Session administrateur terminée (401) : retour au mode utilisateur"_s);
    leaveAdminMode();
    Q_EMIT staffSessionEnded(tr("Votre session administrateur a expiré : reconnectez-vous."));
}

bool AccessWatch::isRegistrationRequired() const
{
    return !m_refusedSecret.isEmpty()
        && m_refusedSecret == m_credentials.value(CredentialStore::Kind::UserSecret);
}

void AccessWatch::leaveAdminMode()
{
    m_credentials.store(CredentialStore::Kind::StaffSession, QString());
    m_settings.writeBool(UserSettings::IsAdmin, false);
    if (!m_settings.commit())
        logLine(u"❌ "_s + m_settings.writeFailureText());
    // The channel announces the ordinary user again, as after a logout.
    if (m_channel.shouldStayConnected()) {
        m_channel.disconnect();
        m_channel.allowReconnection();
        m_channel.connect();
    }
}
