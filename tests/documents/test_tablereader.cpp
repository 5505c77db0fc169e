#include "documents/error.h"
#include "documents/tablereader.h"
#include "documents/xmldocument.h"

#include <QTest>

using namespace trellim;

// The streaming table reader must see exactly the nodes the DOM load sees.
class TableReaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ReadTableNodes_AgreesWithDom_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("rows") << QByteArray("<T><row a=\"1\"/><row a=\"2\" b=\"\"/></T>");
        QTest::newRow("indented rows") << QByteArray("<T>\n  <row a=\"1\"/>\n\t<row a=\"2\"/>\n</T>\n");
        QTest::newRow("empty table") << QByteArray("<T/>");
        QTest::newRow("declaration first") << QByteArray("<?xml version=\"1.0\"?><T><row/></T>");
        QTest::newRow("doctype first") << QByteArray("<!DOCTYPE T><T><row/></T>");
        QTest::newRow("declaration and doctype") << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE T>\n<T><row/></T>");
        QTest::newRow("comment first") << QByteArray("<!-- c --><T><row/></T>");
        QTest::newRow("comment inside") << QByteArray("<T><row/><!-- c --><row/></T>");
        QTest::newRow("text inside") << QByteArray("<T><row/>x<row/></T>");
        QTest::newRow("cdata inside") << QByteArray("<T><![CDATA[ ]]><row/></T>");
        QTest::newRow("instruction inside") << QByteArray("<T><?pi data?><row/></T>");
        QTest::newRow("nested elements") << QByteArray("<T><row><inner/></row></T>");
    }

    void ReadTableNodes_AgreesWithDom()
    {
        QFETCH(QByteArray, xml);
        XmlDocument dom;
        dom.LoadFromBytes(xml);
        const QDomNode first = dom.FirstTopLevelNode();

        const TableNodes nodes = ReadTableNodes(xml);

        QCOMPARE(nodes.firstNodeName, first.nodeName());
        QCOMPARE(nodes.firstNodeIsElement, first.isElement());
        const int domChildren = first.isElement() ? XmlDocument::ChildCount(first) : 0;
        QCOMPARE(int(nodes.children.size()), domChildren);
        for (int i = 0; i < domChildren; ++i) {
            const QDomNode child = XmlDocument::ChildAt(first, i);
            QCOMPARE(nodes.children[i].isElement, child.isElement());
            QCOMPARE(int(nodes.children[i].attributes.size()), child.attributes().count());
        }
    }

    void ReadTableNodes_RefusesLikeDom_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("unclosed root") << QByteArray("<T><row/>\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("invalid UTF-8") << QByteArray("<T a=\"\xC3\x28\"/>");
        QTest::newRow("entity declaration")
            << QByteArray("<!DOCTYPE T [<!ENTITY a \"aaaa\">]><T>&a;</T>");
    }

    void ReadTableNodes_RefusesLikeDom()
    {
        QFETCH(QByteArray, xml);
        QString domError;
        try {
            XmlDocument().LoadFromBytes(xml);
        } catch (const Error& error) {
            domError = error.message();
        }
        QVERIFY(!domError.isEmpty());

        try {
            ReadTableNodes(xml);
            QFAIL("accepted");
        } catch (const Error& error) {
            QCOMPARE(error.message(), domError);
        }
    }
};

QTEST_GUILESS_MAIN(TableReaderTest)
#include "test_tablereader.moc"
