#include "updater.h"

#include "configuration.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcessEnvironment>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

// The standard appcast namespace of the update framework, and the one this
// program's first feeds used, still read so that a feed already published
// keeps working.
constexpr QStringView AppcastNamespace = u"http://www.andymatuschak.org/xml-namespaces/sparkle";
constexpr QStringView FirstFeedNamespace = u"https://norvik.example/xmlns/appcast/1.0";
constexpr int MaxFeedBytes = 1024 * 1024;

bool isFeedNamespace(QStringView uri)
{
    return uri == AppcastNamespace || uri == FirstFeedNamespace;
}

// Feeds and tags often write "v1.4.43"; the letter is no part of the number.
QString withoutVersionPrefix(const QString &version)
{
    if (version.size() > 1 && (version.front() == u'v' || version.front() == u'V') && version.at(1).isDigit())
        return version.mid(1);
    return version;
}

QUrl feedFromEnvironment()
{
    const QString custom = QProcessEnvironment::systemEnvironment().value(u"NORVIK_UPDATE_FEED"_s).trimmed();
    return QUrl(custom.isEmpty() ? QString::fromLatin1(Updater::DefaultFeedUrl) : custom, QUrl::StrictMode);
}

// Reads one <item>, the reader standing on its start element. The version
// and the version shown may be attributes of the <enclosure> or elements of
// the item, which win; a minimum system version names other platforms'
// systems and is ignored here, like every element not read below.
std::optional<UpdateInfo> readItem(QXmlStreamReader &xml)
{
    UpdateInfo info;
    QString link, itemVersion, itemShortVersion;
    while (xml.readNextStartElement()) {
        const bool ours = isFeedNamespace(xml.namespaceUri());
        if (xml.name() == u"title" && xml.namespaceUri().isEmpty()) {
            info.title = xml.readElementText().trimmed();
        } else if (xml.name() == u"link" && xml.namespaceUri().isEmpty()) {
            link = xml.readElementText().trimmed();
        } else if (ours && xml.name() == u"releaseNotesLink") {
            info.releaseNotesUrl = QUrl(xml.readElementText().trimmed(), QUrl::StrictMode);
        } else if (ours && xml.name() == u"version") {
            itemVersion = xml.readElementText().trimmed();
        } else if (ours && xml.name() == u"shortVersionString") {
            itemShortVersion = xml.readElementText().trimmed();
        } else if (xml.name() == u"enclosure" && xml.namespaceUri().isEmpty()) {
            const QXmlStreamAttributes attributes = xml.attributes();
            for (const QXmlStreamAttribute &attribute : attributes) {
                if (attribute.name() == u"url" && attribute.namespaceUri().isEmpty())
                    info.downloadUrl = QUrl(attribute.value().toString().trimmed(), QUrl::StrictMode);
                else if (!isFeedNamespace(attribute.namespaceUri()))
                    continue;
                else if (attribute.name() == u"version")
                    info.version = attribute.value().toString().trimmed();
                else if (attribute.name() == u"shortVersionString")
                    info.shortVersionString = attribute.value().toString().trimmed();
            }
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!itemVersion.isEmpty())
        info.version = itemVersion;
    if (!itemShortVersion.isEmpty())
        info.shortVersionString = itemShortVersion;
    info.version = withoutVersionPrefix(info.version);
    info.shortVersionString = withoutVersionPrefix(info.shortVersionString);
    // A page to visit is preferred over the raw file when the item names one.
    if (!link.isEmpty()) {
        const QUrl page(link, QUrl::StrictMode);
        if (Updater::isAcceptableUrl(page))
            info.downloadUrl = page;
    }
    if (!info.releaseNotesUrl.isEmpty() && !Updater::isAcceptableUrl(info.releaseNotesUrl))
        info.releaseNotesUrl.clear();
    if (info.version.isEmpty() || !Updater::isAcceptableUrl(info.downloadUrl))
        return std::nullopt;
    return info;
}

} // namespace

Updater::Updater(QObject *parent)
    : Updater(feedFromEnvironment(), QString::fromLatin1(NORVIK_VERSION),
        QString::fromLatin1(NORVIK_BUILD_NUMBER), parent)
{ }

Updater::Updater(const QUrl &feedUrl, const QString &shortVersion, const QString &build, QObject *parent)
    : QObject(parent)
    , m_feedUrl(feedUrl)
    , m_shortVersion(shortVersion)
    , m_build(build)
{ }

bool Updater::isAcceptableUrl(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == u"https" || (scheme == u"http" && Configuration::isLoopbackHost(url.host()));
}

int Updater::compareVersions(const QString &left, const QString &right)
{
    const QStringList a = withoutVersionPrefix(left).split(u'.');
    const QStringList b = withoutVersionPrefix(right).split(u'.');
    const auto number = [](const QStringList &parts, qsizetype index) -> qulonglong {
        if (index >= parts.size())
            return 0;
        qulonglong value = 0;
        for (const QChar c : parts.at(index)) {
            if (!c.isDigit())
                break;
            value = value * 10 + static_cast<qulonglong>(c.digitValue());
        }
        return value;
    };
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        const qulonglong x = number(a, i);
        const qulonglong y = number(b, i);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

std::optional<QList<UpdateInfo>> Updater::parseFeed(const QByteArray &bytes, QString *error)
{
    QXmlStreamReader xml(bytes);
    QList<UpdateInfo> items;
    bool sawRss = false;
    int rejected = 0;
    if (xml.readNextStartElement() && xml.name() == u"rss") {
        sawRss = true;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"channel") {
                xml.skipCurrentElement();
                continue;
            }
            while (xml.readNextStartElement()) {
                if (xml.name() != u"item") {
                    xml.skipCurrentElement();
                    continue;
                }
                if (auto item = readItem(xml))
                    items.append(*item);
                else
                    ++rejected;
            }
        }
    }
    if (!sawRss || xml.hasError()) {
        *error = tr("Le flux des mises à jour est illisible.");
        return std::nullopt;
    }
    // Releases the program cannot use (no version, no safe address) must not
    // be mistaken for "nothing newer".
    if (items.isEmpty() && rejected > 0) {
        *error = tr("Le flux des mises à jour ne décrit aucune version utilisable.");
        return std::nullopt;
    }
    return items;
}

int Updater::compareWithRunning(const UpdateInfo &info) const
{
    // The build number alone orders releases; the version shown is free text
    // for people and may even go backwards (a renamed product line).
    return compareVersions(info.version, m_build);
}

void Updater::checkForUpdates()
{
    start(Check::UserStarted);
}

void Updater::checkForUpdatesInBackground()
{
    start(Check::Background);
}

void Updater::start(Check check)
{
    if (check == Check::UserStarted)
        m_userWaiting = true;
    if (m_reply) // one reading answers both kinds of check
        return;
    if (!isAcceptableUrl(m_feedUrl)) {
        const bool user = std::exchange(m_userWaiting, false);
        Q_EMIT failed(
            tr("L'adresse du flux des mises à jour est refusée : « %1 ».").arg(m_feedUrl.toString()),
            user ? Check::UserStarted : Check::Background);
        return;
    }
    // Made on first use: nothing network-related weighs on start-up before
    // the delayed background check.
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
        m_network->setTransferTimeout(60000);
    }
    QNetworkRequest request(m_feedUrl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, u"NorvikSupport/%1"_s.arg(m_shortVersion));
    m_reply = m_network->get(request);
    QNetworkReply *reply = m_reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > MaxFeedBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, check] { finish(reply, check); });
}

void Updater::finish(QNetworkReply *reply, Check check)
{
    reply->deleteLater();
    m_reply = nullptr;
    const Check answered = std::exchange(m_userWaiting, false) ? Check::UserStarted : check;

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError) {
        Q_EMIT failed(tr("Impossible de vérifier les mises à jour : %1").arg(reply->errorString()), answered);
        return;
    }
    if (status != 200) {
        Q_EMIT failed(
            tr("Impossible de vérifier les mises à jour : le serveur a répondu %1.").arg(status), answered);
        return;
    }
    QString error;
    const auto items = parseFeed(reply->readAll(), &error);
    if (!items) {
        Q_EMIT failed(error, answered);
        return;
    }
    // Feeds list their items in any order; the highest build wins.
    const UpdateInfo *newest = nullptr;
    for (const UpdateInfo &item : *items) {
        if (compareWithRunning(item) > 0 && (!newest || compareVersions(item.version, newest->version) > 0))
            newest = &item;
    }
    if (newest)
        Q_EMIT updateAvailable(*newest, answered);
    else
        Q_EMIT upToDate(answered);
}
