#include "tablereader.h"

#include "xmldocument.h"

#include <QXmlStreamReader>

namespace trellim {

TableHead ReadTable(const QByteArray& bytes, const TableChildVisitor& onChild)
{
    TableHead head;
    bool firstSeen = false;
    int depth = 0;
    const auto noteTopLevel = [&](const QString& name, bool isElement) {
        if (depth != 0 || firstSeen)
            return;
        firstSeen = true;
        head.firstNodeName = name;
        head.firstNodeIsElement = isElement;
    };
    const auto visit = [&](const QXmlStreamReader* row) {
        if (depth == 1 && head.firstNodeIsElement)
            onChild(row);
    };

    XmlDocument::StreamChecked(bytes, [&](const QXmlStreamReader& reader) {
        switch (reader.tokenType()) {
        case QXmlStreamReader::StartDocument:
            if (!reader.documentVersion().isEmpty())
                noteTopLevel(QStringLiteral("xml"), false);
            break;
        case QXmlStreamReader::Comment:
            noteTopLevel(QStringLiteral("#comment"), false);
            visit(nullptr);
            break;
        case QXmlStreamReader::ProcessingInstruction:
            noteTopLevel(reader.processingInstructionTarget().toString(), false);
            visit(nullptr);
            break;
        case QXmlStreamReader::Characters:
            if (!reader.isWhitespace() || reader.isCDATA())
                visit(nullptr);
            break;
        case QXmlStreamReader::EntityReference:
            visit(nullptr);
            break;
        case QXmlStreamReader::StartElement:
            noteTopLevel(reader.qualifiedName().toString(), true);
            visit(&reader);
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    });
    return head;
}

} // namespace trellim
