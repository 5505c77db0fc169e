#include "documents/error.h"
#include "documents/tablereader.h"
#include "documents/xmldocument.h"

#include <QTest>
#include <QXmlStreamReader>

#include <vector>

using namespace trellim;

namespace {

struct Child {
    bool isElement;
    int attributeCount;
};

TableHead ReadChildren(const QByteArray& xml, std::vector<Child>& children)
{
    return ReadTable(xml, [&](const QXmlStreamReader* row) {
        children.push_back({row != nullptr, row ? int(row->attributes().size()) : 0});
    });
}

} // namespace

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

        std::vector<Child> children;
        const TableHead head = ReadChildren(xml, children);

        QCOMPARE(head.firstNodeName, first.nodeName());
        QCOMPARE(head.firstNodeIsElement, first.isElement());
        const int domChildren = first.isElement() ? XmlDocument::ChildCount(first) : 0;
        QCOMPARE(int(children.size()), domChildren);
        for (int i = 0; i < domChildren; ++i) {
            const QDomNode child = XmlDocument::ChildAt(first, i);
            QCOMPARE(children[i].isElement, child.isElement());
            QCOMPARE(children[i].attributeCount, child.attributes().count());
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
            std::vector<Child> children;
            ReadChildren(xml, children);
            QFAIL("accepted");
        } catch (const Error& error) {
            QCOMPARE(error.message(), domError);
        }
    }
};

QTEST_GUILESS_MAIN(TableReaderTest)
#include "test_tablereader.moc"
