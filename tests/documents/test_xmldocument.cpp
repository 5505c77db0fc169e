#include "documents/error.h"
#include "documents/xmldocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace trellim;

namespace {

QString LoadError(const QByteArray& bytes)
{
    XmlDocument document;
    try {
        document.LoadFromBytes(bytes);
    } catch (const Error& error) {
        if (!document.FirstTopLevelNode().isNull())
            return QStringLiteral("document not left empty");
        return error.message();
    }
    return QString();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

QByteArray EntityBomb()
{
    QByteArray dtd = "<!ENTITY e0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        QByteArray refs;
        for (int k = 0; k < 10; ++k)
            refs += "&e" + QByteArray::number(i - 1) + ";";
        dtd += "<!ENTITY e" + QByteArray::number(i) + " \"" + refs + "\">";
    }
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE r [" + dtd + "]>\n<r>&e9;</r>";
}

QByteArray QuadraticBlowup()
{
    QByteArray bytes = "<!DOCTYPE r [<!ENTITY e \"" + QByteArray(3000, 'x') + "\">]><r>";
    for (int i = 0; i < 100000; ++i)
        bytes += "&e;";
    return bytes + "</r>";
}

} // namespace

class TestXmlDocument : public QObject {
    Q_OBJECT

private slots:
    void Load_NotWellFormed_GivesReasonLineAndSource()
    {
        const QByteArray bytes = "<r>\n<a>" + QByteArray(50, 'x') + "</b>\n</r>\n";

        const QStringList parts = LoadError(bytes).split(u'\n');

        QCOMPARE(parts.size(), 3);
        QVERIFY(!parts[0].isEmpty());
        QCOMPARE(parts[1], QStringLiteral("Line: 2"));
        QCOMPARE(parts[2], QString::fromLatin1("<a>" + QByteArray(37, 'x')));
    }

    void Load_RootNeverClosed_LineWhereParserStopped()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("pargen.xml"));
        WriteFile(path, "<General_Parameter>\n<CAN_Dev_ID>1</CAN_Dev_ID>\n<Port>502</Port>");
        XmlDocument document;

        try {
            document.Load(path);
            QFAIL("no error");
        } catch (const Error& error) {
            const QStringList parts = error.message().split(u'\n');
            QCOMPARE(parts.size(), 3);
            QCOMPARE(parts[1], QStringLiteral("Line: 3"));
            QCOMPARE(parts[2], QStringLiteral("<Port>502</Port>"));
        }
    }

    void Load_BadInput_ClearError_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty") << QByteArray() << "The document is empty.\nLine: 1\n";
        QTest::newRow("blanks only") << QByteArray("  \n") << "\nLine: ";
        QTest::newRow("invalid byte") << QByteArray("<r>\n<a>\xFF</a></r>") << "not valid UTF-8 text (invalid byte sequence at offset 7).\nLine: 2\n<a>";
        QTest::newRow("truncated sequence") << QByteArray("<r a='\xC3'/>") << "not valid UTF-8";
        QTest::newRow("overlong slash") << QByteArray("<r>\xC0\xAF</r>") << "not valid UTF-8";
        QTest::newRow("encoded surrogate") << QByteArray("<r>\xED\xA0\x80</r>") << "not valid UTF-8";
        QTest::newRow("above U+10FFFF") << QByteArray("<r>\xF4\x90\x80\x80</r>") << "not valid UTF-8";
        QTest::newRow("binary with zero bytes") << QByteArray("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0", 16) << "binary data";
        QTest::newRow("binary without zero bytes") << QByteArray("\x89PNG\r\n\x1A\n\xC7\xFE") << "not valid UTF-8";
        QTest::newRow("entity bomb") << EntityBomb() << "declares entities";
        QTest::newRow("quadratic blowup") << QuadraticBlowup() << "declares entities";
        QTest::newRow("deep nesting") << QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000) << "nested more than 64";
        QTest::newRow("too many nodes") << "<r>" + QByteArray("<row/>").repeated(250000) + "</r>" << "more than 200000 nodes";
        QTest::newRow("two roots") << QByteArray("<a/><b/>") << "\nLine: 1\n<a/><b/>";
        QTest::newRow("text only") << QByteArray("hello") << "\nLine: 1\nhello";
    }
    void Load_BadInput_ClearError()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);

        const QString message = LoadError(bytes);

        QVERIFY2(message.contains(expected), qPrintable(message));
        QVERIFY(!message.contains(QChar(u'\0')));
    }

    void Load_OtherEncodings_Accepted()
    {
        XmlDocument latin1;
        latin1.LoadFromBytes("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>caf\xE9</r>");
        QCOMPARE(XmlDocument::ElementText(latin1.FirstTopLevelElement("r")), QString::fromUtf8("café"));

        XmlDocument utf16;
        QByteArray bytes("\xFF\xFE");
        for (const char c : QByteArray("<r>x</r>"))
            bytes += QByteArray(1, c) + QByteArray(1, '\0');
        utf16.LoadFromBytes(bytes);
        QCOMPARE(XmlDocument::ElementText(utf16.FirstTopLevelElement("r")), QStringLiteral("x"));

        XmlDocument bom;
        bom.LoadFromBytes("\xEF\xBB\xBF<r>\xC3\xA9</r>");
        QCOMPARE(XmlDocument::ElementText(bom.FirstTopLevelElement("r")), QString::fromUtf8("é"));
    }

    void Load_FileProblems_Refused()
    {
        QTemporaryDir dir;
        XmlDocument document;

        QVERIFY_THROWS_EXCEPTION(Error, document.Load(dir.filePath("missing.xml")));
        QVERIFY_THROWS_EXCEPTION(Error, document.Load(dir.path()));

        const QString big = dir.filePath("big.xml");
        {
            QFile file(big);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("<r>"));
            QVERIFY(file.resize(XmlDocument::kMaxBytes + 1));
        }
        try {
            document.Load(big);
            QFAIL("no error");
        } catch (const Error& error) {
            QVERIFY2(error.message().contains("too large"), qPrintable(error.message()));
        }
    }

    void ElementText_EmptyElementAndEmptyText_Same()
    {
        XmlDocument document;
        document.LoadFromBytes("<r><a/><b></b><c> 7 </c><d>x<e/></d><f>a<![CDATA[<b>]]><!-- n --></f></r>");
        const QDomElement root = document.FirstTopLevelElement("r");

        QCOMPARE(XmlDocument::ElementText(XmlDocument::FirstChildElement(root, "a")), QString());
        QCOMPARE(XmlDocument::ElementText(XmlDocument::FirstChildElement(root, "b")), QString());
        QCOMPARE(XmlDocument::ElementText(XmlDocument::FirstChildElement(root, "c")), QStringLiteral(" 7 "));
        QVERIFY_THROWS_EXCEPTION(Error, XmlDocument::ElementText(XmlDocument::FirstChildElement(root, "d")));
        QCOMPARE(XmlDocument::ElementText(XmlDocument::FirstChildElement(root, "f")), QStringLiteral("a<b>"));
        QVERIFY(XmlDocument::FirstChildElement(root, "z").isNull());
    }

    void Attribute_MissingAndEmpty_Told()
    {
        XmlDocument document;
        document.LoadFromBytes("<t><row Index=\"1\"/><row Index=\"2\" Mnemonic=\"\"/></t>");
        const QDomNode table = document.FirstTopLevelNode();

        QCOMPARE(XmlDocument::ChildCount(table), 2);
        QCOMPARE(XmlDocument::Attribute(XmlDocument::ChildAt(table, 0).toElement(), "Mnemonic"), std::nullopt);
        QCOMPARE(XmlDocument::Attribute(XmlDocument::ChildAt(table, 1).toElement(), "Mnemonic"), std::optional<QString>(QString()));
        QVERIFY(XmlDocument::ChildAt(table, 2).isNull());
    }

    void TopLevel_DeclarationIsFirstNode()
    {
        XmlDocument document;
        document.LoadFromBytes("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c -->\n<General_Parameter/>");

        QVERIFY(document.FirstTopLevelNode().isProcessingInstruction());
        QVERIFY(!document.FirstTopLevelElement("General_Parameter").isNull());
        QVERIFY(document.FirstTopLevelElement("Other").isNull());

        document.Clear();
        QVERIFY(document.FirstTopLevelNode().isNull());
        document.AddTopLevelElement("x");
        QCOMPARE(document.ToBytes(), QByteArray("<x/>"));
    }

    void ToBytes_NoDeclarationNoIndentationAttributeOrder()
    {
        XmlDocument document;
        document.LoadFromBytes("<?xml version=\"1.0\"?>\n<old/>");
        document.Clear();
        QDomElement root = document.AddTopLevelElement("Root");
        QDomElement row = document.AddChildElement(root, "row");
        for (const char* name : {"Zeta", "Alpha", "Mid"})
            XmlDocument::SetAttribute(row, name, QString::fromLatin1(name).toLower());
        QDomElement second = document.AddChildElement(root, "row");
        XmlDocument::SetAttribute(second, "Mid", "3");
        XmlDocument::SetAttribute(second, "Alpha", "2");
        XmlDocument::SetAttribute(second, "Zeta", "1");
        QDomElement text = document.AddChildElement(root, "T");
        document.SetText(text, "a<b&c>\"d\"");
        QDomElement empty = document.AddChildElement(root, "E");
        document.SetText(empty, QString());

        QCOMPARE(document.ToBytes(),
                 QByteArray("<Root><row Zeta=\"zeta\" Alpha=\"alpha\" Mid=\"mid\"/><row Zeta=\"1\" Alpha=\"2\" Mid=\"3\"/>"
                            "<T>a&lt;b&amp;c&gt;\"d\"</T><E/></Root>"));
    }

    void SaveLoad_TextsRoundTrip()
    {
        const QStringList texts = {
            QString::fromUtf8("Température €ü 温度 😀"), QStringLiteral("   "), QStringLiteral(" x "),
            QStringLiteral("line1\nline2\r\nline3\ttab"), QStringLiteral("<&>\"']]>"), QStringLiteral("\t")};
        QTemporaryDir dir;
        const QString path = dir.filePath("doc.xml");
        XmlDocument writer;
        QDomElement root = writer.AddTopLevelElement("R");
        for (int i = 0; i < texts.size(); ++i) {
            QDomElement element = writer.AddChildElement(root, QStringLiteral("T%1").arg(i));
            writer.SetText(element, texts[i]);
            XmlDocument::SetAttribute(element, "A", texts[i]);
        }

        writer.Save(path);
        XmlDocument reader;
        reader.Load(path);

        QCOMPARE(ReadFile(path), writer.ToBytes());
        const QDomElement readRoot = reader.FirstTopLevelElement("R");
        for (int i = 0; i < texts.size(); ++i) {
            const QDomElement element = XmlDocument::FirstChildElement(readRoot, QStringLiteral("T%1").arg(i));
            QCOMPARE(XmlDocument::Attribute(element, "A"), std::optional<QString>(texts[i]));
            // Element text keeps every character except a carriage return before a line feed,
            // which XML line-end handling folds.
            QString expected = texts[i];
            if (!expected.trimmed().isEmpty())
                QCOMPARE(XmlDocument::ElementText(element), expected);
            else
                QCOMPARE(XmlDocument::ElementText(element), expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        }
    }

    void SetText_UnstorableCharacter_Refused()
    {
        XmlDocument document;
        QDomElement root = document.AddTopLevelElement("R");

        QVERIFY_THROWS_EXCEPTION(Error, document.SetText(root, QStringLiteral("a\x01")));
        QVERIFY_THROWS_EXCEPTION(Error, XmlDocument::SetAttribute(root, "A", QString(QChar(0xD800))));
        QVERIFY_THROWS_EXCEPTION(Error, XmlDocument::SetAttribute(root, "A", QString(QChar(0xFFFF))));
    }

    void Save_Failure_ThrowsAndKeepsFolder()
    {
        QTemporaryDir dir;
        XmlDocument document;
        document.AddTopLevelElement("R");

        try {
            document.Save(dir.filePath("no/such/folder/doc.xml"));
            QFAIL("no error");
        } catch (const Error& error) {
            QVERIFY2(error.message().contains("no/such/folder/doc.xml"), qPrintable(error.message()));
        }
        // A folder where the file should be: the save fails and the folder is untouched.
        QVERIFY(QDir(dir.path()).mkdir("taken.xml"));
        WriteFile(dir.filePath("taken.xml/inside.txt"), "keep");
        QVERIFY_THROWS_EXCEPTION(Error, document.Save(dir.filePath("taken.xml")));
        QCOMPARE(ReadFile(dir.filePath("taken.xml/inside.txt")), QByteArray("keep"));
    }

    void Save_ReplacesExistingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("doc.xml");
        WriteFile(path, QByteArray(5000, 'x'));
        XmlDocument document;
        document.AddTopLevelElement("R");

        document.Save(path);

        QCOMPARE(ReadFile(path), QByteArray("<R/>"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"doc.xml"});
    }
};

QTEST_GUILESS_MAIN(TestXmlDocument)
#include "test_xmldocument.moc"
