#pragma once

#include "app/edspathasker.h"
#include "eds/edswriter.h"
#include "image/configurationimage.h"
#include "workspace/folderchooser.h"
#include "workspace/workspace.h"

#include <QWidget>

#include <functional>
#include <memory>

class QPushButton;

namespace trellim {

class TFAbout;
class TFBootSer;

// The tool's only top-level window: six numbered steps, About and X.
class TFMainWindow : public QWidget {
    Q_OBJECT

public:
    // exeFolder: where MASTER, PROJECTS and the settings file live; empty
    // means the executable's own folder.
    explicit TFMainWindow(const QString& exeFolder = QString(), QWidget* parent = nullptr);
    ~TFMainWindow() override;

    const Workspace& workspace() const { return workspace_; }
    const ImageComposer& composer() const { return composer_; }
    TFBootSer* bootSer() const { return bootSer_; }

    // Replaces the folder chooser behind "Open project" (tests).
    void SetFolderChooser(std::unique_ptr<FolderChooser> chooser);
    // Replaces the save dialog behind "Create EDS File" (tests).
    void SetEdsPathAsker(std::unique_ptr<EdsPathAsker> asker);

    // Runs a user action; an error escaping it is shown as the
    // unexpected-error box and the application goes on.
    static void RunGuarded(const std::function<void()>& action);

public Q_SLOTS:
    void NewaClick();
    void OpenaClick();
    void btn_str_lng1aClick(QObject* sender);
    void CreateBinaClick();
    void AboutClick();
    void LbButton1Click();
    void CreateEdsFile();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate(const QString& exeFolder);
    void FormClose();
    QPushButton* AddStepButton(const QString& name, const QString& caption, int step, int column);
    void AddStepHint(const QString& text, int step);
    void ShowNotAvailable(const QString& caption);

    Workspace workspace_;
    std::unique_ptr<FolderChooser> folderChooser_;
    std::unique_ptr<EdsPathAsker> edsPathAsker_;
    EdsWriter edsWriter_;
    ImageComposer composer_;
    TFAbout* about_ = nullptr;
    TFBootSer* bootSer_ = nullptr;
    bool settingsSaved_ = false;
};

} // namespace trellim
