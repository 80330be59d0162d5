// The update feed, GET /appcast.xml, is a standard appcast: RSS 2.0 in UTF-8
// with the update framework's namespace, bound to the prefix "sparkle":
//
//   <?xml version="1.0" encoding="utf-8"?>
//   <rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
//     <channel>
//       <title>Norvik Support</title>
//       <link>BASE/appcast.xml</link>
//       <description>Mises à jour de Norvik Support</description>
//       <language>fr</language>
//       <item>
//         <title>Version 1.1.0</title>
//         <link>BASE/release-notes.html</link>
//         <pubDate>06 Dec 2026 11:00:00 +0000</pubDate>
//         <sparkle:releaseNotesLink>BASE/release-notes.html</sparkle:releaseNotesLink>
//         <enclosure url="BASE/downloads/norvik-support-1.1.0.tar.gz"
//                    length="0" type="application/octet-stream"
//                    sparkle:version="7" sparkle:shortVersionString="1.1.0"/>
//       </item>
//     </channel>
//   </rss>
//
// sparkle:version is the build number (compare it as an integer when both
// sides are digits); sparkle:shortVersionString is the version shown to the
// user. Readers also meet both as <sparkle:version> and
// <sparkle:shortVersionString> elements of the item, and may meet a
// <sparkle:minimumSystemVersion>, which names other platforms' systems.
// sparkle:releaseNotesLink is optional: a reader must accept its absence.
// The item's <link> is the page about the version (here the release notes,
// which the server serves too); the enclosure's file is not served by this
// demo server. A reader should match on the namespace URI, not on the prefix.
// The feed is served without the API token. The server
// always serves exactly one item; a reader that meets several takes the one
// with the highest version. BASE is the address the request came in on.
#include "appcast.h"

#include <QDateTime>
#include <QXmlStreamWriter>

using namespace Qt::StringLiterals;

Appcast::Appcast(QString shortVersion, QString build, QString notesLink)
    : m_shortVersion(std::move(shortVersion))
    , m_build(std::move(build))
    , m_notesLink(std::move(notesLink))
{ }

QByteArray Appcast::feed(const QString &baseUrl) const
{
    const QString ns = QString::fromLatin1(Namespace);
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeNamespace(ns, QString::fromLatin1(Prefix));
    w.writeStartElement(u"rss"_s);
    w.writeAttribute(u"version"_s, u"2.0"_s);
    w.writeStartElement(u"channel"_s);
    w.writeTextElement(u"title"_s, u"Norvik Support"_s);
    w.writeTextElement(u"link"_s, baseUrl + u"/appcast.xml"_s);
    w.writeTextElement(u"description"_s, u"Mises à jour de Norvik Support"_s);
    w.writeTextElement(u"language"_s, u"fr"_s);

    w.writeStartElement(u"item"_s);
    w.writeTextElement(u"title"_s, u"Version "_s + m_shortVersion);
    w.writeTextElement(u"link"_s, baseUrl + u"/release-notes.html"_s);
    // A fixed English form regardless of the machine's locale, as RSS wants.
    w.writeTextElement(u"pubDate"_s, QDateTime::currentDateTimeUtc().toString(Qt::RFC2822Date));
    w.writeTextElement(
        ns, u"releaseNotesLink"_s, m_notesLink.isEmpty() ? baseUrl + u"/release-notes.html"_s : m_notesLink);
    w.writeStartElement(u"enclosure"_s);
    w.writeAttribute(u"url"_s, baseUrl + u"/downloads/norvik-support-"_s + m_shortVersion + u".tar.gz"_s);
    w.writeAttribute(u"length"_s, u"0"_s);
    w.writeAttribute(u"type"_s, u"application/octet-stream"_s);
    w.writeAttribute(ns, u"version"_s, m_build);
    w.writeAttribute(ns, u"shortVersionString"_s, m_shortVersion);
    w.writeEndElement(); // enclosure
    w.writeEndElement(); // item

    w.writeEndElement(); // channel
    w.writeEndElement(); // rss
    w.writeEndDocument();
    return xml;
}

QByteArray Appcast::releaseNotes() const
{
    QString html = u"<!DOCTYPE html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\">"
                   u"<title>Norvik Support %1</title></head>\n<body><h1>Norvik Support %1</h1>"
                   u"<p>Version de démonstration servie par norvik-server.</p></body></html>\n"_s;
    return html.arg(m_shortVersion.toHtmlEscaped()).toUtf8();
}
