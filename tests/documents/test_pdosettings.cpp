#include "documents/pdosettings.h"
#include "documents/xmldocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace trellim;

namespace {

constexpr auto T = PdoDirection::Transmit;
constexpr auto R = PdoDirection::Receive;

QString Fixture(const char* name)
{
    return QStringLiteral(TRELLIM_TEST_DATA "/documents/") + QLatin1String(name);
}

QString Text(const XmlDocument& document, const QString& pdo, const QString& name)
{
    const QDomElement pdoElement = XmlDocument::FirstChildElement(document.FirstTopLevelElement("PDO_Setting"), pdo);
    const QDomElement element = XmlDocument::FirstChildElement(pdoElement, name);
    return element.isNull() ? QStringLiteral("<missing>") : XmlDocument::ElementText(element);
}

// Settings whose length selectors all sit at position 0, to see which ones loading reached.
PdoSettings WithLengths(int length)
{
    PdoSettings settings;
    for (auto* group : {&settings.Transmit, &settings.Receive}) {
        for (PdoCells& cells : *group) {
            cells.Length = length;
            cells.Words[0].Mnemonic = QStringLiteral("stale");
        }
    }
    return settings;
}

PdoSettings Sample()
{
    PdoSettings settings = PdoDefaults();
    settings.Pdo(T, 1).Selector = 3;
    settings.Pdo(T, 1).Words[0] = {"192.168.1.125", "$FFFF", "0x10", QString::fromUtf8("Température")};
    settings.Pdo(T, 2).Words[3] = {"0.0.0.0", "65535", "", "  "};
    settings.Pdo(T, 2).Length = 0;
    settings.Pdo(T, 4).Words[1] = {"255.255.255.255", "", "7", "x"};
    settings.Pdo(R, 1).Selector = -1;
    settings.Pdo(R, 1).Words[2] = {"10.0.0.1", "31", "", QString::fromUtf8("温度 <&>")};
    settings.Pdo(R, 2).Length = -1;
    settings.Pdo(R, 4).Words[3] = {"", "12", "", "no device"};
    settings.Pdo(R, 4).Length = 1;
    return settings;
}

} // namespace

class TestPdoSettings : public QObject {
    Q_OBJECT

private slots:
    void Names()
    {
        QCOMPARE(PdoWordElementName(T, 3, 2, PdoWordField::DeltaSend), QStringLiteral("TP3_W2_Delta_Send"));
        QCOMPARE(PdoWordElementName(R, 1, 5, PdoWordField::AddDevIpB4), QStringLiteral("RP1_W5_Add_Dev_IP_B4"));
        QCOMPARE(PdoLengthElementName(R, 4), QStringLiteral("RP4_Dimension"));
        QCOMPARE(PdoElementName(T, 2), QStringLiteral("Trasmite_PDO2"));
        QCOMPARE(PdoElementName(R, 3), QStringLiteral("Recive_PDO3"));
    }

    void Write_NoInput_CompleteDocument()
    {
        XmlDocument document;

        BuildPdoDocument(document, PdoDefaults());

        const QDomElement root = document.FirstTopLevelElement("PDO_Setting");
        const QStringList pdos = {"Trasmite_PDO1", "Trasmite_PDO2", "Trasmite_PDO3", "Trasmite_PDO4",
                                  "Recive_PDO1", "Recive_PDO2", "Recive_PDO3", "Recive_PDO4"};
        const QList<int> counts = {54, 54, 30, 30, 50, 50, 26, 26};
        QCOMPARE(XmlDocument::ChildCount(root), 8);
        int total = 0;
        for (int i = 0; i < 8; ++i) {
            const QDomNode pdo = XmlDocument::ChildAt(root, i);
            QCOMPARE(pdo.nodeName(), pdos[i]);
            QCOMPARE(XmlDocument::ChildCount(pdo), counts[i]);
            total += counts[i];
        }
        QCOMPARE(total, 320);
        QCOMPARE(Text(document, "Trasmite_PDO1", "ComboBox"), QStringLiteral("0"));
        QCOMPARE(Text(document, "Recive_PDO3", "ComboBox"), QString());
        QCOMPARE(Text(document, "Trasmite_PDO3", "TP3_W2_Delta_Send"), QStringLiteral("1000"));
        QCOMPARE(Text(document, "Recive_PDO4", "RP4_Dimension"), QStringLiteral("3"));
        QCOMPARE(Text(document, "Recive_PDO2", "RP2_W8_Add_Dev_IP_B3"), QStringLiteral("0"));
        QCOMPARE(Text(document, "Recive_PDO2", "RP2_W8_Add_Data"), QStringLiteral("0"));
        QCOMPARE(Text(document, "Recive_PDO2", "RP2_W8_Delta_Send"), QStringLiteral("<missing>"));
        QCOMPARE(Text(document, "Trasmite_PDO1", "TP1_W5_Delta_Send"), QStringLiteral("<missing>"));

        const QByteArray bytes = document.ToBytes();
        QVERIFY(bytes.startsWith(
            "<PDO_Setting><Trasmite_PDO1><ComboBox>0</ComboBox><TP1_W1_Add_Dev_IP_B1/><TP1_W1_Add_Dev_IP_B2/>"
            "<TP1_W1_Add_Dev_IP_B3/><TP1_W1_Add_Dev_IP_B4/><TP1_W1_Add_Data/><TP1_W1_Add_Mnemonic/>"
            "<TP1_W1_Delta_Send>1000</TP1_W1_Delta_Send><TP1_W2_Add_Dev_IP_B1/>"));
        QVERIFY(bytes.contains(
            "<TP1_W4_Delta_Send>1000</TP1_W4_Delta_Send><TP1_W5_Add_Dev_IP_B1>0</TP1_W5_Add_Dev_IP_B1>"
            "<TP1_W5_Add_Dev_IP_B2>0</TP1_W5_Add_Dev_IP_B2><TP1_W5_Add_Dev_IP_B3>0</TP1_W5_Add_Dev_IP_B3>"
            "<TP1_W5_Add_Dev_IP_B4>0</TP1_W5_Add_Dev_IP_B4><TP1_W5_Add_Data>0</TP1_W5_Add_Data><TP1_W5_Add_Mnemonic/>"
            "<TP1_W6_Add_Dev_IP_B1>0"));
        QVERIFY(bytes.contains("<TP1_W8_Add_Mnemonic/><TP1_Dimension>3</TP1_Dimension></Trasmite_PDO1>"));
        QVERIFY(bytes.contains("<RP3_W4_Add_Mnemonic/><RP3_Dimension>3</RP3_Dimension></Recive_PDO3>"));
        QVERIFY(bytes.endsWith("<RP4_Dimension>3</RP4_Dimension></Recive_PDO4></PDO_Setting>"));
        QVERIFY(!bytes.contains('\n'));
    }

    void Write_CellsConverted()
    {
        PdoSettings settings = PdoDefaults();
        settings.Pdo(T, 1).Words[0].AddDev = QStringLiteral("$C0.$A8.$01.$7D");
        settings.Pdo(T, 1).Words[1].AddDev = QStringLiteral(" 10.0.0.1");
        settings.Pdo(T, 1).Words[0].AddData = QStringLiteral("$FFFF");
        settings.Pdo(T, 1).Selector = -1;
        settings.Pdo(T, 3).Selector = 2;
        settings.Pdo(R, 2).Length = -1;
        XmlDocument document;

        BuildPdoDocument(document, settings);

        QCOMPARE(Text(document, "Trasmite_PDO1", "TP1_W1_Add_Dev_IP_B1"), QStringLiteral("192"));
        QCOMPARE(Text(document, "Trasmite_PDO1", "TP1_W1_Add_Dev_IP_B3"), QStringLiteral("1"));
        QCOMPARE(Text(document, "Trasmite_PDO1", "TP1_W1_Add_Dev_IP_B4"), QStringLiteral("125"));
        QCOMPARE(Text(document, "Trasmite_PDO1", "TP1_W2_Add_Dev_IP_B1"), QStringLiteral("10"));
        QCOMPARE(Text(document, "Trasmite_PDO1", "TP1_W1_Add_Data"), QStringLiteral("$FFFF"));
        QCOMPARE(Text(document, "Trasmite_PDO1", "ComboBox"), QStringLiteral("-1"));
        QCOMPARE(Text(document, "Trasmite_PDO3", "ComboBox"), QString());
        QCOMPARE(Text(document, "Recive_PDO2", "RP2_Dimension"), QStringLiteral("-1"));
    }

    void WriteRead_RoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("pdo.xml");
        const PdoSettings written = Sample();
        PdoSettings read = WithLengths(0);

        WritePdoSettings(path, written);
        const PdoLoadResult result = ReadPdoSettings(path, read);

        QVERIFY2(result.Complete, qPrintable(result.Cause));
        QCOMPARE(read, written);
    }

    void Read_MissingFile_Defaults()
    {
        QTemporaryDir dir;
        PdoSettings settings = WithLengths(0);

        const PdoLoadResult result = ReadPdoSettings(dir.filePath("pdo.xml"), settings);

        QVERIFY(result.Complete);
        QCOMPARE(settings, PdoDefaults());
        QCOMPARE(settings.Pdo(T, 4).Words[3].DeltaSend, QStringLiteral("1000"));
        QCOMPARE(settings.Pdo(R, 1).Words[0].DeltaSend, QString());
    }

    void Read_Fixture_CellsAndSelectors()
    {
        PdoSettings settings = WithLengths(0);

        const PdoLoadResult result = ReadPdoSettings(Fixture("pdo_full.xml"), settings);

        QVERIFY2(result.Complete, qPrintable(result.Cause));
        QCOMPARE(settings.Pdo(T, 1).Words[0], (PdoWordCells{"192.168.1.125", "$FFFF", "0x10", QString::fromUtf8("Température")}));
        QCOMPARE(settings.Pdo(T, 2).Words[2].AddDev, QStringLiteral("192.168.1.125"));
        QCOMPARE(settings.Pdo(T, 3).Words[3], (PdoWordCells{"10.1.2.3", "7", "", ""}));
        QCOMPARE(settings.Pdo(R, 1).Words[0], (PdoWordCells{"172.16.0.9", "0", "", QString::fromUtf8("Valve 温度")}));
        QCOMPARE(settings.Pdo(R, 3).Words[0].Mnemonic, QStringLiteral("r3"));
        QCOMPARE(settings.Pdo(T, 1).Selector, 2);
        QCOMPARE(settings.Pdo(T, 2).Selector, -1);  // "9"
        QCOMPARE(settings.Pdo(R, 1).Selector, 1);   // "$1"
        QCOMPARE(settings.Pdo(T, 1).Length, -1);    // "7"
        QCOMPARE(settings.Pdo(T, 4).Length, 3);     // "x"
        QCOMPARE(settings.Pdo(R, 2).Length, 2);     // "6" bytes
    }

    void Read_MissingRecivePdo2_StopsAfterReceive1()
    {
        PdoSettings settings = WithLengths(0);

        const PdoLoadResult result = ReadPdoSettings(Fixture("pdo_missing_recive_pdo2.xml"), settings);

        QVERIFY(!result.Complete);
        QVERIFY2(result.Cause.contains("Recive_PDO2"), qPrintable(result.Cause));
        QCOMPARE(settings.Pdo(T, 2).Length, 1);
        QCOMPARE(settings.Pdo(R, 1).Words[0].AddDev, QStringLiteral("172.16.0.9"));
        QCOMPARE(settings.Pdo(R, 1).Length, 0);
        for (int pdo = 2; pdo <= 4; ++pdo) {
            QCOMPARE(settings.Pdo(R, pdo).Words, PdoCells{}.Words);
            QCOMPARE(settings.Pdo(R, pdo).Length, 0);  // not reached: keeps its setting
        }
        QCOMPARE(settings.Pdo(R, 4).Words[0].Mnemonic, QString());  // "stale" was emptied
    }

    void Read_Tp3AddressByteMissing_PartialCellAndGoesOn()
    {
        PdoSettings settings;

        const PdoLoadResult result = ReadPdoSettings(Fixture("pdo_tp3_b2_missing.xml"), settings);

        QVERIFY2(result.Complete, qPrintable(result.Cause));
        QCOMPARE(settings.Pdo(T, 3).Words[0].AddDev, QStringLiteral("10."));
        QCOMPARE(settings.Pdo(T, 3).Words[0].DeltaSend, QStringLiteral("1000"));
        QCOMPARE(settings.Pdo(T, 3).Words[3].AddDev, QStringLiteral("10.1.2.3"));
        QCOMPARE(settings.Pdo(R, 4).Words[3].AddDev, QStringLiteral("1.2.3.4"));
    }

    void Read_Tp1AddressByteMissing_StopsWithPartialCell()
    {
        PdoSettings settings = WithLengths(0);

        const PdoLoadResult result = ReadPdoSettings(Fixture("pdo_tp1_b2_missing.xml"), settings);

        QVERIFY(!result.Complete);
        QVERIFY2(result.Cause.contains("TP1_W1_Add_Dev_IP_B2"), qPrintable(result.Cause));
        PdoSettings expected = WithLengths(0);
        for (auto* group : {&expected.Transmit, &expected.Receive})
            for (PdoCells& cells : *group)
                cells.Words = {};
        expected.Pdo(T, 1).Selector = 2;
        expected.Pdo(T, 1).Words[0].AddDev = QStringLiteral("10.");
        QCOMPARE(settings, expected);
    }

    void Read_NoDeltaSend_All1000()
    {
        PdoSettings settings;

        QVERIFY(ReadPdoSettings(Fixture("pdo_no_delta_send.xml"), settings).Complete);

        for (const PdoCells& cells : settings.Transmit)
            for (const PdoWordCells& word : cells.Words)
                QCOMPARE(word.DeltaSend, QStringLiteral("1000"));
    }

    // One element taken out of a complete document: PDO 1 and 2 are strict, 3 and 4 lenient.
    void Read_MissingElement_data()
    {
        QTest::addColumn<QString>("pdo");
        QTest::addColumn<QString>("element");
        QTest::addColumn<bool>("complete");

        QTest::newRow("TP1 Add_Data") << "Trasmite_PDO1" << "TP1_W2_Add_Data" << false;
        QTest::newRow("TP2 Add_Mnemonic") << "Trasmite_PDO2" << "TP2_W4_Add_Mnemonic" << false;
        QTest::newRow("RP2 octet B1") << "Recive_PDO2" << "RP2_W4_Add_Dev_IP_B1" << false;
        QTest::newRow("RP1 ComboBox") << "Recive_PDO1" << "ComboBox" << false;
        QTest::newRow("Trasmite_PDO2") << "PDO_Setting" << "Trasmite_PDO2" << false;
        QTest::newRow("TP1 octet B2 after empty B1") << "Trasmite_PDO1" << "TP1_W3_Add_Dev_IP_B2" << true;
        QTest::newRow("TP2 Delta_Send") << "Trasmite_PDO2" << "TP2_W1_Delta_Send" << true;
        QTest::newRow("TP1 Dimension") << "Trasmite_PDO1" << "TP1_Dimension" << true;
        QTest::newRow("TP3 Add_Data") << "Trasmite_PDO3" << "TP3_W2_Add_Data" << true;
        QTest::newRow("TP3 ComboBox") << "Trasmite_PDO3" << "ComboBox" << true;
        QTest::newRow("RP3 octet B1") << "Recive_PDO3" << "RP3_W1_Add_Dev_IP_B1" << true;
        QTest::newRow("RP4 Add_Mnemonic") << "Recive_PDO4" << "RP4_W1_Add_Mnemonic" << true;
        QTest::newRow("Trasmite_PDO4") << "PDO_Setting" << "Trasmite_PDO4" << true;
        QTest::newRow("RP1 filler") << "Recive_PDO1" << "RP1_W6_Add_Data" << true;
    }
    void Read_MissingElement()
    {
        QFETCH(QString, pdo);
        QFETCH(QString, element);
        QFETCH(bool, complete);
        XmlDocument document;
        BuildPdoDocument(document, Sample());
        QDomElement root = document.FirstTopLevelElement("PDO_Setting");
        QDomElement parent = pdo == u"PDO_Setting" ? root : XmlDocument::FirstChildElement(root, pdo);
        QVERIFY(!parent.removeChild(XmlDocument::FirstChildElement(parent, element)).isNull());
        PdoSettings settings;

        const PdoLoadResult result = PdoSettingsFromDocument(document, settings);

        QCOMPARE(result.Complete, complete);
        if (!complete)
            QVERIFY2(result.Cause.contains(element), qPrintable(result.Cause));
        else
            QCOMPARE(settings.Pdo(T, 1).Words[0], Sample().Pdo(T, 1).Words[0]);
    }

    void Read_MissingElement_LenientValues()
    {
        XmlDocument document;
        BuildPdoDocument(document, Sample());
        QDomElement root = document.FirstTopLevelElement("PDO_Setting");
        root.removeChild(XmlDocument::FirstChildElement(root, "Trasmite_PDO4"));
        QDomElement rp4 = XmlDocument::FirstChildElement(root, "Recive_PDO4");
        rp4.removeChild(XmlDocument::FirstChildElement(rp4, "RP4_W4_Add_Data"));
        PdoSettings settings = WithLengths(0);

        QVERIFY(PdoSettingsFromDocument(document, settings).Complete);

        QCOMPARE(settings.Pdo(T, 4), PdoDefaults().Pdo(T, 4));
        QCOMPARE(settings.Pdo(R, 4).Words[3], (PdoWordCells{"", "", "", "no device"}));
    }

    void Read_BadDocument_StopsBeforeAnyValue_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("cause");

        QTest::newRow("not well-formed") << QByteArray("<PDO_Setting>\n<Trasmite_PDO1>") << "\nLine: 2\n";
        QTest::newRow("no PDO_Setting") << QByteArray("<Other/>") << "PDO_Setting";
        QTest::newRow("ComboBox not an integer")
            << QByteArray("<PDO_Setting><Trasmite_PDO1><ComboBox>aa</ComboBox></Trasmite_PDO1></PDO_Setting>") << "'aa'";
        QTest::newRow("empty ComboBox")
            << QByteArray("<PDO_Setting><Trasmite_PDO1><ComboBox/></Trasmite_PDO1></PDO_Setting>") << "ComboBox";
        QTest::newRow("nested ComboBox")
            << QByteArray("<PDO_Setting><Trasmite_PDO1><ComboBox><x/></ComboBox></Trasmite_PDO1></PDO_Setting>") << "ComboBox";
    }
    void Read_BadDocument_StopsBeforeAnyValue()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, cause);
        QTemporaryDir dir;
        const QString path = dir.filePath("pdo.xml");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        PdoSettings settings = WithLengths(1);

        const PdoLoadResult result = ReadPdoSettings(path, settings);

        QVERIFY(!result.Complete);
        QVERIFY2(result.Cause.contains(cause), qPrintable(result.Cause));
        PdoSettings expected = WithLengths(1);
        for (auto* group : {&expected.Transmit, &expected.Receive})
            for (PdoCells& cells : *group)
                cells.Words = {};
        QCOMPARE(settings, expected);
    }
};

QTEST_GUILESS_MAIN(TestPdoSettings)
#include "test_pdosettings.moc"
