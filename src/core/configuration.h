#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

// Where the program talks to: constants of the program, which a deployment
// may override with NORVIK_API_BASE / NORVIK_WS_URL or --api-base / --ws-url.
struct Configuration
{
    static constexpr auto DefaultApiBase = "https://support.norvik.example/api";
    static constexpr auto DefaultWebSocketUrl = "wss://support.norvik.example/norvik-ws";
    static constexpr auto ApiToken = "XQVT_HELPDESK_SHARED_KEY_2031";

    QString apiBase = QString::fromLatin1(DefaultApiBase); // no trailing slash
    QUrl wsURL = QUrl(QString::fromLatin1(DefaultWebSocketUrl));
    QString apiToken = QString::fromLatin1(ApiToken);

    // Builds the configuration from the environment, then the command line
    // (which wins). On an unusable value returns nothing and sets *error to a
    // French sentence for the user.
    static std::optional<Configuration> fromEnvironmentAndArguments(
        const QStringList &arguments, QString *error);

    // Plain http/ws is allowed only towards this machine.
    static bool isLoopbackHost(const QString &host);
};
