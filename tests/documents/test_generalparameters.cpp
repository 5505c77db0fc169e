#include "documents/error.h"
#include "documents/generalparameters.h"
#include "documents/xmldocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace trellim;

namespace {

GeneralParameters FromBytes(const QByteArray& bytes)
{
    XmlDocument document;
    document.LoadFromBytes(bytes);
    return GeneralParametersFromDocument(document);
}

// The text each element gets when values are written back.
QString WrittenText(const GeneralParameters& values, const QString& element)
{
    XmlDocument document;
    BuildGeneralParametersDocument(document, values);
    return XmlDocument::ElementText(
        XmlDocument::FirstChildElement(document.FirstTopLevelElement("General_Parameter"), element));
}

const QByteArray DefaultBytes =
    "<General_Parameter><CAN_Dev_ID>1</CAN_Dev_ID><CAN_Baud>0</CAN_Baud><CAN_Start>0</CAN_Start>"
    "<CAN_Net_Start>0</CAN_Net_Start><CAN_NS_Delay>10</CAN_NS_Delay><CAN_TPDO_Sync>0</CAN_TPDO_Sync>"
    "<CAN_TPDO_On_Change>0</CAN_TPDO_On_Change><CAN_TPDO_TransType>255</CAN_TPDO_TransType>"
    "<TCP_IP_1>192</TCP_IP_1><TCP_IP_2>168</TCP_IP_2><TCP_IP_3>0</TCP_IP_3><TCP_IP_4>10</TCP_IP_4>"
    "<TCP_SUB_1>255</TCP_SUB_1><TCP_SUB_2>255</TCP_SUB_2><TCP_SUB_3>255</TCP_SUB_3><TCP_SUB_4>0</TCP_SUB_4>"
    "<Time_Out>1000</Time_Out><Port>502</Port><Enable_Gat>0</Enable_Gat>"
    "<TCP_GAT_1>192</TCP_GAT_1><TCP_GAT_2>168</TCP_GAT_2><TCP_GAT_3>0</TCP_GAT_3><TCP_GAT_4>1</TCP_GAT_4>"
    "<Delay_TCP_MR>100</Delay_TCP_MR></General_Parameter>";

} // namespace

class TestGeneralParameters : public QObject {
    Q_OBJECT

private slots:
    void Write_Defaults_ExactBytes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("pargen.xml");

        WriteGeneralParameters(path, GeneralParameterDefaults());

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), DefaultBytes);
    }

    void Read_ElementRules_data()
    {
        QTest::addColumn<QByteArray>("children");
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("written");

        QTest::newRow("dev id above range") << QByteArray("<CAN_Dev_ID>200</CAN_Dev_ID>") << "CAN_Dev_ID" << "127";
        QTest::newRow("dev id zero") << QByteArray("<CAN_Dev_ID>0</CAN_Dev_ID>") << "CAN_Dev_ID" << "1";
        QTest::newRow("dev id not a number") << QByteArray("<CAN_Dev_ID>abc</CAN_Dev_ID>") << "CAN_Dev_ID" << "1";
        QTest::newRow("dev id hex") << QByteArray("<CAN_Dev_ID>$7F</CAN_Dev_ID>") << "CAN_Dev_ID" << "127";
        QTest::newRow("baud out of list") << QByteArray("<CAN_Baud>9</CAN_Baud>") << "CAN_Baud" << "-1";
        QTest::newRow("baud negative") << QByteArray("<CAN_Baud>-1</CAN_Baud>") << "CAN_Baud" << "-1";
        QTest::newRow("baud not a number") << QByteArray("<CAN_Baud>fast</CAN_Baud>") << "CAN_Baud" << "0";
        QTest::newRow("baud last") << QByteArray("<CAN_Baud>7</CAN_Baud>") << "CAN_Baud" << "7";
        QTest::newRow("tick 2 clears") << QByteArray("<CAN_Start>2</CAN_Start>") << "CAN_Start" << "0";
        QTest::newRow("tick hex 1") << QByteArray("<CAN_Net_Start>$1</CAN_Net_Start>") << "CAN_Net_Start" << "1";
        QTest::newRow("tick text clears") << QByteArray("<Enable_Gat>yes</Enable_Gat>") << "Enable_Gat" << "0";
        QTest::newRow("tick 1") << QByteArray("<CAN_TPDO_On_Change> 1</CAN_TPDO_On_Change>") << "CAN_TPDO_On_Change" << "1";
        QTest::newRow("transtype missing, sync ticked") << QByteArray("<CAN_TPDO_Sync>1</CAN_TPDO_Sync>") << "CAN_TPDO_TransType" << "1";
        QTest::newRow("transtype bad, sync ticked later in file")
            << QByteArray("<CAN_TPDO_TransType>x</CAN_TPDO_TransType><CAN_TPDO_Sync>1</CAN_TPDO_Sync>") << "CAN_TPDO_TransType" << "1";
        QTest::newRow("transtype missing, no sync") << QByteArray() << "CAN_TPDO_TransType" << "255";
        QTest::newRow("transtype above range") << QByteArray("<CAN_TPDO_TransType>300</CAN_TPDO_TransType>") << "CAN_TPDO_TransType" << "255";
        QTest::newRow("transtype below range") << QByteArray("<CAN_TPDO_TransType>-3</CAN_TPDO_TransType>") << "CAN_TPDO_TransType" << "0";
        QTest::newRow("empty port stays empty") << QByteArray("<Port/>") << "Port" << "";
        QTest::newRow("missing port") << QByteArray("<Time_Out>5</Time_Out>") << "Port" << "502";
        QTest::newRow("missing time-out") << QByteArray("<Port>503</Port>") << "Time_Out" << "1000";
        QTest::newRow("hex IP kept as typed") << QByteArray("<TCP_IP_1>$0A</TCP_IP_1>") << "TCP_IP_1" << "$0A";
        QTest::newRow("blank kept") << QByteArray("<TCP_GAT_4> 7</TCP_GAT_4>") << "TCP_GAT_4" << " 7";
        QTest::newRow("unchecked text kept") << QByteArray("<CAN_NS_Delay>soon</CAN_NS_Delay>") << "CAN_NS_Delay" << "soon";
        QTest::newRow("nested elements fall back") << QByteArray("<TCP_SUB_4><x/></TCP_SUB_4>") << "TCP_SUB_4" << "0";
        QTest::newRow("nested dev id falls back") << QByteArray("<CAN_Dev_ID>5<x/></CAN_Dev_ID>") << "CAN_Dev_ID" << "1";
        QTest::newRow("first match wins") << QByteArray("<Port>1</Port><Port>2</Port>") << "Port" << "1";
        QTest::newRow("any order, others ignored")
            << QByteArray("<Other>9</Other><Delay_TCP_MR>7</Delay_TCP_MR><CAN_Dev_ID>3</CAN_Dev_ID>") << "Delay_TCP_MR" << "7";
    }
    void Read_ElementRules()
    {
        QFETCH(QByteArray, children);
        QFETCH(QString, element);
        QFETCH(QString, written);

        const GeneralParameters values = FromBytes("<General_Parameter>" + children + "</General_Parameter>");

        QCOMPARE(WrittenText(values, element), written);
    }

    void Read_EmptyOrOtherRoot_GivesDefaults()
    {
        QCOMPARE(FromBytes("<General_Parameter/>"), GeneralParameterDefaults());
        // Only the root by name counts; a declaration or comment before it is ignored.
        QCOMPARE(FromBytes("<?xml version=\"1.0\"?><!-- x --><General_Parameter><Port>1</Port></General_Parameter>").Port,
                 QStringLiteral("1"));
        QCOMPARE(FromBytes("<Parameters><Port>1</Port></Parameters>"), GeneralParameterDefaults());
    }

    void Read_MissingFile_LeavesValues()
    {
        QTemporaryDir dir;
        GeneralParameters values;
        values.Port = QStringLiteral("typed");

        QVERIFY(!ReadGeneralParameters(dir.filePath("pargen.xml"), values));

        QCOMPARE(values.Port, QStringLiteral("typed"));
    }

    void Read_NotWellFormed_ThrowsParserTextAndLeavesValues()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("pargen.xml");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("<General_Parameter>\n<Port>1</Port>\n");
        }
        GeneralParameters values = GeneralParameterDefaults();

        try {
            ReadGeneralParameters(path, values);
            QFAIL("no error");
        } catch (const Error& error) {
            QVERIFY2(error.message().contains("\nLine: 3\n"), qPrintable(error.message()));
        }
        QCOMPARE(values, GeneralParameterDefaults());
    }

    void WriteRead_RoundTrip()
    {
        GeneralParameters values;
        values.CanDevId = 127;
        values.CanBaud = 7;
        values.CanStart = true;
        values.CanNetStart = true;
        values.CanNsDelay = QStringLiteral("0x10");
        values.CanTpdoSync = true;
        values.CanTpdoOnChange = true;
        values.CanTpdoTransType = 0;
        values.TcpIp = {"10", " 0", "$00", "1"};
        values.TcpSub = {"255", "255", "0", "0"};
        values.TimeOut = QStringLiteral("1");
        values.Port = QString();
        values.EnableGat = true;
        values.TcpGat = {"10", "0", "0", "254"};
        values.DelayTcpMr = QStringLiteral("5000");
        QTemporaryDir dir;
        const QString path = dir.filePath("pargen.xml");
        GeneralParameters read;

        WriteGeneralParameters(path, values);
        QVERIFY(ReadGeneralParameters(path, read));

        QCOMPARE(read, values);
    }
};

QTEST_GUILESS_MAIN(TestGeneralParameters)
#include "test_generalparameters.moc"
