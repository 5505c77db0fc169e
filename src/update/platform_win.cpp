// Windows side of the device update's system calls.
#include "platform.h"

#include <QFileInfo>
#include <QProcess>

#include <qt_windows.h>

#include <string>

namespace trellim::platform {

DeviceCheck CheckDevice(const QString& name)
{
    // Device paths are judged by the open; only a name that is plainly a
    // file or folder is refused here.
    if (name.startsWith(QLatin1String("\\\\.\\")))
        return {DeviceKind::CharacterDevice, 0};
    if (name.isEmpty())
        return {DeviceKind::Inaccessible, ERROR_FILE_NOT_FOUND};
    const QFileInfo info(name);
    if (info.isFile() || info.isDir())
        return {DeviceKind::NotCharacterDevice, 0};
    return {DeviceKind::CharacterDevice, 0};
}

int SerialErrorCode(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
        return 0;
    case QSerialPort::DeviceNotFoundError:
        return ERROR_FILE_NOT_FOUND;
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        return ERROR_ACCESS_DENIED;
    case QSerialPort::NotOpenError:
        return ERROR_INVALID_HANDLE;
    case QSerialPort::UnsupportedOperationError:
        return ERROR_INVALID_PARAMETER;
    case QSerialPort::TimeoutError:
        return WAIT_TIMEOUT;
    default:
        return ERROR_GEN_FAILURE;
    }
}

int InvalidParameterCode()
{
    return ERROR_INVALID_PARAMETER;
}

int SetDtrLine(SerialHandle handle, bool on)
{
    if (!::EscapeCommFunction(handle, on ? SETDTR : CLRDTR))
        return static_cast<int>(::GetLastError());
    return 0;
}

bool ProbeComPort(int number)
{
    const std::wstring path = L"\\\\.\\COM" + std::to_wstring(number);
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    const DWORD error = handle == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
    if (handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(handle);
    return error == ERROR_SUCCESS || error == ERROR_ACCESS_DENIED;
}

namespace {

class WindowsProcess : public DetachedProcess {
public:
    WindowsProcess(qint64 pid, HANDLE handle) : pid_(pid), handle_(handle) {}
    ~WindowsProcess() override
    {
        if (handle_)
            ::CloseHandle(handle_);
    }

    qint64 Pid() const override { return pid_; }

    bool Running() override
    {
        return handle_ && ::WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
    }

private:
    qint64 pid_;
    HANDLE handle_;
};

} // namespace

std::unique_ptr<DetachedProcess> StartDetachedProcess(const QString& program,
                                                      const QString& parameters, bool hidden)
{
    QProcess process;
    process.setProgram(program);
    process.setNativeArguments(parameters);
    process.setCreateProcessArgumentsModifier([hidden](QProcess::CreateProcessArguments* args) {
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = hidden ? SW_HIDE : SW_SHOWNORMAL;
    });
    qint64 pid = 0;
    if (!process.startDetached(&pid))
        return nullptr;
    // A program that has already ended cannot be opened: it is not running.
    HANDLE handle = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                  static_cast<DWORD>(pid));
    return std::make_unique<WindowsProcess>(pid, handle);
}

} // namespace trellim::platform
