#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// One release offered by the update feed.
struct UpdateInfo
{
    QString title;
    QString version; // build number, compared with ours
    QString shortVersionString; // what the user reads ("1.2.0")
    QUrl downloadUrl;
    QUrl releaseNotesUrl; // may be empty

    QString displayVersion() const { return shortVersionString.isEmpty() ? version : shortVersionString; }
};

// Reads the RSS update feed and says whether a newer release exists. Emits
// typed results; the widgets side decides what the user sees. A user-started
// check and the silent background check share the same reading.
class Updater : public QObject
{
    Q_OBJECT

public:
    enum class Check { UserStarted, Background };
    Q_ENUM(Check)

    static constexpr auto DefaultFeedUrl = "https://support.norvik.example/appcast.xml";

    // The feed of NORVIK_UPDATE_FEED when set, the constant otherwise; this
    // program's own version and build number.
    explicit Updater(QObject *parent = nullptr);
    Updater(
        const QUrl &feedUrl, const QString &shortVersion, const QString &build, QObject *parent = nullptr);

    bool isChecking() const { return m_reply != nullptr; }

    void checkForUpdates();
    void checkForUpdatesInBackground();

    // Numeric comparison part by part ("1.10" > "1.9", "1.0" == "1"); the
    // leading digits of a part count, a missing part counts as 0, and a
    // leading "v" or "V" is ignored ("v1.4.43" == "1.4.43").
    static int compareVersions(const QString &left, const QString &right);
    // The items of a feed; nothing (and a French reason) when it is unreadable.
    static std::optional<QList<UpdateInfo>> parseFeed(const QByteArray &xml, QString *error);
    // Plain http only towards this machine, as for the server itself.
    static bool isAcceptableUrl(const QUrl &url);

Q_SIGNALS:
    void upToDate(Updater::Check check);
    void updateAvailable(const UpdateInfo &info, Updater::Check check);
    void failed(const QString &message, Updater::Check check);

private:
    void start(Check check);
    void finish(QNetworkReply *reply, Check check);
    // Positive when the feed's release is newer than this program.
    int compareWithRunning(const UpdateInfo &info) const;

    QUrl m_feedUrl;
    QString m_shortVersion;
    QString m_build;
    QNetworkAccessManager *m_network = nullptr;
    QNetworkReply *m_reply = nullptr;
    bool m_userWaiting = false;
};
