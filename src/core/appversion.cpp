#include "appversion.h"

using namespace Qt::StringLiterals;

#ifndef NORVIK_VERSION
#    define NORVIK_VERSION ""
#endif
#ifndef NORVIK_BUILD_NUMBER
#    define NORVIK_BUILD_NUMBER ""
#endif

QString appVersionText()
{
    return appVersionText(QString::fromUtf8(NORVIK_VERSION), QString::fromUtf8(NORVIK_BUILD_NUMBER));
}

QString appVersionText(const QString &shortVersion, const QString &build)
{
    const QString version = shortVersion.isEmpty() ? u"1.0.0"_s : shortVersion;
    const QString number = build.isEmpty() ? u"1"_s : build;
    return u"Version "_s + version + u" ("_s + number + u")"_s;
}
