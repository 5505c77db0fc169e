#include "documents/error.h"
#include "documents/integertext.h"

#include <QTest>

using namespace trellim;

Q_DECLARE_METATYPE(std::optional<std::int32_t>)

class TestIntegerText : public QObject {
    Q_OBJECT

private slots:
    void ParseIntegerText_Cases_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");

        QTest::newRow("decimal") << "31" << true << 31;
        QTest::newRow("dollar hex") << "$1F" << true << 31;
        QTest::newRow("x hex") << "x1F" << true << 31;
        QTest::newRow("X hex lower digits") << "X1f" << true << 31;
        QTest::newRow("0x hex") << "0x1F" << true << 31;
        QTest::newRow("0X hex") << "0X1F" << true << 31;
        QTest::newRow("leading blanks") << "   31" << true << 31;
        QTest::newRow("minus zero") << "-0" << true << 0;
        QTest::newRow("plus sign") << "+7" << true << 7;
        QTest::newRow("leading zero is decimal") << "010" << true << 10;
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("max decimal") << "2147483647" << true << 2147483647;
        QTest::newRow("min decimal") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("hex 80000000 is a pattern") << "$80000000" << true << int(-2147483647 - 1);
        QTest::newRow("hex FFFFFFFF is -1") << "$FFFFFFFF" << true << -1;
        QTest::newRow("negated hex") << "-$10" << true << -16;
        QTest::newRow("negated 0x hex") << "-0x10" << true << -16;
        QTest::newRow("hex leading zeros") << "$000000001" << true << 1;
        QTest::newRow("many decimal zeros") << "000000000002147483647" << true << 2147483647;

        QTest::newRow("hex digits without prefix") << "1F" << false << 0;
        QTest::newRow("trailing blank") << "31 " << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blanks only") << "   " << false << 0;
        QTest::newRow("prefix only") << "$" << false << 0;
        QTest::newRow("0x only") << "0x" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("decimal overflow") << "2147483648" << false << 0;
        QTest::newRow("decimal underflow") << "-2147483649" << false << 0;
        QTest::newRow("hex overflow") << "$100000000" << false << 0;
        QTest::newRow("two signs") << "+-1" << false << 0;
        QTest::newRow("blank after sign") << "- 1" << false << 0;
        QTest::newRow("tab is not a blank") << "\t31" << false << 0;
        QTest::newRow("two prefixes") << "$0x1F" << false << 0;
        QTest::newRow("sign after prefix") << "$-1" << false << 0;
        QTest::newRow("decimal point") << "3.0" << false << 0;
        QTest::newRow("non-ASCII digit") << QString::fromUtf8("\u0663") << false << 0;
        QTest::newRow("huge decimal") << "99999999999999999999999" << false << 0;
    }
    void ParseIntegerText_Cases()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);

        const auto result = ParseIntegerText(text);

        QCOMPARE(result.has_value(), ok);
        if (ok)
            QCOMPARE(*result, value);
    }

    void ParseIntegerTextOrThrow_FailureMessage()
    {
        QCOMPARE(ParseIntegerTextOrThrow(QStringLiteral("$1F")), 31);
        try {
            ParseIntegerTextOrThrow(QStringLiteral("12a"));
            QFAIL("no error");
        } catch (const Error& error) {
            QCOMPARE(error.message(), QStringLiteral("'12a' is not a valid integer value"));
        }
    }

    void ParseDeviceAddress_Cases_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QList<int>>("bytes");

        QTest::newRow("plain") << "192.168.1.125" << true << QList<int>{192, 168, 1, 125};
        QTest::newRow("hex parts") << "$C0.$A8.1.1" << true << QList<int>{192, 168, 1, 1};
        QTest::newRow("zeros") << "0.0.0.0" << true << QList<int>{0, 0, 0, 0};
        QTest::newRow("all 255") << "255.255.255.255" << true << QList<int>{255, 255, 255, 255};
        QTest::newRow("leading blanks in parts") << " 10. 0. 0. 1" << true << QList<int>{10, 0, 0, 1};
        QTest::newRow("padded") << "192.168.001.005" << true << QList<int>{192, 168, 1, 5};
        // Refused addresses: the failing part gives 0, the others are still taken.
        QTest::newRow("three parts") << "192.168.1" << false << QList<int>{192, 168, 0, 1};
        QTest::newRow("five parts") << "1.2.3.4.5" << false << QList<int>{1, 2, 3, 0};
        QTest::newRow("last part 256") << "192.168.1.256" << false << QList<int>{192, 168, 1, 0};
        QTest::newRow("first part 256") << "256.1.1.1" << false << QList<int>{0, 1, 1, 1};
        QTest::newRow("trailing blank") << "10.0.0.1 " << false << QList<int>{10, 0, 0, 0};
        QTest::newRow("blank before dot") << "10 .0.0.1" << false << QList<int>{0, 0, 0, 1};
        QTest::newRow("negative part") << "-1.0.0.1" << false << QList<int>{0, 0, 0, 1};
        QTest::newRow("partial as loaded") << "10." << false << QList<int>{10, 0, 0, 0};
        QTest::newRow("dots only") << "..." << false << QList<int>{0, 0, 0, 0};
        QTest::newRow("no dots") << "192" << false << QList<int>{0, 0, 0, 192};
    }
    void ParseDeviceAddress_Cases()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QList<int>, bytes);
        DeviceAddressBytes out{7, 7, 7, 7};

        const bool result = ParseDeviceAddress(text, out);

        QCOMPARE(result, ok);
        QCOMPARE((QList<int>{out[0], out[1], out[2], out[3]}), bytes);
    }

    void ParseDeviceAddress_Empty_LeavesBytes()
    {
        DeviceAddressBytes out{7, 8, 9, 10};

        QVERIFY(!ParseDeviceAddress(QString(), out));

        QCOMPARE(out, (DeviceAddressBytes{7, 8, 9, 10}));
    }
};

QTEST_GUILESS_MAIN(TestIntegerText)
#include "test_integertext.moc"
