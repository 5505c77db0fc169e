#include "configurationimage.h"

#include "documents/integertext.h"
#include "documents/savefile.h"
#include "documents/tablereader.h"
#include "documents/xmldocument.h"

#include <QDomElement>
#include <QHash>
#include <QXmlStreamReader>

#include <algorithm>
#include <optional>

namespace trellim {

namespace {

const QString kVariablesName = QStringLiteral("var.xml");
const QString kPdoName = QStringLiteral("pdo.xml");
const QString kGeneralName = QStringLiteral("pargen.xml");

// The attributes of an SDO record in storage order, with their widths.
struct SdoField {
    QString attribute;
    int width;
};

const std::array<SdoField, 8>& SdoFields()
{
    static const std::array<SdoField, 8> fields{{
        {QStringLiteral("Index"), 2},
        {QStringLiteral("IP_Add_B1"), 1},
        {QStringLiteral("IP_Add_B2"), 1},
        {QStringLiteral("IP_Add_B3"), 1},
        {QStringLiteral("IP_Add_B4"), 1},
        {QStringLiteral("Address_Word"), 2},
        {QStringLiteral("Quantity"), 1},
        {QStringLiteral("Read_Write"), 1},
    }};
    return fields;
}

// Element names of one PDO: its element under PDO_Setting, its dimension
// element and, per word, its cells in storage order with their widths.
struct PdoNames {
    QString element;
    QString dimension;
    std::array<std::array<QString, 6>, kPdoWordCount> cells;
};

struct PdoNameTable {
    std::array<PdoNames, kPdoCount> transmit;
    std::array<PdoNames, kPdoCount> receive;
};

const PdoNameTable& PdoNamesTable()
{
    static const PdoNameTable table = [] {
        PdoNameTable built;
        for (int n = 1; n <= kPdoCount; ++n) {
            for (const bool transmit : {true, false}) {
                PdoNames& names = (transmit ? built.transmit : built.receive)[n - 1];
                const QString prefix = (transmit ? QStringLiteral("TP") : QStringLiteral("RP"))
                                       + QString::number(n);
                names.element = (transmit ? QStringLiteral("Trasmite_PDO") : QStringLiteral("Recive_PDO"))
                                + QString::number(n);
                names.dimension = prefix + QStringLiteral("_Dimension");
                for (int w = 1; w <= kPdoWordCount; ++w) {
                    const QString word = prefix + QStringLiteral("_W") + QString::number(w);
                    auto& cells = names.cells[w - 1];
                    for (int b = 1; b <= 4; ++b)
                        cells[b - 1] = word + QStringLiteral("_Add_Dev_IP_B") + QString::number(b);
                    cells[4] = word + QStringLiteral("_Add_Data");
                    cells[5] = transmit ? word + QStringLiteral("_Delta_Send") : QString();
                }
            }
        }
        return built;
    }();
    return table;
}

constexpr std::array<int, 6> kPdoCellWidths{1, 1, 1, 1, 2, 2};

// The loader's messages span lines (reason, "Line: n", the offending text);
// a composition cause is one line.
QString OneLine(const QString& message)
{
    QStringList lines = message.split(u'\n');
    if (lines.size() == 3 && lines.at(1).startsWith(QStringLiteral("Line: ")))
        return QStringLiteral("not well-formed XML: %1 at line %2 (\"%3\")")
            .arg(lines.at(0), lines.at(1).mid(6), lines.at(2));
    for (QString& line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    return lines.join(u' ');
}

void LoadDocument(XmlDocument& document, const QString& path, const QString& documentName)
{
    try {
        document.Load(path);
    } catch (const Error& error) {
        QString reason = OneLine(error.message());
        if (reason.endsWith(u'.'))
            reason.chop(1);
        throw CompositionFailure(documentName + QStringLiteral(": ") + reason);
    }
}

QString NotIntegerText(const QString& where, const QString& text)
{
    return QStringLiteral("%1 holds '%2', which is not a valid integer value").arg(where, text);
}

// The text of an element with text content only; nullopt when it holds elements.
std::optional<QString> TextOf(const QDomElement& element)
{
    QString text;
    for (QDomNode child = element.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (child.isElement())
            return std::nullopt;
        if (child.isText() || child.isCDATASection())
            text += child.toCharacterData().data();
    }
    return text;
}

// The first child element of each name, found in one pass over the children
// (a lookup by name per field would scan them again and again).
class FirstChildren {
public:
    explicit FirstChildren(const QDomElement& parent)
    {
        for (QDomElement child = parent.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
        {
            const QString name = child.tagName();
            if (!children_.contains(name))
                children_.insert(name, child);
        }
    }
    QDomElement Find(const QString& name) const { return children_.value(name); }

private:
    QHash<QString, QDomElement> children_;
};

// Converts the text of a required element; on failure throws with context()
// (built only then) and the element's name.
template <typename Context>
std::int32_t RequiredElementValue(const QDomElement& element, const QString& name, const Context& context,
                                  bool emptyIsZero)
{
    const auto failure = [&](const QString& what) {
        return CompositionFailure(context() + QStringLiteral("element ") + name + what);
    };
    if (element.isNull())
        throw failure(QStringLiteral(" is missing"));
    const std::optional<QString> text = TextOf(element);
    if (!text)
        throw failure(QStringLiteral(" holds elements instead of a text"));
    if (text->isEmpty()) {
        if (emptyIsZero)
            return 0;
        throw failure(QStringLiteral(" is empty"));
    }
    const std::optional<std::int32_t> value = ParseIntegerText(*text);
    if (!value)
        throw failure(QStringLiteral(" holds '%1', which is not a valid integer value").arg(*text));
    return *value;
}

// An element's integer value, or nullopt when it is missing, empty, holds
// elements or is not integer text.
std::optional<std::int32_t> OptionalElementValue(const QDomElement& element)
{
    if (element.isNull())
        return std::nullopt;
    const std::optional<QString> text = TextOf(element);
    if (!text)
        return std::nullopt;
    return ParseIntegerText(*text);
}

} // namespace

ImageComposer::ImageComposer() = default;

void ImageComposer::Put8(int offset, std::int32_t value)
{
    buffer_[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(value & 0xFF);
}

void ImageComposer::Put16(int offset, std::int32_t value)
{
    Put8(offset, value);
    Put8(offset + 1, value >> 8);
}

void ImageComposer::Put32(int offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        buffer_[static_cast<std::size_t>(offset + i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

CompositionOutcome ImageComposer::ComposeImage(const QString& variablesPath, const QString& pdoPath,
                                               const QString& generalParametersPath)
{
    tpdoDimensions_.fill(kDefaultPdoDimension);
    rpdoDimensions_.fill(kDefaultPdoDimension);
    warnings_.clear();
    Put32(0, kImageHeaderSize);
    position_ = kImageHeaderSize;

    CompositionOutcome outcome;
    try {
        outcome.sdoRows = ComposeSdoTable(variablesPath);

        // pdo.xml is read once for both PDO blocks.
        Put32(4, static_cast<std::uint32_t>(position_));
        XmlDocument pdoDocument;
        LoadDocument(pdoDocument, pdoPath, kPdoName);
        position_ = ComposePdoBlock(pdoDocument, position_, true);

        Put32(8, static_cast<std::uint32_t>(position_));
        position_ = ComposePdoBlock(pdoDocument, position_, false);

        Put32(12, static_cast<std::uint32_t>(position_));
        ComposeGeneralBlock(generalParametersPath, outcome.sdoRows);
        outcome.complete = true;
    } catch (const CompositionFailure& failure) {
        outcome.cause = failure.message() + QStringLiteral("; the image stops at byte ")
                        + QString::number(position_);
    }
    length_ = position_;
    outcome.length = length_;
    outcome.warnings = warnings_;
    return outcome;
}

int ImageComposer::ComposeSdoTable(const QString& variablesPath)
{
    // var.xml is streamed rather than built into a DOM (ten times faster for
    // 1400 rows). Records are staged until the whole document has been read,
    // so a document that is not well-formed gives the header alone.
    staging_.clear();
    int available = 0;
    std::optional<CompositionFailure> rowFailure;
    const auto readRow = [&](const QXmlStreamReader& row) {
        const QXmlStreamAttributes attributes = row.attributes();
        for (const SdoField& field : SdoFields()) {
            const auto where = [&] {
                return QStringLiteral("%1 row %2: attribute %3").arg(kVariablesName).arg(available).arg(field.attribute);
            };
            if (!attributes.hasAttribute(field.attribute))
                throw CompositionFailure(where() + QStringLiteral(" is missing"));
            const QStringView text = attributes.value(field.attribute);
            if (text.isEmpty())
                throw CompositionFailure(where() + QStringLiteral(" is empty"));
            const std::optional<std::int32_t> value = ParseIntegerText(text);
            if (!value)
                throw CompositionFailure(NotIntegerText(where(), text.toString()));
            staging_.push_back(static_cast<std::uint8_t>(*value & 0xFF));
            if (field.width == 2)
                staging_.push_back(static_cast<std::uint8_t>((*value >> 8) & 0xFF));
        }
    };

    TableHead table;
    try {
        table = ReadTable(XmlDocument::ReadDocumentFile(variablesPath), [&](const QXmlStreamReader* row) {
            // The rows are the table's child elements; those past the limit are not read.
            if (!row || ++available > MaxImageSdoRows || rowFailure)
                return;
            try {
                readRow(*row);
            } catch (const CompositionFailure& failure) {
                rowFailure = failure;
            }
        });
    } catch (const Error& error) {
        throw CompositionFailure(kVariablesName + QStringLiteral(": ") + OneLine(error.message()));
    }

    // The table is the first top-level node, whatever its name. A hand-made
    // file that begins with a declaration or comment would hide all its rows,
    // so it stops the composition instead of giving an image without them.
    if (!table.firstNodeIsElement) {
        const QString before = table.firstNodeName == u"xml"        ? QStringLiteral("an XML declaration")
                               : table.firstNodeName == u"#comment" ? QStringLiteral("a comment")
                                                                    : QStringLiteral("a processing instruction");
        throw CompositionFailure(
            QStringLiteral("%1: the SDO table does not start the document (%2 comes before it), so its rows "
                           "would be lost; remove what precedes the table")
                .arg(kVariablesName, before));
    }
    const int rows = std::min(available, MaxImageSdoRows);
    if (available > rows)
        warnings_ << QStringLiteral("%1 holds %2 rows; only the first %3 go into the image")
                         .arg(kVariablesName)
                         .arg(available)
                         .arg(MaxImageSdoRows);

    // A failing row keeps the fields stored before the failing one.
    std::copy(staging_.cbegin(), staging_.cend(), buffer_.begin() + position_);
    position_ += static_cast<int>(staging_.size());
    if (rowFailure)
        throw *rowFailure;
    return rows;
}

int ImageComposer::ComposeTransmitPdoBlock(const QString& pdoPath, int position)
{
    XmlDocument document;
    LoadDocument(document, pdoPath, kPdoName);
    return ComposePdoBlock(document, position, true);
}

int ImageComposer::ComposeReceivePdoBlock(const QString& pdoPath, int position)
{
    XmlDocument document;
    LoadDocument(document, pdoPath, kPdoName);
    return ComposePdoBlock(document, position, false);
}

int ImageComposer::ComposePdoBlock(const XmlDocument& document, int position, bool transmit)
{
    const QString settingName = QStringLiteral("PDO_Setting");
    const QDomElement setting = document.FirstTopLevelElement(settingName);
    if (setting.isNull())
        throw CompositionFailure(
            QStringLiteral("%1: top-level element %2 is missing").arg(kPdoName, settingName));

    const auto& table = transmit ? PdoNamesTable().transmit : PdoNamesTable().receive;
    auto& dimensions = transmit ? tpdoDimensions_ : rpdoDimensions_;
    const int cellCount = transmit ? 6 : 5;

    for (int n = 0; n < kPdoCount; ++n) {
        const PdoNames& names = table[static_cast<std::size_t>(n)];
        const QDomElement pdo = XmlDocument::FirstChildElement(setting, names.element);
        if (pdo.isNull())
            throw CompositionFailure(QStringLiteral("%1: element %2 is missing from %3")
                                         .arg(kPdoName, names.element, settingName));
        const FirstChildren children(pdo);
        for (int w = 0; w < kPdoWordCount; ++w) {
            const auto context = [&] {
                return QStringLiteral("%1 %2 PDO %3 word %4: ")
                    .arg(kPdoName, transmit ? QStringLiteral("transmit") : QStringLiteral("receive"))
                    .arg(n + 1)
                    .arg(w + 1);
            };
            const auto& cells = names.cells[static_cast<std::size_t>(w)];
            for (int c = 0; c < cellCount; ++c) {
                const QString& cell = cells[static_cast<std::size_t>(c)];
                const std::int32_t value = RequiredElementValue(children.Find(cell), cell, context, true);
                if (kPdoCellWidths[static_cast<std::size_t>(c)] == 1)
                    Put8(position, value);
                else
                    Put16(position, value);
                position += kPdoCellWidths[static_cast<std::size_t>(c)];
            }
        }
        const std::optional<std::int32_t> code = OptionalElementValue(children.Find(names.dimension));
        dimensions[static_cast<std::size_t>(n)] =
            code ? static_cast<std::uint8_t>((static_cast<std::uint32_t>(*code) + 1u) & 0xFFu) : kDefaultPdoDimension;
    }
    return position;
}

void ImageComposer::ComposeGeneralBlock(const QString& generalParametersPath, int sdoRows)
{
    XmlDocument document;
    LoadDocument(document, generalParametersPath, kGeneralName);
    const QString rootName = QStringLiteral("General_Parameter");
    const QDomElement root = document.FirstTopLevelElement(rootName);
    if (root.isNull())
        throw CompositionFailure(
            QStringLiteral("%1: top-level element %2 is missing").arg(kGeneralName, rootName));

    const FirstChildren children(root);
    const auto context = [] { return kGeneralName + QStringLiteral(": "); };
    for (const GeneralField& field : kGeneralFields) {
        const QString name = QString::fromLatin1(field.element);
        // Unsigned so that INT32_MAX + 1 wraps like every other stored value.
        const auto value = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(RequiredElementValue(children.Find(name), name, context, false))
            + static_cast<std::uint32_t>(field.adjustment));
        if (field.width == 1)
            Put8(position_, value);
        else
            Put16(position_, value);
        position_ += field.width;
    }

    Put16(position_, sdoRows);
    position_ += 2;
    for (const std::uint8_t dimension : tpdoDimensions_)
        Put8(position_++, dimension);
    for (const std::uint8_t dimension : rpdoDimensions_)
        Put8(position_++, dimension);
    const std::optional<std::int32_t> delay = OptionalElementValue(children.Find(QStringLiteral("Delay_TCP_MR")));
    Put16(position_, delay.value_or(kDefaultDelayTcpMr));
    position_ += 2;
}

QByteArray ImageComposer::Image() const
{
    return QByteArray(reinterpret_cast<const char*>(buffer_.data()), length_);
}

void ImageComposer::WriteImageFile(const QString& bankPath) const
{
    SaveFileWhole(bankPath, Image());
}

} // namespace trellim
