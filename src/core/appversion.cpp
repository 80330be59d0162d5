#include "appversion.h"

#include <QCoreApplication>

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
    return QCoreApplication::translate("AppVersion", "Version %1 (%2)").arg(version, number);
}
