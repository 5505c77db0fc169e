#pragma once

#include <QString>

namespace trellim {

// True when the path names an existing folder (not a file).
bool FolderExists(const QString& path);
// Creates the folder and every missing parent; true when the folder exists afterwards.
bool ForceFolders(const QString& path);
// Creates one folder level; true on success.
bool CreateFolder(const QString& path);

// The platform's separator: "\" on Windows, "/" elsewhere.
QChar PathSeparator();
// Joins a folder and a relative name with the platform's separator.
QString JoinPath(const QString& folder, const QString& name);
// The path with every "\" and "/" turned into the platform's separator.
QString WithNativeSeparators(const QString& path);

} // namespace trellim
