#include "bootser.h"

#include "app/messages.h"
#include "update/platform.h"
#include "update/runandwait.h"
#include "workspace/folders.h"
#include "workspace/workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSerialPortInfo>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace trellim {

namespace {

const QString kDevicePrefix = QStringLiteral("\\\\.\\");

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(x, y, 358 - x - 4, 18);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(x, y, 358 - x - 8, 20);
    box->setChecked(true);
    return box;
}

// "ttyS10" after "ttyS9": the number at the end of a name counts as a number.
bool PortNameLess(const QString& a, const QString& b)
{
    const auto split = [](const QString& name) {
        qsizetype digits = name.size();
        while (digits > 0 && name.at(digits - 1).isDigit())
            --digits;
        return std::pair(name.left(digits), name.mid(digits).toLongLong());
    };
    return split(a) < split(b);
}

} // namespace

TFBootSer::TFBootSer(const Workspace* workspace, QWidget* parent)
    : QDialog(parent),
      workspace_(workspace),
      comm1_(new TComm(this)),
      runner_([](const QString& exePath, const QString& parameters, bool hidden) {
          RunAndWait(exePath, parameters, hidden);
      }),
      portSource_(&TFBootSer::ScanSerialPorts)
{
    setObjectName(QStringLiteral("FBootSer"));
    comm1_->setObjectName(QStringLiteral("Comm1"));
    setWindowTitle(QStringLiteral("Update Firmware from Serial (RS232)"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(358, 210);

    label1_ = MakeLabel(this, "Label1", QStringLiteral("Follow these steps to update the VU73915 from RS232:"), 8, 8);
    label2_ = MakeLabel(this, "Label2", QStringLiteral("1 - Turn OFF the Device"), 16, 32);
    label3_ = MakeLabel(this, "Label3", QStringLiteral("2 - Connect the RS232 cable"), 16, 52);
    label4_ = MakeLabel(this, "Label4", QStringLiteral("3 - Select the  COM port and press the connect button"), 16, 72);

    cbCom_ = new QComboBox(this);
    cbCom_->setObjectName(QStringLiteral("CB_Com"));
    cbCom_->setEditable(false);
    cbCom_->setGeometry(32, 94, 110, 24);

    lbButton5_ = new QToolButton(this);
    lbButton5_->setObjectName(QStringLiteral("LbButton5"));
    lbButton5_->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    lbButton5_->setToolTip(QStringLiteral("Update COM Port List"));
    lbButton5_->setGeometry(146, 94, 24, 24);

    lbButton1_ = MakeButton(this, "LbButton1", QStringLiteral("Connect"), QRect(176, 93, 90, 26));
    label5_ = MakeLabel(this, "Label5", QStringLiteral("4 - Turn ON the Device"), 16, 126);
    label6_ = MakeLabel(this, "Label6", QStringLiteral("5 - Check the BOOT led. It must blink quickly"), 16, 146);
    lbButton3_ = MakeButton(this, "LbButton3", QStringLiteral("Cancel"), QRect(180, 176, 82, 26));
    lbButton2_ = MakeButton(this, "LbButton2", QStringLiteral("Next"), QRect(268, 176, 82, 26));

    // Page 2 covers the whole of page 1 when shown.
    panel1_ = new QFrame(this);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel1_->setFrameShape(QFrame::StyledPanel);
    panel1_->setAutoFillBackground(true);
    panel1_->setGeometry(0, 0, 358, 210);
    label7_ = MakeLabel(panel1_, "Label7", QStringLiteral("Update Device Options"), 8, 8);
    cbFirm_ = MakeCheckBox(panel1_, "CB_Firm", QStringLiteral("Firmware"), 24, 36);
    cbRFirm_ = MakeCheckBox(panel1_, "CB_RFirm", QStringLiteral("Read Firmware when finish"), 48, 58);
    cbProj_ = MakeCheckBox(panel1_, "CB_Proj", QStringLiteral("Project"), 24, 88);
    cbRProj_ = MakeCheckBox(panel1_, "CB_RProj", QStringLiteral("Read Project when finish"), 48, 110);
    lbButton4_ = MakeButton(panel1_, "LbButton4", QStringLiteral("Execute update firmware"), QRect(94, 150, 170, 30));
    panel1_->hide();

    connect(lbButton1_, &QPushButton::clicked, this, &TFBootSer::LbButton1Click);
    connect(lbButton2_, &QPushButton::clicked, this, &TFBootSer::LbButton2Click);
    connect(lbButton3_, &QPushButton::clicked, this, &QDialog::reject);
    connect(lbButton4_, &QPushButton::clicked, this, &TFBootSer::LbButton4Click);
    connect(lbButton5_, &QToolButton::clicked, this, &TFBootSer::LbButton5Click);
}

TFBootSer::~TFBootSer() = default; // the port object closes its port itself

void TFBootSer::SetRunner(UpdaterRunner runner)
{
    runner_ = std::move(runner);
}

void TFBootSer::SetPortSource(SerialPortSource source)
{
    portSource_ = std::move(source);
}

QList<SerialPortEntry> TFBootSer::ScanSerialPorts()
{
    QList<SerialPortEntry> entries;
#ifdef Q_OS_WIN
    for (int number = 1; number <= 256; ++number) {
        if (platform::ProbeComPort(number)) {
            const QString name = QStringLiteral("COM%1").arg(number);
            entries.append({name, kDevicePrefix + name});
        }
    }
#else
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        entries.append({info.portName(), info.systemLocation()});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const SerialPortEntry& a, const SerialPortEntry& b) {
                         return PortNameLess(a.name, b.name);
                     });
#endif
    return entries;
}

void TFBootSer::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // restored from minimised: not a new showing
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormShow();
}

void TFBootSer::FormShow()
{
    ShowOptionsPage(false);
    portConnected_ = false;
    FillPortList();
}

void TFBootSer::ShowOptionsPage(bool show)
{
    // Page 1's controls are hidden, not only covered, so that the keyboard
    // cannot reach Connect behind the options page.
    for (QWidget* widget : {static_cast<QWidget*>(label1_), static_cast<QWidget*>(label2_),
                            static_cast<QWidget*>(label3_), static_cast<QWidget*>(label4_),
                            static_cast<QWidget*>(label5_), static_cast<QWidget*>(label6_),
                            static_cast<QWidget*>(lbButton5_), static_cast<QWidget*>(cbCom_),
                            static_cast<QWidget*>(lbButton1_), static_cast<QWidget*>(lbButton2_),
                            static_cast<QWidget*>(lbButton3_)})
        widget->setVisible(!show);
    if (show) {
        panel1_->move(0, 0);
        panel1_->raise();
    }
    panel1_->setVisible(show);
}

void TFBootSer::FillPortList()
{
    cbCom_->clear();
    for (const SerialPortEntry& entry : portSource_ ? portSource_() : QList<SerialPortEntry>())
        cbCom_->addItem(entry.name, entry.path);
    cbCom_->setCurrentIndex(cbCom_->count() > 0 ? 0 : -1);
}

void TFBootSer::LbButton5Click()
{
    FillPortList();
}

void TFBootSer::LbButton1Click()
{
    portConnected_ = false;
    comm1_->Close();
    try {
        comm1_->SetDeviceName(cbCom_->currentData().toString());
        comm1_->Open();
        comm1_->SetDTR(true);
        portConnected_ = true;
    } catch (const ECommError&) {
        // A port that failed its test is not kept open.
        comm1_->Close();
        Messages::Error(QStringLiteral("Error!! Com Port cannot be open."));
    }
}

void TFBootSer::LbButton2Click()
{
    if (!portConnected_) {
        Messages::Error(QStringLiteral("Select one port."));
        return;
    }
    ShowOptionsPage(true);
    // The updater opens the port itself.
    comm1_->Close();
}

QString TFBootSer::UpdaterPath() const
{
    return JoinPath(workspace_->ExeFolder, kUpdaterFileName);
}

QString TFBootSer::UpdaterParameters() const
{
    const QChar quote = u'"';
    QString parameters = cbCom_->currentData().toString() + u' ';
    parameters += cbFirm_->isChecked() ? QStringLiteral("FW ") : QStringLiteral("NO ");
    parameters += cbRFirm_->isChecked() ? QStringLiteral("FR ") : QStringLiteral("NO ");
    parameters += cbProj_->isChecked() ? QStringLiteral("PW ") : QStringLiteral("NO ");
    parameters += cbRProj_->isChecked() ? QStringLiteral("PR ") : QStringLiteral("NO ");
    parameters += quote + JoinPath(workspace_->MasterFolder, kFirmwareFileName) + quote + u' ';
    parameters += quote + JoinPath(workspace_->ProjectFolder, QStringLiteral("bin")) + PathSeparator() + quote;
    return parameters;
}

void TFBootSer::LbButton4Click()
{
    if (runner_)
        runner_(UpdaterPath(), UpdaterParameters(), false);
}

void TFBootSer::FormClose()
{
    comm1_->Close();
}

void TFBootSer::done(int result)
{
    FormClose();
    QDialog::done(result);
}

} // namespace trellim
