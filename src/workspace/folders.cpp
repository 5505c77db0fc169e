#include "folders.h"

#include <QDir>
#include <QFileInfo>

namespace trellim {

bool FolderExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isDir();
}

bool ForceFolders(const QString& path)
{
    if (path.isEmpty())
        return false;
    return QDir().mkpath(path) && FolderExists(path);
}

bool CreateFolder(const QString& path)
{
    return !path.isEmpty() && QDir().mkdir(path);
}

QChar PathSeparator()
{
    return QDir::separator();
}

QString JoinPath(const QString& folder, const QString& name)
{
    return folder + PathSeparator() + name;
}

QString WithNativeSeparators(const QString& path)
{
    QString result = path;
    const QChar separator = PathSeparator();
    for (QChar& c : result) {
        if (c == u'\\' || c == u'/')
            c = separator;
    }
    return result;
}

} // namespace trellim
