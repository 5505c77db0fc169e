// The device update dialog driven offscreen through its handlers.

#include "update/bootser.h"

#include "app/messagerecorder.h"
#include "testterminal.h"
#include "workspace/folders.h"
#include "workspace/workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace trellim;
using trellim::test::OpenDescriptorsOn;
using trellim::test::PseudoTerminal;

namespace {

const QString kCannotOpen = QStringLiteral("Error!! Com Port cannot be open.");
const QString kSelectOnePort = QStringLiteral("Select one port.");
const QString kRealPort = QStringLiteral("/dev/ttyS0");

struct RunnerCall {
    QString exePath;
    QString parameters;
    bool hidden;
};

Workspace MakeWorkspace(const QString& exeFolder, const QString& project)
{
    Workspace workspace;
    workspace.ExeFolder = exeFolder;
    workspace.MasterFolder = JoinPath(exeFolder, QStringLiteral("MASTER"));
    workspace.ProjectsFolder = JoinPath(exeFolder, QStringLiteral("PROJECTS"));
    workspace.ProjectName = PathSeparator() + project;
    workspace.ProjectFolder = workspace.ProjectsFolder + workspace.ProjectName;
    return workspace;
}

QCheckBox* Box(TFBootSer& dialog, const char* name)
{
    return dialog.findChild<QCheckBox*>(QLatin1String(name));
}

// The one real serial device tests may use; empty with the reason when none.
QString RealPortUnavailable()
{
    if (!QFile::exists(kRealPort))
        return QStringLiteral("no serial device %1 on this machine").arg(kRealPort);
    TComm probe;
    probe.SetDeviceName(kRealPort);
    try {
        probe.Open();
        probe.SetDTR(true);
    } catch (const ECommError& error) {
        return QStringLiteral("%1 cannot be opened here: %2").arg(kRealPort, error.message());
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(trellim::SerialPortEntry)

class TestBootSer : public QObject {
    Q_OBJECT

private slots:
    void Layout_TextsNamesAndSize_data();
    void Layout_TextsNamesAndSize();
    void FormShow_StartsOnPageOneWithAFreshPortList();
    void OptionBoxes_KeepTheirStatesAcrossShowings();
    void Execute_ParameterString_data();
    void Execute_ParameterString();
    void Execute_StartsTheUpdaterWithTheSplitArguments();
    void Next_BeforeConnect_AsksForAPort();
    void Connect_Fails_data();
    void Connect_Fails();
    void Connect_PseudoTerminal_DtrRefused_LeavesNothingOpen();
    void Connect_RealDevice_OpensTakesDtrAndNextReleasesIt();
    void Connect_Twice_ClosesTheFirstPort();
    void Close_ReleasesTheTestedPort();
    void ScanSerialPorts_ListsNamesWithDevicePaths();
};

void TestBootSer::Layout_TextsNamesAndSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("Label1") << "Label1" << "Follow these steps to update the VU73915 from RS232:";
    QTest::newRow("Label2") << "Label2" << "1 - Turn OFF the Device";
    QTest::newRow("Label3") << "Label3" << "2 - Connect the RS232 cable";
    QTest::newRow("Label4") << "Label4" << "3 - Select the  COM port and press the connect button";
    QTest::newRow("Label5") << "Label5" << "4 - Turn ON the Device";
    QTest::newRow("Label6") << "Label6" << "5 - Check the BOOT led. It must blink quickly";
    QTest::newRow("Label7") << "Label7" << "Update Device Options";
    QTest::newRow("LbButton1") << "LbButton1" << "Connect";
    QTest::newRow("LbButton2") << "LbButton2" << "Next";
    QTest::newRow("LbButton3") << "LbButton3" << "Cancel";
    QTest::newRow("LbButton4") << "LbButton4" << "Execute update firmware";
    QTest::newRow("CB_Firm") << "CB_Firm" << "Firmware";
    QTest::newRow("CB_RFirm") << "CB_RFirm" << "Read Firmware when finish";
    QTest::newRow("CB_Proj") << "CB_Proj" << "Project";
    QTest::newRow("CB_RProj") << "CB_RProj" << "Read Project when finish";
}

void TestBootSer::Layout_TextsNamesAndSize()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    const Workspace workspace = MakeWorkspace(QStringLiteral("/t"), QStringLiteral("P1"));
    TFBootSer dialog(&workspace);

    QWidget* widget = dialog.findChild<QWidget*>(name);

    QVERIFY(widget);
    QString shown;
    if (auto* label = qobject_cast<QLabel*>(widget))
        shown = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        shown = button->text();
    QCOMPARE(shown, text);
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        QVERIFY(box->isChecked());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Update Firmware from Serial (RS232)"));
    QCOMPARE(dialog.size(), QSize(358, 210));
    QCOMPARE(dialog.findChild<QToolButton*>(QStringLiteral("LbButton5"))->toolTip(),
             QStringLiteral("Update COM Port List"));
    QVERIFY(!dialog.findChild<QComboBox*>(QStringLiteral("CB_Com"))->isEditable());
}

void TestBootSer::FormShow_StartsOnPageOneWithAFreshPortList()
{
    const Workspace workspace = MakeWorkspace(QStringLiteral("/t"), QStringLiteral("P1"));
    TFBootSer dialog(&workspace);
    QList<SerialPortEntry> ports = {{"ttyS0", "/dev/ttyS0"}, {"ttyUSB0", "/dev/ttyUSB0"}};
    dialog.SetPortSource([&] { return ports; });
    auto* list = dialog.findChild<QComboBox*>(QStringLiteral("CB_Com"));

    dialog.show();

    QVERIFY(dialog.findChild<QFrame*>(QStringLiteral("Panel1"))->isHidden());
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("Label4"))->isVisible());
    QVERIFY(!dialog.PortConnected());
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentText(), QStringLiteral("ttyS0"));

    ports = {{"ttyUSB1", "/dev/ttyUSB1"}};
    dialog.LbButton5Click();
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->currentText(), QStringLiteral("ttyUSB1"));

    ports.clear();
    dialog.FormShow();
    QCOMPARE(list->count(), 0);
    QCOMPARE(list->currentIndex(), -1);
}

void TestBootSer::OptionBoxes_KeepTheirStatesAcrossShowings()
{
    const Workspace workspace = MakeWorkspace(QStringLiteral("/t"), QStringLiteral("P1"));
    TFBootSer dialog(&workspace);
    dialog.SetPortSource([] { return QList<SerialPortEntry>(); });
    dialog.show();
    Box(dialog, "CB_RFirm")->setChecked(false);
    dialog.reject();

    dialog.show();

    QVERIFY(Box(dialog, "CB_Firm")->isChecked());
    QVERIFY(!Box(dialog, "CB_RFirm")->isChecked());
    QVERIFY(Box(dialog, "CB_Proj")->isChecked());
    QVERIFY(Box(dialog, "CB_RProj")->isChecked());
}

void TestBootSer::Execute_ParameterString_data()
{
    QTest::addColumn<QString>("exeFolder");
    QTest::addColumn<QString>("project");
    QTest::addColumn<SerialPortEntry>("port");
    QTest::addColumn<QList<bool>>("boxes");
    QTest::addColumn<QString>("expected");

    const QList<bool> all = {true, true, true, true};
#ifdef Q_OS_WIN
    QTest::newRow("all checked, as in the manual")
        << "C:\\T" << "P1" << SerialPortEntry{"COM3", "\\\\.\\COM3"} << all
        << "\\\\.\\COM3 FW FR PW PR \"C:\\T\\MASTER\\sim73915.sim\" \"C:\\T\\PROJECTS\\P1\\bin\\\"";
#endif
    // Folders in the platform's separator; the port path as the list gives it.
    const auto expect = [](const QString& port, const char* tokens, QString master, QString bin) {
        master.replace(u'/', PathSeparator());
        bin.replace(u'/', PathSeparator());
        return port + u' ' + QLatin1String(tokens) + u'"' + master + u'"' + u' ' + u'"' + bin + u'"';
    };
    const auto native = [](QString path) { return path.replace(u'/', PathSeparator()); };
    QTest::newRow("all checked")
        << native("/T") << "P1" << SerialPortEntry{"ttyUSB0", "/dev/ttyUSB0"} << all
        << expect("/dev/ttyUSB0", "FW FR PW PR ", "/T/MASTER/sim73915.sim", "/T/PROJECTS/P1/bin/");
    QTest::newRow("all unchecked")
        << native("/T") << "P1" << SerialPortEntry{"ttyS12", "/dev/ttyS12"} << QList<bool>{false, false, false, false}
        << expect("/dev/ttyS12", "NO NO NO NO ", "/T/MASTER/sim73915.sim", "/T/PROJECTS/P1/bin/");
    QTest::newRow("read firmware alone")
        << native("/T") << "P1" << SerialPortEntry{"ttyS0", "/dev/ttyS0"} << QList<bool>{false, true, false, false}
        << expect("/dev/ttyS0", "NO FR NO NO ", "/T/MASTER/sim73915.sim", "/T/PROJECTS/P1/bin/");
    QTest::newRow("project only")
        << native("/T") << "P1" << SerialPortEntry{"ttyS0", "/dev/ttyS0"} << QList<bool>{false, false, true, true}
        << expect("/dev/ttyS0", "NO NO PW PR ", "/T/MASTER/sim73915.sim", "/T/PROJECTS/P1/bin/");
    QTest::newRow("paths with blanks")
        << native("/opt/my tool") << "Plant 7" << SerialPortEntry{"ttyUSB0", "/dev/ttyUSB0"}
        << QList<bool>{true, false, true, false}
        << expect("/dev/ttyUSB0", "FW NO PW NO ", "/opt/my tool/MASTER/sim73915.sim",
                  "/opt/my tool/PROJECTS/Plant 7/bin/");
}

void TestBootSer::Execute_ParameterString()
{
    QFETCH(QString, exeFolder);
    QFETCH(QString, project);
    QFETCH(SerialPortEntry, port);
    QFETCH(QList<bool>, boxes);
    QFETCH(QString, expected);
    const Workspace workspace = MakeWorkspace(exeFolder, project);
    TFBootSer dialog(&workspace);
    dialog.SetPortSource([port] { return QList<SerialPortEntry>{{"other", "/dev/other"}, port}; });
    QList<RunnerCall> calls;
    dialog.SetRunner([&](const QString& exe, const QString& parameters, bool hidden) {
        calls.append({exe, parameters, hidden});
    });
    dialog.FormShow();
    dialog.findChild<QComboBox*>(QStringLiteral("CB_Com"))->setCurrentIndex(1);
    const char* names[] = {"CB_Firm", "CB_RFirm", "CB_Proj", "CB_RProj"};
    for (int i = 0; i < 4; ++i)
        Box(dialog, names[i])->setChecked(boxes.at(i));

    dialog.LbButton4Click();
    dialog.LbButton4Click(); // Execute can be pressed again

    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0].parameters, expected);
    QCOMPARE(calls[0].exePath, JoinPath(exeFolder, kUpdaterFileName));
    QVERIFY(!calls[0].hidden);
    QCOMPARE(calls[1].parameters, expected);
}

void TestBootSer::Execute_StartsTheUpdaterWithTheSplitArguments()
{
#ifndef Q_OS_UNIX
    QSKIP("the stand-in updater is a shell script");
#endif
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/trellim update XXXXXX"));
    QVERIFY(dir.isValid());
    const Workspace workspace = MakeWorkspace(dir.path(), QStringLiteral("My Project"));
    const QString record = dir.filePath(QStringLiteral("arguments.txt"));
    QFile script(JoinPath(workspace.ExeFolder, kUpdaterFileName));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record.toUtf8() + "'\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    TFBootSer dialog(&workspace); // the real runner
    dialog.SetPortSource([] { return QList<SerialPortEntry>{{"ttyUSB0", "/dev/ttyUSB0"}}; });
    dialog.FormShow();
    Box(dialog, "CB_Proj")->setChecked(false);

    dialog.LbButton4Click();

    QFile written(record);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(written.readAll()).split(u'\n', Qt::SkipEmptyParts),
             QStringList({"/dev/ttyUSB0", "FW", "FR", "NO", "PR",
                          dir.path() + "/MASTER/sim73915.sim", dir.path() + "/PROJECTS/My Project/bin/"}));
}

void TestBootSer::Next_BeforeConnect_AsksForAPort()
{
    const Workspace workspace = MakeWorkspace(QStringLiteral("/t"), QStringLiteral("P1"));
    TFBootSer dialog(&workspace);
    dialog.SetPortSource([] { return QList<SerialPortEntry>{{"ttyS0", "/dev/ttyS0"}}; });
    dialog.show();
    ScopedMessageRecorder recorder;

    dialog.LbButton2Click();

    QCOMPARE(recorder->Texts(), QStringList{kSelectOnePort});
    QCOMPARE(recorder->entries[0].kind, MessageKind::Error);
    QVERIFY(dialog.findChild<QFrame*>(QStringLiteral("Panel1"))->isHidden());
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("Label1"))->isVisible());
}

void TestBootSer::Connect_Fails_data()
{
    QTest::addColumn<QList<SerialPortEntry>>("ports");
    QTest::newRow("missing device") << QList<SerialPortEntry>{{"ttyGONE", "/dev/ttyGONE_trellim"}};
    QTest::newRow("ordinary file") << QList<SerialPortEntry>{{"passwd", "/etc/passwd"}};
    QTest::newRow("no port listed") << QList<SerialPortEntry>{};
}

void TestBootSer::Connect_Fails()
{
    QFETCH(QList<SerialPortEntry>, ports);
    const Workspace workspace = MakeWorkspace(QStringLiteral("/t"), QStringLiteral("P1"));
    TFBootSer dialog(&workspace);
    dialog.SetPortSource([ports] { return ports; });
    dialog.show();
    ScopedMessageRecorder recorder;

    dialog.LbButton1Click();
    dialog.LbButton2Click();

    QCOMPARE(recorder->Texts(), QStringList({kCannotOpen, kSelectOnePort}));
    QCOMPARE(recorder->entries[0].kind, MessageKind::Error);
    QVERIFY(!dialog.PortConnected());
    QVERIFY(!dialog.Comm1().IsOpen());
}

void TestBootSer::Connect_PseudoTerminal_DtrRefused_LeavesNothingOpen()
{
    PseudoTerminal terminal;
    if (!terminal.IsValid())
        QSKIP("no pseudo-terminal on this system");
    const Workspace workspace = MakeWorkspace(QStringLiteral("/t"), QStringLiteral("P1"));
    TFBootSer dialog(&workspace);
    dialog.SetPortSource([&] { return QList<SerialPortEntry>{{"pts", terminal.Path()}}; });
    dialog.show();
    ScopedMessageRecorder recorder;

    dialog.LbButton1Click();

    // The terminal opens, but it has no DTR line to raise.
    QCOMPARE(recorder->Texts(), QStringList{kCannotOpen});
    QVERIFY(!dialog.PortConnected());
    QVERIFY(!dialog.Comm1().IsOpen());
    QCOMPARE(OpenDescriptorsOn(terminal.Path()), 0);
}

void TestBootSer::Connect_RealDevice_OpensTakesDtrAndNextReleasesIt()
{
    if (const QString reason = RealPortUnavailable(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const Workspace workspace = MakeWorkspace(QStringLiteral("/t"), QStringLiteral("P1"));
    TFBootSer dialog(&workspace);
    dialog.SetPortSource([] { return QList<SerialPortEntry>{{"ttyS0", kRealPort}}; });
    QStringList parameters;
    dialog.SetRunner([&](const QString&, const QString& p, bool) { parameters.append(p); });
    dialog.show();
    ScopedMessageRecorder recorder;

    dialog.LbButton1Click();

    QVERIFY(recorder->entries.isEmpty());
    QVERIFY(dialog.PortConnected());
    QVERIFY(dialog.Comm1().IsOpen());
    QCOMPARE(OpenDescriptorsOn(kRealPort), 1);

    dialog.LbButton2Click();

    QVERIFY(recorder->entries.isEmpty());
    QVERIFY(dialog.findChild<QFrame*>(QStringLiteral("Panel1"))->isVisible());
    QCOMPARE(dialog.findChild<QFrame*>(QStringLiteral("Panel1"))->pos(), QPoint(0, 0));
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("Label1"))->isHidden());
    QVERIFY(dialog.findChild<QToolButton*>(QStringLiteral("LbButton5"))->isHidden());
    QVERIFY(!dialog.Comm1().IsOpen());
    QCOMPARE(OpenDescriptorsOn(kRealPort), 0);

    dialog.LbButton4Click();
    QCOMPARE(parameters.size(), 1);
    QVERIFY(parameters[0].startsWith(QStringLiteral("/dev/ttyS0 FW FR PW PR \"")));
}

void TestBootSer::Connect_Twice_ClosesTheFirstPort()
{
    if (const QString reason = RealPortUnavailable(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const Workspace workspace = MakeWorkspace(QStringLiteral("/t"), QStringLiteral("P1"));
    TFBootSer dialog(&workspace);
    dialog.SetPortSource([] {
        return QList<SerialPortEntry>{{"ttyS0", kRealPort}, {"ttyGONE", "/dev/ttyGONE_trellim"}};
    });
    dialog.show();
    auto* list = dialog.findChild<QComboBox*>(QStringLiteral("CB_Com"));
    ScopedMessageRecorder recorder;

    dialog.LbButton1Click();
    dialog.LbButton1Click();

    QVERIFY(recorder->entries.isEmpty()); // not "already open": the first port was closed
    QVERIFY(dialog.PortConnected());
    QCOMPARE(OpenDescriptorsOn(kRealPort), 1);

    list->setCurrentIndex(1);
    dialog.LbButton1Click();

    QCOMPARE(recorder->Texts(), QStringList{kCannotOpen});
    QVERIFY(!dialog.PortConnected());
    QCOMPARE(OpenDescriptorsOn(kRealPort), 0);
}

void TestBootSer::Close_ReleasesTheTestedPort()
{
    if (const QString reason = RealPortUnavailable(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const Workspace workspace = MakeWorkspace(QStringLiteral("/t"), QStringLiteral("P1"));
    TFBootSer dialog(&workspace);
    dialog.SetPortSource([] { return QList<SerialPortEntry>{{"ttyS0", kRealPort}}; });
    dialog.show();
    dialog.LbButton1Click();
    QVERIFY(dialog.PortConnected());

    dialog.findChild<QPushButton*>(QStringLiteral("LbButton3"))->click(); // Cancel

    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.Comm1().IsOpen());
    QCOMPARE(OpenDescriptorsOn(kRealPort), 0);
}

void TestBootSer::ScanSerialPorts_ListsNamesWithDevicePaths()
{
    const QList<SerialPortEntry> ports = TFBootSer::ScanSerialPorts();

    for (const SerialPortEntry& port : ports) {
        QVERIFY2(port.path.endsWith(port.name), qPrintable(port.path));
#ifdef Q_OS_WIN
        QVERIFY2(port.path.startsWith(QStringLiteral("\\\\.\\COM")), qPrintable(port.path));
#else
        QVERIFY2(port.path.startsWith(u'/'), qPrintable(port.path));
#endif
    }
}

QTEST_MAIN(TestBootSer)
#include "test_bootser.moc"
