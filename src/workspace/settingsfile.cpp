#include "settingsfile.h"

#include "documents/error.h"
#include "documents/savefile.h"

#include <QFile>
#include <QStringList>

namespace trellim::settingsfile {

namespace {

// The settings file is tiny; anything larger is not ours to parse.
constexpr qint64 kMaxFileSize = 1024 * 1024;

bool IsSectionLine(const QString& trimmed)
{
    return trimmed.startsWith(u'[') && trimmed.contains(u']');
}

QString SectionName(const QString& trimmed)
{
    return trimmed.mid(1, trimmed.indexOf(u']') - 1).trimmed();
}

bool IsKeyLine(const QString& line, const QString& key)
{
    const qsizetype equals = line.indexOf(u'=');
    return equals >= 0 && line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0;
}

bool ReadLines(const QString& path, QStringList& lines, QString& lineEnd)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return false;
    const QString text = QString::fromLocal8Bit(file.readAll());
    lineEnd = text.contains(QStringLiteral("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    lines = text.split(u'\n');
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return true;
}

} // namespace

QString ReadValue(const QString& path, const QString& section, const QString& key)
{
    QStringList lines;
    QString lineEnd;
    if (!ReadLines(path, lines, lineEnd))
        return {};
    bool inSection = false;
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (IsSectionLine(trimmed)) {
            inSection = SectionName(trimmed).compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inSection && IsKeyLine(line, key)) {
            QString value = line.mid(line.indexOf(u'=') + 1).trimmed();
            if (value.size() >= 2 && ((value.startsWith(u'"') && value.endsWith(u'"'))
                                      || (value.startsWith(u'\'') && value.endsWith(u'\''))))
                value = value.mid(1, value.size() - 2);
            return value.left(kMaxValueLength);
        }
    }
    return {};
}

bool WriteValue(const QString& path, const QString& section, const QString& key, const QString& value)
{
    QStringList lines;
    QString lineEnd;
    if (QFile::exists(path)) {
        if (!ReadLines(path, lines, lineEnd))
            return false;
    } else {
#ifdef Q_OS_WIN
        lineEnd = QStringLiteral("\r\n");
#else
        lineEnd = QStringLiteral("\n");
#endif
    }

    const QString keyLine = key + u'=' + value;
    qsizetype sectionStart = -1;
    qsizetype sectionEnd = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines.at(i).trimmed();
        if (!IsSectionLine(trimmed))
            continue;
        if (sectionStart >= 0) {
            sectionEnd = i;
            break;
        }
        if (SectionName(trimmed).compare(section, Qt::CaseInsensitive) == 0)
            sectionStart = i;
    }

    if (sectionStart < 0) {
        lines.append(u'[' + section + u']');
        lines.append(keyLine);
    } else {
        bool replaced = false;
        for (qsizetype i = sectionStart + 1; i < sectionEnd; ++i) {
            if (IsKeyLine(lines.at(i), key)) {
                lines[i] = keyLine;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            // New keys go after the section's last non-blank line.
            qsizetype insertAt = sectionEnd;
            while (insertAt > sectionStart + 1 && lines.at(insertAt - 1).trimmed().isEmpty())
                --insertAt;
            lines.insert(insertAt, keyLine);
        }
    }

    try {
        SaveFileWhole(path, (lines.join(lineEnd) + lineEnd).toLocal8Bit());
    } catch (const Error&) {
        return false;
    }
    return true;
}

} // namespace trellim::settingsfile
