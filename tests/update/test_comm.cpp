// The serial port object: its errors, its settings, and that a port it
// released is really released and silent.

#include "update/comm.h"

#include "testterminal.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <memory>

using namespace trellim;
using trellim::test::OpenDescriptorsOn;
using trellim::test::PseudoTerminal;

namespace {

// Runs the call and returns the ECommError it throws (or fails the test).
template <typename Call>
std::optional<ECommError> CommErrorOf(Call call)
{
    try {
        call();
    } catch (const ECommError& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace

class TestComm : public QObject {
    Q_OBJECT

private slots:
    void Defaults_AreTheUpdateDialogsSettings();
    void Open_RefusedDevices_data();
    void Open_RefusedDevices();
    void Open_PseudoTerminal_OpensAndCloses();
    void Open_Twice_IsRefused();
    void DeviceName_ChangeWhileOpen();
    void SetDTR_WhenClosed();
    void SetDTR_OnPseudoTerminal_ReportsSystemCode();
    void LineSettings_QtCannotApply_AreRefused();
    void Destructor_ReleasesThePort();
    void Notifications_ReachHandlersUntilClose();
    void Notifications_HandlerClosingThePort_StopsTheRest();
};

void TestComm::Defaults_AreTheUpdateDialogsSettings()
{
    TComm comm;

    QCOMPARE(comm.DeviceName(), QStringLiteral("Com2"));
    QCOMPARE(comm.BaudRate(), TBaudRate::br9600);
    QCOMPARE(BaudRateValue(comm.BaudRate()), 9600);
    QCOMPARE(BaudRateValue(TBaudRate::br3000000), 3000000);
    QCOMPARE(comm.Databits(), TDatabits::da8);
    QCOMPARE(comm.Parity(), TParity::paNone);
    QCOMPARE(comm.Stopbits(), TStopbits::sb10);
    QCOMPARE(comm.FlowControl(), TFlowControl::fcDefault);
    QCOMPARE(comm.Options(), TCommOptions());
    QCOMPARE(comm.ReadBufSize(), 4096);
    QCOMPARE(comm.WriteBufSize(), 2048);
    QCOMPARE(comm.MonitorEvents(), kAllCommEvents);
    const TCommEventChars& chars = comm.EventChars();
    const char actual[] = {chars.XonChar, chars.XoffChar, chars.ErrorChar, chars.EofChar, chars.EvtChar};
    QCOMPARE(QByteArray(actual, 5), QByteArray("\x11\x13\0\0\0", 5));
    QVERIFY(!comm.IsOpen());
}

void TestComm::Open_RefusedDevices_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");

    QTest::newRow("ordinary file") << "file" << "Invalid device handle, access denied (Error: -1) " << -1;
    QTest::newRow("folder") << "folder" << "Invalid device handle, access denied (Error: -1) " << -1;
    QTest::newRow("missing device") << "missing" << "Error accessing specified device (Error: 2) " << ENOENT;
    QTest::newRow("empty name") << "empty" << "Error accessing specified device (Error: 2) " << ENOENT;
}

void TestComm::Open_RefusedDevices()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(int, code);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString name;
    if (kind == u"file") {
        name = dir.filePath(QStringLiteral("COM3"));
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == u"folder") {
        name = dir.path();
    } else if (kind == u"missing") {
        name = dir.filePath(QStringLiteral("ttyMISSING"));
    }
    TComm comm;
    comm.SetDeviceName(name);

    const std::optional<ECommError> error = CommErrorOf([&] { comm.Open(); });

    QVERIFY(error);
    QCOMPARE(error->message(), text);
    QCOMPARE(error->code(), code);
    QVERIFY(!comm.IsOpen());
    if (!name.isEmpty())
        QCOMPARE(OpenDescriptorsOn(name), 0);
}

void TestComm::Open_PseudoTerminal_OpensAndCloses()
{
    PseudoTerminal terminal;
    QVERIFY(terminal.IsValid());
    TComm comm;
    comm.SetDeviceName(terminal.Path());

    comm.Open();

    QVERIFY(comm.IsOpen());
    QCOMPARE(OpenDescriptorsOn(terminal.Path()), 1);
    comm.Close();
    QVERIFY(!comm.IsOpen());
    QCOMPARE(OpenDescriptorsOn(terminal.Path()), 0);
    comm.Close(); // closing a closed port is harmless
    comm.Open();  // and the port can be opened again
    QVERIFY(comm.IsOpen());
}

void TestComm::Open_Twice_IsRefused()
{
    PseudoTerminal terminal;
    QVERIFY(terminal.IsValid());
    TComm comm;
    comm.SetDeviceName(terminal.Path());
    comm.Open();

    const std::optional<ECommError> error = CommErrorOf([&] { comm.Open(); });

    QVERIFY(error);
    QCOMPARE(error->message(), QStringLiteral("Port already assigned (open) (Error: -1) "));
    QCOMPARE(error->code(), -1);
    QVERIFY(comm.IsOpen());
    QCOMPARE(OpenDescriptorsOn(terminal.Path()), 1);
}

void TestComm::DeviceName_ChangeWhileOpen()
{
    PseudoTerminal terminal;
    QVERIFY(terminal.IsValid());
    TComm comm;
    comm.SetDeviceName(terminal.Path());
    comm.Open();

    comm.SetDeviceName(terminal.Path()); // the same name never fails
    const std::optional<ECommError> error =
        CommErrorOf([&] { comm.SetDeviceName(QStringLiteral("/dev/ttyS1")); });

    QVERIFY(error);
    QCOMPARE(error->message(), QStringLiteral("Port already assigned (open) (Error: -1) "));
    QCOMPARE(comm.DeviceName(), terminal.Path());
    comm.Close();
    comm.SetDeviceName(QStringLiteral("/dev/ttyS1"));
    QCOMPARE(comm.DeviceName(), QStringLiteral("/dev/ttyS1"));
}

void TestComm::SetDTR_WhenClosed()
{
    TComm comm;

    const std::optional<ECommError> error = CommErrorOf([&] { comm.SetDTR(true); });

    QVERIFY(error);
    QCOMPARE(error->message(), QStringLiteral("Port not open, unable to complete operation (Error: -1) "));
    QCOMPARE(error->code(), -1);
}

void TestComm::SetDTR_OnPseudoTerminal_ReportsSystemCode()
{
    // A pseudo-terminal has no modem lines: the system refuses DTR.
    PseudoTerminal terminal;
    QVERIFY(terminal.IsValid());
    TComm comm;
    comm.SetDeviceName(terminal.Path());
    comm.Open();

    const std::optional<ECommError> error = CommErrorOf([&] { comm.SetDTR(true); });

    QVERIFY(error);
    QCOMPARE(error->code(), ENOTTY);
    QCOMPARE(error->message(), QStringLiteral("EscapeCommFunction failure (Error: %1) ").arg(ENOTTY));
}

void TestComm::LineSettings_QtCannotApply_AreRefused()
{
    PseudoTerminal terminal;
    QVERIFY(terminal.IsValid());
    TComm comm;
    comm.SetDeviceName(terminal.Path());
    comm.SetDatabits(TDatabits::da4);

    std::optional<ECommError> error = CommErrorOf([&] { comm.Open(); });

    QVERIFY(error);
    QCOMPARE(error->message(), QStringLiteral("Error updating DataControlBlock (Error: %1) ").arg(EINVAL));
    QVERIFY(comm.IsOpen()); // left open until Close, which releases it
    comm.Close();
    QCOMPARE(OpenDescriptorsOn(terminal.Path()), 0);

    comm.SetDatabits(TDatabits::da8);
    comm.Open();
    error = CommErrorOf([&] { comm.SetFlowControl(TFlowControl::fcDTR); });
    QVERIFY(error);
    QCOMPARE(error->reason(), QStringLiteral("Error updating DataControlBlock"));
    comm.SetFlowControl(TFlowControl::fcNone);
    comm.SetBaudRate(TBaudRate::br115200);
}

void TestComm::Destructor_ReleasesThePort()
{
    PseudoTerminal terminal;
    QVERIFY(terminal.IsValid());
    auto comm = std::make_unique<TComm>();
    comm->SetDeviceName(terminal.Path());
    comm->Open();
    QCOMPARE(OpenDescriptorsOn(terminal.Path()), 1);

    comm.reset();

    QCOMPARE(OpenDescriptorsOn(terminal.Path()), 0);
}

void TestComm::Notifications_ReachHandlersUntilClose()
{
    PseudoTerminal terminal;
    QVERIFY(terminal.IsValid());
    TComm comm;
    comm.SetDeviceName(terminal.Path());
    TCommEventChars chars;
    chars.EvtChar = '\n';
    comm.SetEventChars(chars);
    qint64 received = 0;
    int flags = 0;
    comm.OnRxChar = [&](qint64 count) { received = count; };
    comm.OnRxFlag = [&] { ++flags; };
    comm.Open();

    QVERIFY(terminal.Send("abc"));
    QTRY_COMPARE(received, 3);
    QCOMPARE(flags, 0);
    QVERIFY(terminal.Send("d\n"));
    QTRY_COMPARE(received, 5);
    QCOMPARE(flags, 1);

    comm.Close();
    QVERIFY(terminal.Send("more\n"));
    QTest::qWait(200);
    QCOMPARE(received, 5);
    QCOMPARE(flags, 1);
}

void TestComm::Notifications_HandlerClosingThePort_StopsTheRest()
{
    PseudoTerminal terminal;
    QVERIFY(terminal.IsValid());
    TComm comm;
    comm.SetDeviceName(terminal.Path());
    TCommEventChars chars;
    chars.EvtChar = 'x';
    comm.SetEventChars(chars);
    bool flagged = false;
    comm.OnRxChar = [&](qint64) { comm.Close(); };
    comm.OnRxFlag = [&] { flagged = true; };
    comm.Open();

    QVERIFY(terminal.Send("x"));
    QTRY_VERIFY(!comm.IsOpen());
    QTest::qWait(50);

    QVERIFY(!flagged);
    QCOMPARE(OpenDescriptorsOn(terminal.Path()), 0);
}

QTEST_GUILESS_MAIN(TestComm)
#include "test_comm.moc"
