#include "statedirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString StateDirectory::path()
{
    // A relative XDG_STATE_HOME is invalid and ignored, as for every XDG base directory.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + u"/.local/state"_s;
    return QDir::cleanPath(base + u"/norvik-support"_s);
}

bool StateDirectory::ensure()
{
    const QString folder = path();
    if (QFileInfo::exists(folder))
        return QFileInfo(folder).isDir();
    if (!QDir().mkpath(folder))
        return false;
    return QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString StateDirectory::filePath(const QString &name)
{
    return path() + u'/' + name;
}
