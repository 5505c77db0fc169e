#include "workspace/folders.h"
#include "workspace/settingsfile.h"
#include "workspace/workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace trellim;

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QString kSep = QString(PathSeparator());

} // namespace

class WorkspaceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void StartWorkspace_EmptyFolder_CreatesFoldersAndUsesProjects()
    {
        QTemporaryDir exe;
        Workspace ws;

        const QString caption = StartWorkspace(ws, exe.path());

        QCOMPARE(caption, QStringLiteral("Kemblo SW73915 Trellim"));
        QVERIFY(FolderExists(exe.filePath("MASTER")));
        QVERIFY(FolderExists(exe.filePath("PROJECTS")));
        QCOMPARE(ws.ProjectFolder, ws.ProjectsFolder);
        QCOMPARE(ws.ProjectName, QString());
        QCOMPARE(ws.VariablesPath, ws.ProjectsFolder + kSep + "var.xml");
        QVERIFY(SaveWorkspace(ws));
        QCOMPARE(settingsfile::ReadValue(ws.SettingsPath(), "lastproj", "projectname"), QString());
        QVERIFY(ReadAll(ws.SettingsPath()).contains("[lastproj]"));
    }

    void StartWorkspace_StoredName_OpensProject_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("no separator") << QByteArray("Line3");
        QTest::newRow("native separator") << (kSep + "Line3").toLocal8Bit();
        QTest::newRow("backslash (Windows file)") << QByteArray("\\Line3");
        QTest::newRow("slash") << QByteArray("/Line3");
    }

    void StartWorkspace_StoredName_OpensProject()
    {
        QFETCH(QByteArray, stored);
        QTemporaryDir exe;
        QVERIFY(QDir(exe.path()).mkpath("PROJECTS/Line3"));
        WriteAll(exe.filePath("Trellim.ini"), "[lastproj]\r\nprojectname=" + stored + "\r\n");
        Workspace ws;

        const QString caption = StartWorkspace(ws, exe.path());

        QCOMPARE(ws.ProjectName, kSep + "Line3");
        QCOMPARE(caption, "Kemblo SW73915 Trellim : " + kSep + "Line3");
        QCOMPARE(ws.ProjectFolder, ws.ProjectsFolder + kSep + "Line3");
        QCOMPARE(ws.PdoPath, ws.ProjectFolder + kSep + "pdo.xml");
        QVERIFY(SaveWorkspace(ws));
        QCOMPARE(settingsfile::ReadValue(ws.SettingsPath(), "lastproj", "projectname"), kSep + "Line3");
    }

    void StartWorkspace_NestedStoredName_OpensNestedProject()
    {
        QTemporaryDir exe;
        QVERIFY(QDir(exe.path()).mkpath("PROJECTS/a/b"));
        WriteAll(exe.filePath("Trellim.ini"), "[lastproj]\nprojectname=\\a\\b\n");
        Workspace ws;

        StartWorkspace(ws, exe.path());

        QCOMPARE(ws.ProjectName, kSep + "a" + kSep + "b");
        QVERIFY(FolderExists(ws.ProjectFolder));
    }

    void StartWorkspace_DeletedProject_FallsBackAndKeepsName()
    {
        QTemporaryDir exe;
        WriteAll(exe.filePath("Trellim.ini"), "[lastproj]\nprojectname=/Gone\n");
        Workspace ws;

        const QString caption = StartWorkspace(ws, exe.path());

        QCOMPARE(caption, QStringLiteral("Kemblo SW73915 Trellim"));
        QCOMPARE(ws.ProjectFolder, ws.ProjectsFolder);
        QVERIFY(SaveWorkspace(ws));
        QCOMPARE(settingsfile::ReadValue(ws.SettingsPath(), "lastproj", "projectname"), kSep + "Gone");
    }

    void ApplyOpenedProject_Captions_data()
    {
        QTest::addColumn<QString>("picked"); // relative to PROJECTS, "" = PROJECTS itself
        QTest::addColumn<QString>("name");
        QTest::newRow("direct") << "P1" << kSep + "P1";
        QTest::newRow("nested") << "a/b" << kSep + "a" + kSep + "b";
        QTest::newRow("PROJECTS itself") << "" << "";
    }

    void ApplyOpenedProject_Captions()
    {
        QFETCH(QString, picked);
        QFETCH(QString, name);
        QTemporaryDir exe;
        Workspace ws;
        StartWorkspace(ws, exe.path());
        ws.ProjectFolder = picked.isEmpty() ? ws.ProjectsFolder : ws.ProjectsFolder + kSep + WithNativeSeparators(picked);

        const QString caption = ApplyOpenedProject(ws);

        QCOMPARE(ws.ProjectName, name);
        QCOMPARE(caption, "Kemblo SW73915 Trellim :" + name);
        QCOMPARE(ws.GeneralParametersPath, ws.ProjectFolder + kSep + "pargen.xml");
    }

    void SettingsFile_KeepsOtherSectionsAndStoresRawValue()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Trellim.ini");
        WriteAll(path, "; kept comment\r\n[other]\r\nkey=value\r\n\r\n[LastProj]\r\nProjectName = old\r\nextra=1\r\n");

        QVERIFY(settingsfile::WriteValue(path, "lastproj", "projectname", "\\Line3"));

        QCOMPARE(ReadAll(path), QByteArray("; kept comment\r\n[other]\r\nkey=value\r\n\r\n[LastProj]\r\n"
                                           "projectname=\\Line3\r\nextra=1\r\n"));
        QCOMPARE(settingsfile::ReadValue(path, "LASTPROJ", "PROJECTNAME"), QStringLiteral("\\Line3"));
        QCOMPARE(settingsfile::ReadValue(path, "other", "key"), QStringLiteral("value"));
    }

    void SettingsFile_AddsSectionAndReadsAtMost2047Characters()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Trellim.ini");
        WriteAll(path, "[other]\nkey=value\n");
        const QString longName(3000, QChar(u'x'));

        QVERIFY(settingsfile::WriteValue(path, "lastproj", "projectname", longName));

        QCOMPARE(ReadAll(path), "[other]\nkey=value\n[lastproj]\nprojectname=" + longName.toLatin1() + "\n");
        QCOMPARE(settingsfile::ReadValue(path, "lastproj", "projectname"), longName.left(2047));
    }

    void SettingsFile_Missing_ReadsEmpty()
    {
        QTemporaryDir dir;
        QCOMPARE(settingsfile::ReadValue(dir.filePath("none.ini"), "lastproj", "projectname"), QString());
        QCOMPARE(settingsfile::ReadValue(dir.path(), "lastproj", "projectname"), QString());
    }

    void SettingsFile_Unwritable_ReturnsFalseAndKeepsNothingHalfWritten()
    {
        QTemporaryDir dir;
        // A folder where the file should be cannot be replaced, even by root.
        QVERIFY(QDir(dir.path()).mkdir("Trellim.ini"));
        QVERIFY(!settingsfile::WriteValue(dir.filePath("Trellim.ini"), "lastproj", "projectname", "x"));
        QVERIFY(!settingsfile::WriteValue(dir.filePath("missing/Trellim.ini"), "lastproj", "projectname", "x"));
    }

    void ForceFolders_CreatesParents()
    {
        QTemporaryDir dir;
        const QString deep = dir.filePath("a/b/c");
        QVERIFY(!FolderExists(deep));
        QVERIFY(ForceFolders(deep));
        QVERIFY(FolderExists(deep));
        WriteAll(dir.filePath("file"), "x");
        QVERIFY(!FolderExists(dir.filePath("file")));
        QVERIFY(!ForceFolders(dir.filePath("file/sub")));
    }
};

QTEST_GUILESS_MAIN(WorkspaceTest)
#include "test_workspace.moc"
