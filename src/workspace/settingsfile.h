#pragma once

#include <QString>

namespace trellim {

// A raw reader and writer for Windows-style INI files, compatible with the
// profile functions: section and key names match without regard to case,
// blanks around keys and values are dropped, values are stored exactly as
// given (backslashes included), and every other line of the file is kept.
namespace settingsfile {

constexpr int kMaxValueLength = 2047;

// The value, at most kMaxValueLength characters; empty when the file,
// section or key is missing or the file cannot be read.
QString ReadValue(const QString& path, const QString& section, const QString& key);

// Sets the value, creating the file, section or key when missing. Returns
// false when the file cannot be written; the previous file then stays whole.
bool WriteValue(const QString& path, const QString& section, const QString& key, const QString& value);

} // namespace settingsfile
} // namespace trellim
