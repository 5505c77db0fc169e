// The EDS writer: the whole text against a hand-written CiA 306 file, the
// variable objects built from var.xml rows, and the errors that must leave
// the output file alone.

#include "documents/error.h"
#include "documents/xmldocument.h"
#include "eds/edswriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using trellim::EdsVariable;
using trellim::EdsVariables;
using trellim::EdsWriter;

namespace {

const QString kDataFolder = QStringLiteral(TRELLIM_TEST_DATA "/eds");

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray Table(const QByteArray& rows)
{
    return "<C_TO_Customer_Protocol>" + rows + "</C_TO_Customer_Protocol>";
}

// Lines given with LF, as the file has them with CR LF.
QByteArray Crlf(const QByteArray& lines)
{
    QByteArray text = lines;
    return text.replace("\n", "\r\n");
}

// The generated runs of a whole EDS text: the [ManufacturerObjects] section
// and everything between the fixed communication objects and [6000].
QByteArray ManufacturerList(const QByteArray& eds)
{
    const qsizetype start = eds.indexOf("[ManufacturerObjects]\r\n");
    const qsizetype end = eds.indexOf("[1000]\r\n");
    return start < 0 || end < start ? QByteArray() : eds.mid(start, end - start);
}

QByteArray VariableRun(const QByteArray& eds)
{
    const QByteArray lastFixed = "[1A03sub4]\r\n";
    const qsizetype fixed = eds.indexOf(lastFixed);
    const qsizetype start = eds.indexOf("\r\n\r\n", fixed) + 4;
    const qsizetype end = eds.indexOf("[6000]\r\n");
    return fixed < 0 || end < start ? QByteArray("<not found>") : eds.mid(start, end - start);
}

QStringList SectionLines(const QByteArray& text)
{
    QStringList sections;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith('['))
            sections << QString::fromLatin1(line.trimmed());
    }
    return sections;
}

} // namespace

class TestEdsWriter : public QObject {
    Q_OBJECT

private slots:
    void init();

    void WholeFile_MatchesHandWrittenEds();
    void WholeFile_RepeatedWriteReplacesAndIsIdentical();

    void VariableObjects_data();
    void VariableObjects();
    void VariableObjects_QuantityTwelveUsesHexSubIndexes();
    void VariableObjects_LargestVariable();
    void LoadEdsVariables_KeepsLowBitsAndOrder();

    void Errors_data();
    void Errors();
    void Errors_OutputCannotBeCreated_data();
    void Errors_OutputCannotBeCreated();

private:
    QByteArray WriteFor(const QByteArray& varXml);

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestEdsWriter::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

QByteArray TestEdsWriter::WriteFor(const QByteArray& varXml)
{
    const QString variables = dir_->filePath(QStringLiteral("var.xml"));
    const QString output = dir_->filePath(QStringLiteral("out.eds"));
    if (!varXml.isNull())
        WriteAll(variables, varXml);
    EdsWriter writer;
    writer.WriteEdsFile(variables, output);
    return ReadAll(output);
}

void TestEdsWriter::WholeFile_MatchesHandWrittenEds()
{
    const QString output = dir_->filePath(QStringLiteral("project.eds"));

    EdsWriter writer;
    writer.WriteEdsFile(kDataFolder + QStringLiteral("/project/var.xml"), output);

    const QByteArray expected = ReadAll(kDataFolder + QStringLiteral("/expected.eds"));
    QVERIFY(expected.endsWith("PDOMapping=1\r\n\r\n"));
    const QByteArray actual = ReadAll(output);
    if (actual != expected) {
        const QList<QByteArray> want = expected.split('\n');
        const QList<QByteArray> got = actual.split('\n');
        for (qsizetype i = 0; i < std::min(want.size(), got.size()); ++i)
            QCOMPARE(QString::fromLatin1(got[i]), QString::fromLatin1(want[i]));
        QCOMPARE(got.size(), want.size());
    }
    const EdsVariables rows{{0x2004, 2, 1}, {0x2000, 1, 0}, {0x4000, 0, 2}};
    QCOMPARE(writer.Variables(), rows);
}

void TestEdsWriter::WholeFile_RepeatedWriteReplacesAndIsIdentical()
{
    const QString variables = kDataFolder + QStringLiteral("/project/var.xml");
    const QString output = dir_->filePath(QStringLiteral("again.eds"));
    const QByteArray expected = ReadAll(kDataFolder + QStringLiteral("/expected.eds"));
    // A longer file in the way: replaced, not overwritten in place or appended to.
    WriteAll(output, QByteArray(expected.size() * 2, 'x'));

    EdsWriter writer;
    writer.WriteEdsFile(variables, output);
    const QByteArray first = ReadAll(output);
    writer.WriteEdsFile(variables, output);

    QCOMPARE(first, expected);
    QCOMPARE(ReadAll(output), expected);
}

void TestEdsWriter::VariableObjects_data()
{
    QTest::addColumn<QByteArray>("varXml"); // null: no var.xml at all
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QByteArray>("objects");

    const QByteArray emptyList = Crlf("[ManufacturerObjects]\nSupportedObjects=0\n\n");
    QTest::newRow("no var.xml") << QByteArray() << emptyList << QByteArray();
    QTest::newRow("empty table") << QByteArray("<C_TO_Customer_Protocol/>") << emptyList
                                 << QByteArray();

    QTest::newRow("quantity 1, input register is read-only")
        << Table(R"(<row Index="8192" Quantity="1" Read_Write="2"/>)")
        << Crlf("[ManufacturerObjects]\nSupportedObjects=1\n1=0x2000\n\n")
        << Crlf("[2000]\nParameterName=SDO_1\nObjectType=0x07\nDataType=0x0006\n"
                "AccessType=ro\nDefaultValue=0x0000\nPDOMapping=0\n\n");

    QTest::newRow("quantity 0, read-write: sub0 only")
        << Table(R"(<row Index="$5FFF" Quantity="0" Read_Write="1"/>)")
        << Crlf("[ManufacturerObjects]\nSupportedObjects=1\n1=0x5FFF\n\n")
        << Crlf("[5FFF]\nSubNumber=1\nParameterName=SDO_1\nObjectType=0x09\n\n"
                "[5FFFsub0]\nParameterName=Number of Entries\nObjectType=0x07\nDataType=0x0005\n"
                "AccessType=ro\nDefaultValue=0x00\nPDOMapping=0\n\n");

    QTest::newRow("quantity 2, holding register read-only")
        << Table(R"(<row Index="0x2abc" Quantity="2" Read_Write="0"/>)")
        << Crlf("[ManufacturerObjects]\nSupportedObjects=1\n1=0x2ABC\n\n")
        << Crlf("[2ABC]\nSubNumber=3\nParameterName=SDO_1\nObjectType=0x09\n\n"
                "[2ABCsub0]\nParameterName=Number of Entries\nObjectType=0x07\nDataType=0x0005\n"
                "AccessType=ro\nDefaultValue=0x02\nPDOMapping=0\n\n"
                "[2ABCsub1]\nParameterName=SDO_1_Word_1\nObjectType=0x07\nDataType=0x0006\n"
                "AccessType=ro\nDefaultValue=0x0000\nPDOMapping=0\n\n"
                "[2ABCsub2]\nParameterName=SDO_1_Word_2\nObjectType=0x07\nDataType=0x0006\n"
                "AccessType=ro\nDefaultValue=0x0000\nPDOMapping=0\n\n");

    // Rows are counted, not distinct indexes, and never sorted.
    QTest::newRow("duplicate indexes, unsorted, unknown access code")
        << Table(R"(<row Index="12288" Quantity="1" Read_Write="1"/>)"
                 R"(<row Index="8192" Quantity="1" Read_Write="7"/>)"
                 R"(<row Index="12288" Quantity="1" Read_Write="1"/>)")
        << Crlf("[ManufacturerObjects]\nSupportedObjects=3\n1=0x3000\n2=0x2000\n3=0x3000\n\n")
        << Crlf("[3000]\nParameterName=SDO_1\nObjectType=0x07\nDataType=0x0006\n"
                "AccessType=rw\nDefaultValue=0x0000\nPDOMapping=0\n\n"
                "[2000]\nParameterName=SDO_2\nObjectType=0x07\nDataType=0x0006\n"
                "AccessType=ro\nDefaultValue=0x0000\nPDOMapping=0\n\n"
                "[3000]\nParameterName=SDO_3\nObjectType=0x07\nDataType=0x0006\n"
                "AccessType=rw\nDefaultValue=0x0000\nPDOMapping=0\n\n");
}

void TestEdsWriter::VariableObjects()
{
    QFETCH(QByteArray, varXml);
    QFETCH(QByteArray, list);
    QFETCH(QByteArray, objects);

    const QByteArray eds = WriteFor(varXml);

    QCOMPARE(ManufacturerList(eds), list);
    QCOMPARE(VariableRun(eds), objects);
    QVERIFY(eds.endsWith("PDOMapping=1\r\n\r\n"));
}

void TestEdsWriter::VariableObjects_QuantityTwelveUsesHexSubIndexes()
{
    const QByteArray objects = VariableRun(
        WriteFor(Table(R"(<row Index="8192" Quantity="1" Read_Write="0"/>)"
                       R"(<row Index="8193" Quantity="12" Read_Write="1"/>)")));

    const QStringList expected{"[2000]",     "[2001]",     "[2001sub0]", "[2001sub1]",
                               "[2001sub2]", "[2001sub3]", "[2001sub4]", "[2001sub5]",
                               "[2001sub6]", "[2001sub7]", "[2001sub8]", "[2001sub9]",
                               "[2001subA]", "[2001subB]", "[2001subC]"};
    QCOMPARE(SectionLines(objects), expected);
    QVERIFY(objects.contains("[2001]\r\nSubNumber=13\r\nParameterName=SDO_2\r\nObjectType=0x09\r\n\r\n"));
    QVERIFY(objects.contains("AccessType=ro\r\nDefaultValue=0x0C\r\n"));
    QVERIFY(objects.contains("[2001subA]\r\nParameterName=SDO_2_Word_10\r\nObjectType=0x07\r\n"
                             "DataType=0x0006\r\nAccessType=rw\r\nDefaultValue=0x0000\r\n"
                             "PDOMapping=0\r\n\r\n"));
    QVERIFY(objects.endsWith("[2001subC]\r\nParameterName=SDO_2_Word_12\r\nObjectType=0x07\r\n"
                             "DataType=0x0006\r\nAccessType=rw\r\nDefaultValue=0x0000\r\n"
                             "PDOMapping=0\r\n\r\n"));
}

void TestEdsWriter::VariableObjects_LargestVariable()
{
    const QByteArray objects =
        VariableRun(WriteFor(Table(R"(<row Index="24575" Quantity="255" Read_Write="1"/>)")));

    const QStringList sections = SectionLines(objects);
    QCOMPARE(sections.size(), 257);
    QCOMPARE(sections.at(17), QStringLiteral("[5FFFsub10]"));
    QCOMPARE(sections.last(), QStringLiteral("[5FFFsubFF]"));
    QVERIFY(objects.startsWith("[5FFF]\r\nSubNumber=256\r\n"));
    QVERIFY(objects.contains("DefaultValue=0xFF\r\n"));
    QVERIFY(objects.contains("[5FFFsubFF]\r\nParameterName=SDO_1_Word_255\r\n"));
}

void TestEdsWriter::LoadEdsVariables_KeepsLowBitsAndOrder()
{
    const QString variables = dir_->filePath(QStringLiteral("var.xml"));
    // Values wider than their fields keep their low bits; a second load starts afresh.
    WriteAll(variables,
             Table(R"(<row Index="$12001" Quantity="257" Read_Write="$101" Mnemonic="x"/>)"
                   R"(<row Index="-1" Quantity=" 0x10" Read_Write="-$FF"/>)"));
    EdsWriter writer;
    writer.LoadEdsVariables(variables);
    writer.LoadEdsVariables(variables);

    const EdsVariables expected{{0x2001, 1, 1}, {0xFFFF, 0x10, 0x01}};
    QCOMPARE(writer.Variables(), expected);

    writer.LoadEdsVariables(dir_->filePath(QStringLiteral("missing.xml")));
    QVERIFY(writer.Variables().empty());
}

void TestEdsWriter::Errors_data()
{
    QTest::addColumn<QByteArray>("varXml");
    QTest::addColumn<QString>("message");

    const QString null = QStringLiteral("Could not convert variant of type (Null) into type (String)");
    QTest::newRow("no Index") << Table(R"(<row Quantity="1" Read_Write="1"/>)") << null;
    QTest::newRow("no Quantity") << Table(R"(<row Index="8192" Read_Write="1"/>)") << null;
    QTest::newRow("no Read_Write, second row")
        << Table(R"(<row Index="8192" Quantity="1" Read_Write="1"/><row Index="8193" Quantity="1"/>)")
        << null;
    QTest::newRow("Index not an integer")
        << Table(R"(<row Index="abc" Quantity="1" Read_Write="1"/>)")
        << QStringLiteral("'abc' is not a valid integer value");
    QTest::newRow("Index read before a missing Quantity")
        << Table(R"(<row Index="2000h" Read_Write="1"/>)")
        << QStringLiteral("'2000h' is not a valid integer value");
    QTest::newRow("empty Quantity") << Table(R"(<row Index="8192" Quantity="" Read_Write="1"/>)")
                                    << QStringLiteral("'' is not a valid integer value");
    QTest::newRow("Read_Write with trailing blank")
        << Table(R"(<row Index="8192" Quantity="1" Read_Write="1 "/>)")
        << QStringLiteral("'1 ' is not a valid integer value");

    // The table must come first; a declaration before it would hide every row.
    QTest::newRow("declaration before the table")
        << "<?xml version=\"1.0\"?>" + Table(R"(<row Index="8192" Quantity="1" Read_Write="1"/>)")
        << QStringLiteral("The SDO table does not start the document \"%1\" (it is preceded by xml), "
                          "so its variables cannot be read.");
    QTest::newRow("comment before the table")
        << "<!-- made by hand -->" + Table(R"(<row Index="8192" Quantity="1" Read_Write="1"/>)")
        << QStringLiteral("The SDO table does not start the document \"%1\" (it is preceded by #comment), "
                          "so its variables cannot be read.");
    QTest::newRow("comment as a row")
        << Table(R"(<row Index="8192" Quantity="1" Read_Write="1"/><!-- spare -->)") << null;

    // The parser's own text, exactly as the XML access reports it.
    const QByteArray broken = "<C_TO_Customer_Protocol>\n<row Index=\"8192\" Quantity=\"1\"";
    QString parseError;
    try {
        trellim::XmlDocument().LoadFromBytes(broken);
    } catch (const trellim::Error& error) {
        parseError = error.message();
    }
    QVERIFY(parseError.contains(QStringLiteral("\nLine: ")));
    QTest::newRow("not well-formed") << broken << parseError;
}

void TestEdsWriter::Errors()
{
    QFETCH(QByteArray, varXml);
    QFETCH(QString, message);
    const QString variables = dir_->filePath(QStringLiteral("var.xml"));
    const QString existing = dir_->filePath(QStringLiteral("existing.eds"));
    const QString fresh = dir_->filePath(QStringLiteral("fresh.eds"));
    WriteAll(variables, varXml);
    WriteAll(existing, "previous EDS\r\n");

    EdsWriter writer;
    for (const QString& output : {existing, fresh}) {
        try {
            writer.WriteEdsFile(variables, output);
            QFAIL("no error thrown");
        } catch (const trellim::Error& error) {
            QCOMPARE(error.message(),
                     message.contains(u"%1") ? message.arg(variables) : message);
        }
    }

    QCOMPARE(ReadAll(existing), QByteArray("previous EDS\r\n"));
    QVERIFY(!QFile::exists(fresh));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestEdsWriter::Errors_OutputCannotBeCreated_data()
{
    QTest::addColumn<QString>("output");
    QTest::newRow("missing folder") << QStringLiteral("no/such/folder/out.eds");
    QTest::newRow("a folder in the way") << QStringLiteral("folder.eds");
}

void TestEdsWriter::Errors_OutputCannotBeCreated()
{
    QFETCH(QString, output);
    const QString path = dir_->filePath(output);
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("folder.eds")));

    try {
        EdsWriter().WriteEdsFile(kDataFolder + QStringLiteral("/project/var.xml"), path);
        QFAIL("no error thrown");
    } catch (const trellim::Error& error) {
        const QString prefix = QStringLiteral("Cannot create file \"%1\". ").arg(path);
        QVERIFY2(error.message().startsWith(prefix), qPrintable(error.message()));
        QVERIFY2(error.message().size() > prefix.size(), "the system's reason is missing");
    }
    QVERIFY(QFileInfo(dir_->filePath(QStringLiteral("folder.eds"))).isDir());
    QVERIFY(QDir(dir_->filePath(QStringLiteral("folder.eds"))).isEmpty());
}

QTEST_GUILESS_MAIN(TestEdsWriter)
#include "test_eds_writer.moc"
