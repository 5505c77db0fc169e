#include "generalparameters.h"

#include "error.h"
#include "integertext.h"
#include "xmldocument.h"

#include <QFileInfo>

#include <algorithm>

namespace trellim {

const std::array<const char*, 24> GeneralParameterElements = {
    "CAN_Dev_ID", "CAN_Baud", "CAN_Start", "CAN_Net_Start", "CAN_NS_Delay", "CAN_TPDO_Sync",
    "CAN_TPDO_On_Change", "CAN_TPDO_TransType", "TCP_IP_1", "TCP_IP_2", "TCP_IP_3", "TCP_IP_4",
    "TCP_SUB_1", "TCP_SUB_2", "TCP_SUB_3", "TCP_SUB_4", "Time_Out", "Port", "Enable_Gat",
    "TCP_GAT_1", "TCP_GAT_2", "TCP_GAT_3", "TCP_GAT_4", "Delay_TCP_MR"};

namespace {

// The element's text, or nullopt when it is missing or holds elements.
std::optional<QString> ChildText(const QDomElement& root, const char* name)
{
    const QDomElement element = XmlDocument::FirstChildElement(root, QString::fromLatin1(name));
    if (element.isNull())
        return std::nullopt;
    try {
        return XmlDocument::ElementText(element);
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::optional<std::int32_t> ChildInteger(const QDomElement& root, const char* name)
{
    const auto text = ChildText(root, name);
    return text ? ParseIntegerText(*text) : std::nullopt;
}

void ReadText(const QDomElement& root, const char* name, QString& field, const QString& fallback)
{
    const auto text = ChildText(root, name);
    field = text ? *text : fallback;
}

bool ReadTick(const QDomElement& root, const char* name)
{
    return ChildInteger(root, name) == 1;
}

QString TickText(bool ticked)
{
    return ticked ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

GeneralParameters GeneralParameterDefaults()
{
    return GeneralParameters{};
}

GeneralParameters GeneralParametersFromDocument(const XmlDocument& document)
{
    const GeneralParameters defaults = GeneralParameterDefaults();
    GeneralParameters values;
    // A null root makes every lookup fail, so every field takes its fallback.
    const QDomElement root = document.FirstTopLevelElement(QString::fromLatin1(GeneralParameterRoot));

    values.CanDevId = std::clamp(ChildInteger(root, "CAN_Dev_ID").value_or(defaults.CanDevId), 1, 127);
    const int baud = ChildInteger(root, "CAN_Baud").value_or(defaults.CanBaud);
    values.CanBaud = baud >= 0 && baud < static_cast<int>(BaudRateTable.size()) ? baud : -1;
    values.CanStart = ReadTick(root, "CAN_Start");
    values.CanNetStart = ReadTick(root, "CAN_Net_Start");
    ReadText(root, "CAN_NS_Delay", values.CanNsDelay, defaults.CanNsDelay);
    values.CanTpdoSync = ReadTick(root, "CAN_TPDO_Sync");
    values.CanTpdoOnChange = ReadTick(root, "CAN_TPDO_On_Change");
    // The fallback follows the Sync tick as it stands after its own element was read.
    values.CanTpdoTransType = std::clamp(
        ChildInteger(root, "CAN_TPDO_TransType").value_or(values.CanTpdoSync ? 1 : 255), 0, 255);
    for (int i = 0; i < 4; ++i) {
        ReadText(root, GeneralParameterElements[8 + i], values.TcpIp[i], defaults.TcpIp[i]);
        ReadText(root, GeneralParameterElements[12 + i], values.TcpSub[i], defaults.TcpSub[i]);
    }
    ReadText(root, "Time_Out", values.TimeOut, defaults.TimeOut);
    ReadText(root, "Port", values.Port, defaults.Port);
    values.EnableGat = ReadTick(root, "Enable_Gat");
    for (int i = 0; i < 4; ++i)
        ReadText(root, GeneralParameterElements[19 + i], values.TcpGat[i], defaults.TcpGat[i]);
    ReadText(root, "Delay_TCP_MR", values.DelayTcpMr, defaults.DelayTcpMr);
    return values;
}

bool ReadGeneralParameters(const QString& path, GeneralParameters& values)
{
    if (!QFileInfo::exists(path))
        return false;
    XmlDocument document;
    document.Load(path);
    values = GeneralParametersFromDocument(document);
    return true;
}

void BuildGeneralParametersDocument(XmlDocument& document, const GeneralParameters& values)
{
    const std::array<QString, 24> texts = {
        QString::number(values.CanDevId), QString::number(values.CanBaud < 0 ? -1 : values.CanBaud),
        TickText(values.CanStart), TickText(values.CanNetStart), values.CanNsDelay,
        TickText(values.CanTpdoSync), TickText(values.CanTpdoOnChange), QString::number(values.CanTpdoTransType),
        values.TcpIp[0], values.TcpIp[1], values.TcpIp[2], values.TcpIp[3],
        values.TcpSub[0], values.TcpSub[1], values.TcpSub[2], values.TcpSub[3],
        values.TimeOut, values.Port, TickText(values.EnableGat),
        values.TcpGat[0], values.TcpGat[1], values.TcpGat[2], values.TcpGat[3], values.DelayTcpMr};

    document.Clear();
    QDomElement root = document.AddTopLevelElement(QString::fromLatin1(GeneralParameterRoot));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        QDomElement element = document.AddChildElement(root, QString::fromLatin1(GeneralParameterElements[i]));
        document.SetText(element, texts[i]);
    }
}

void WriteGeneralParameters(const QString& path, const GeneralParameters& values)
{
    XmlDocument document;
    BuildGeneralParametersDocument(document, values);
    document.Save(path);
}

} // namespace trellim
