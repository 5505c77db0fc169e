// POSIX side of the device update's system calls.
#include "platform.h"

#include <QFile>
#include <QMutex>
#include <QProcess>

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace trellim::platform {

DeviceCheck CheckDevice(const QString& name)
{
    struct stat info {};
    if (::stat(QFile::encodeName(name).constData(), &info) != 0)
        return {DeviceKind::Inaccessible, errno};
    if (!S_ISCHR(info.st_mode))
        return {DeviceKind::NotCharacterDevice, 0};
    return {DeviceKind::CharacterDevice, 0};
}

int SerialErrorCode(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
        return 0;
    case QSerialPort::DeviceNotFoundError:
        return ENOENT;
    case QSerialPort::PermissionError:
        return EACCES;
    case QSerialPort::OpenError:
        return EBUSY;
    case QSerialPort::NotOpenError:
        return EBADF;
    case QSerialPort::UnsupportedOperationError:
        return EINVAL;
    case QSerialPort::TimeoutError:
        return ETIMEDOUT;
    default:
        return EIO;
    }
}

int InvalidParameterCode()
{
    return EINVAL;
}

int SetDtrLine(SerialHandle handle, bool on)
{
    int bits = TIOCM_DTR;
    if (::ioctl(handle, on ? TIOCMBIS : TIOCMBIC, &bits) == -1)
        return errno;
    return 0;
}

bool ProbeComPort(int)
{
    return false;
}

namespace {

// Children that were still running when their watcher went away: reaped
// later so that they do not stay zombies for the rest of the run.
QMutex leftoverMutex;
std::vector<pid_t> leftovers;

void ReapLeftovers()
{
    QMutexLocker lock(&leftoverMutex);
    std::erase_if(leftovers, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

class PosixProcess : public DetachedProcess {
public:
    explicit PosixProcess(pid_t pid) : pid_(pid) {}
    ~PosixProcess() override
    {
        if (running_) {
            QMutexLocker lock(&leftoverMutex);
            leftovers.push_back(pid_);
        }
    }

    qint64 Pid() const override { return pid_; }

    bool Running() override
    {
        if (running_) {
            const pid_t result = ::waitpid(pid_, nullptr, WNOHANG);
            // The child is ours: 0 means it still runs; anything else
            // (ended and reaped, or no longer our child) means it is gone.
            running_ = result == 0;
        }
        return running_;
    }

private:
    pid_t pid_;
    bool running_ = true;
};

} // namespace

std::unique_ptr<DetachedProcess> StartDetachedProcess(const QString& program,
                                                      const QString& parameters, bool)
{
    ReapLeftovers();

    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& argument : QProcess::splitCommand(parameters))
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    // The updater starts with default signal handling and nothing blocked,
    // whatever the tool itself has set up.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (result != 0)
        return nullptr;
    return std::make_unique<PosixProcess>(pid);
}

} // namespace trellim::platform
