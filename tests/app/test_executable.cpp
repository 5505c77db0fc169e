#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Starts the real tool offscreen from a folder of its own, as a user would,
// and asks it to end the way a session or service manager does.
class ExecutableTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void Start_ThenTerminate_CreatesFoldersAndStoresSettings()
    {
        QTemporaryDir exeFolder;
#ifdef Q_OS_WIN
        const QString name = QStringLiteral("trellim.exe");
#else
        const QString name = QStringLiteral("trellim");
#endif
        const QString exe = exeFolder.filePath(name);
        QVERIFY(QFile::copy(QStringLiteral(TRELLIM_BIN_DIR "/") + name, exe));
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        tool.setProcessEnvironment(env);

        tool.start(exe, {});
        QVERIFY(tool.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QDir(exeFolder.filePath("PROJECTS")).exists(), 15000);
        QVERIFY(QDir(exeFolder.filePath("MASTER")).exists());
        QTest::qWait(300);
        QCOMPARE(tool.state(), QProcess::Running);
        tool.terminate();

        QVERIFY(tool.waitForFinished(15000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);
        QFile settings(exeFolder.filePath("Trellim.ini"));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(settings.readAll().trimmed(), QByteArray("[lastproj]\nprojectname="));
    }
};

QTEST_GUILESS_MAIN(ExecutableTest)
#include "test_executable.moc"
