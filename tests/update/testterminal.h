#pragma once

// Test helpers: a pseudo-terminal the test owns, and a count of this
// process's descriptors open on a path (to prove a port was released).

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace trellim::test {

#ifdef Q_OS_UNIX

class PseudoTerminal {
public:
    PseudoTerminal()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0)
            return;
        if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            ::close(master_);
            master_ = -1;
            return;
        }
        path_ = QString::fromLocal8Bit(::ptsname(master_));
    }
    ~PseudoTerminal()
    {
        if (master_ >= 0)
            ::close(master_);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool IsValid() const { return master_ >= 0; }
    // The terminal side, e.g. "/dev/pts/3".
    const QString& Path() const { return path_; }
    // Sends bytes towards whoever has the terminal side open.
    bool Send(const QByteArray& bytes) const
    {
        return ::write(master_, bytes.constData(), bytes.size()) == bytes.size();
    }

private:
    int master_ = -1;
    QString path_;
};

// How many of this process's descriptors refer to the path (Linux /proc).
inline int OpenDescriptorsOn(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& entry : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(fds.filePath(entry));
        if (!target.isEmpty() && (target == path || target == canonical))
            ++count;
    }
    return count;
}
#else
// No pseudo-terminals here: the tests that need one skip.
class PseudoTerminal {
public:
    bool IsValid() const { return false; }
    const QString& Path() const { return path_; }
    bool Send(const QByteArray&) const { return false; }

private:
    QString path_;
};

inline int OpenDescriptorsOn(const QString&)
{
    return 0;
}
#endif

} // namespace trellim::test
