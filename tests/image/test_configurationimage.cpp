#include "image/configurationimage.h"
#include "image/imagedecoder.h"

#include "imagefixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace trellim;
using namespace trellim::fixtures;

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// A project folder in a temporary directory; each document is written only
// when given.
struct Project {
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString Var() const { return Path("var.xml"); }
    QString Pdo() const { return Path("pdo.xml"); }
    QString Pargen() const { return Path("pargen.xml"); }

    Project(const std::optional<QByteArray>& var, const std::optional<QByteArray>& pdo,
            const std::optional<QByteArray>& pargen)
    {
        if (var)
            WriteBytes(Var(), *var);
        if (pdo)
            WriteBytes(Pdo(), *pdo);
        if (pargen)
            WriteBytes(Pargen(), *pargen);
    }

    CompositionOutcome Compose(ImageComposer& composer) const
    {
        return composer.ComposeImage(Var(), Pdo(), Pargen());
    }
};

int GeneralStart(int rows)
{
    return 240 + 10 * rows;
}

} // namespace

class ConfigurationImageTest : public QObject {
    Q_OBJECT

private slots:
    void ComposeImage_EmptyTable_Gives277ByteImage();
    void ComposeImage_ThreeRows_HeaderAndLength();
    void ComposeSdoTable_RecordBytes_data();
    void ComposeSdoTable_RecordBytes();
    void ComposeImage_GeneralBlockFields_data();
    void ComposeImage_GeneralBlockFields();
    void ComposeImage_PdoFieldPositions_data();
    void ComposeImage_PdoFieldPositions();
    void ComposeImage_PdoFallbacks();
    void ComposeImage_DimensionFallbacks_data();
    void ComposeImage_DimensionFallbacks();
    void ComposeImage_Failure_CutsImage_data();
    void ComposeImage_Failure_CutsImage();
    void ComposeImage_FailureInSdoTable_KeepsStoredFields();
    void ComposeImage_1401Rows_Takes1400();
    void ComposeImage_DeclarationBeforeTable_Fails();
    void ComposeSdoTable_DocumentShapes_data();
    void ComposeSdoTable_DocumentShapes();
    void ComposeImage_EarlyStop_KeepsEarlierHeaderWords();
    void WriteImageFile_WritesImageBytes();
    void WriteImageFile_MissingBinFolder_Throws();
    void WriteImageFile_FailedWrite_KeepsEarlierFile();
    void DecodeImage_CompleteImage_ReadsBack();
    void DecodeImage_DamagedFiles_data();
    void DecodeImage_DamagedFiles();
};

void ConfigurationImageTest::ComposeImage_EmptyTable_Gives277ByteImage()
{
    const Project project(VarXml({}), PdoXml(), PargenXml());
    ImageComposer composer;

    const CompositionOutcome outcome = project.Compose(composer);

    QVERIFY2(outcome.complete, qPrintable(outcome.cause));
    QVERIFY(outcome.cause.isEmpty());
    QCOMPARE(outcome.length, 277);
    QCOMPARE(outcome.sdoRows, 0);
    const QByteArray image = composer.Image();
    QCOMPARE(image.size(), 277);
    QCOMPARE(image.left(16), Hex("10 00 00 00 10 00 00 00 90 00 00 00 F0 00 00 00"));
    // Defaults of pargen.xml, N = 0, dimensions 3 + 1, Delay 100.
    QCOMPARE(image.mid(240), Hex("01 01 00 00 0A 00 00 FF C0 A8 00 0A FF FF FF 00 E8 03 F6 01 00 C0 A8 00 01"
                                 " 00 00 04 04 04 04 04 04 04 04 64 00"));
}

void ConfigurationImageTest::ComposeImage_ThreeRows_HeaderAndLength()
{
    const Project project(VarXml(StandardRows(3)), PdoXml(), PargenXml());
    ImageComposer composer;

    const CompositionOutcome outcome = project.Compose(composer);

    QVERIFY(outcome.complete);
    QCOMPARE(outcome.length, 307);
    QCOMPARE(outcome.sdoRows, 3);
    const QByteArray image = composer.Image();
    QCOMPARE(image.left(16), Hex("10 00 00 00 2E 00 00 00 AE 00 00 00 0E 01 00 00"));
    QCOMPARE(image.mid(270 + 25, 2), Hex("03 00"));
    QCOMPARE(image.mid(16, 10), Hex("00 20 C0 A8 01 00 00 00 01 00"));
    QCOMPARE(image.mid(36, 10), Hex("02 20 C0 A8 01 02 02 00 01 00"));
}

void ConfigurationImageTest::ComposeSdoTable_RecordBytes_data()
{
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("record");

    // The unchanged record: 8192, 192.168.1.125, 100, 2, RW.
    QTest::newRow("example") << QString() << QString() << Hex("00 20 C0 A8 01 7D 64 00 02 01");
    QTest::newRow("hex index") << "Index" << "$5FFF" << Hex("FF 5F C0 A8 01 7D 64 00 02 01");
    QTest::newRow("0x address") << "Address_Word" << "0x1F" << Hex("00 20 C0 A8 01 7D 1F 00 02 01");
    QTest::newRow("u8 modulo") << "IP_Add_B1" << "300" << Hex("00 20 2C A8 01 7D 64 00 02 01");
    QTest::newRow("u16 negative") << "Address_Word" << "-1" << Hex("00 20 C0 A8 01 7D FF FF 02 01");
    QTest::newRow("u16 modulo") << "Index" << "65537" << Hex("01 00 C0 A8 01 7D 64 00 02 01");
    QTest::newRow("leading blanks") << "Quantity" << "  7" << Hex("00 20 C0 A8 01 7D 64 00 07 01");
    QTest::newRow("code unchecked") << "Read_Write" << "7" << Hex("00 20 C0 A8 01 7D 64 00 02 07");
}

void ConfigurationImageTest::ComposeSdoTable_RecordBytes()
{
    QFETCH(QString, attribute);
    QFETCH(QString, text);
    QFETCH(QByteArray, record);
    Row row{{"Index", "8192"},      {"IP_Add_B1", "192"}, {"IP_Add_B2", "168"},
            {"IP_Add_B3", "1"},     {"IP_Add_B4", "125"}, {"Address_Word", "100"},
            {"Quantity", "2"},      {"Read_Write", "1"},  {"Mnemonic", "Temp"}};
    if (!attribute.isEmpty())
        row = WithAttribute(row, attribute, text);
    const Project project(VarXml({row}), PdoXml(), PargenXml());
    ImageComposer composer;

    const CompositionOutcome outcome = project.Compose(composer);

    QVERIFY(outcome.complete);
    QCOMPARE(composer.Image().mid(16, 10), record);
}

void ConfigurationImageTest::ComposeImage_GeneralBlockFields_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<std::optional<QString>>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("baud 250") << "CAN_Baud" << std::optional<QString>("4") << 1 << Hex("05");
    QTest::newRow("time-out") << "Time_Out" << std::optional<QString>("1000") << 16 << Hex("E8 03");
    QTest::newRow("port") << "Port" << std::optional<QString>("502") << 18 << Hex("F6 01");
    QTest::newRow("$1F") << "CAN_Dev_ID" << std::optional<QString>("$1F") << 0 << Hex("1F");
    QTest::newRow("x1F") << "CAN_Dev_ID" << std::optional<QString>("x1F") << 0 << Hex("1F");
    QTest::newRow("0x1F") << "CAN_Dev_ID" << std::optional<QString>("0x1F") << 0 << Hex("1F");
    QTest::newRow("-0") << "CAN_Dev_ID" << std::optional<QString>("-0") << 0 << Hex("00");
    QTest::newRow("u8 300") << "TCP_IP_4" << std::optional<QString>("300") << 11 << Hex("2C");
    QTest::newRow("u16 -1") << "Port" << std::optional<QString>("-1") << 18 << Hex("FF FF");
    QTest::newRow("baud 255 wraps") << "CAN_Baud" << std::optional<QString>("255") << 1 << Hex("00");
    QTest::newRow("gateway") << "TCP_GAT_4" << std::optional<QString>("254") << 24 << Hex("FE");
    QTest::newRow("delay") << "Delay_TCP_MR" << std::optional<QString>("5000") << 35 << Hex("88 13");
    QTest::newRow("delay missing") << "Delay_TCP_MR" << std::optional<QString>() << 35 << Hex("64 00");
    QTest::newRow("delay empty") << "Delay_TCP_MR" << std::optional<QString>("") << 35 << Hex("64 00");
    QTest::newRow("delay not integer") << "Delay_TCP_MR" << std::optional<QString>("1F") << 35 << Hex("64 00");
}

void ConfigurationImageTest::ComposeImage_GeneralBlockFields()
{
    QFETCH(QString, element);
    QFETCH(std::optional<QString>, text);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    const Project project(VarXml(StandardRows(2)), PdoXml(), PargenXml({{element, text}}));
    ImageComposer composer;

    const CompositionOutcome outcome = project.Compose(composer);

    QVERIFY2(outcome.complete, qPrintable(outcome.cause));
    QCOMPARE(outcome.length, 297);
    QCOMPARE(composer.Image().mid(GeneralStart(2) + offset, bytes.size()), bytes);
}

void ConfigurationImageTest::ComposeImage_PdoFieldPositions_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset"); // from T = 16 + 10 N
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("TP1_W1 B1") << "TP1_W1_Add_Dev_IP_B1" << "192" << 0 << Hex("C0");
    QTest::newRow("TP1_W2 B4") << "TP1_W2_Add_Dev_IP_B4" << "7" << 11 << Hex("07");
    QTest::newRow("TP2_W3 Add_Data") << "TP2_W3_Add_Data" << "$1234" << 52 << Hex("34 12");
    QTest::newRow("TP4_W4 Delta_Send") << "TP4_W4_Delta_Send" << "0xABCD" << 126 << Hex("CD AB");
    QTest::newRow("Delta_Send 65535") << "TP1_W1_Delta_Send" << "65535" << 6 << Hex("FF FF");
    QTest::newRow("Delta_Send 65536") << "TP1_W1_Delta_Send" << "65536" << 6 << Hex("00 00");
    QTest::newRow("RP1_W1 B1") << "RP1_W1_Add_Dev_IP_B1" << "10" << 128 << Hex("0A");
    QTest::newRow("RP3_W2 Add_Data") << "RP3_W2_Add_Data" << "513" << 128 + 48 + 6 + 4 << Hex("01 02");
    QTest::newRow("RP4_W4 Add_Data") << "RP4_W4_Add_Data" << "65534" << 128 + 94 << Hex("FE FF");
}

void ConfigurationImageTest::ComposeImage_PdoFieldPositions()
{
    QFETCH(QString, element);
    QFETCH(QString, text);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    const Project project(VarXml(StandardRows(1)), PdoXml({{element, text}}), PargenXml());
    ImageComposer composer;

    const CompositionOutcome outcome = project.Compose(composer);

    QVERIFY(outcome.complete);
    const QByteArray blocks = composer.Image().mid(26, 224);
    QCOMPARE(blocks.mid(offset, bytes.size()), bytes);
    // Every other byte of both blocks stays at its default: 0, or 1000 (E8 03) for Delta_Send.
    QByteArray expected(224, '\0');
    for (int entry = 0; entry < 16; ++entry)
        expected.replace(entry * 8 + 6, 2, Hex("E8 03"));
    expected.replace(offset, bytes.size(), bytes);
    QCOMPARE(blocks, expected);
}

void ConfigurationImageTest::ComposeImage_PdoFallbacks()
{
    Overrides overrides;
    for (int n = 1; n <= 4; ++n)
        for (int w = 1; w <= 4; ++w)
            overrides.insert(QStringLiteral("TP%1_W%2_Delta_Send").arg(n).arg(w), QString());
    const Project project(VarXml({}), PdoXml(overrides), PargenXml());
    ImageComposer composer;

    const CompositionOutcome outcome = project.Compose(composer);

    QVERIFY(outcome.complete);
    QCOMPARE(composer.Image().mid(16, 224), QByteArray(224, '\0'));
    QCOMPARE(composer.Image().mid(240 + 27, 8), Hex("04 04 04 04 04 04 04 04"));
}

void ConfigurationImageTest::ComposeImage_DimensionFallbacks_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<std::optional<QString>>("text");
    QTest::addColumn<int>("offset"); // from G
    QTest::addColumn<int>("value");

    QTest::newRow("2-byte PDO") << "TP2_Dimension" << std::optional<QString>("0") << 28 << 1;
    QTest::newRow("missing") << "RP3_Dimension" << std::optional<QString>() << 33 << 4;
    QTest::newRow("empty") << "TP1_Dimension" << std::optional<QString>("") << 27 << 4;
    QTest::newRow("not integer") << "RP1_Dimension" << std::optional<QString>("two") << 31 << 4;
    QTest::newRow("255 wraps") << "TP4_Dimension" << std::optional<QString>("255") << 30 << 0;
    QTest::newRow("-1 unselected") << "RP4_Dimension" << std::optional<QString>("-1") << 34 << 0;
    QTest::newRow("hex") << "RP2_Dimension" << std::optional<QString>("$2") << 32 << 3;
}

void ConfigurationImageTest::ComposeImage_DimensionFallbacks()
{
    QFETCH(QString, element);
    QFETCH(std::optional<QString>, text);
    QFETCH(int, offset);
    QFETCH(int, value);
    const Project project(VarXml(StandardRows(1)), PdoXml({{element, text}}), PargenXml());
    ImageComposer composer;

    const CompositionOutcome outcome = project.Compose(composer);

    QVERIFY(outcome.complete);
    QByteArray dimensions = Hex("04 04 04 04 04 04 04 04");
    dimensions[offset - 27] = static_cast<char>(value);
    QCOMPARE(composer.Image().mid(GeneralStart(1) + 27, 8), dimensions);
}

void ConfigurationImageTest::ComposeImage_Failure_CutsImage_data()
{
    QTest::addColumn<std::optional<QByteArray>>("var");
    QTest::addColumn<std::optional<QByteArray>>("pdo");
    QTest::addColumn<std::optional<QByteArray>>("pargen");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("cause");

    using Doc = std::optional<QByteArray>;
    const Doc rows3 = VarXml(StandardRows(3));
    const Doc pdo = PdoXml();
    const Doc pargen = PargenXml();
    QList<Row> noQuantity = StandardRows(3);
    noQuantity[2] = WithAttribute(noQuantity[2], "Quantity", std::nullopt);
    QList<Row> badAccess = StandardRows(3);
    badAccess[1] = WithAttribute(badAccess[1], "Read_Write", "RW");
    QList<Row> emptyIndex = StandardRows(3);
    emptyIndex[0] = WithAttribute(emptyIndex[0], "Index", "");

    QTest::newRow("var.xml missing") << Doc() << pdo << pargen << 16 << "var.xml: Cannot open file";
    QTest::newRow("var.xml not well-formed")
        << Doc("<C_TO_Customer_Protocol><row Index=\"1\"/>") << pdo << pargen << 16
        << "var.xml: not well-formed XML";
    QTest::newRow("row 3 lacks Quantity")
        << Doc(VarXml(noQuantity)) << pdo << pargen << 44
        << "var.xml row 3: attribute Quantity is missing; the image stops at byte 44";
    QTest::newRow("row 2 access not integer")
        << Doc(VarXml(badAccess)) << pdo << pargen << 35
        << "var.xml row 2: attribute Read_Write holds 'RW', which is not a valid integer value; "
           "the image stops at byte 35";
    QTest::newRow("row 1 empty Index")
        << Doc(VarXml(emptyIndex)) << pdo << pargen << 16
        << "var.xml row 1: attribute Index is empty; the image stops at byte 16";
    QTest::newRow("pdo.xml missing") << rows3 << Doc() << pargen << 46 << "pdo.xml: Cannot open file";
    QTest::newRow("PDO_Setting missing")
        << rows3 << Doc(PdoXml({{"PDO_Setting", std::nullopt}})) << pargen << 46
        << "pdo.xml: top-level element PDO_Setting is missing; the image stops at byte 46";
    QTest::newRow("transmit cell abc")
        << rows3 << Doc(PdoXml({{"TP2_W3_Add_Data", "abc"}})) << pargen << 46
        << "pdo.xml transmit PDO 2 word 3: element TP2_W3_Add_Data holds 'abc', which is not a valid "
           "integer value; the image stops at byte 46";
    QTest::newRow("transmit cell missing")
        << rows3 << Doc(PdoXml({{"TP4_W4_Delta_Send", std::nullopt}})) << pargen << 46
        << "pdo.xml transmit PDO 4 word 4: element TP4_W4_Delta_Send is missing; the image stops at byte 46";
    QTest::newRow("Recive_PDO3 missing")
        << rows3 << Doc(PdoXml({{"Recive_PDO3", std::nullopt}})) << pargen << 174
        << "pdo.xml: element Recive_PDO3 is missing from PDO_Setting; the image stops at byte 174";
    QTest::newRow("receive cell holds elements")
        << rows3 << Doc(PdoXml().replace("<RP4_W4_Add_Data></RP4_W4_Add_Data>", "<RP4_W4_Add_Data><x/></RP4_W4_Add_Data>"))
        << pargen << 174
        << "pdo.xml receive PDO 4 word 4: element RP4_W4_Add_Data holds elements instead of a text; "
           "the image stops at byte 174";
    QTest::newRow("pargen.xml missing") << rows3 << pdo << Doc() << 270 << "pargen.xml: Cannot open file";
    QTest::newRow("General_Parameter missing")
        << rows3 << pdo << Doc(PargenXml({{"General_Parameter", std::nullopt}})) << 270
        << "pargen.xml: top-level element General_Parameter is missing; the image stops at byte 270";
    QTest::newRow("CAN_NS_Delay empty")
        << rows3 << pdo << Doc(PargenXml({{"CAN_NS_Delay", ""}})) << 274
        << "pargen.xml: element CAN_NS_Delay is empty; the image stops at byte 274";
    QTest::newRow("CAN_Dev_ID 1F")
        << rows3 << pdo << Doc(PargenXml({{"CAN_Dev_ID", "1F"}})) << 270
        << "pargen.xml: element CAN_Dev_ID holds '1F', which is not a valid integer value; "
           "the image stops at byte 270";
    QTest::newRow("Port missing")
        << rows3 << pdo << Doc(PargenXml({{"Port", std::nullopt}})) << 288
        << "pargen.xml: element Port is missing; the image stops at byte 288";
    QTest::newRow("TCP_GAT_4 trailing blank")
        << rows3 << pdo << Doc(PargenXml({{"TCP_GAT_4", "1 "}})) << 294
        << "pargen.xml: element TCP_GAT_4 holds '1 ', which is not a valid integer value; "
           "the image stops at byte 294";
}

void ConfigurationImageTest::ComposeImage_Failure_CutsImage()
{
    QFETCH(std::optional<QByteArray>, var);
    QFETCH(std::optional<QByteArray>, pdo);
    QFETCH(std::optional<QByteArray>, pargen);
    QFETCH(int, length);
    QFETCH(QString, cause);
    const Project project(var, pdo, pargen);
    ImageComposer composer;

    const CompositionOutcome outcome = project.Compose(composer);

    QVERIFY(!outcome.complete);
    QCOMPARE(outcome.length, length);
    QCOMPARE(composer.ImageLength(), length);
    QCOMPARE(composer.Image().size(), length);
    QVERIFY2(outcome.cause.startsWith(cause), qPrintable(outcome.cause));
    QVERIFY2(outcome.cause.endsWith(QStringLiteral("; the image stops at byte %1").arg(length)),
             qPrintable(outcome.cause));
    QVERIFY(!outcome.cause.contains(u'\n'));
}

void ConfigurationImageTest::ComposeImage_FailureInSdoTable_KeepsStoredFields()
{
    QList<Row> rows = StandardRows(3);
    rows[2] = WithAttribute(rows[2], "Quantity", std::nullopt);
    const Project project(VarXml(rows), PdoXml(), PargenXml());
    ImageComposer composer;

    project.Compose(composer);

    // Two whole rows and the first 8 bytes of the third, a fresh composer's
    // header words 4 to 12 still zero.
    QCOMPARE(composer.Image(), Hex("10 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                   "00 20 C0 A8 01 00 00 00 01 00"
                                   "01 20 C0 A8 01 01 01 00 01 00"
                                   "02 20 C0 A8 01 02 02 00"));
}

void ConfigurationImageTest::ComposeImage_1401Rows_Takes1400()
{
    QList<Row> rows = StandardRows(1401);
    rows[1400] = {{"Index", "not read"}}; // a defect past row 1400 changes nothing
    const Project project(VarXml(rows), PdoXml(), PargenXml());
    ImageComposer composer;

    const CompositionOutcome outcome = project.Compose(composer);

    QVERIFY2(outcome.complete, qPrintable(outcome.cause));
    QCOMPARE(outcome.sdoRows, 1400);
    QCOMPARE(outcome.length, 14277);
    QCOMPARE(MaxImageSdoRows, 1400);
    const QByteArray image = composer.Image();
    QCOMPARE(image.left(16), Hex("10 00 00 00 C0 36 00 00 40 37 00 00 A0 37 00 00"));
    QCOMPARE(image.mid(16 + 10 * 1399, 2), Hex("77 25")); // row 1400: Index 8192 + 1399
    QCOMPARE(image.mid(14000 + 240 + 25, 2), Hex("78 05"));
    QCOMPARE(outcome.warnings.size(), 1);
    QVERIFY(outcome.warnings.first().contains(QStringLiteral("1401 rows")));
}

void ConfigurationImageTest::ComposeImage_DeclarationBeforeTable_Fails()
{
    const Project project("<?xml version=\"1.0\"?>" + VarXml(StandardRows(2)), PdoXml(), PargenXml());
    ImageComposer composer;

    const CompositionOutcome outcome = project.Compose(composer);

    // Read as the first top-level node, the table would be the declaration
    // and the image would lose both rows without a word.
    QVERIFY(!outcome.complete);
    QCOMPARE(outcome.length, 16);
    QCOMPARE(outcome.cause, QStringLiteral("var.xml: the SDO table does not start the document (an XML declaration "
                                           "comes before it), so its rows would be lost; remove what precedes the "
                                           "table; the image stops at byte 16"));
}

void ConfigurationImageTest::ComposeSdoTable_DocumentShapes_data()
{
    QTest::addColumn<QByteArray>("var");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("rows"); // -1: the composition fails
    QTest::addColumn<QByteArray>("firstRecord");

    const QByteArray row = R"(<row Index="8192" IP_Add_B1="1" IP_Add_B2="2" IP_Add_B3="3" IP_Add_B4="4" )"
                           R"(Address_Word="5" Quantity="6" Read_Write="1" Mnemonic="m"/>)";
    const QByteArray record = Hex("00 20 01 02 03 04 05 00 06 01");
    QTest::newRow("any root name") << "<Table>" + row + "</Table>" << 287 << 1 << record;
    QTest::newRow("comments and text are no rows")
        << "<T><!-- note -->text" + row + "<!-- end --></T>" << 287 << 1 << record;
    QTest::newRow("row content ignored")
        << QByteArray(row).replace("/>", R"(><row Index="x"/></row>)").prepend("<T>").append("</T>") << 287 << 1 << record;
    QTest::newRow("character reference")
        << "<T>" + QByteArray(row).replace("8192", "&#56;192") + "</T>" << 287 << 1 << record;
    QTest::newRow("doctype is no node")
        << "<!DOCTYPE T><T>" + row + "</T>" << 287 << 1 << record;
    QTest::newRow("comment before the table") << "<!-- c --><T>" + row + "</T>" << 16 << -1 << QByteArray();
    QTest::newRow("comment after the table") << "<T>" + row + "</T><!-- c -->" << 287 << 1 << record;
    QTest::newRow("prefixed attribute is another name")
        << R"(<T xmlns:a="urn:x">)" + QByteArray(row).replace("Quantity", "a:Quantity") + "</T>" << 24 << -1 << QByteArray();
    QTest::newRow("not well-formed after the rows")
        << "<T>" + row + row + "</T><T/>" << 16 << -1 << QByteArray();
    QTest::newRow("empty file") << QByteArray() << 16 << -1 << QByteArray();
}

void ConfigurationImageTest::ComposeSdoTable_DocumentShapes()
{
    QFETCH(QByteArray, var);
    QFETCH(int, length);
    QFETCH(int, rows);
    QFETCH(QByteArray, firstRecord);
    const Project project(var, PdoXml(), PargenXml());
    ImageComposer composer;

    const CompositionOutcome outcome = project.Compose(composer);

    QCOMPARE(outcome.complete, rows >= 0);
    QCOMPARE(outcome.length, length);
    if (rows >= 0) {
        QCOMPARE(outcome.sdoRows, rows);
        QCOMPARE(composer.Image().mid(16, firstRecord.size()), firstRecord);
    }
}

void ConfigurationImageTest::ComposeImage_EarlyStop_KeepsEarlierHeaderWords()
{
    QTemporaryDir dir;
    const QString var = dir.filePath("var.xml");
    const QString pdo = dir.filePath("pdo.xml");
    const QString pargen = dir.filePath("pargen.xml");
    WriteBytes(var, VarXml(StandardRows(3)));
    WriteBytes(pdo, PdoXml());
    WriteBytes(pargen, PargenXml());
    ImageComposer composer;
    QVERIFY(composer.ComposeImage(var, pdo, pargen).complete);
    const QByteArray first = composer.Image();
    WriteBytes(var, VarXml(StandardRows(1)));
    WriteBytes(pdo, PdoXml({{"Recive_PDO1", std::nullopt}}));

    const CompositionOutcome outcome = composer.ComposeImage(var, pdo, pargen);

    // This run stored the words at 0, 4 and 8 (16, 26, 154) and stopped at
    // R = 154; the word at 12 is that of the earlier run.
    QCOMPARE(outcome.length, 154);
    QCOMPARE(composer.Image().left(16), Hex("10 00 00 00 1A 00 00 00 9A 00 00 00 0E 01 00 00"));
    // Bytes past the new length still hold the earlier image.
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(composer.ImageBuffer().data()) + 154, 307 - 154),
             first.mid(154));
    WriteBytes(pdo, PdoXml());
    QVERIFY(composer.ComposeImage(var, pdo, pargen).complete);
    QCOMPARE(composer.Image().left(16), Hex("10 00 00 00 1A 00 00 00 9A 00 00 00 FA 00 00 00"));
    QCOMPARE(composer.ImageLength(), 287);
}

void ConfigurationImageTest::WriteImageFile_WritesImageBytes()
{
    const Project project(VarXml(StandardRows(3)), PdoXml(), PargenXml());
    QVERIFY(QDir(project.dir.path()).mkdir("bin"));
    const QString bank = project.Path("bin/bank.bin");
    QVERIFY(WriteBytes(bank, QByteArray(20000, 'x'))); // a longer earlier file is replaced
    ImageComposer composer;
    project.Compose(composer);

    composer.WriteImageFile(bank);

    QFile file(bank);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), composer.Image());
}

void ConfigurationImageTest::WriteImageFile_MissingBinFolder_Throws()
{
    const Project project(VarXml({}), PdoXml(), PargenXml());
    ImageComposer composer;
    project.Compose(composer);
    const QString bank = project.Path("bin/bank.bin");

    try {
        composer.WriteImageFile(bank);
        QFAIL("no error for a missing bin folder");
    } catch (const Error& error) {
        QVERIFY2(error.message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(bank)),
                 qPrintable(error.message()));
        QVERIFY(error.message().size() > bank.size() + 24); // the system's reason follows
    }
    QVERIFY(!QFileInfo::exists(project.Path("bin")));
    QVERIFY(QDir(project.dir.path()).mkpath("bin/bank.bin")); // a folder where the file belongs
    QVERIFY_THROWS_EXCEPTION(Error, composer.WriteImageFile(bank));
}

void ConfigurationImageTest::WriteImageFile_FailedWrite_KeepsEarlierFile()
{
#ifdef Q_OS_UNIX
    // Root ignores permissions; a file size limit makes the write itself fail.
    const Project project(VarXml(StandardRows(3)), PdoXml(), PargenXml());
    QVERIFY(QDir(project.dir.path()).mkdir("bin"));
    const QString bank = project.Path("bin/bank.bin");
    const QByteArray earlier(40, 'e');
    QVERIFY(WriteBytes(bank, earlier));
    ImageComposer composer;
    QVERIFY(project.Compose(composer).complete);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);

    bool thrown = false;
    QString message;
    try {
        composer.WriteImageFile(bank);
    } catch (const Error& error) {
        thrown = true;
        message = error.message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(thrown);
    QVERIFY2(message.startsWith(QStringLiteral("Cannot write file \"%1\". ").arg(bank)), qPrintable(message));
    QFile file(bank);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), earlier);
    QCOMPARE(QDir(project.Path("bin")).entryList(QDir::Files), QStringList{"bank.bin"});
#else
    QSKIP("needs a file size limit");
#endif
}

void ConfigurationImageTest::DecodeImage_CompleteImage_ReadsBack()
{
    QList<Row> rows = StandardRows(2);
    rows[1] = WithAttribute(rows[1], "Read_Write", "2");
    const Project project(VarXml(rows),
                          PdoXml({{"TP3_W2_Add_Dev_IP_B1", "10"}, {"TP3_W2_Add_Data", "77"},
                                  {"RP2_W4_Add_Dev_IP_B4", "9"}, {"TP2_Dimension", "1"}}),
                          PargenXml({{"CAN_Baud", "7"}, {"Port", "1502"}}));
    ImageComposer composer;
    QVERIFY(project.Compose(composer).complete);

    const DecodedImage image = DecodeImage(composer.Image());

    QVERIFY2(image.Complete(), qPrintable(image.problems.join('\n')));
    QCOMPARE(image.header, (QList<std::uint32_t>{16, 36, 164, 260}));
    QCOMPARE(image.sdoRecords.size(), 2);
    QCOMPARE(int(image.sdoRecords[1].index), 8193);
    QCOMPARE(DottedAddress(image.sdoRecords[1].device), QStringLiteral("192.168.1.1"));
    QCOMPARE(int(image.sdoRecords[1].readWrite), 2);
    QCOMPARE(image.transmitWords.size(), 16);
    QCOMPARE(image.receiveWords.size(), 16);
    QCOMPARE(int(image.transmitWords[9].device[0]), 10);
    QCOMPARE(int(image.transmitWords[9].addData), 77);
    QCOMPARE(image.transmitWords[9].deltaSend, std::optional<std::uint16_t>(1000));
    QCOMPARE(int(image.receiveWords[7].device[3]), 9);
    QVERIFY(!image.receiveWords[7].deltaSend);
    QCOMPARE(image.general.size(), 23 + 1 + 8 + 1);
    QCOMPARE(image.general[1].name, QStringLiteral("CAN_Baud"));
    QCOMPARE(image.general[1].value, 8u);
    QCOMPARE(BaudCodeKbits(8), 1000);
    QCOMPARE(image.general[17].value, 1502u);
    QCOMPARE(image.general[23].name, QStringLiteral("SDO_Rows"));
    QCOMPARE(image.general[23].value, 2u);
    QCOMPARE(image.general[25].value, 2u); // TPDO2_Words
}

void ConfigurationImageTest::DecodeImage_DamagedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("transmitWords");
    QTest::addColumn<int>("generalFields");
    QTest::addColumn<QStringList>("problems");

    const QByteArray header3 = Hex("10 00 00 00 2E 00 00 00 AE 00 00 00 0E 01 00 00");
    QTest::newRow("shorter than header") << Hex("10 00 00 00 2E 00") << 0 << 0 << 0
                                         << QStringList{"The file is truncated: 6 bytes, shorter than the 16-byte header"};
    QTest::newRow("cut in row 3") << header3 + QByteArray(28, '\1') << 2 << 0 << 0
                                  << QStringList{"The file is truncated: it has 44 bytes, its header describes an image of 307 bytes",
                                                 "SDO row 3 at byte 36 is cut after 8 of its 10 bytes"};
    QTest::newRow("cut in general block") << header3 + QByteArray(296 - 16, '\0') << 3 << 16 << 23
                                          << QStringList{"The file is truncated: it has 296 bytes, its header describes an image of 307 bytes",
                                                         "General field SDO_Rows at byte 295 is cut after 1 of its 2 bytes"};
    QTest::newRow("header words unset") << Hex("10 00 00 00") + QByteArray(12, '\0') + QByteArray(25, '\2') << 2 << 0 << 0
                                        << QStringList{"The header offsets 16, 0, 0, 0 do not describe an image (expected 16, 16 + 10 x N, then 128 and 96 bytes apart)",
                                                       "SDO row 3 at byte 36 is cut after 5 of its 10 bytes",
                                                       "The bytes after the header were read as SDO records up to the end of the file"};
    QTest::newRow("trailing bytes") << Hex("10 00 00 00 10 00 00 00 90 00 00 00 F0 00 00 00") + QByteArray(262, '\0') << 0 << 16 << 33
                                    << QStringList{"The file has 278 bytes, 1 more than the 277 its header describes"};
    QTest::newRow("not an image") << QByteArray(300, 'A') << 0 << 0 << 0
                                  << QStringList{"The header offsets 1094795585, 1094795585, 1094795585, 1094795585 do not describe an image (expected 16, 16 + 10 x N, then 128 and 96 bytes apart)"};
}

void ConfigurationImageTest::DecodeImage_DamagedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, records);
    QFETCH(int, transmitWords);
    QFETCH(int, generalFields);
    QFETCH(QStringList, problems);

    const DecodedImage image = DecodeImage(bytes);

    QCOMPARE(image.problems, problems);
    QCOMPARE(image.sdoRecords.size(), records);
    QCOMPARE(image.transmitWords.size(), transmitWords);
    QCOMPARE(image.general.size(), generalFields);
}

QTEST_GUILESS_MAIN(ConfigurationImageTest)
#include "test_configurationimage.moc"
