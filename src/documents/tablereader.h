#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QXmlStreamReader;

namespace trellim {

// The first top-level node of a table document: a DOM node name ("xml" for
// a declaration, "#comment", the element's name) and whether it is an
// element. An empty name means the document has no node.
struct TableHead {
    QString firstNodeName;
    bool firstNodeIsElement = false;
};

// Called once per child node of the table (the first top-level node, when
// it is an element), in document order, as a DOM load presents them: a
// document type declaration and blank text between elements are no nodes;
// comments, processing instructions, other text and CDATA are nodes that are
// no elements (row is null then). For an element, row is the reader standing
// on its start tag, valid only during the call.
using TableChildVisitor = std::function<void(const QXmlStreamReader* row)>;

// Streams a table document (var.xml) in one pass without building a DOM.
// Refuses exactly what XmlDocument::LoadFromBytes refuses, with the same
// texts, by throwing trellim::Error; that may happen after some calls of
// onChild, so callers keep what they gather until ReadTable returns.
TableHead ReadTable(const QByteArray& bytes, const TableChildVisitor& onChild);

} // namespace trellim
