#include "sdovariables.h"

#include "error.h"
#include "integertext.h"
#include "xmldocument.h"

#include <QFileInfo>

namespace trellim {

const std::array<QString, 3> AccessCodeTexts = {
    QStringLiteral("RO - Holding Register (Fun 3)"),
    QStringLiteral("RW - Holding Register (Fun 3,6)"),
    QStringLiteral("RO - Input Register (Fun 4)"),
};

const std::array<const char*, 9> SdoRowAttributes = {
    "Index", "IP_Add_B1", "IP_Add_B2", "IP_Add_B3", "IP_Add_B4", "Address_Word", "Quantity", "Read_Write", "Mnemonic"};

QString AccessCodeText(std::int64_t code)
{
    if (code < 0 || code >= static_cast<std::int64_t>(AccessCodeTexts.size()))
        return {};
    return AccessCodeTexts[static_cast<std::size_t>(code)];
}

std::optional<std::uint8_t> AccessCodeFromText(const QString& text)
{
    for (std::size_t i = 0; i < AccessCodeTexts.size(); ++i) {
        if (AccessCodeTexts[i] == text)
            return static_cast<std::uint8_t>(i);
    }
    return std::nullopt;
}

namespace {

struct StopReading {
    QString reason;
};

QString Required(const QDomElement& row, const char* name, int rowNumber)
{
    const auto value = XmlDocument::Attribute(row, QString::fromLatin1(name));
    if (!value)
        throw StopReading{QStringLiteral("Row %1 of the SDO table has no attribute %2.").arg(rowNumber).arg(QLatin1String(name))};
    return *value;
}

QString DecimalOrZero(const QString& text)
{
    return QString::number(ParseIntegerText(text).value_or(0));
}

} // namespace

SdoReadResult SdoVariablesFromDocument(const XmlDocument& document, int maxRows)
{
    SdoReadResult result;
    const QDomNode table = document.FirstTopLevelNode();
    if (table.isNull())
        return result;
    if (!table.isElement()) {
        // Hand-made files may start with a declaration or comment; the table then reads empty.
        const bool hasRows = !table.nextSiblingElement().isNull();
        if (hasRows) {
            result.StoppedEarly = true;
            result.StopReason = QStringLiteral("The SDO table does not start the document (it is preceded by %1), so no row was read.")
                                    .arg(table.nodeName());
        }
        return result;
    }

    int rowNumber = 0;
    for (QDomNode node = table.firstChild(); !node.isNull(); node = node.nextSibling()) {
        ++rowNumber;
        if (rowNumber > maxRows) {
            result.StoppedEarly = true;
            result.StopRow = rowNumber;
            result.StopReason = QStringLiteral("The SDO table holds more than %1 rows; only the first %1 were read.").arg(maxRows);
            break;
        }
        if (!node.isElement()) {
            result.StoppedEarly = true;
            result.StopRow = rowNumber;
            result.StopReason = QStringLiteral("Row %1 of the SDO table is not an element.").arg(rowNumber);
            break;
        }
        const QDomElement row = node.toElement();
        result.Rows.append(SdoGridRow{});
        SdoGridRow& cells = result.Rows.last();
        try {
            const auto index = static_cast<std::uint32_t>(ParseIntegerText(Required(row, "Index", rowNumber)).value_or(0));
            cells.Index = u'$' + QString::number(index, 16).toUpper().rightJustified(4, u'0');
            const QString b1 = Required(row, "IP_Add_B1", rowNumber);
            const QString b2 = Required(row, "IP_Add_B2", rowNumber);
            const QString b3 = Required(row, "IP_Add_B3", rowNumber);
            const QString b4 = Required(row, "IP_Add_B4", rowNumber);
            cells.Address = b1 + u'.' + b2 + u'.' + b3 + u'.' + b4;
            cells.AddressWord = DecimalOrZero(Required(row, "Address_Word", rowNumber));
            cells.Quantity = DecimalOrZero(Required(row, "Quantity", rowNumber));
            const auto code = ParseIntegerText(Required(row, "Read_Write", rowNumber));
            cells.Access = code ? AccessCodeText(*code) : QString();
            cells.Mnemonic = Required(row, "Mnemonic", rowNumber);
        } catch (const StopReading& stop) {
            result.StoppedEarly = true;
            result.StopRow = rowNumber;
            result.StopReason = stop.reason;
            break;
        }
    }
    return result;
}

SdoReadResult ReadSdoVariables(const QString& path, int maxRows)
{
    if (!QFileInfo::exists(path))
        return {};
    XmlDocument document;
    try {
        document.Load(path);
    } catch (const Error& error) {
        SdoReadResult result;
        result.StoppedEarly = true;
        result.StopReason = error.message();
        return result;
    }
    return SdoVariablesFromDocument(document, maxRows);
}

void BuildSdoVariablesDocument(XmlDocument& document, const QList<TMyRec>& rows)
{
    document.Clear();
    QDomElement root = document.AddTopLevelElement(QString::fromLatin1(SdoRootElement));
    for (const TMyRec& record : rows) {
        QDomElement row = document.AddChildElement(root, QString::fromLatin1(SdoRowElement));
        const std::array<QString, 9> values = {
            QString::number(record.Index), QString::number(record.IpAddB1), QString::number(record.IpAddB2),
            QString::number(record.IpAddB3), QString::number(record.IpAddB4), QString::number(record.AddressWord),
            QString::number(record.Quantity), QString::number(record.ReadWrite), record.Mnemonic};
        for (std::size_t i = 0; i < values.size(); ++i)
            XmlDocument::SetAttribute(row, QString::fromLatin1(SdoRowAttributes[i]), values[i]);
    }
}

void WriteSdoVariables(const QString& path, const QList<TMyRec>& rows)
{
    XmlDocument document;
    BuildSdoVariablesDocument(document, rows);
    document.Save(path);
}

} // namespace trellim
