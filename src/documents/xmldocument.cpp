#include "xmldocument.h"

#include "error.h"
#include "savefile.h"

#include <QDomNamedNodeMap>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <cstring>
#include <functional>

#include <algorithm>
#include <climits>

namespace trellim {

namespace {

// How the bytes are encoded, as far as the load checks need to know.
enum class SourceEncoding { Utf8, Utf16or32, Declared };

SourceEncoding DetectEncoding(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return SourceEncoding::Utf8;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")
        || bytes.startsWith(QByteArray("\0\0\xFE\xFF", 4)))
        return SourceEncoding::Utf16or32;
    // UTF-16 without a byte order mark still starts with '<' next to a zero byte.
    if (bytes.size() >= 2 && ((bytes[0] == '<' && bytes[1] == '\0') || (bytes[0] == '\0' && bytes[1] == '<')))
        return SourceEncoding::Utf16or32;
    if (bytes.startsWith("<?xml")) {
        const qsizetype end = bytes.indexOf("?>");
        const QByteArray declaration = bytes.left(end < 0 ? 200 : end);
        static const QRegularExpression encodingPattern(
            QStringLiteral("encoding\\s*=\\s*[\"']([^\"']*)[\"']"));
        const auto match = encodingPattern.match(QString::fromLatin1(declaration));
        if (match.hasMatch()) {
            const QString name = match.captured(1).toLower();
            if (name != u"utf-8" && name != u"utf8")
                return SourceEncoding::Declared;
        }
    }
    return SourceEncoding::Utf8;
}

// Offset of the first byte that breaks strict UTF-8 (overlong forms, surrogates and values
// above U+10FFFF included), or -1 when the bytes are valid.
qsizetype FirstInvalidUtf8(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        // Documents are mostly ASCII: skip it eight bytes at a time.
        if (i + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, data + i, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = data[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        std::uint32_t value = 0;
        std::uint32_t minimum = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2; value = c & 0x1F; minimum = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3; value = c & 0x0F; minimum = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4; value = c & 0x07; minimum = 0x10000;
        } else {
            return i;
        }
        if (i + length > size)
            return i;
        for (int k = 1; k < length; ++k) {
            const unsigned char next = data[i + k];
            if ((next & 0xC0) != 0x80)
                return i;
            value = (value << 6) | (next & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return i;
        i += length;
    }
    return -1;
}

int LineOfOffset(const QByteArray& bytes, qsizetype offset)
{
    return static_cast<int>(QByteArrayView(bytes.constData(), offset).count('\n')) + 1;
}

QString DecodeForMessage(const QByteArray& bytes)
{
    if (const auto encoding = QStringConverter::encodingForData(bytes, u'<')) {
        QStringDecoder decoder(*encoding);
        return decoder(bytes);
    }
    if (DetectEncoding(bytes) == SourceEncoding::Declared)
        return QString::fromLatin1(bytes);
    return QString::fromUtf8(bytes);
}

// The first 40 characters of a source line, with control characters made visible so a
// binary file cannot garble the message box.
QString OffendingLine(const QByteArray& bytes, int lineNumber)
{
    const QString text = DecodeForMessage(bytes);
    qsizetype start = 0;
    for (int line = 1; line < lineNumber; ++line) {
        const qsizetype nl = text.indexOf(u'\n', start);
        if (nl < 0)
            return {};
        start = nl + 1;
    }
    qsizetype end = text.indexOf(u'\n', start);
    if (end < 0)
        end = text.size();
    QString line = text.mid(start, end - start);
    if (line.endsWith(u'\r'))
        line.chop(1);
    line.truncate(40);
    for (QChar& c : line) {
        if (c.unicode() < 0x20 && c != u'\t')
            c = QChar(0xFFFD);
    }
    return line;
}

[[noreturn]] void ThrowParseError(const QString& reason, int line, const QByteArray& bytes)
{
    throw Error(reason + QStringLiteral("\nLine: ") + QString::number(line) + u'\n'
                + OffendingLine(bytes, line));
}

// Checks the byte level before any parsing: the parser would otherwise replace some bad
// sequences silently or give a puzzling message.
void CheckBytes(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        ThrowParseError(QStringLiteral("The document is empty."), 1, bytes);
    if (DetectEncoding(bytes) != SourceEncoding::Utf8)
        return;
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        ThrowParseError(QStringLiteral("The file holds binary data (a zero byte at offset %1), not XML text.")
                            .arg(nul),
                        LineOfOffset(bytes, nul), bytes);
    const qsizetype bad = FirstInvalidUtf8(bytes);
    if (bad >= 0)
        ThrowParseError(QStringLiteral("The document is not valid UTF-8 text (invalid byte sequence at offset %1).")
                            .arg(bad),
                        LineOfOffset(bytes, bad), bytes);
}

// A streaming pass ahead of the DOM: it refuses entity declarations (expansion bombs) and
// absurd nesting or node counts, which the DOM would otherwise take minutes or gigabytes for.
void CheckStructure(const QByteArray& bytes, const std::function<void(const QXmlStreamReader&)>& onToken = {})
{
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    qint64 nodes = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            if (!reader.entityDeclarations().isEmpty())
                ThrowParseError(QStringLiteral("The document declares entities, which are not accepted."),
                                static_cast<int>(reader.lineNumber()), bytes);
            break;
        case QXmlStreamReader::StartElement:
            if (++depth > XmlDocument::kMaxDepth)
                ThrowParseError(QStringLiteral("The elements are nested more than %1 levels deep.")
                                    .arg(XmlDocument::kMaxDepth),
                                static_cast<int>(reader.lineNumber()), bytes);
            nodes += 1 + reader.attributes().size();
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            ++nodes;
            break;
        }
        if (nodes > XmlDocument::kMaxNodes)
            ThrowParseError(QStringLiteral("The document holds more than %1 nodes.").arg(XmlDocument::kMaxNodes),
                            static_cast<int>(reader.lineNumber()), bytes);
        if (onToken && !reader.hasError())
            onToken(reader);
    }
    if (reader.hasError())
        ThrowParseError(reader.errorString(), static_cast<int>(reader.lineNumber()), bytes);
}

// XML 1.0 characters: tab, line feed, carriage return, U+0020..U+D7FF, U+E000..U+FFFD and
// valid surrogate pairs. Returns the first other code unit, or nullopt.
std::optional<char16_t> FirstUnstorableChar(const QString& text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = text[i].unicode();
        if (u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xD7FF) || (u >= 0xE000 && u <= 0xFFFD))
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            continue;
        }
        return u;
    }
    return std::nullopt;
}

void CheckStorable(const QString& text, const QString& where)
{
    if (const auto bad = FirstUnstorableChar(text))
        throw Error(QStringLiteral("The value of %1 holds the character U+%2, which cannot be stored in an XML document.")
                        .arg(where)
                        .arg(static_cast<unsigned>(*bad), 4, 16, QChar(u'0')));
}

// QDom keeps attributes in a hash, so its own output shuffles them from run to run. The writer
// orders them by when each name was first set in this process (names never set come after,
// sorted), which gives every row of a table the order its writer used.
QHash<QString, int>& AttributeRanks()
{
    static QHash<QString, int> ranks;
    return ranks;
}

void NoteAttributeName(const QString& name)
{
    QHash<QString, int>& ranks = AttributeRanks();
    if (!ranks.contains(name))
        ranks.insert(name, static_cast<int>(ranks.size()));
}

void AppendEscaped(QString& out, const QString& text, bool attribute)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&': out += QLatin1String("&amp;"); break;
        case u'<': out += QLatin1String("&lt;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'\r': out += QLatin1String("&#xd;"); break;
        case u'"': out += attribute ? QLatin1String("&quot;") : QLatin1String("\""); break;
        case u'\n': out += attribute ? QLatin1String("&#xa;") : QLatin1String("\n"); break;
        case u'\t': out += attribute ? QLatin1String("&#x9;") : QLatin1String("\t"); break;
        default: out += c; break;
        }
    }
}

void AppendNode(QString& out, const QDomNode& node)
{
    switch (node.nodeType()) {
    case QDomNode::ElementNode: {
        const QDomElement element = node.toElement();
        out += u'<' + element.tagName();
        const QDomNamedNodeMap map = element.attributes();
        QList<QDomAttr> attributes;
        for (int i = 0; i < map.count(); ++i)
            attributes.append(map.item(i).toAttr());
        const QHash<QString, int>& ranks = AttributeRanks();
        std::sort(attributes.begin(), attributes.end(), [&ranks](const QDomAttr& a, const QDomAttr& b) {
            const int ra = ranks.value(a.name(), INT_MAX);
            const int rb = ranks.value(b.name(), INT_MAX);
            return ra != rb ? ra < rb : a.name() < b.name();
        });
        for (const QDomAttr& attribute : attributes) {
            out += u' ' + attribute.name() + QLatin1String("=\"");
            AppendEscaped(out, attribute.value(), true);
            out += u'"';
        }
        if (!element.hasChildNodes()) {
            out += QLatin1String("/>");
            break;
        }
        out += u'>';
        for (QDomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling())
            AppendNode(out, child);
        out += QLatin1String("</") + element.tagName() + u'>';
        break;
    }
    case QDomNode::TextNode:
        AppendEscaped(out, node.nodeValue(), false);
        break;
    case QDomNode::CDATASectionNode:
        out += QLatin1String("<![CDATA[")
               + node.nodeValue().replace(QLatin1String("]]>"), QLatin1String("]]]]><![CDATA[>"))
               + QLatin1String("]]>");
        break;
    case QDomNode::CommentNode:
        out += QLatin1String("<!--") + node.nodeValue() + QLatin1String("-->");
        break;
    case QDomNode::ProcessingInstructionNode: {
        const QDomProcessingInstruction instruction = node.toProcessingInstruction();
        // The declaration is never written back.
        if (instruction.target() != u"xml")
            out += QLatin1String("<?") + instruction.target() + u' ' + instruction.data() + QLatin1String("?>");
        break;
    }
    default:
        // Document types and entity nodes carry nothing the documents use.
        break;
    }
}

bool IsBlankOnly(const QString& text)
{
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            return false;
    }
    return true;
}

} // namespace

void XmlDocument::Load(const QString& path)
{
    doc_.clear();
    LoadFromBytes(ReadDocumentFile(path));
}

QByteArray XmlDocument::ReadDocumentFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    const auto tooLarge = [&path] {
        return Error(QStringLiteral("The file \"%1\" is too large to be a document of this tool (more than %2 MiB).")
                         .arg(path)
                         .arg(kMaxBytes / (1024 * 1024)));
    };
    if (!file.isSequential() && file.size() > kMaxBytes)
        throw tooLarge();
    // A file of known size is read whole; from a device without a size, one
    // byte past the limit is read so that it is bounded too.
    const QByteArray bytes = file.isSequential() ? file.read(kMaxBytes + 1) : file.readAll();
    if (bytes.size() > kMaxBytes)
        throw tooLarge();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    return bytes;
}

void XmlDocument::LoadFromBytes(const QByteArray& bytes)
{
    doc_.clear();
    StreamChecked(bytes, {});

    QDomDocument parsed;
    QString reason;
    int line = 0;
    int column = 0;
    if (!parsed.setContent(bytes, false, &reason, &line, &column))
        ThrowParseError(reason, line, bytes);
    doc_ = parsed;
}

void XmlDocument::StreamChecked(const QByteArray& bytes, const std::function<void(const QXmlStreamReader&)>& onToken)
{
    if (bytes.size() > kMaxBytes)
        throw Error(QStringLiteral("The document is too large (more than %1 MiB).").arg(kMaxBytes / (1024 * 1024)));
    CheckBytes(bytes);
    CheckStructure(bytes, onToken);
}

QDomNode XmlDocument::FirstTopLevelNode() const
{
    return doc_.firstChild();
}

QDomElement XmlDocument::FirstTopLevelElement(const QString& name) const
{
    return doc_.firstChildElement(name);
}

QDomElement XmlDocument::FirstChildElement(const QDomNode& parent, const QString& name)
{
    return parent.firstChildElement(name);
}

int XmlDocument::ChildCount(const QDomNode& parent)
{
    return parent.childNodes().count();
}

QDomNode XmlDocument::ChildAt(const QDomNode& parent, int position)
{
    return parent.childNodes().at(position);
}

QString XmlDocument::ElementText(const QDomElement& element)
{
    QString text;
    for (QDomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.isElement())
            throw Error(QStringLiteral("Element %1 holds elements where a text was expected.")
                            .arg(element.tagName()));
        if (child.isText() || child.isCDATASection())
            text += child.nodeValue();
    }
    return text;
}

std::optional<QString> XmlDocument::Attribute(const QDomElement& element, const QString& name)
{
    if (!element.hasAttribute(name))
        return std::nullopt;
    return element.attribute(name);
}

void XmlDocument::Clear()
{
    doc_ = QDomDocument();
}

QDomElement XmlDocument::AddTopLevelElement(const QString& name)
{
    QDomElement element = doc_.createElement(name);
    doc_.appendChild(element);
    return element;
}

QDomElement XmlDocument::AddChildElement(QDomElement& parent, const QString& name)
{
    QDomElement element = doc_.createElement(name);
    parent.appendChild(element);
    return element;
}

void XmlDocument::SetText(QDomElement& element, const QString& text)
{
    CheckStorable(text, QStringLiteral("element %1").arg(element.tagName()));
    while (!element.firstChild().isNull())
        element.removeChild(element.firstChild());
    if (text.isEmpty())
        return;
    // The parser drops text nodes made of blanks only; CDATA keeps them.
    if (IsBlankOnly(text))
        element.appendChild(doc_.createCDATASection(text));
    else
        element.appendChild(doc_.createTextNode(text));
}

void XmlDocument::SetAttribute(QDomElement& element, const QString& name, const QString& value)
{
    CheckStorable(value, QStringLiteral("attribute %1").arg(name));
    NoteAttributeName(name);
    element.setAttribute(name, value);
}

QByteArray XmlDocument::ToBytes() const
{
    QString out;
    for (QDomNode node = doc_.firstChild(); !node.isNull(); node = node.nextSibling())
        AppendNode(out, node);
    return out.toUtf8();
}

void XmlDocument::Save(const QString& path) const
{
    SaveFileWhole(path, ToBytes());
}

} // namespace trellim
