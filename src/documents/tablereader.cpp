#include "tablereader.h"

#include "xmldocument.h"

#include <QXmlStreamReader>

namespace trellim {

TableNodes ReadTableNodes(const QByteArray& bytes)
{
    TableNodes nodes;
    bool firstSeen = false;
    int depth = 0;
    const auto noteTopLevel = [&](const QString& name, bool isElement) {
        if (depth != 0 || firstSeen)
            return;
        firstSeen = true;
        nodes.firstNodeName = name;
        nodes.firstNodeIsElement = isElement;
    };
    const auto addChild = [&](bool isElement, QXmlStreamAttributes attributes = {}) {
        if (depth == 1 && nodes.firstNodeIsElement)
            nodes.children.push_back({isElement, std::move(attributes)});
    };

    XmlDocument::StreamChecked(bytes, [&](const QXmlStreamReader& reader) {
        switch (reader.tokenType()) {
        case QXmlStreamReader::StartDocument:
            if (!reader.documentVersion().isEmpty())
                noteTopLevel(QStringLiteral("xml"), false);
            break;
        case QXmlStreamReader::Comment:
            noteTopLevel(QStringLiteral("#comment"), false);
            addChild(false);
            break;
        case QXmlStreamReader::ProcessingInstruction:
            noteTopLevel(reader.processingInstructionTarget().toString(), false);
            addChild(false);
            break;
        case QXmlStreamReader::Characters:
            if (!reader.isWhitespace() || reader.isCDATA())
                addChild(false);
            break;
        case QXmlStreamReader::EntityReference:
            addChild(false);
            break;
        case QXmlStreamReader::StartElement:
            noteTopLevel(reader.qualifiedName().toString(), true);
            addChild(true, reader.attributes());
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    });
    return nodes;
}

} // namespace trellim
