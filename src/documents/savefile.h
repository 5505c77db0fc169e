#pragma once

#include <QByteArray>
#include <QString>

namespace trellim {

// Replaces the file at path with bytes, all or nothing: the bytes go to a
// temporary file next to it, which takes the file's place only when every
// byte was written. Throws trellim::Error "Cannot create file "<path>".
// <reason>" or "Cannot write file "<path>". <reason>"; the previous file then
// stays whole.
void SaveFileWhole(const QString& path, const QByteArray& bytes);

} // namespace trellim
