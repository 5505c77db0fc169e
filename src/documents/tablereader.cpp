#include "tablereader.h"

#include "error.h"
#include "xmldocument.h"

#include <QXmlStreamReader>

namespace trellim {

namespace {

[[noreturn]] void ThrowReadError(const QByteArray& bytes, const QString& reason)
{
    // The DOM load words the error as every other reader reports it.
    XmlDocument().LoadFromBytes(bytes);
    throw Error(reason);
}

} // namespace

TableNodes ReadTableNodes(const QByteArray& bytes)
{
    XmlDocument::CheckLoadable(bytes);

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

    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
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
    }
    if (reader.hasError())
        ThrowReadError(bytes, reader.errorString());
    return nodes;
}

} // namespace trellim
