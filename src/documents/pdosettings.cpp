#include "pdosettings.h"

#include "error.h"
#include "integertext.h"
#include "xmldocument.h"

#include <QFileInfo>

#include <optional>

namespace trellim {

namespace {

const char* FieldSuffix(PdoWordField field)
{
    switch (field) {
    case PdoWordField::AddDevIpB1: return "Add_Dev_IP_B1";
    case PdoWordField::AddDevIpB2: return "Add_Dev_IP_B2";
    case PdoWordField::AddDevIpB3: return "Add_Dev_IP_B3";
    case PdoWordField::AddDevIpB4: return "Add_Dev_IP_B4";
    case PdoWordField::AddData: return "Add_Data";
    case PdoWordField::AddMnemonic: return "Add_Mnemonic";
    case PdoWordField::DeltaSend: return "Delta_Send";
    }
    return "";
}

QString Prefix(PdoDirection direction, int pdo)
{
    return (direction == PdoDirection::Transmit ? QStringLiteral("TP") : QStringLiteral("RP")) + QString::number(pdo);
}

constexpr std::array<PdoWordField, 4> OctetFields = {
    PdoWordField::AddDevIpB1, PdoWordField::AddDevIpB2, PdoWordField::AddDevIpB3, PdoWordField::AddDevIpB4};

const QString DeltaSendDefault = QStringLiteral("1000");
constexpr int LengthDefault = 3;  // "8" bytes

struct StopLoading {
    QString cause;
};

// Looks up the value elements of one PDO element. Strict lookups (PDO 1 and 2) end loading
// when the element is missing or unreadable; lenient ones return nullopt.
class PdoReader {
public:
    PdoReader(const QDomElement& pdoElement, const QString& pdoName, bool strict)
        : element_(pdoElement), pdoName_(pdoName), strict_(strict) {}

    std::optional<QString> Text(const QString& name, bool required) const
    {
        const QDomElement child = XmlDocument::FirstChildElement(element_, name);
        if (child.isNull()) {
            if (required && strict_)
                throw StopLoading{QStringLiteral("The element %1 is missing in %2.").arg(name, pdoName_)};
            return std::nullopt;
        }
        try {
            return XmlDocument::ElementText(child);
        } catch (const Error&) {
            if (required && strict_)
                throw StopLoading{QStringLiteral("The element %1 in %2 holds elements where a text was expected.")
                                      .arg(name, pdoName_)};
            return std::nullopt;
        }
    }

private:
    QDomElement element_;
    QString pdoName_;
    bool strict_;
};

int PositionOrNone(std::int32_t value, int count)
{
    return value >= 0 && value < count ? value : -1;
}

void LoadPdo(const QDomElement& root, PdoDirection direction, int pdo, PdoCells& cells)
{
    const bool strict = pdo <= 2;
    const bool transmit = direction == PdoDirection::Transmit;
    const QString pdoName = PdoElementName(direction, pdo);
    const QDomElement pdoElement = XmlDocument::FirstChildElement(root, pdoName);
    if (pdoElement.isNull()) {
        if (strict)
            throw StopLoading{QStringLiteral("The element %1 is missing in %2.").arg(pdoName, QLatin1String(PdoRootElement))};
        for (PdoWordCells& word : cells.Words)
            word.DeltaSend = transmit ? DeltaSendDefault : QString();
        cells.Length = LengthDefault;
        return;
    }
    const PdoReader reader(pdoElement, pdoName, strict);

    if (strict) {
        const QString text = *reader.Text(QStringLiteral("ComboBox"), true);
        const auto value = ParseIntegerText(text);
        if (!value)
            throw StopLoading{QStringLiteral("The element ComboBox in %1 holds '%2', which is not an integer.").arg(pdoName, text)};
        cells.Selector = PositionOrNone(*value, PdoSelectorPositionCount);
    }

    for (int w = 1; w <= PdoWordCount; ++w) {
        PdoWordCells& word = cells.Words[w - 1];
        const auto name = [&](PdoWordField field) { return PdoWordElementName(direction, pdo, w, field); };

        // The address cell grows octet by octet, so a lenient stop leaves e.g. "10.".
        word.AddDev.clear();
        if (const auto first = reader.Text(name(PdoWordField::AddDevIpB1), true); first && !first->isEmpty()) {
            word.AddDev = *first + u'.';
            for (int k = 1; k < 4; ++k) {
                const auto octet = reader.Text(name(OctetFields[k]), true);
                if (!octet)
                    break;
                word.AddDev += *octet;
                if (k < 3)
                    word.AddDev += u'.';
            }
        }
        word.AddData = reader.Text(name(PdoWordField::AddData), true).value_or(QString());
        if (transmit)
            word.DeltaSend = reader.Text(name(PdoWordField::DeltaSend), false).value_or(DeltaSendDefault);
        word.Mnemonic = reader.Text(name(PdoWordField::AddMnemonic), true).value_or(QString());
    }

    const auto length = reader.Text(PdoLengthElementName(direction, pdo), false);
    const auto lengthValue = length ? ParseIntegerText(*length) : std::nullopt;
    cells.Length = lengthValue ? PositionOrNone(*lengthValue, PdoLengthPositionCount) : LengthDefault;
}

void ResetCells(PdoSettings& settings)
{
    for (auto* group : {&settings.Transmit, &settings.Receive}) {
        for (PdoCells& cells : *group) {
            cells.Words = {};
            cells.Selector = 0;
        }
    }
}

void AddText(XmlDocument& document, QDomElement& parent, const QString& name, const QString& text)
{
    QDomElement element = document.AddChildElement(parent, name);
    document.SetText(element, text);
}

} // namespace

QString PdoElementName(PdoDirection direction, int pdo)
{
    return (direction == PdoDirection::Transmit ? QStringLiteral("Trasmite_PDO") : QStringLiteral("Recive_PDO"))
           + QString::number(pdo);
}

QString PdoWordElementName(PdoDirection direction, int pdo, int word, PdoWordField field)
{
    return Prefix(direction, pdo) + QStringLiteral("_W") + QString::number(word) + u'_' + QLatin1String(FieldSuffix(field));
}

QString PdoLengthElementName(PdoDirection direction, int pdo)
{
    return Prefix(direction, pdo) + QStringLiteral("_Dimension");
}

PdoSettings PdoDefaults()
{
    PdoSettings settings;
    for (PdoCells& cells : settings.Transmit) {
        for (PdoWordCells& word : cells.Words)
            word.DeltaSend = DeltaSendDefault;
    }
    return settings;
}

PdoLoadResult PdoSettingsFromDocument(const XmlDocument& document, PdoSettings& settings)
{
    ResetCells(settings);
    const QDomElement root = document.FirstTopLevelElement(QLatin1String(PdoRootElement));
    if (root.isNull())
        return {false, QStringLiteral("The element %1 is missing.").arg(QLatin1String(PdoRootElement))};
    try {
        for (const PdoDirection direction : {PdoDirection::Transmit, PdoDirection::Receive}) {
            for (int pdo = 1; pdo <= PdoCount; ++pdo)
                LoadPdo(root, direction, pdo, settings.Pdo(direction, pdo));
        }
    } catch (const StopLoading& stop) {
        return {false, stop.cause};
    }
    return {};
}

PdoLoadResult ReadPdoSettings(const QString& path, PdoSettings& settings)
{
    if (!QFileInfo::exists(path)) {
        settings = PdoDefaults();
        return {};
    }
    XmlDocument document;
    try {
        document.Load(path);
    } catch (const Error& error) {
        ResetCells(settings);
        return {false, error.message()};
    }
    return PdoSettingsFromDocument(document, settings);
}

void BuildPdoDocument(XmlDocument& document, const PdoSettings& settings)
{
    document.Clear();
    QDomElement root = document.AddTopLevelElement(QLatin1String(PdoRootElement));
    for (const PdoDirection direction : {PdoDirection::Transmit, PdoDirection::Receive}) {
        const bool transmit = direction == PdoDirection::Transmit;
        for (int pdo = 1; pdo <= PdoCount; ++pdo) {
            const PdoCells& cells = settings.Pdo(direction, pdo);
            QDomElement pdoElement = document.AddChildElement(root, PdoElementName(direction, pdo));
            AddText(document, pdoElement, QStringLiteral("ComboBox"),
                    pdo <= 2 ? QString::number(cells.Selector < 0 ? -1 : cells.Selector) : QString());

            for (int w = 1; w <= PdoWordCount; ++w) {
                const PdoWordCells& word = cells.Words[w - 1];
                DeviceAddressBytes octets{};
                const bool hasDevice = !word.AddDev.isEmpty();
                if (hasDevice)
                    ParseDeviceAddress(word.AddDev, octets);
                for (int k = 0; k < 4; ++k)
                    AddText(document, pdoElement, PdoWordElementName(direction, pdo, w, OctetFields[k]),
                            hasDevice ? QString::number(octets[k]) : QString());
                AddText(document, pdoElement, PdoWordElementName(direction, pdo, w, PdoWordField::AddData), word.AddData);
                AddText(document, pdoElement, PdoWordElementName(direction, pdo, w, PdoWordField::AddMnemonic), word.Mnemonic);
                if (transmit)
                    AddText(document, pdoElement, PdoWordElementName(direction, pdo, w, PdoWordField::DeltaSend), word.DeltaSend);
            }

            if (pdo <= 2) {
                for (int w = PdoWordCount + 1; w <= PdoWordCount + PdoFillerWordCount; ++w) {
                    for (const PdoWordField field : OctetFields)
                        AddText(document, pdoElement, PdoWordElementName(direction, pdo, w, field), QStringLiteral("0"));
                    AddText(document, pdoElement, PdoWordElementName(direction, pdo, w, PdoWordField::AddData), QStringLiteral("0"));
                    AddText(document, pdoElement, PdoWordElementName(direction, pdo, w, PdoWordField::AddMnemonic), QString());
                }
            }

            AddText(document, pdoElement, PdoLengthElementName(direction, pdo),
                    QString::number(cells.Length < 0 ? -1 : cells.Length));
        }
    }
}

void WritePdoSettings(const QString& path, const PdoSettings& settings)
{
    XmlDocument document;
    BuildPdoDocument(document, settings);
    document.Save(path);
}

} // namespace trellim
