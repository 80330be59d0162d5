#include "credentials.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <sodium.h>

namespace {

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

} // namespace

namespace Credentials {

QByteArray newSecret()
{
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QString digest(const QByteArray &secret)
{
    return QString::fromLatin1(QCryptographicHash::hash(secret, QCryptographicHash::Sha256).toHex());
}

QByteArray bearerToken(const QByteArray &authorization)
{
    const QByteArray value = authorization.trimmed();
    constexpr QByteArrayView Scheme = "bearer ";
    if (value.size() <= Scheme.size() || value.left(Scheme.size()).toLower() != Scheme)
        return {};
    return value.mid(Scheme.size()).trimmed();
}

std::optional<QString> hashPassword(const QByteArray &password)
{
    char hash[crypto_pwhash_STRBYTES];
    if (!sodiumReady()
        || crypto_pwhash_str_alg(hash, password.constData(), quint64(password.size()),
               crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
               crypto_pwhash_ALG_ARGON2ID13)
            != 0)
        return std::nullopt;
    return QString::fromLatin1(hash);
}

bool verifyPassword(const QString &hash, const QByteArray &password)
{
    const QByteArray stored = hash.toLatin1();
    return sodiumReady()
        && crypto_pwhash_str_verify(stored.constData(), password.constData(), quint64(password.size())) == 0;
}

void spendVerificationTime(const QByteArray &password)
{
    static const std::optional<QString> decoy = hashPassword(newSecret());
    if (decoy)
        verifyPassword(*decoy, password);
}

} // namespace Credentials
