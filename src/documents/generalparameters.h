#pragma once

#include <QString>

#include <array>

namespace trellim {

class XmlDocument;

// The kbit/s texts of the CAN bit rates; CAN_Baud stores the 0-based position.
inline constexpr std::array<const char*, 8> BaudRateTable = {"20", "50", "100", "125", "250", "500", "800", "1000"};

// The 24 values of pargen.xml as the general parameter dialog holds them. Typed fields are
// raw text (checked only on OK); tick boxes are bool; list and spin box values are ints.
struct GeneralParameters {
    int CanDevId = 1;              // CAN_Dev_ID, 1..127
    int CanBaud = 0;               // CAN_Baud: position in BaudRateTable, -1 = no selection
    bool CanStart = false;         // CAN_Start
    bool CanNetStart = false;      // CAN_Net_Start
    QString CanNsDelay = QStringLiteral("10");   // CAN_NS_Delay, as typed
    bool CanTpdoSync = false;      // CAN_TPDO_Sync
    bool CanTpdoOnChange = false;  // CAN_TPDO_On_Change
    int CanTpdoTransType = 255;    // CAN_TPDO_TransType, 0..255
    std::array<QString, 4> TcpIp{QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("0"), QStringLiteral("10")};      // TCP_IP_1..4
    std::array<QString, 4> TcpSub{QStringLiteral("255"), QStringLiteral("255"), QStringLiteral("255"), QStringLiteral("0")};    // TCP_SUB_1..4
    QString TimeOut = QStringLiteral("1000");    // Time_Out
    QString Port = QStringLiteral("502");        // Port
    bool EnableGat = false;        // Enable_Gat
    std::array<QString, 4> TcpGat{QStringLiteral("192"), QStringLiteral("168"), QStringLiteral("0"), QStringLiteral("1")};      // TCP_GAT_1..4
    QString DelayTcpMr = QStringLiteral("100");  // Delay_TCP_MR

    bool operator==(const GeneralParameters&) const = default;
};

// The root element name and the 24 element names in the order they are written.
inline constexpr const char* GeneralParameterRoot = "General_Parameter";
extern const std::array<const char*, 24> GeneralParameterElements;

// Every value at its default (CAN_TPDO_TransType 255, as Sync is not ticked).
GeneralParameters GeneralParameterDefaults();

// Reads pargen.xml over values. No file at path: values untouched, returns false. A file that
// cannot be read or is not well-formed: throws Error with the parser's text, values untouched.
// Otherwise every field gets its element's value or its fallback, and returns true.
bool ReadGeneralParameters(const QString& path, GeneralParameters& values);

// The values a loaded document gives: elements looked up by name (first match, any order),
// each unusable or missing one replaced by its fallback; no General_Parameter gives defaults.
GeneralParameters GeneralParametersFromDocument(const XmlDocument& document);

// Clears document and builds General_Parameter with the 24 elements in table order.
void BuildGeneralParametersDocument(XmlDocument& document, const GeneralParameters& values);

// Writes pargen.xml, replacing the file; throws Error with the system's text on failure
// (the previous file then stays whole).
void WriteGeneralParameters(const QString& path, const GeneralParameters& values);

} // namespace trellim
