#include "comm.h"

#include "platform.h"

#include <QTimer>

namespace trellim {

ECommError::ECommError(const QString& reason, int code)
    : Error(QStringLiteral("%1 (Error: %2) ").arg(reason).arg(code)), reason_(reason), code_(code)
{
}

qint32 BaudRateValue(TBaudRate rate)
{
    static constexpr qint32 values[] = {110,    300,    600,    1200,   2400,    4800,
                                        9600,   14400,  19200,  38400,  56000,   57600,
                                        115200, 128000, 256000, 1500000, 3000000};
    return values[static_cast<int>(rate)];
}

namespace {

// How often the modem lines are looked at while a handler wants them: Qt
// reports no line changes of its own.
constexpr int kPinoutPollMs = 50;

} // namespace

TCustomComm::TCustomComm(QObject* parent)
    : QObject(parent), port_(new QSerialPort(this)), pinoutTimer_(new QTimer(this))
{
    pinoutTimer_->setInterval(kPinoutPollMs);
    connect(pinoutTimer_, &QTimer::timeout, this, &TCustomComm::PollPinout);
}

TCustomComm::~TCustomComm()
{
    Close();
}

void TCustomComm::SetDeviceName(const QString& name)
{
    if (name == deviceName_)
        return;
    if (open_)
        throw ECommError(kCommAlreadyOpen, -1);
    deviceName_ = name;
}

bool TCustomComm::IsOpen() const
{
    return open_;
}

void TCustomComm::Open()
{
    if (open_)
        throw ECommError(kCommAlreadyOpen, -1);
    CreateHandle();
    open_ = true;
    ConnectNotifications();
    // Time-outs: a QSerialPort read never blocks and returns what has
    // arrived, which is what the fixed time-outs ask for; nothing to set.
    ApplyLineSettings();
    port_->setReadBufferSize(readBufSize_);
}

void TCustomComm::CreateHandle()
{
    // Checked before opening, so a plain file is never opened at all.
    const platform::DeviceCheck check = platform::CheckDevice(deviceName_);
    if (check.kind == platform::DeviceKind::Inaccessible)
        throw ECommError(kCommAccessFailed, check.code);
    if (check.kind == platform::DeviceKind::NotCharacterDevice)
        throw ECommError(kCommInvalidHandle, -1);

    port_->setPortName(deviceName_);
    if (!port_->open(QIODevice::ReadWrite)) {
        const int code = platform::SerialErrorCode(port_->error());
        port_->clearError();
        throw ECommError(kCommAccessFailed, code);
    }
}

void TCustomComm::Close()
{
    if (!open_)
        return;
    open_ = false;
    pinoutTimer_->stop();
    pinoutKnown_ = false;
    rxSeen_ = 0;
    // Cut every notification first: nothing reaches a handler once the
    // device is released.
    disconnect(port_, nullptr, this, nullptr);
    port_->close();
    port_->clearError();
}

void TCustomComm::SetDTR(bool on)
{
    if (!open_)
        throw ECommError(kCommNotOpen, -1);
    const int code = platform::SetDtrLine(port_->handle(), on);
    if (code != 0)
        throw ECommError(kCommDtrFailed, code);
}

void TCustomComm::SetReadBufSize(qint64 size)
{
    readBufSize_ = size;
    if (open_)
        port_->setReadBufferSize(size);
}

void TCustomComm::SetMonitorEvents(TCommEvents events)
{
    monitorEvents_ = events;
}

void TCustomComm::SetBaudRate(TBaudRate rate)
{
    baudRate_ = rate;
    if (open_)
        ApplyLineSettings();
}

void TCustomComm::SetParity(TParity parity)
{
    parity_ = parity;
    if (open_)
        ApplyLineSettings();
}

void TCustomComm::SetStopbits(TStopbits stopbits)
{
    stopbits_ = stopbits;
    if (open_)
        ApplyLineSettings();
}

void TCustomComm::SetDatabits(TDatabits databits)
{
    databits_ = databits;
    if (open_)
        ApplyLineSettings();
}

void TCustomComm::SetOptions(TCommOptions options)
{
    options_ = options;
    if (open_)
        ApplyLineSettings();
}

void TCustomComm::SetFlowControl(TFlowControl flowControl)
{
    flowControl_ = flowControl;
    if (open_)
        ApplyLineSettings();
}

void TCustomComm::ApplyLineSettings()
{
    const auto refuse = [this](int code) {
        port_->clearError();
        throw ECommError(kCommLineSettingsFailed, code);
    };
    const auto check = [this, &refuse](bool applied) {
        if (!applied)
            refuse(platform::SerialErrorCode(port_->error()));
    };

    check(port_->setBaudRate(BaudRateValue(baudRate_)));

    static constexpr QSerialPort::Parity parities[] = {
        QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
        QSerialPort::MarkParity, QSerialPort::SpaceParity};
    check(port_->setParity(parities[static_cast<int>(parity_)]));

    static constexpr QSerialPort::StopBits stopBits[] = {
        QSerialPort::OneStop, QSerialPort::OneAndHalfStop, QSerialPort::TwoStop};
    check(port_->setStopBits(stopBits[static_cast<int>(stopbits_)]));

    // Qt offers five to eight data bits.
    if (databits_ == TDatabits::da4)
        refuse(platform::InvalidParameterCode());
    static constexpr QSerialPort::DataBits dataBits[] = {
        QSerialPort::Data5, QSerialPort::Data5, QSerialPort::Data6, QSerialPort::Data7,
        QSerialPort::Data8};
    check(port_->setDataBits(dataBits[static_cast<int>(databits_)]));

    // Qt has no DSR/DTR handshake and none of the five option flags; a
    // setting that cannot be applied is refused rather than ignored.
    // fcDefault keeps the flow control Qt applied on opening.
    switch (flowControl_) {
    case TFlowControl::fcNone:
        check(port_->setFlowControl(QSerialPort::NoFlowControl));
        break;
    case TFlowControl::fcCTS:
        check(port_->setFlowControl(QSerialPort::HardwareControl));
        break;
    case TFlowControl::fcSoftware:
        check(port_->setFlowControl(QSerialPort::SoftwareControl));
        break;
    case TFlowControl::fcDTR:
        refuse(platform::InvalidParameterCode());
        break;
    case TFlowControl::fcDefault:
        break;
    }
    if (options_)
        refuse(platform::InvalidParameterCode());
}

void TCustomComm::ConnectNotifications()
{
    connect(port_, &QSerialPort::readyRead, this, &TCustomComm::OnReadyRead);
    connect(port_, &QSerialPort::bytesWritten, this, &TCustomComm::OnBytesWritten);
    connect(port_, &QSerialPort::errorOccurred, this, &TCustomComm::OnPortError);
    pinoutTimer_->start();
}

void TCustomComm::OnReadyRead()
{
    const qint64 available = port_->bytesAvailable();
    TCommEvents events;
    if (monitorEvents_.testFlag(TCommEvent::evRxChar) && available > 0)
        events |= TCommEvent::evRxChar;
    if (monitorEvents_.testFlag(TCommEvent::evRxFlag)) {
        // Only bytes that arrived since the last look count.
        if (available < rxSeen_)
            rxSeen_ = 0;
        const QByteArray fresh = port_->peek(available).mid(rxSeen_);
        if (fresh.contains(eventChars_.EvtChar))
            events |= TCommEvent::evRxFlag;
    }
    rxSeen_ = available;
    if (events)
        DoEvents(events, available, QSerialPort::NoError);
}

void TCustomComm::OnBytesWritten()
{
    if (monitorEvents_.testFlag(TCommEvent::evTxEmpty) && port_->bytesToWrite() == 0)
        DoEvents(TCommEvent::evTxEmpty, 0, QSerialPort::NoError);
}

void TCustomComm::OnPortError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::NoError && monitorEvents_.testFlag(TCommEvent::evError))
        DoEvents(TCommEvent::evError, 0, error);
}

void TCustomComm::PollPinout()
{
    if (!open_ || !WantsPinout())
        return;
    const QSerialPort::PinoutSignals now = port_->pinoutSignals();
    if (!open_) // a handler of the error this may raise can close the port
        return;
    const QSerialPort::PinoutSignals changed = pinoutKnown_ ? (now ^ lastPinout_) : QSerialPort::PinoutSignals();
    lastPinout_ = now;
    pinoutKnown_ = true;

    TCommEvents events;
    if (changed & QSerialPort::ClearToSendSignal)
        events |= TCommEvent::evCts;
    if (changed & QSerialPort::DataSetReadySignal)
        events |= TCommEvent::evDsr;
    if ((changed & QSerialPort::RingIndicatorSignal) && (now & QSerialPort::RingIndicatorSignal))
        events |= TCommEvent::evRing;
    if (changed & QSerialPort::DataCarrierDetectSignal)
        events |= TCommEvent::evRlsd;
    events &= monitorEvents_;
    if (events)
        DoEvents(events, 0, QSerialPort::NoError);
}

void TComm::DoEvents(TCommEvents events, qint64 count, QSerialPort::SerialPortError error)
{
    // The order of the notifications is fixed; a handler may close the port,
    // after which the rest are dropped.
    const auto fire = [&](TCommEvent event, const std::function<void()>& handler) {
        if (events.testFlag(event) && handler && IsOpen())
            handler();
    };
    fire(TCommEvent::evBreak, OnBreak);
    fire(TCommEvent::evCts, OnCts);
    fire(TCommEvent::evDsr, OnDsr);
    if (events.testFlag(TCommEvent::evError) && OnError && IsOpen())
        OnError(error);
    fire(TCommEvent::evRing, OnRing);
    fire(TCommEvent::evRlsd, OnRlsd);
    if (events.testFlag(TCommEvent::evRxChar) && count > 0 && OnRxChar && IsOpen())
        OnRxChar(count);
    fire(TCommEvent::evRxFlag, OnRxFlag);
    fire(TCommEvent::evTxEmpty, OnTxEmpty);
}

bool TComm::WantsPinout() const
{
    return (OnCts && MonitorEvents().testFlag(TCommEvent::evCts))
        || (OnDsr && MonitorEvents().testFlag(TCommEvent::evDsr))
        || (OnRing && MonitorEvents().testFlag(TCommEvent::evRing))
        || (OnRlsd && MonitorEvents().testFlag(TCommEvent::evRlsd));
}

} // namespace trellim
