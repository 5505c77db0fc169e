#include "image/configurationimage.h"

#include "imagefixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace trellim;
using namespace trellim::fixtures;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

QString CliPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral(TRELLIM_BIN_DIR "/trellim-cli.exe");
#else
    return QStringLiteral(TRELLIM_BIN_DIR "/trellim-cli");
#endif
}

Run Cli(const QStringList& arguments)
{
    QProcess process;
    process.start(CliPath(), arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A copy of the fixture project (3 SDO rows, both PDO 1 in use, 250 kbit/s)
// with its bin folder.
struct FixtureProject {
    QTemporaryDir dir;
    QString folder;

    FixtureProject()
    {
        folder = dir.filePath(QStringLiteral("project"));
        QDir().mkpath(folder + QStringLiteral("/bin"));
        for (const char* name : {"var.xml", "pdo.xml", "pargen.xml"})
            QFile::copy(QStringLiteral(TRELLIM_TEST_DATA "/image/project/") + QLatin1String(name),
                        folder + u'/' + QLatin1String(name));
    }
    QString Path(const QString& name) const { return folder + u'/' + name; }
    QString Bank() const { return Path(QStringLiteral("bin/bank.bin")); }
};

} // namespace

class ImageCliTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void Compose_FixtureProject_WritesBankBin();
    void Compose_OutputOption_WritesThatFile();
    void Compose_Failure_WritesNothing_data();
    void Compose_Failure_WritesNothing();
    void UsageErrors_data();
    void UsageErrors();
    void Help_PrintsUsage_data();
    void Help_PrintsUsage();
    void Dump_ComposedImage_Text();
    void Dump_ComposedImage_Json();
    void Dump_TruncatedFile_SaysSo();
    void Dump_MissingFile_Fails();
};

void ImageCliTest::initTestCase()
{
    QVERIFY2(QFile::exists(CliPath()), "trellim-cli is not built");
}

void ImageCliTest::Compose_FixtureProject_WritesBankBin()
{
    FixtureProject project;

    const Run run = Cli({"compose", project.folder});

    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Wrote %1: 307 bytes, 3 SDO rows\n").arg(QDir::toNativeSeparators(project.Bank())));
    QCOMPARE(run.err, QString());
    ImageComposer composer;
    QVERIFY(composer.ComposeImage(project.Path("var.xml"), project.Path("pdo.xml"), project.Path("pargen.xml")).complete);
    const QByteArray bank = ReadAll(project.Bank());
    QCOMPARE(bank, composer.Image());
    QCOMPARE(bank.mid(16, 10), QByteArray::fromHex("0020C0A8017D64000201"));
    QCOMPARE(bank.mid(26, 2), QByteArray::fromHex("FF5F"));
    QCOMPARE(bank.mid(270 + 1, 1), QByteArray::fromHex("05"));
}

void ImageCliTest::Compose_OutputOption_WritesThatFile()
{
    FixtureProject project;
    const QString output = project.dir.filePath(QStringLiteral("other.bin"));

    const Run run = Cli({"compose", project.folder, "--output", output});

    QCOMPARE(run.exitCode, 0);
    QCOMPARE(ReadAll(output).size(), 307);
    QVERIFY(!QFile::exists(project.Bank()));
}

void ImageCliTest::Compose_Failure_WritesNothing_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    QList<Row> rows = StandardRows(3);
    rows[2] = WithAttribute(rows[2], "Quantity", std::nullopt);
    QTest::newRow("row 3 lacks Quantity")
        << "var.xml" << VarXml(rows)
        << "var.xml row 3: attribute Quantity is missing; the image stops at byte 44";
    QTest::newRow("transmit cell abc")
        << "pdo.xml" << PdoXml({{"TP1_W2_Add_Data", "abc"}})
        << "pdo.xml transmit PDO 1 word 2: element TP1_W2_Add_Data holds 'abc', which is not a valid integer "
           "value; the image stops at byte 46";
    QTest::newRow("pargen.xml not well-formed")
        << "pargen.xml" << QByteArray("<General_Parameter><CAN_Dev_ID>1</CAN_Dev_ID>")
        << "pargen.xml: not well-formed XML";
}

void ImageCliTest::Compose_Failure_WritesNothing()
{
    QFETCH(QString, document);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    FixtureProject project;
    QVERIFY(WriteBytes(project.Path(document), content));
    QVERIFY(WriteBytes(project.Bank(), "earlier image"));

    const Run run = Cli({"compose", project.folder});

    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("at byte ")), qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QCOMPARE(ReadAll(project.Bank()), QByteArray("earlier image"));
    QCOMPARE(QDir(project.Path("bin")).entryList(QDir::Files), QStringList{"bank.bin"});
}

void ImageCliTest::UsageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    const QString missing = QStringLiteral(TRELLIM_TEST_DATA "/image/no such project");
    QTest::newRow("compose without folder") << QStringList{"compose"} << 2 << "missing PROJECT_FOLDER";
    QTest::newRow("compose two folders") << QStringList{"compose", "a", "b"} << 2 << "unexpected argument 'b'";
    QTest::newRow("compose unknown option") << QStringList{"compose", "--fast", "a"} << 2 << "Unknown option 'fast'";
    QTest::newRow("compose output without file") << QStringList{"compose", "a", "--output"} << 2 << "Missing value after '--output'";
    QTest::newRow("compose missing folder") << QStringList{"compose", missing} << 1 << "does not exist";
    QTest::newRow("dump without file") << QStringList{"dump", "--json"} << 2 << "missing FILE";
    QTest::newRow("dump two files") << QStringList{"dump", "a", "b"} << 2 << "unexpected argument 'b'";
}

void ImageCliTest::UsageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const Run run = Cli(arguments);

    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.err.startsWith(QStringLiteral("trellim-cli ") + arguments.first() + u':'));
}

void ImageCliTest::Help_PrintsUsage_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("synopsis");

    QTest::newRow("compose") << "compose" << "Usage: trellim-cli compose [options] PROJECT_FOLDER";
    QTest::newRow("dump") << "dump" << "Usage: trellim-cli dump [options] FILE";
}

void ImageCliTest::Help_PrintsUsage()
{
    QFETCH(QString, command);
    QFETCH(QString, synopsis);

    const Run run = Cli({command, "--help"});

    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith(synopsis), qPrintable(run.out));
}

void ImageCliTest::Dump_ComposedImage_Text()
{
    FixtureProject project;
    QCOMPARE(Cli({"compose", project.folder}).exitCode, 0);

    const Run run = Cli({"dump", project.Bank()});

    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    const QStringList lines = run.out.split(u'\n');
    QCOMPARE(lines.first(), QStringLiteral("%1: 307 bytes, a complete image with 3 SDO rows").arg(project.Bank()));
    const auto line = [&](const QString& start) {
        for (const QString& l : lines)
            if (l.trimmed().startsWith(start))
                return l.simplified();
        return QString();
    };
    QCOMPARE(line("@12"), QStringLiteral("@12 general block 270"));
    QCOMPARE(line("1 "), QStringLiteral("1 @16 0x2000 192.168.1.125 100 2 1 RW - Holding Register (Fun 3,6)"));
    QCOMPARE(line("2 "), QStringLiteral("2 @26 0x5FFF 192.168.1.126 31 1 0 RO - Holding Register (Fun 3)"));
    QCOMPARE(line("TPDO1 W1"), QStringLiteral("TPDO1 W1 @46 device 192.168.1.125 Add_Data 31 Delta_Send 1000"));
    QCOMPARE(line("RPDO4 W4"), QStringLiteral("RPDO4 W4 @264 device 0.0.0.0 Add_Data 0"));
    QCOMPARE(line("@271"), QStringLiteral("@271 CAN_Baud 5 (250 kbit/s)"));
    QCOMPARE(line("@297"), QStringLiteral("@297 TPDO1_Words 1"));
    QCOMPARE(line("@305"), QStringLiteral("@305 Delay_TCP_MR 100"));
}

void ImageCliTest::Dump_ComposedImage_Json()
{
    FixtureProject project;
    QCOMPARE(Cli({"compose", project.folder}).exitCode, 0);

    const Run run = Cli({"dump", "--json", project.Bank()});

    QCOMPARE(run.exitCode, 0);
    QJsonParseError error{};
    const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(root["complete"].toBool(), true);
    QCOMPARE(root["length"].toInt(), 307);
    QCOMPARE(root["problems"].toArray().size(), 0);
    QCOMPARE(root["header"].toObject()["receivePdoBlock"].toInt(), 174);
    const QJsonArray records = root["sdoRecords"].toArray();
    QCOMPARE(records.size(), 3);
    QCOMPARE(records[0].toObject()["index"].toString(), QStringLiteral("0x2000"));
    QCOMPARE(records[0].toObject()["device"].toString(), QStringLiteral("192.168.1.125"));
    QCOMPARE(records[2].toObject()["addressWord"].toInt(), 65535);
    QCOMPARE(root["transmitPdoWords"].toArray().size(), 16);
    QCOMPARE(root["receivePdoWords"].toArray()[0].toObject()["addData"].toInt(), 40);
    QVERIFY(!root["receivePdoWords"].toArray()[0].toObject().contains("deltaSend"));
    const QJsonObject general = root["general"].toObject();
    QCOMPARE(general.size(), 33);
    QCOMPARE(general["CAN_Baud"].toObject()["kbits"].toInt(), 250);
    QCOMPARE(general["Port"].toObject()["value"].toInt(), 502);
    QCOMPARE(general["SDO_Rows"].toObject()["value"].toInt(), 3);
}

void ImageCliTest::Dump_TruncatedFile_SaysSo()
{
    FixtureProject project;
    QCOMPARE(Cli({"compose", project.folder}).exitCode, 0);
    const QString cut = project.dir.filePath(QStringLiteral("cut.bin"));
    QVERIFY(WriteBytes(cut, ReadAll(project.Bank()).left(44)));

    const Run text = Cli({"dump", cut});
    const Run json = Cli({"dump", cut, "--json"});

    QCOMPARE(text.exitCode, 1);
    QVERIFY2(text.out.contains(QStringLiteral("44 bytes, NOT a complete image")), qPrintable(text.out));
    QVERIFY(text.out.contains(QStringLiteral("The file is truncated: it has 44 bytes, its header describes an image of 307 bytes")));
    QVERIFY(text.out.contains(QStringLiteral("SDO table: 2 of 3 records decoded")));
    QVERIFY(text.out.contains(QStringLiteral("Transmit PDO block: 0 of 16 words decoded")));
    QVERIFY2(text.err.contains(QStringLiteral("is not a complete image: The file is truncated")), qPrintable(text.err));
    QCOMPARE(json.exitCode, 1);
    const QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QCOMPARE(root["complete"].toBool(), false);
    QCOMPARE(root["sdoRecords"].toArray().size(), 2);
    QCOMPARE(root["problems"].toArray().size(), 2);
}

void ImageCliTest::Dump_MissingFile_Fails()
{
    const Run run = Cli({"dump", QStringLiteral(TRELLIM_TEST_DATA "/image/no-such.bin")});

    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("cannot open")), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(ImageCliTest)
#include "test_imagecli.moc"
