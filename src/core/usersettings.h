#pragma once

#include <QHash>
#include <QSettings>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The one store of the user's identity and mode flags: an INI file at
// $XDG_CONFIG_HOME/Norvik/NorvikSupport.conf, readable by an administrator.
// A value missing or of the wrong type reads as its key's default, so a
// hand-edited or damaged file never stops the program.
class UserSettings
{
public:
    // The eleven keys; nothing else is stored.
    static constexpr auto IsRegistered = "is_registered"; // bool
    static constexpr auto UserId = "user_id"; // int
    static constexpr auto CompanyId = "company_id"; // int
    static constexpr auto CompanyCode = "company_code"; // text
    static constexpr auto CompanyName = "company_name"; // text
    static constexpr auto UserPoste = "user_poste"; // text
    static constexpr auto UserNom = "user_nom"; // text
    static constexpr auto UserPrenom = "user_prenom"; // text
    static constexpr auto UserTelephone = "user_telephone"; // text
    static constexpr auto IsAdmin = "is_admin"; // bool
    // Whether a ticket carries the report of the machine's state.
    static constexpr auto AttachSystemReport = "attach_system_report"; // bool, true when missing

    // A store on its file: defaultFilePath() for the program, another for
    // tools and tests.
    explicit UserSettings(const QString &filePath);
    ~UserSettings();

    static QString defaultFilePath();
    QString filePath() const;

    // Compared with the password typed on the administrator login screen.
    static constexpr auto defaultAdminPassword = "tulip482";

    bool readBool(const char *key) const; // false when missing
    bool readBool(const char *key, bool whenMissing) const;
    qint64 readInteger(const char *key) const; // 0 when missing
    std::optional<QString> readText(const char *key) const;
    QString readTextOrEmpty(const char *key) const;

    void writeBool(const char *key, bool value);
    void writeInteger(const char *key, qint64 value);
    void writeText(const char *key, const QString &value);

    // Puts the writes made since the last commit on disk. When the file
    // cannot be written, logs one line, takes those writes back so that the
    // store reads as the file does, and returns false; the screen that wrote
    // then shows writeFailureText().
    bool commit();
    QString writeFailureText() const;

    // Registration complete: computed from the store at every call.
    bool isRegistered() const;

    // Drops cached values and re-reads the file (after an outside change).
    void reload();

    // Called with the key of every write, in order; lets tests check that a
    // screen stores "is_registered" only after the identity it vouches for.
    std::function<void(const char *key)> writeObserver;

private:
    void write(const char *key, const QVariant &value);
    void reopen();

    std::unique_ptr<QSettings> m_settings;
    // What each key written since the last commit held before (invalid: absent).
    QHash<QString, QVariant> m_uncommitted;
};
