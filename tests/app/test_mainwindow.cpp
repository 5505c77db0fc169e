#include "app/about.h"
#include "app/mainwindow.h"
#include "update/bootser.h"
#include "app/messagerecorder.h"
#include "documents/error.h"
#include "workspace/folders.h"
#include "workspace/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace trellim;

namespace {

const QString kSep = QString(PathSeparator());

// Stands in for the folder tree: answers with a fixed folder or cancels,
// and remembers what it was asked.
class FakeChooser : public FolderChooser {
public:
    explicit FakeChooser(std::optional<QString> answer) : answer_(std::move(answer)) {}

    std::optional<QString> Choose(QWidget*, const QString& title, const QString& root,
                                  const QString& startPath) override
    {
        askedTitle = title;
        askedRoot = root;
        askedStart = startPath;
        return answer_;
    }

    QString askedTitle;
    QString askedRoot;
    QString askedStart;

private:
    std::optional<QString> answer_;
};

struct Fixture {
    QTemporaryDir exe;

    std::unique_ptr<TFMainWindow> Start()
    {
        return std::make_unique<TFMainWindow>(exe.path());
    }

    FakeChooser* Answer(TFMainWindow& window, std::optional<QString> answer)
    {
        auto chooser = std::make_unique<FakeChooser>(std::move(answer));
        FakeChooser* raw = chooser.get();
        window.SetFolderChooser(std::move(chooser));
        return raw;
    }

    // Stores the last project as a previous run would have.
    bool RememberProject(const QString& stored) const
    {
        return settingsfile::WriteValue(exe.filePath("Trellim.ini"), "lastproj", "projectname", stored);
    }

    QString Stored() const
    {
        return settingsfile::ReadValue(exe.filePath("Trellim.ini"), "lastproj", "projectname");
    }

    QString Projects(const QString& relative = QString()) const
    {
        const QString root = QDir::toNativeSeparators(exe.filePath("PROJECTS"));
        return relative.isEmpty() ? root : root + kSep + WithNativeSeparators(relative);
    }
};

// Answers the EDS save dialog with a fixed path or cancels.
class FakeEdsAsker : public EdsPathAsker {
public:
    explicit FakeEdsAsker(std::optional<QString> answer) : answer_(std::move(answer)) {}

    std::optional<QString> Ask(QWidget*, const QString& folder) override
    {
        askedFolder = folder;
        return answer_;
    }

    QString askedFolder;

private:
    std::optional<QString> answer_;
};

// Copies the fixture project (three documents, no bin folder) to PROJECTS/name.
QString CopyFixtureProject(const Fixture& f, const QString& name)
{
    const QString target = f.Projects(name);
    if (!QDir().mkpath(target))
        qFatal("cannot create %s", qPrintable(target));
    for (const char* document : {"var.xml", "pdo.xml", "pargen.xml"}) {
        const QString from = QStringLiteral(TRELLIM_TEST_DATA "/image/project/") + QLatin1String(document);
        if (!QFile::copy(from, target + QDir::separator() + QLatin1String(document)))
            qFatal("cannot copy %s", document);
    }
    return target;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Once the event loop runs (inside the modal update dialog, or at the next
// processEvents when it never opened), records whether the dialog is shown
// and closes it.
void CloseUpdateDialogWhenShown(TFMainWindow& window, bool& shown)
{
    QTimer::singleShot(0, &window, [&window, &shown] {
        shown = window.bootSer()->isVisible();
        window.bootSer()->reject();
    });
}

QPushButton* Button(QWidget& window, const char* name)
{
    auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
    if (!button)
        qFatal("no button %s", name);
    return button;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void Window_HasStepsCaptionsAndLook()
    {
        Fixture f;
        auto window = f.Start();

        const std::pair<const char*, const char*> buttons[] = {
            {"New", "New project"},         {"open", "Open project"},    {"btn_Prm_Gen", "General Parameter"},
            {"btn_Translate", "SDO Setting"}, {"btn_Pdo", "PDO Setting"}, {"Btn_EDS", "Create EDS File"},
            {"CreateBin", "Update Device"},   {"about", "About"},         {"LbButton1", "X"},
        };
        for (const auto& [name, caption] : buttons)
            QCOMPARE(Button(*window, name)->text(), QString::fromLatin1(caption));
        for (int step = 1; step <= 6; ++step) {
            auto* label = window->findChild<QLabel*>(QStringLiteral("StepLabel%1").arg(step));
            QVERIFY(label);
            QCOMPARE(label->text(), QStringLiteral("Step %1").arg(step));
            QVERIFY(label->font().bold());
        }
        QCOMPARE(window->size(), QSize(568, 314));
        QCOMPARE(window->palette().color(QPalette::Window), QColor(248, 247, 237));
        QCOMPARE(window->palette().color(QPalette::WindowText), QColor(51, 51, 51));
        QCOMPARE(window->font().pointSize(), 8);
        QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(window->windowFlags() & Qt::WindowMinMaxButtonsHint));
    }

    void Close_WritesSettings_FirstStartWritesEmptyName()
    {
        Fixture f;
        auto window = f.Start();
        window->show();

        QCOMPARE(window->windowTitle(), QStringLiteral("Kemblo SW73915 Trellim"));
        QTest::mouseClick(Button(*window, "LbButton1"), Qt::LeftButton);

        QVERIFY(!window->isVisible());
        QVERIFY(QFile::exists(f.exe.filePath("Trellim.ini")));
        QCOMPARE(f.Stored(), QString());
    }

    void Open_NestedFolder_IsRememberedAcrossRuns()
    {
        Fixture f;
        QVERIFY(QDir(f.exe.path()).mkpath("PROJECTS/a/b"));
        {
            auto window = f.Start();
            FakeChooser* chooser = f.Answer(*window, f.Projects("a/b"));

            QTest::mouseClick(Button(*window, "open"), Qt::LeftButton);

            QCOMPARE(chooser->askedTitle, QStringLiteral("Select directory of project"));
            QCOMPARE(chooser->askedRoot, f.Projects());
            QCOMPARE(chooser->askedStart, f.Projects());
            QCOMPARE(window->workspace().ProjectName, kSep + "a" + kSep + "b");
            QCOMPARE(window->windowTitle(), "Kemblo SW73915 Trellim :" + kSep + "a" + kSep + "b");
            window->close();
        }
        QCOMPARE(f.Stored(), kSep + "a" + kSep + "b");

        auto again = f.Start();
        QCOMPARE(again->workspace().ProjectFolder, f.Projects("a/b"));
        QCOMPARE(again->windowTitle(), "Kemblo SW73915 Trellim : " + kSep + "a" + kSep + "b");
    }

    void Open_ProjectsItself_EmptiesName()
    {
        Fixture f;
        auto window = f.Start();
        f.Answer(*window, f.Projects());

        window->OpenaClick();

        QCOMPARE(window->workspace().ProjectName, QString());
        QCOMPARE(window->windowTitle(), QStringLiteral("Kemblo SW73915 Trellim :"));
    }

    void Open_Cancelled_KeepsProjectAndDropsBlank()
    {
        Fixture f;
        QVERIFY(QDir(f.exe.path()).mkpath("PROJECTS/Line3"));
        QVERIFY(f.RememberProject("Line3"));
        auto window = f.Start();
        QCOMPARE(window->windowTitle(), "Kemblo SW73915 Trellim : " + kSep + "Line3");
        FakeChooser* chooser = f.Answer(*window, std::nullopt);

        window->OpenaClick();

        QCOMPARE(chooser->askedStart, f.Projects("Line3"));
        QCOMPARE(window->workspace().ProjectFolder, f.Projects("Line3"));
        QCOMPARE(window->windowTitle(), "Kemblo SW73915 Trellim :" + kSep + "Line3");
    }

    void Open_CancelledAfterProjectDeleted_StepsTwoToFiveRefuse()
    {
        Fixture f;
        QVERIFY(QDir(f.exe.path()).mkpath("PROJECTS/Line3"));
        QVERIFY(f.RememberProject("/Line3"));
        auto window = f.Start();
        QVERIFY(QDir(f.Projects("Line3")).removeRecursively());
        FakeChooser* chooser = f.Answer(*window, std::nullopt);
        ScopedMessageRecorder messages;

        window->OpenaClick();
        for (const char* name : {"btn_Prm_Gen", "btn_Translate", "btn_Pdo", "Btn_EDS"})
            QTest::mouseClick(Button(*window, name), Qt::LeftButton);

        QCOMPARE(chooser->askedStart, QString());
        QCOMPARE(window->workspace().ProjectFolder, QString());
        QCOMPARE(messages->Texts(), QStringList(4, QStringLiteral("Project not valid")));
        for (const auto& entry : messages->entries) {
            QCOMPARE(entry.kind, MessageKind::Plain);
            QCOMPARE(entry.title, QStringLiteral("Firmware Trellim"));
        }
    }

    void StepsWithoutDialog_SayTheyAreNotAvailable()
    {
        Fixture f;
        auto window = f.Start();
        ScopedMessageRecorder messages;

        for (const char* name : {"New", "btn_Prm_Gen", "btn_Translate", "btn_Pdo"})
            QTest::mouseClick(Button(*window, name), Qt::LeftButton);

        QCOMPARE(messages->Texts(), (QStringList{"New project is not available in this version.",
                                                 "General Parameter is not available in this version.",
                                                 "SDO Setting is not available in this version.",
                                                 "PDO Setting is not available in this version."}));
    }

    void CreateEds_CancelWritesNothing_ConfirmWritesFile()
    {
        Fixture f;
        auto window = f.Start();
        const QString output = f.exe.filePath("PROJECTS/out.eds");
        auto cancel = std::make_unique<FakeEdsAsker>(std::nullopt);
        FakeEdsAsker* asked = cancel.get();
        window->SetEdsPathAsker(std::move(cancel));
        ScopedMessageRecorder messages;

        QTest::mouseClick(Button(*window, "Btn_EDS"), Qt::LeftButton);

        QCOMPARE(asked->askedFolder, f.Projects());
        QCOMPARE(QDir(f.Projects()).entryList(QDir::Files), QStringList());

        window->SetEdsPathAsker(std::make_unique<FakeEdsAsker>(output));
        QTest::mouseClick(Button(*window, "Btn_EDS"), Qt::LeftButton);

        QCOMPARE(messages->Texts(), QStringList());
        QFile eds(output);
        QVERIFY(eds.open(QIODevice::ReadOnly));
        const QByteArray text = eds.readAll();
        QVERIFY(text.startsWith("[FileInfo]\r\n"));
        QVERIFY(text.contains("[ManufacturerObjects]\r\nSupportedObjects=0\r\n"));
    }

    void CreateEds_BadVariables_ShowsUnexpectedErrorAndKeepsFile()
    {
        Fixture f;
        auto window = f.Start();
        WriteFile(f.exe.filePath("PROJECTS/var.xml"),
                  "<C_TO_Customer_Protocol><row Index=\"8192\" Quantity=\"1\"/></C_TO_Customer_Protocol>");
        const QString output = f.exe.filePath("PROJECTS/keep.eds");
        WriteFile(output, "previous");
        window->SetEdsPathAsker(std::make_unique<FakeEdsAsker>(output));
        ScopedMessageRecorder messages;

        QTest::mouseClick(Button(*window, "Btn_EDS"), Qt::LeftButton);

        QCOMPARE(messages->Texts(), QStringList{"Could not convert variant of type (Null) into type (String)."});
        QCOMPARE(messages->entries.first().kind, MessageKind::Unexpected);
        QCOMPARE(ReadFile(output), QByteArray("previous"));
    }

    void UpdateDevice_CompleteProject_WritesImageThenOpensUpdateDialog()
    {
        Fixture f;
        const QString project = CopyFixtureProject(f, "P1");
        QVERIFY(QDir(project).mkdir("bin"));
        QVERIFY(f.RememberProject("P1"));
        auto window = f.Start();
        bool dialogShown = false;
        CloseUpdateDialogWhenShown(*window, dialogShown);
        ScopedMessageRecorder messages;

        QTest::mouseClick(Button(*window, "CreateBin"), Qt::LeftButton);

        QCOMPARE(messages->Texts(), QStringList());
        QVERIFY(dialogShown);
        const QByteArray image = ReadFile(project + "/bin/bank.bin");
        QCOMPARE(image.size(), 277 + 10 * 3);
        QCOMPARE(image, window->composer().Image());
    }

    void UpdateDevice_FailedComposition_ShowsCauseWritesNothingOpensNothing()
    {
        Fixture f;
        const QString project = CopyFixtureProject(f, "P1");
        QVERIFY(QDir(project).mkdir("bin"));
        WriteFile(project + "/bin/bank.bin", "previous image");
        WriteFile(project + "/pargen.xml", "<General_Parameter><CAN_Dev_ID>1</CAN_Dev_ID></General_Parameter>");
        QVERIFY(f.RememberProject("P1"));
        auto window = f.Start();
        bool dialogShown = false;
        CloseUpdateDialogWhenShown(*window, dialogShown);
        ScopedMessageRecorder messages;

        window->CreateBinaClick();

        QCOMPARE(messages->entries.size(), 1);
        QCOMPARE(messages->entries.first().kind, MessageKind::Error);
        QVERIFY2(messages->entries.first().text.contains("CAN_Baud"), qPrintable(messages->entries.first().text));
        QVERIFY(messages->entries.first().text.contains(QStringLiteral("the image stops at byte %1").arg(240 + 30 + 1)));
        QVERIFY(messages->entries.first().text.contains("bank.bin was not written and the device was not updated."));
        QCOMPARE(ReadFile(project + "/bin/bank.bin"), QByteArray("previous image"));
        QCoreApplication::processEvents(); // a dialog that was not opened finds nothing to close
        QVERIFY(!dialogShown);
    }

    void UpdateDevice_NoBinFolderOrNoProject_ReportsAndStops()
    {
        Fixture f;
        const QString project = CopyFixtureProject(f, "P1");
        QVERIFY(f.RememberProject("P1"));
        auto window = f.Start();
        bool dialogShown = false;
        CloseUpdateDialogWhenShown(*window, dialogShown);
        ScopedMessageRecorder messages;

        window->CreateBinaClick();
        f.Answer(*window, f.Projects());
        window->OpenaClick();
        window->CreateBinaClick();

        QCOMPARE(messages->entries.size(), 2);
        const QString bankPath = QDir::toNativeSeparators(project + "/bin/bank.bin");
        QVERIFY2(messages->entries.at(0).text.startsWith("Cannot create file \"" + bankPath + "\". "),
                 qPrintable(messages->entries.at(0).text));
        QVERIFY(messages->entries.at(0).text.endsWith("The device was not updated."));
        QVERIFY2(messages->entries.at(1).text.contains("the image stops at byte 16"), qPrintable(messages->entries.at(1).text));
        QVERIFY(!QFile::exists(project + "/bin"));
        QCoreApplication::processEvents();
        QVERIFY(!dialogShown);
    }

    void UpdateDevice_NoProjectFolder_StopsBeforeTheRootFolder()
    {
        Fixture f;
        QVERIFY(QDir(f.exe.path()).mkpath("PROJECTS/Line3"));
        QVERIFY(f.RememberProject("/Line3"));
        auto window = f.Start();
        QVERIFY(QDir(f.Projects("Line3")).removeRecursively());
        f.Answer(*window, std::nullopt);
        window->OpenaClick();
        bool dialogShown = false;
        CloseUpdateDialogWhenShown(*window, dialogShown);
        ScopedMessageRecorder messages;

        window->CreateBinaClick();

        // Not guarded like steps 2 to 5, but the document paths would name
        // the root folder ("/var.xml", "/bin/bank.bin").
        QCOMPARE(messages->entries.size(), 1);
        QCOMPARE(messages->entries.first().kind, MessageKind::Error);
        QVERIFY(messages->entries.first().text.startsWith("No project folder is open"));
        QCoreApplication::processEvents();
        QVERIFY(!dialogShown);
    }

    void Close_UnwritableSettings_ReportsPathAndStillCloses()
    {
        Fixture f;
        auto window = f.Start();
        window->show();
        QVERIFY(QDir(f.exe.path()).mkdir("Trellim.ini"));
        ScopedMessageRecorder messages;

        window->close();

        QVERIFY(!window->isVisible());
        QCOMPARE(messages->Texts(),
                 QStringList{"Unable to write to " + QDir::toNativeSeparators(f.exe.filePath("Trellim.ini"))});
        QCOMPARE(messages->entries.first().kind, MessageKind::Plain);
    }

    void RunGuarded_EscapedError_ShowsUnexpectedBoxWithFullStop()
    {
        ScopedMessageRecorder messages;

        TFMainWindow::RunGuarded([] { throw Error(QStringLiteral("Disk gone")); });
        TFMainWindow::RunGuarded([] { throw std::runtime_error("Already stopped."); });
        TFMainWindow::RunGuarded([] {});

        QCOMPARE(messages->Texts(), (QStringList{"Disk gone.", "Already stopped."}));
        QCOMPARE(messages->entries.first().kind, MessageKind::Unexpected);
        QCOMPARE(messages->entries.first().title, QStringLiteral("Firmware Trellim"));
    }

    void About_ShowsTextsAndLink()
    {
        Fixture f;
        auto window = f.Start();
        QString seenTitle;
        QStringList seenTexts;
        QTimer::singleShot(0, window.get(), [&] {
            auto* about = window->findChild<TFAbout*>();
            QVERIFY(about && about->isVisible());
            seenTitle = about->windowTitle();
            for (const QLabel* label : about->findChildren<QLabel*>())
                seenTexts << label->text();
            about->accept();
        });

        QTest::mouseClick(Button(*window, "about"), Qt::LeftButton);

        QCOMPARE(seenTitle, QStringLiteral("About..."));
        for (const char* text : {"Software Trellim ", "Gateway CANopen to Modbus TCP Master", "Software Code : ",
                                 "SW73915", "Version :", "1.101"})
            QVERIFY2(seenTexts.contains(QString::fromLatin1(text)), text);
        QVERIFY(seenTexts.filter(kWebAddress).size() == 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
