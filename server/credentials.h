#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The secrets of accounts: user secrets and staff session tokens are long
// random strings of which the database keeps only a digest; staff passwords
// are chosen by people, so they are kept as Argon2id hashes.
namespace Credentials {

// 256 random bits, base64url without padding.
QByteArray newSecret();
// What the database keeps of a secret (SHA-256, hex). A fast digest is enough
// for something this random; a password would need the slow hash below.
QString digest(const QByteArray &secret);
// The token of an "Authorization: Bearer TOKEN" header value; empty when the
// value is not of that form.
QByteArray bearerToken(const QByteArray &authorization);

// Argon2id with libsodium's interactive limits; nothing when the library
// cannot get the memory.
std::optional<QString> hashPassword(const QByteArray &password);
bool verifyPassword(const QString &hash, const QByteArray &password);
// Spends what a verification costs, so that an unknown login answers as
// slowly as a wrong password.
void spendVerificationTime(const QByteArray &password);

} // namespace Credentials
