#pragma once

#include <QByteArray>
#include <QString>

// The demo update feed served at /appcast.xml: a standard appcast (RSS 2.0)
// with one item whose enclosure announces the version on offer. The exact format is described at
// the top of appcast.cpp, for the client's reader.
class Appcast
{
public:
    // The update framework's standard appcast namespace and prefix.
    static constexpr auto Namespace = "http://www.andymatuschak.org/xml-namespaces/sparkle";
    static constexpr auto Prefix = "sparkle";

    Appcast(QString shortVersion, QString build, QString notesLink);

    // The feed, with links under baseUrl (for example "http://127.0.0.1:8080").
    QByteArray feed(const QString &baseUrl) const;
    // The small page the default release-notes link points to.
    QByteArray releaseNotes() const;

private:
    QString m_shortVersion;
    QString m_build;
    QString m_notesLink;
};
