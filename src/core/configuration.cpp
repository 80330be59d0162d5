#include "configuration.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QProcessEnvironment>

using namespace Qt::StringLiterals;

namespace {

// Checks one URL: the secure scheme anywhere, the plain one only on loopback.
bool acceptUrl(
    const QUrl &url, const QString &secure, const QString &plain, const QString &what, QString *error)
{
    const QString scheme = url.scheme().toLower();
    // A query or fragment would swallow the paths appended to the base.
    if (!url.isValid() || url.host().isEmpty() || (scheme != secure && scheme != plain) || url.hasQuery()
        || url.hasFragment()) {
        *error
            = QCoreApplication::translate("Configuration", "Adresse %1 invalide : « %2 » (attendu : %3://…).")
                  .arg(what, url.toString(), secure);
        return false;
    }
    if (scheme == plain && !Configuration::isLoopbackHost(url.host())) {
        *error = QCoreApplication::translate("Configuration",
            "Adresse %1 refusée : « %2 ». Une connexion non chiffrée (%3) n'est permise que vers "
            "cette machine (127.0.0.1, ::1, localhost) ; utilisez %4.")
                     .arg(what, url.toString(), plain, secure);
        return false;
    }
    return true;
}

QString withoutTrailingSlashes(QString text)
{
    while (text.endsWith(u'/'))
        text.chop(1);
    return text;
}

} // namespace

bool Configuration::isLoopbackHost(const QString &host)
{
    if (host.compare(u"localhost", Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

std::optional<Configuration> Configuration::fromEnvironmentAndArguments(
    const QStringList &arguments, QString *error)
{
    // A variable set to nothing counts as not set.
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const auto fromEnvironment = [&environment](const QString &name, const char *fallback) {
        const QString value = environment.value(name);
        return value.isEmpty() ? QString::fromLatin1(fallback) : value;
    };
    QString apiBase = fromEnvironment(u"NORVIK_API_BASE"_s, DefaultApiBase);
    QString wsUrl = fromEnvironment(u"NORVIK_WS_URL"_s, DefaultWebSocketUrl);

    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        for (const auto &[option, target] :
            { std::pair { u"--api-base"_s, &apiBase }, { u"--ws-url"_s, &wsUrl } }) {
            if (argument == option) {
                if (i + 1 >= arguments.size()) {
                    *error = QCoreApplication::translate("Configuration", "L'option %1 attend une adresse.")
                                 .arg(option);
                    return std::nullopt;
                }
                *target = arguments.at(++i);
            } else if (argument.startsWith(option + u'=')) {
                *target = argument.mid(option.size() + 1);
            }
        }
    }

    Configuration configuration;
    configuration.apiBase = withoutTrailingSlashes(apiBase.trimmed());
    configuration.wsURL = QUrl(wsUrl.trimmed(), QUrl::StrictMode);
    if (!acceptUrl(QUrl(configuration.apiBase, QUrl::StrictMode), u"https"_s, u"http"_s,
            QCoreApplication::translate("Configuration", "de l'API", "which address: %1 of the refusals"),
            error)
        || !acceptUrl(configuration.wsURL, u"wss"_s, u"ws"_s, u"WebSocket"_s, error))
        return std::nullopt;
    return configuration;
}
