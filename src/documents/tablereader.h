#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamAttributes>

#include <vector>

namespace trellim {

// One child node of a table document's first top-level node, as a DOM load
// would present it: a document type declaration and blank text between
// elements are no nodes; comments,
// processing instructions, other text and CDATA are nodes without attributes.
struct TableChild {
    bool isElement = false;
    QXmlStreamAttributes attributes;
};

struct TableNodes {
    // The first top-level node: a DOM node name ("xml" for a declaration,
    // "#comment", the element's name) and whether it is an element.
    QString firstNodeName;
    bool firstNodeIsElement = false;
    // The first node's children when it is an element; empty otherwise.
    std::vector<TableChild> children;
};

// Reads a table document (var.xml) in one streaming pass, without building
// a DOM. Refuses exactly what XmlDocument::LoadFromBytes refuses, with the
// same error texts; an empty first node name means the document has no node.
TableNodes ReadTableNodes(const QByteArray& bytes);

} // namespace trellim
