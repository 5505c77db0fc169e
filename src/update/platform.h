#pragma once

#include <QSerialPort>
#include <QString>

#include <memory>
#include <utility>

// The few operating system calls the device update needs beyond Qt: the
// character device check, raising DTR with the system's error code, the
// Windows port probe, and a child process that is watched but never killed.
namespace trellim::platform {

// QSerialPort::Handle is private; this is the same type.
using SerialHandle = decltype(std::declval<QSerialPort&>().handle());

enum class DeviceKind { CharacterDevice, NotCharacterDevice, Inaccessible };

struct DeviceCheck {
    DeviceKind kind;
    int code; // system error code when Inaccessible, else 0
};

// Looks at the named device without opening it. Windows device paths
// ("\\.\COM3") are left for the open itself to judge.
DeviceCheck CheckDevice(const QString& name);

// The system error code that best matches a QSerialPort error, for the
// failures where Qt keeps only its own classification.
int SerialErrorCode(QSerialPort::SerialPortError error);
// The system code for "invalid parameter": a setting the port cannot take.
int InvalidParameterCode();

// Raises or drops DTR on an open port; 0 or the system's error code.
int SetDtrLine(SerialHandle handle, bool on);

// True when "\\.\COM<number>" exists: it opens, or it is held by another
// program. Always false outside Windows.
bool ProbeComPort(int number);

// A started program that is only watched. Destroying the watcher leaves the
// program running.
class DetachedProcess {
public:
    virtual ~DetachedProcess() = default;
    virtual qint64 Pid() const = 0;
    // False once the program has ended (and, on POSIX, has been reaped).
    virtual bool Running() = 0;
};

// Starts the program with the parameter string (on Windows the native
// command line as is, elsewhere split as a shell would, without a shell).
// Null when the program cannot be started.
std::unique_ptr<DetachedProcess> StartDetachedProcess(const QString& program,
                                                      const QString& parameters, bool hidden);

} // namespace trellim::platform
