#pragma once

#include <QString>

#include <array>

namespace trellim {

class XmlDocument;

enum class PdoDirection { Transmit, Receive };

// The parts of a word-level element name, "TP1_W1_" + suffix.
enum class PdoWordField { AddDevIpB1, AddDevIpB2, AddDevIpB3, AddDevIpB4, AddData, AddMnemonic, DeltaSend };

inline constexpr const char* PdoRootElement = "PDO_Setting";
inline constexpr int PdoCount = 4;           // PDOs per direction
inline constexpr int PdoWordCount = 4;       // words 1 to 4 carry data
inline constexpr int PdoFillerWordCount = 4; // words 5 to 8 of PDO 1 and 2: fixed filler
inline constexpr int PdoLengthPositionCount = 4; // 2, 4, 6, 8 bytes
inline constexpr int PdoSelectorPositionCount = 4;

// "Trasmite_PDO<n>" or "Recive_PDO<n>", pdo 1..4.
QString PdoElementName(PdoDirection direction, int pdo);
// "TP<n>_W<w>_<field>" or "RP<n>_W<w>_<field>", e.g. "TP3_W2_Delta_Send"; word 1..8.
QString PdoWordElementName(PdoDirection direction, int pdo, int word, PdoWordField field);
// "TP<n>_Dimension" or "RP<n>_Dimension".
QString PdoLengthElementName(PdoDirection direction, int pdo);

// One word row of a PDO grid as cell texts.
struct PdoWordCells {
    QString AddDev;     // dotted device address, "" when the word has no device
    QString AddData;    // register address as typed
    QString DeltaSend;  // transmit only; as typed
    QString Mnemonic;   // as typed

    bool operator==(const PdoWordCells&) const = default;
};

// One PDO as the PDO setting dialog holds it.
struct PdoCells {
    std::array<PdoWordCells, PdoWordCount> Words;
    int Selector = 0;  // hidden selector position 0..3 (PDO 1 and 2 only), -1 = no selection
    int Length = 3;    // length selector position 0..3 = 2/4/6/8 bytes, -1 = no selection

    bool operator==(const PdoCells&) const = default;
};

// The whole PDO mapping; index 0..3 is PDO 1..4.
struct PdoSettings {
    std::array<PdoCells, PdoCount> Transmit;
    std::array<PdoCells, PdoCount> Receive;

    PdoCells& Pdo(PdoDirection direction, int pdo) { return (direction == PdoDirection::Transmit ? Transmit : Receive)[pdo - 1]; }
    const PdoCells& Pdo(PdoDirection direction, int pdo) const { return (direction == PdoDirection::Transmit ? Transmit : Receive)[pdo - 1]; }

    bool operator==(const PdoSettings&) const = default;
};

// What a project without pdo.xml shows: cells empty, transmit Delta Send "1000", lengths "8"
// (position 3), selectors 0.
PdoSettings PdoDefaults();

struct PdoLoadResult {
    bool Complete = true;  // false when loading ended early
    QString Cause;         // why it ended early, naming the element; empty when complete
};

// Loads pdo.xml into settings as the dialog does at each showing. Every cell is emptied and
// every selector set to 0 first; length selectors keep their value until their PDO is reached.
// No file gives PdoDefaults() lengths and Delta Sends. Never throws: a file that cannot be
// parsed, a missing PDO_Setting or a missing required element of PDO 1 or 2 ends loading with
// Complete false and the cause; cells filled so far stay (an address may end in ".").
PdoLoadResult ReadPdoSettings(const QString& path, PdoSettings& settings);
// As ReadPdoSettings, from a loaded document.
PdoLoadResult PdoSettingsFromDocument(const XmlDocument& document, PdoSettings& settings);

// Clears document and builds the whole tree (320 value elements) from settings: octets of
// AddDev through ParseDeviceAddress in decimal (empty when AddDev is empty), other cells as
// typed, fixed filler groups, ComboBox empty for PDO 3 and 4, "-1" for no selection.
void BuildPdoDocument(XmlDocument& document, const PdoSettings& settings);
// Writes pdo.xml, replacing the file; throws Error on failure (the previous file stays whole).
void WritePdoSettings(const QString& path, const PdoSettings& settings);

} // namespace trellim
