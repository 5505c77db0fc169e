#pragma once

#include <QString>

namespace trellim {

// The workspace values: where the tool's folders and the current project
// are. Paths use the platform's separator; ProjectName begins with it after
// start-up and after "Open project", and not after "New project".
struct Workspace {
    QString ExeFolder;
    QString MasterFolder;
    QString ProjectsFolder;
    QString ProjectName;
    QString ProjectFolder;
    QString GeneralParametersPath;
    QString VariablesPath;
    QString PdoPath;

    QString SettingsPath() const;
    QString BankPath() const;
    QString BinFolder() const;
};

inline const QString kSettingsFileName = QStringLiteral("Trellim.ini");
inline const QString kSettingsSection = QStringLiteral("lastproj");
inline const QString kSettingsKey = QStringLiteral("projectname");
inline const QString kCaptionBase = QStringLiteral("Kemblo SW73915 Trellim");

enum class CaptionRule {
    StartWithProject = 1,    // "<base> : <name>"
    StartWithoutProject = 2, // "<base>"
    AfterOpen = 3,           // "<base> :<name>"
    AfterNewProject = 4,     // "<base> :<name>"
};

QString SetProjectCaption(const Workspace& workspace, CaptionRule rule);

// Sets every value from the executable's folder (given without a trailing
// separator), creating MASTER and PROJECTS when missing and reading the last
// project from the settings file. Returns the caption to show.
QString StartWorkspace(Workspace& workspace, const QString& exeFolder);

// Recomputes the three document paths from ProjectFolder.
void UpdateDocumentPaths(Workspace& workspace);

// What "Open project" does after the folder chooser: ProjectFolder holds the
// picked folder, or the chooser's start path when cancelled. Returns the caption.
QString ApplyOpenedProject(Workspace& workspace);

// Stores ProjectName in the settings file; false when it cannot be written.
bool SaveWorkspace(const Workspace& workspace);

} // namespace trellim
