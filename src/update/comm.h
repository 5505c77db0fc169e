#pragma once

#include "documents/error.h"

#include <QFlags>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <functional>

class QTimer;

namespace trellim {

// The error every serial port operation throws. The text shown by message()
// is "<reason> (Error: <code>) ", trailing blank included; code() is the
// system's error code, or -1 for the port object's own refusals.
class ECommError : public Error {
public:
    ECommError(const QString& reason, int code);

    int code() const noexcept { return code_; }
    const QString& reason() const noexcept { return reason_; }

private:
    QString reason_;
    int code_;
};

inline const QString kCommAlreadyOpen = QStringLiteral("Port already assigned (open)");
inline const QString kCommAccessFailed = QStringLiteral("Error accessing specified device");
inline const QString kCommInvalidHandle = QStringLiteral("Invalid device handle, access denied");
inline const QString kCommTimeoutsFailed = QStringLiteral("Error updating CommTimeouts");
inline const QString kCommLineSettingsFailed = QStringLiteral("Error updating DataControlBlock");
inline const QString kCommBuffersFailed = QStringLiteral("Error initializing Read/Write Buffers");
inline const QString kCommNotOpen = QStringLiteral("Port not open, unable to complete operation");
inline const QString kCommDtrFailed = QStringLiteral("EscapeCommFunction failure");

enum class TBaudRate {
    br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
    br56000, br57600, br115200, br128000, br256000, br1500000, br3000000,
};
enum class TDatabits { da4, da5, da6, da7, da8 };
enum class TParity { paNone, paOdd, paEven, paMark, paSpace };
enum class TStopbits { sb10, sb15, sb20 };
enum class TFlowControl { fcNone, fcCTS, fcDTR, fcSoftware, fcDefault };

enum class TCommOption : unsigned {
    coParityCheck = 1u << 0,
    coDsrSensitivity = 1u << 1,
    coIgnoreXOff = 1u << 2,
    coErrorChar = 1u << 3,
    coNullStrip = 1u << 4,
};
Q_DECLARE_FLAGS(TCommOptions, TCommOption)

enum class TCommEvent : unsigned {
    evBreak = 1u << 0,
    evCts = 1u << 1,
    evDsr = 1u << 2,
    evError = 1u << 3,
    evRing = 1u << 4,
    evRlsd = 1u << 5,
    evRxChar = 1u << 6,
    evRxFlag = 1u << 7,
    evTxEmpty = 1u << 8,
};
Q_DECLARE_FLAGS(TCommEvents, TCommEvent)

inline constexpr TCommEvents kAllCommEvents = TCommEvents::fromInt(0x1FF);

// Bit rate of a TBaudRate value (9600 for br9600).
qint32 BaudRateValue(TBaudRate rate);

// The five special characters of the line.
struct TCommEventChars {
    char XonChar = 17;
    char XoffChar = 19;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

// The port object: holds the settings and, between Open and Close, one open
// QSerialPort. Every notification arrives on the thread that owns the
// object (the GUI thread); after Close none can arrive any more.
class TCustomComm : public QObject {
    Q_OBJECT
public:
    explicit TCustomComm(QObject* parent = nullptr);
    ~TCustomComm() override; // closes the port

    const QString& DeviceName() const { return deviceName_; }
    // Fails with "Port already assigned (open)" when open and the name
    // differs; the same name is always accepted.
    void SetDeviceName(const QString& name);

    bool IsOpen() const;

    // Opens and configures the port. Throws ECommError; a failure before the
    // port is open leaves nothing open, a failure in the line settings leaves
    // the port open until Close.
    void Open();
    // Never fails; does nothing when the port is closed.
    void Close();
    // Raises (or drops) DTR. Throws ECommError when closed or refused.
    void SetDTR(bool on);

    qint64 ReadBufSize() const { return readBufSize_; }
    void SetReadBufSize(qint64 size);
    qint64 WriteBufSize() const { return writeBufSize_; }
    void SetWriteBufSize(qint64 size) { writeBufSize_ = size; }
    TCommEvents MonitorEvents() const { return monitorEvents_; }
    void SetMonitorEvents(TCommEvents events);
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate rate);
    TParity Parity() const { return parity_; }
    void SetParity(TParity parity);
    TStopbits Stopbits() const { return stopbits_; }
    void SetStopbits(TStopbits stopbits);
    TDatabits Databits() const { return databits_; }
    void SetDatabits(TDatabits databits);
    const TCommEventChars& EventChars() const { return eventChars_; }
    void SetEventChars(const TCommEventChars& chars) { eventChars_ = chars; }
    TCommOptions Options() const { return options_; }
    void SetOptions(TCommOptions options);
    TFlowControl FlowControl() const { return flowControl_; }
    void SetFlowControl(TFlowControl flowControl);

protected:
    // Opens the device; the one step a derived class may replace.
    virtual void CreateHandle();
    // Hands one notification to the handlers (GUI thread only).
    virtual void DoEvents(TCommEvents events, qint64 count, QSerialPort::SerialPortError error) = 0;

private:
    void ApplyLineSettings();
    void ConnectNotifications();
    void OnReadyRead();
    void OnBytesWritten();
    void OnPortError(QSerialPort::SerialPortError error);
    void PollPinout();
    virtual bool WantsPinout() const = 0;

    QString deviceName_ = QStringLiteral("Com2");
    qint64 readBufSize_ = 4096;
    qint64 writeBufSize_ = 2048;
    TCommEvents monitorEvents_ = kAllCommEvents;
    TBaudRate baudRate_ = TBaudRate::br9600;
    TParity parity_ = TParity::paNone;
    TStopbits stopbits_ = TStopbits::sb10;
    TDatabits databits_ = TDatabits::da8;
    TCommEventChars eventChars_;
    TCommOptions options_;
    TFlowControl flowControl_ = TFlowControl::fcDefault;

    QSerialPort* port_;  // child; lives as long as this object
    QTimer* pinoutTimer_; // polls the modem lines while a handler wants them
    QSerialPort::PinoutSignals lastPinout_;
    bool pinoutKnown_ = false;
    qint64 rxSeen_ = 0;   // bytes already looked at for the event character
    bool open_ = false;
};

class TComm : public TCustomComm {
    Q_OBJECT
public:
    explicit TComm(QObject* parent = nullptr) : TCustomComm(parent) {}

    std::function<void()> OnBreak;
    std::function<void()> OnCts;
    std::function<void()> OnDsr;
    std::function<void(QSerialPort::SerialPortError)> OnError;
    std::function<void()> OnRing;
    std::function<void()> OnRlsd;
    std::function<void(qint64 count)> OnRxChar;
    std::function<void()> OnRxFlag;
    std::function<void()> OnTxEmpty;

protected:
    void DoEvents(TCommEvents events, qint64 count, QSerialPort::SerialPortError error) override;

private:
    bool WantsPinout() const override;
};

} // namespace trellim

Q_DECLARE_OPERATORS_FOR_FLAGS(trellim::TCommOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(trellim::TCommEvents)
