#pragma once

#include "update/comm.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;

namespace trellim {

struct Workspace;

// One serial port as the port list shows it.
struct SerialPortEntry {
    QString name; // shown in the list: "COM3", "ttyUSB0"
    QString path; // opened by the port object: "\\.\COM3", "/dev/ttyUSB0"
};

using SerialPortSource = std::function<QList<SerialPortEntry>()>;
using UpdaterRunner =
    std::function<void(const QString& exePath, const QString& parameters, bool hidden)>;

inline const QString kFirmwareFileName = QStringLiteral("sim73915.sim");
#ifdef Q_OS_WIN
inline const QString kUpdaterFileName = QStringLiteral("Ser_73915_Update.exe");
#else
inline const QString kUpdaterFileName = QStringLiteral("Ser_73915_Update");
#endif

// "Update Firmware from Serial (RS232)": picks and tests the COM port, then
// starts the external updater with the chosen options. Shown modally by the
// main window after bank.bin has been written. The four option boxes keep
// their states for the life of the dialog.
class TFBootSer : public QDialog {
    Q_OBJECT
public:
    explicit TFBootSer(const Workspace* workspace, QWidget* parent = nullptr);
    ~TFBootSer() override;

    // Replaces how the updater is run (default: RunAndWait with its full limit).
    void SetRunner(UpdaterRunner runner);
    // Replaces where the port list comes from (default: ScanSerialPorts).
    void SetPortSource(SerialPortSource source);

    // The serial ports of this machine, in increasing order.
    static QList<SerialPortEntry> ScanSerialPorts();

    bool PortConnected() const { return portConnected_; }
    TComm& Comm1() { return *comm1_; }

    // The updater's path and parameter string as Execute passes them now.
    QString UpdaterPath() const;
    QString UpdaterParameters() const;

public slots:
    void FormShow();
    void FormClose();
    void FillPortList();
    void LbButton1Click(); // Connect
    void LbButton2Click(); // Next
    void LbButton4Click(); // Execute update firmware
    void LbButton5Click(); // refresh the port list

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void ShowOptionsPage(bool show);

    const Workspace* workspace_;
    TComm* comm1_;
    bool portConnected_ = false;
    UpdaterRunner runner_;
    SerialPortSource portSource_;

    QLabel* label1_;
    QLabel* label2_;
    QLabel* label3_;
    QLabel* label4_;
    QLabel* label5_;
    QLabel* label6_;
    QComboBox* cbCom_;
    QToolButton* lbButton5_;
    QPushButton* lbButton1_;
    QPushButton* lbButton2_;
    QPushButton* lbButton3_;
    QFrame* panel1_;
    QLabel* label7_;
    QCheckBox* cbFirm_;
    QCheckBox* cbRFirm_;
    QCheckBox* cbProj_;
    QCheckBox* cbRProj_;
    QPushButton* lbButton4_;
};

} // namespace trellim
