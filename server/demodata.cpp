#include "demodata.h"

#include "credentials.h"
#include "store.h"
#include "storeerror.h"

using namespace Qt::StringLiterals;

bool DemoData::seedIfEmpty(Store &store)
{
    if (!store.isEmpty())
        return false;

    const qint64 atelier = store.createCompany(u"Ateliers Brévent"_s, u"ABR"_s);
    const qint64 cabinet = store.createCompany(u"Cabinet Lestrade & Fils"_s, u"CLF"_s);
    store.createCompany(u"Transports Morvan"_s, u"TMO"_s);

    const qint64 claire
        = store.registerUser(atelier, u"P-101"_s, u"Duval"_s, u"Claire"_s, u"01 23 45 67 89"_s);
    const qint64 marc = store.registerUser(cabinet, u"B12"_s, u"Kerjean"_s, u"Marc"_s, QString());

    store.createTicket(claire, u"Imprimante du 2e étage hors ligne"_s,
        u"L'imprimante partagée n'apparaît plus depuis ce matin."_s, u"haute"_s, std::nullopt);
    const qint64 vpn = store.createTicket(marc, u"Accès VPN refusé"_s,
        u"Le VPN répond « identifiants incorrects » depuis la mise à jour."_s, u"critique"_s, std::nullopt);
    store.createTicket(claire, u"Nouveau poste pour un stagiaire"_s,
        u"Prévoir un poste équipé pour lundi prochain."_s, u"normale"_s, std::nullopt);
    store.closeTicket(vpn, u"Mot de passe réinitialisé, vous pouvez vous reconnecter."_s);
    return true;
}

QString DemoData::renewStaff(Store &store)
{
    const QString password = QString::fromLatin1(Credentials::newSecret().left(20));
    const std::optional<QString> hash = Credentials::hashPassword(password.toUtf8());
    if (!hash)
        throw StoreError(StoreError::Failure, u"cannot hash the demo staff password"_s);
    if (!store.setStaffPassword(u"demo"_s, *hash))
        store.addStaff(u"demo"_s, u"Démonstration"_s, *hash);
    return password;
}
