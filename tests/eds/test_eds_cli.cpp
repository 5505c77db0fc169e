// trellim-cli eds as a real process: exit codes, standard error, and the
// output file left alone on failure.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kCli = QStringLiteral(TRELLIM_BIN_DIR "/trellim-cli");
const QString kProject = QStringLiteral(TRELLIM_TEST_DATA "/eds/project");
const QString kExpected = QStringLiteral(TRELLIM_TEST_DATA "/eds/expected.eds");

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run RunCli(const QStringList& arguments)
{
    QProcess process;
    process.start(kCli, arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestEdsCli : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QVERIFY(QFile::exists(kCli));
    }

    void Eds_WritesTheProjectsEds()
    {
        const QString output = dir_->filePath(QStringLiteral("out.eds"));
        QVERIFY(WriteAll(output, "older and longer text than nothing"));

        const Run run = RunCli({QStringLiteral("eds"), kProject, QStringLiteral("--output"), output});

        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(ReadAll(output), ReadAll(kExpected));
    }

    void Eds_FailureExitsOneAndKeepsTheFile_data()
    {
        QTest::addColumn<QByteArray>("varXml"); // null: the project folder does not exist
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("bad integer")
            << QByteArray(R"(<C_TO_Customer_Protocol><row Index="x1G" Quantity="1" Read_Write="1"/></C_TO_Customer_Protocol>)")
            << QByteArray("'x1G' is not a valid integer value\n");
        QTest::newRow("missing project folder") << QByteArray() << QByteArray("does not exist.\n");
    }

    void Eds_FailureExitsOneAndKeepsTheFile()
    {
        QFETCH(QByteArray, varXml);
        QFETCH(QByteArray, message);
        const QString project = dir_->filePath(QStringLiteral("project"));
        if (!varXml.isNull()) {
            QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("project")));
            QVERIFY(WriteAll(project + QStringLiteral("/var.xml"), varXml));
        }
        const QString output = dir_->filePath(QStringLiteral("out.eds"));
        QVERIFY(WriteAll(output, "previous EDS\r\n"));

        const Run run = RunCli({QStringLiteral("eds"), project, QStringLiteral("--output"), output});

        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.endsWith(message), run.err.constData());
        QCOMPARE(ReadAll(output), QByteArray("previous EDS\r\n"));
    }

    void Eds_UsageErrorsExitTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        const QString out = QStringLiteral("--output");
        QTest::newRow("nothing") << QStringList{"eds"};
        QTest::newRow("no --output") << QStringList{"eds", kProject};
        QTest::newRow("--output without value") << QStringList{"eds", kProject, out};
        QTest::newRow("no project") << QStringList{"eds", out, "x.eds"};
        QTest::newRow("two projects") << QStringList{"eds", kProject, kProject, out, "x.eds"};
        QTest::newRow("unknown option") << QStringList{"eds", kProject, out, "x.eds", "--fast"};
    }

    void Eds_UsageErrorsExitTwo()
    {
        QFETCH(QStringList, arguments);
        QVERIFY(QDir::setCurrent(dir_->path()));

        const Run run = RunCli(arguments);

        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.contains("Usage: trellim-cli eds"));
        QVERIFY(!QFile::exists(dir_->filePath(QStringLiteral("x.eds"))));
    }

    void Eds_HelpExitsZero()
    {
        const Run run = RunCli({QStringLiteral("eds"), QStringLiteral("--help")});

        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith("Usage: trellim-cli eds PROJECT_FOLDER --output FILE.eds"));
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_GUILESS_MAIN(TestEdsCli)
#include "test_eds_cli.moc"
