#include "mainwindow.h"

#include "about.h"
#include "messages.h"

#include "documents/error.h"
#include "update/bootser.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace trellim {

namespace {

constexpr int kClientWidth = 568;
constexpr int kClientHeight = 314;
constexpr int kFirstStepTop = 46;
constexpr int kStepPitch = 43;
constexpr int kButtonLeft = 96;
constexpr int kButtonWidth = 180;
constexpr int kButtonHeight = 30;

QFont WindowFont()
{
    QFont font(QStringLiteral("Verdana"), 8);
    font.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Sans Serif")});
    return font;
}

} // namespace

TFMainWindow::TFMainWindow(const QString& exeFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      folderChooser_(std::make_unique<TreeFolderChooser>()),
      edsPathAsker_(std::make_unique<EdsSaveDialogAsker>())
{
    setObjectName(QStringLiteral("TFMainWindow"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(WindowFont());
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(248, 247, 237));
    palette.setColor(QPalette::WindowText, QColor(51, 51, 51));
    palette.setColor(QPalette::ButtonText, QColor(51, 51, 51));
    setPalette(palette);

    auto* title = new QLabel(QStringLiteral("Gateway CANopen to Modbus TCP Master"), this);
    title->setObjectName(QStringLiteral("TitleLabel"));
    QFont titleFont = WindowFont();
    titleFont.setPointSize(10);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setGeometry(20, 10, 400, 24);

    AddStepButton(QStringLiteral("New"), QStringLiteral("New project"), 1, 0);
    AddStepButton(QStringLiteral("open"), QStringLiteral("Open project"), 1, 1);
    AddStepButton(QStringLiteral("btn_Prm_Gen"), QStringLiteral("General Parameter"), 2, 0);
    AddStepButton(QStringLiteral("btn_Translate"), QStringLiteral("SDO Setting"), 3, 0);
    AddStepButton(QStringLiteral("btn_Pdo"), QStringLiteral("PDO Setting"), 4, 0);
    AddStepButton(QStringLiteral("Btn_EDS"), QStringLiteral("Create EDS File"), 5, 0);
    AddStepButton(QStringLiteral("CreateBin"), QStringLiteral("Update Device"), 6, 0);
    AddStepHint(QStringLiteral("CANopen node and Ethernet settings"), 2);
    AddStepHint(QStringLiteral("CANopen objects read by SDO"), 3);
    AddStepHint(QStringLiteral("Words carried by the PDOs"), 4);
    AddStepHint(QStringLiteral("Data sheet for the CANopen master"), 5);
    AddStepHint(QStringLiteral("Write the image and program over RS232"), 6);

    auto* about = new QPushButton(QStringLiteral("About"), this);
    about->setObjectName(QStringLiteral("about"));
    about->setGeometry(kClientWidth - 104, 8, 64, 24);
    connect(about, &QPushButton::clicked, this, [this] { RunGuarded([this] { AboutClick(); }); });

    auto* close = new QPushButton(QStringLiteral("X"), this);
    close->setObjectName(QStringLiteral("LbButton1"));
    close->setGeometry(kClientWidth - 34, 8, 26, 24);
    connect(close, &QPushButton::clicked, this, [this] { RunGuarded([this] { LbButton1Click(); }); });

    FormCreate(exeFolder);

    about_ = new TFAbout(this);
    bootSer_ = new TFBootSer(&workspace_, this);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TFMainWindow::~TFMainWindow() = default;

QPushButton* TFMainWindow::AddStepButton(const QString& name, const QString& caption, int step, int column)
{
    const int top = kFirstStepTop + (step - 1) * kStepPitch;
    if (column == 0) {
        auto* label = new QLabel(QStringLiteral("Step %1").arg(step), this);
        label->setObjectName(QStringLiteral("StepLabel%1").arg(step));
        QFont bold = WindowFont();
        bold.setBold(true);
        label->setFont(bold);
        QPalette grey = label->palette();
        grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
        label->setPalette(grey);
        label->setGeometry(20, top, 70, kButtonHeight);
    }

    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setGeometry(kButtonLeft + column * (kButtonWidth + 12), top, kButtonWidth, kButtonHeight);
    connect(button, &QPushButton::clicked, this, [this, button, step] {
        RunGuarded([this, button, step] {
            if (step == 1)
                button->objectName() == u"New" ? NewaClick() : OpenaClick();
            else if (step == 6)
                CreateBinaClick();
            else
                btn_str_lng1aClick(button);
        });
    });
    return button;
}

void TFMainWindow::AddStepHint(const QString& text, int step)
{
    auto* hint = new QLabel(text, this);
    hint->setObjectName(QStringLiteral("StepHint%1").arg(step));
    QPalette grey = hint->palette();
    grey.setColor(QPalette::WindowText, QColor(110, 110, 110));
    hint->setPalette(grey);
    const int top = kFirstStepTop + (step - 1) * kStepPitch;
    hint->setGeometry(kButtonLeft + kButtonWidth + 12, top, kClientWidth - kButtonLeft - kButtonWidth - 24,
                      kButtonHeight);
}

void TFMainWindow::RunGuarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        Messages::Unexpected(error.message());
    } catch (const std::exception& error) {
        Messages::Unexpected(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        Messages::Unexpected(QStringLiteral("An unknown error occurred"));
    }
}

void TFMainWindow::SetFolderChooser(std::unique_ptr<FolderChooser> chooser)
{
    folderChooser_ = std::move(chooser);
}

void TFMainWindow::SetEdsPathAsker(std::unique_ptr<EdsPathAsker> asker)
{
    edsPathAsker_ = std::move(asker);
}

void TFMainWindow::FormCreate(const QString& exeFolder)
{
    const QString folder = exeFolder.isEmpty() ? QCoreApplication::applicationDirPath() : exeFolder;
    setWindowTitle(StartWorkspace(workspace_, QDir::cleanPath(folder)));
}

void TFMainWindow::FormClose()
{
    if (settingsSaved_)
        return;
    settingsSaved_ = true;
    if (!SaveWorkspace(workspace_))
        Messages::Plain(QStringLiteral("Unable to write to %1").arg(workspace_.SettingsPath()));
}

void TFMainWindow::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TFMainWindow::NewaClick()
{
    ShowNotAvailable(QStringLiteral("New project"));
}

void TFMainWindow::ShowNotAvailable(const QString& caption)
{
    // Steps whose dialogs are not part of this version say so instead of
    // leaving the user with a button that does nothing.
    Messages::Plain(QStringLiteral("%1 is not available in this version.").arg(caption));
}

void TFMainWindow::OpenaClick()
{
    BrowseForFolder(*folderChooser_, this, QStringLiteral("Select directory of project"),
                    workspace_.ProjectsFolder, workspace_.ProjectFolder);
    setWindowTitle(ApplyOpenedProject(workspace_));
}

void TFMainWindow::btn_str_lng1aClick(QObject* sender)
{
    if (workspace_.ProjectFolder.isEmpty()) {
        Messages::Plain(QStringLiteral("Project not valid"));
        return;
    }
    if (sender && sender->objectName() == u"Btn_EDS")
        CreateEdsFile();
    else if (const auto* button = qobject_cast<const QPushButton*>(sender))
        ShowNotAvailable(button->text());
}

void TFMainWindow::CreateEdsFile()
{
    const auto path = edsPathAsker_->Ask(this, workspace_.ProjectFolder);
    if (path)
        edsWriter_.WriteEdsFile(workspace_.VariablesPath, *path);
}

void TFMainWindow::CreateBinaClick()
{
    // A failed composition or write stops here: the device is never
    // programmed with a truncated or stale image.
    if (workspace_.ProjectFolder.isEmpty()) {
        // The document paths would then name the root folder ("/bin/bank.bin").
        Messages::Error(QStringLiteral("No project folder is open: open or create a project first.\n\n"
                                       "bank.bin was not written and the device was not updated."));
        return;
    }
    const CompositionOutcome outcome =
        composer_.ComposeImage(workspace_.VariablesPath, workspace_.PdoPath, workspace_.GeneralParametersPath);
    if (!outcome.complete) {
        Messages::Error(QStringLiteral("The configuration image cannot be composed: %1.\n\n"
                                       "bank.bin was not written and the device was not updated.")
                            .arg(outcome.cause));
        return;
    }
    try {
        composer_.WriteImageFile(workspace_.BankPath());
    } catch (const Error& error) {
        Messages::Error(error.message() + QStringLiteral("\n\nThe device was not updated."));
        return;
    }
    bootSer_->exec();
}

void TFMainWindow::AboutClick()
{
    about_->exec();
}

void TFMainWindow::LbButton1Click()
{
    close();
}

} // namespace trellim
