#include "documents/sdovariables.h"
#include "documents/xmldocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace trellim;

namespace {

QString Fixture(const char* name)
{
    return QStringLiteral(TRELLIM_TEST_DATA "/documents/") + QLatin1String(name);
}

SdoReadResult FromBytes(const QByteArray& bytes, int maxRows = SdoGridRowCount)
{
    XmlDocument document;
    document.LoadFromBytes(bytes);
    return SdoVariablesFromDocument(document, maxRows);
}

QByteArray Row(const QByteArray& index)
{
    return "<row Index=\"" + index + "\" IP_Add_B1=\"1\" IP_Add_B2=\"2\" IP_Add_B3=\"3\" IP_Add_B4=\"4\" "
           "Address_Word=\"5\" Quantity=\"6\" Read_Write=\"1\" Mnemonic=\"m\"/>";
}

SdoGridRow Grid(const char* index, const char* address, const char* word, const char* quantity, int access, const QString& mnemonic)
{
    return SdoGridRow{QString::fromLatin1(index), QString::fromLatin1(address), QString::fromLatin1(word),
                      QString::fromLatin1(quantity), AccessCodeText(access), mnemonic};
}

} // namespace

class TestSdoVariables : public QObject {
    Q_OBJECT

private slots:
    void Write_TwoVariables_ExactBytes()
    {
        const QList<TMyRec> rows = {
            {8192, 192, 168, 1, 125, 0, 2, 0, QStringLiteral("Temp")},
            {8193, 192, 168, 1, 125, 10, 1, 1, QString()},
        };
        QTemporaryDir dir;
        const QString path = dir.filePath("var.xml");

        WriteSdoVariables(path, rows);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 QByteArray("<C_TO_Customer_Protocol>"
                            "<row Index=\"8192\" IP_Add_B1=\"192\" IP_Add_B2=\"168\" IP_Add_B3=\"1\" IP_Add_B4=\"125\" "
                            "Address_Word=\"0\" Quantity=\"2\" Read_Write=\"0\" Mnemonic=\"Temp\"/>"
                            "<row Index=\"8193\" IP_Add_B1=\"192\" IP_Add_B2=\"168\" IP_Add_B3=\"1\" IP_Add_B4=\"125\" "
                            "Address_Word=\"10\" Quantity=\"1\" Read_Write=\"1\" Mnemonic=\"\"/>"
                            "</C_TO_Customer_Protocol>"));
    }

    void Write_Empty_RootAlone()
    {
        XmlDocument document;
        BuildSdoVariablesDocument(document, {});

        QCOMPARE(document.ToBytes(), QByteArray("<C_TO_Customer_Protocol/>"));
    }

    void WriteRead_RoundTrip_Utf8Mnemonics()
    {
        const QList<TMyRec> rows = {
            {0x2000, 0, 0, 0, 0, 0, 0, 0, QString::fromUtf8("Température °C")},
            {0x5FFF, 255, 255, 255, 255, 65535, 255, 2, QString::fromUtf8("温度 \"<&>\" 😀")},
            {0x4000, 10, 0, 0, 1, 100, 1, 1, QStringLiteral("  ")},
        };
        QTemporaryDir dir;
        const QString path = dir.filePath("var.xml");

        WriteSdoVariables(path, rows);
        const SdoReadResult read = ReadSdoVariables(path);

        QVERIFY(!read.StoppedEarly);
        QCOMPARE(read.Rows, (QList<SdoGridRow>{
                                Grid("$2000", "0.0.0.0", "0", "0", 0, rows[0].Mnemonic),
                                Grid("$5FFF", "255.255.255.255", "65535", "255", 2, rows[1].Mnemonic),
                                Grid("$4000", "10.0.0.1", "100", "1", 1, rows[2].Mnemonic),
                            }));
    }

    void Read_OtherRootAndOddValues()
    {
        const SdoReadResult read = ReadSdoVariables(Fixture("var_other_root.xml"));

        QVERIFY(!read.StoppedEarly);
        QCOMPARE(read.Rows, (QList<SdoGridRow>{
                                Grid("$2000", "192.168.001.5", "0", "2", 0, QStringLiteral("Temp")),
                                Grid("$4000", "10.0.0.1", "0", "300", 7, QString()),
                            }));
    }

    void Read_IndexTexts_data()
    {
        QTest::addColumn<QByteArray>("index");
        QTest::addColumn<QString>("cell");

        QTest::newRow("decimal") << QByteArray("16384") << "$4000";
        QTest::newRow("not a number") << QByteArray("abc") << "$0000";
        QTest::newRow("small") << QByteArray("31") << "$001F";
        QTest::newRow("five digits") << QByteArray("$1ABCD") << "$1ABCD";
        QTest::newRow("negative as pattern") << QByteArray("-1") << "$FFFFFFFF";
        QTest::newRow("empty") << QByteArray() << "$0000";
    }
    void Read_IndexTexts()
    {
        QFETCH(QByteArray, index);
        QFETCH(QString, cell);

        const SdoReadResult read = FromBytes("<t>" + Row(index) + "</t>");

        QCOMPARE(read.Rows.size(), 1);
        QCOMPARE(read.Rows[0].Index, cell);
    }

    void Read_AccessCodes_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<QString>("cell");

        QTest::newRow("0") << QByteArray("0") << "RO - Holding Register (Fun 3)";
        QTest::newRow("1 hex") << QByteArray("$1") << "RW - Holding Register (Fun 3,6)";
        QTest::newRow("2") << QByteArray("2") << "RO - Input Register (Fun 4)";
        QTest::newRow("7") << QByteArray("7") << "";
        QTest::newRow("-1") << QByteArray("-1") << "";
        QTest::newRow("text") << QByteArray("RW") << "";
    }
    void Read_AccessCodes()
    {
        QFETCH(QByteArray, code);
        QFETCH(QString, cell);

        const SdoReadResult read = FromBytes("<t><row Index=\"1\" IP_Add_B1=\"\" IP_Add_B2=\"\" IP_Add_B3=\"\" IP_Add_B4=\"\" "
                                             "Address_Word=\"\" Quantity=\"\" Read_Write=\"" + code + "\" Mnemonic=\"\"/></t>");

        QCOMPARE(read.Rows.size(), 1);
        QCOMPARE(read.Rows[0].Access, cell);
        QCOMPARE(read.Rows[0].Address, QStringLiteral("..."));
    }

    void Read_MissingAttribute_StopsWithPartialRow()
    {
        const SdoReadResult read = ReadSdoVariables(Fixture("var_missing_attribute.xml"));

        QVERIFY(read.StoppedEarly);
        QCOMPARE(read.StopRow, 3);
        QVERIFY2(read.StopReason.contains("Mnemonic"), qPrintable(read.StopReason));
        QCOMPARE(read.Rows.size(), 3);
        QCOMPARE(read.Rows[1].Mnemonic, QStringLiteral("B"));
        QCOMPARE(read.Rows[2], Grid("$2002", "192.168.1.126", "2", "3", 2, QString()));
    }

    void Read_MissingAddressByte_KeepsIndexOnly()
    {
        const SdoReadResult read = ReadSdoVariables(Fixture("var_missing_address_byte.xml"));

        QVERIFY(read.StoppedEarly);
        QCOMPARE(read.StopRow, 1);
        QVERIFY(read.StopReason.contains("IP_Add_B3"));
        QCOMPARE(read.Rows, (QList<SdoGridRow>{SdoGridRow{QStringLiteral("$2000"), {}, {}, {}, {}, {}}}));
    }

    void Read_DeclarationFirst_NoRowsButReported()
    {
        const SdoReadResult read = ReadSdoVariables(Fixture("var_declaration_first.xml"));

        QVERIFY(read.Rows.isEmpty());
        QVERIFY(read.StoppedEarly);
        QCOMPARE(read.StopRow, 0);
        QVERIFY(!read.StopReason.isEmpty());
    }

    void Read_NonElementChild_Stops()
    {
        const SdoReadResult read = FromBytes("<t>" + Row("1") + "<!-- note -->" + Row("2") + "</t>");

        QCOMPARE(read.Rows.size(), 1);
        QVERIFY(read.StoppedEarly);
        QCOMPARE(read.StopRow, 2);
    }

    void Read_LongTable_FirstGridRowsOnly()
    {
        const SdoReadResult full = FromBytes("<t>" + Row("1").repeated(SdoGridRowCount) + "</t>");
        const SdoReadResult longer = FromBytes("<t>" + Row("1").repeated(SdoGridRowCount + 1) + "</t>");

        QCOMPARE(full.Rows.size(), SdoGridRowCount);
        QVERIFY(!full.StoppedEarly);
        QCOMPARE(longer.Rows.size(), SdoGridRowCount);
        QVERIFY(longer.StoppedEarly);
        QCOMPARE(longer.StopRow, SdoGridRowCount + 1);
    }

    void Read_FileProblems()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("var.xml");

        const SdoReadResult missing = ReadSdoVariables(path);
        QVERIFY(missing.Rows.isEmpty());
        QVERIFY(!missing.StoppedEarly);

        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("<C_TO_Customer_Protocol>" + Row("1"));
        }
        const SdoReadResult broken = ReadSdoVariables(path);
        QVERIFY(broken.Rows.isEmpty());
        QVERIFY(broken.StoppedEarly);
        QVERIFY2(broken.StopReason.contains("\nLine: 1\n"), qPrintable(broken.StopReason));
    }

    void AccessTexts_CodeLookup()
    {
        for (std::uint8_t code = 0; code < 3; ++code)
            QCOMPARE(AccessCodeFromText(AccessCodeText(code)), std::optional<std::uint8_t>(code));
        QCOMPARE(AccessCodeFromText(QStringLiteral("RO - Holding Register (Fun 3) ")), std::nullopt);
        QCOMPARE(AccessCodeFromText(QString()), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestSdoVariables)
#include "test_sdovariables.moc"
