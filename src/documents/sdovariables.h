#pragma once

#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace trellim {

class XmlDocument;

// One SDO variable as the SDO setting dialog collects it.
struct TMyRec {
    std::uint16_t Index = 0;
    std::uint8_t IpAddB1 = 0;
    std::uint8_t IpAddB2 = 0;
    std::uint8_t IpAddB3 = 0;
    std::uint8_t IpAddB4 = 0;
    std::uint16_t AddressWord = 0;
    std::uint8_t Quantity = 0;
    std::uint8_t ReadWrite = 0;  // access code, see AccessCodeText
    QString Mnemonic;

    bool operator==(const TMyRec&) const = default;
};

// Read_Write codes.
enum AccessCode : std::uint8_t {
    AccessReadHolding = 0,       // "RO - Holding Register (Fun 3)"
    AccessReadWriteHolding = 1,  // "RW - Holding Register (Fun 3,6)"
    AccessReadInput = 2,         // "RO - Input Register (Fun 4)"
};

// The three access texts in code order.
extern const std::array<QString, 3> AccessCodeTexts;
// The text of an access code; empty for any other value.
QString AccessCodeText(std::int64_t code);
// The code of an access text (exact match); nullopt for any other text.
std::optional<std::uint8_t> AccessCodeFromText(const QString& text);

// The dialog grid holds 1400 data rows; a longer table shows only its first 1400.
inline constexpr int SdoGridRowCount = 1400;
// The element and attribute names of var.xml, attributes in the order they are written.
inline constexpr const char* SdoRootElement = "C_TO_Customer_Protocol";
inline constexpr const char* SdoRowElement = "row";
extern const std::array<const char*, 9> SdoRowAttributes;

// One row of var.xml as grid texts, columns "CANOpen Index" to "Mnemonic".
struct SdoGridRow {
    QString Index;        // "$" + at least four upper-case hex digits ("$0000" when unconvertible)
    QString Address;      // the four IP_Add_B texts joined by ".", unconverted
    QString AddressWord;  // decimal ("0" when unconvertible)
    QString Quantity;     // decimal ("0" when unconvertible)
    QString Access;       // access text; empty for an unknown code
    QString Mnemonic;     // as stored

    bool operator==(const SdoGridRow&) const = default;
};

struct SdoReadResult {
    // Rows in document order; after an early stop the last row keeps the cells filled so far.
    QList<SdoGridRow> Rows;
    // True when rows of the document were left unread (a missing attribute, a child that is
    // not an element, a table longer than the grid, a first node that is not the table, or a
    // file that cannot be loaded): saving now would lose them.
    bool StoppedEarly = false;
    // 1-based document row at which reading stopped; 0 when it stopped before any row.
    int StopRow = 0;
    // Why it stopped, a sentence for the user; empty when complete.
    QString StopReason;
};

// Reads var.xml into grid texts, at most maxRows rows. No file gives an empty, complete result.
// Never throws: an unreadable or not well-formed file gives no rows, StoppedEarly and the
// parser's text.
SdoReadResult ReadSdoVariables(const QString& path, int maxRows = SdoGridRowCount);
// As ReadSdoVariables, from a loaded document (its first top-level node is the table).
SdoReadResult SdoVariablesFromDocument(const XmlDocument& document, int maxRows = SdoGridRowCount);

// Clears document and builds C_TO_Customer_Protocol with one row per record, nine attributes
// in order, numbers in decimal.
void BuildSdoVariablesDocument(XmlDocument& document, const QList<TMyRec>& rows);
// Writes var.xml, replacing the file; throws Error on failure (the previous file stays whole).
void WriteSdoVariables(const QString& path, const QList<TMyRec>& rows);

} // namespace trellim
