#include "workspace.h"

#include "folders.h"
#include "settingsfile.h"

namespace trellim {

QString Workspace::SettingsPath() const
{
    return JoinPath(ExeFolder, kSettingsFileName);
}

QString Workspace::BinFolder() const
{
    return JoinPath(ProjectFolder, QStringLiteral("bin"));
}

QString Workspace::BankPath() const
{
    return JoinPath(BinFolder(), QStringLiteral("bank.bin"));
}

QString SetProjectCaption(const Workspace& workspace, CaptionRule rule)
{
    switch (rule) {
    case CaptionRule::StartWithProject:
        return kCaptionBase + QStringLiteral(" : ") + workspace.ProjectName;
    case CaptionRule::StartWithoutProject:
        return kCaptionBase;
    case CaptionRule::AfterOpen:
    case CaptionRule::AfterNewProject:
        break;
    }
    return kCaptionBase + QStringLiteral(" :") + workspace.ProjectName;
}

QString StartWorkspace(Workspace& workspace, const QString& exeFolder)
{
    workspace.ExeFolder = WithNativeSeparators(exeFolder);
    workspace.MasterFolder = JoinPath(workspace.ExeFolder, QStringLiteral("MASTER"));
    if (!FolderExists(workspace.MasterFolder))
        CreateFolder(workspace.MasterFolder);
    workspace.ProjectsFolder = JoinPath(workspace.ExeFolder, QStringLiteral("PROJECTS"));
    if (!FolderExists(workspace.ProjectsFolder))
        CreateFolder(workspace.ProjectsFolder);

    // A settings file written on another platform may use the other separator.
    workspace.ProjectName = WithNativeSeparators(
        settingsfile::ReadValue(workspace.SettingsPath(), kSettingsSection, kSettingsKey));
    if (!workspace.ProjectName.isEmpty() && !workspace.ProjectName.startsWith(PathSeparator()))
        workspace.ProjectName.prepend(PathSeparator());

    CaptionRule rule = CaptionRule::StartWithoutProject;
    if (!workspace.ProjectName.isEmpty() && FolderExists(workspace.ProjectsFolder + workspace.ProjectName)) {
        workspace.ProjectFolder = workspace.ProjectsFolder + workspace.ProjectName;
        rule = CaptionRule::StartWithProject;
    } else {
        workspace.ProjectFolder = workspace.ProjectsFolder;
    }
    UpdateDocumentPaths(workspace);
    return SetProjectCaption(workspace, rule);
}

void UpdateDocumentPaths(Workspace& workspace)
{
    workspace.GeneralParametersPath = JoinPath(workspace.ProjectFolder, QStringLiteral("pargen.xml"));
    workspace.VariablesPath = JoinPath(workspace.ProjectFolder, QStringLiteral("var.xml"));
    workspace.PdoPath = JoinPath(workspace.ProjectFolder, QStringLiteral("pdo.xml"));
}

QString ApplyOpenedProject(Workspace& workspace)
{
    workspace.ProjectName = workspace.ProjectFolder.mid(workspace.ProjectsFolder.size());
    UpdateDocumentPaths(workspace);
    return SetProjectCaption(workspace, CaptionRule::AfterOpen);
}

bool SaveWorkspace(const Workspace& workspace)
{
    return settingsfile::WriteValue(workspace.SettingsPath(), kSettingsSection, kSettingsKey,
                                    workspace.ProjectName);
}

} // namespace trellim
