#include "edswriter.h"

#include "documents/error.h"
#include "documents/integertext.h"
#include "documents/savefile.h"
#include "documents/tablereader.h"
#include "documents/xmldocument.h"
#include "memoryhint.h"

#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

namespace trellim {

namespace {

using namespace std::string_view_literals;

// Neutral identity of the data sheet's author and the device's vendor.
constexpr std::string_view kAuthorAddress = "eds@trellim.invalid"sv;
constexpr std::string_view kVendorName = "Trellim Gateway Systems"sv;

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The EDS is one large ASCII buffer written through a raw cursor: the
// largest file (some 360,000 sections) costs one allocation, no temporaries
// and no per-character bookkeeping.
class EdsText {
public:
    explicit EdsText(qsizetype capacity)
        : bytes_(std::max<qsizetype>(capacity, 1024), Qt::Uninitialized),
          cursor_(bytes_.data()), end_(bytes_.data() + bytes_.size())
    {
        AdviseLargeBuffer(bytes_.data(), bytes_.size());
    }

    void Raw(std::string_view text)
    {
        Make(qsizetype(text.size()));
        std::memcpy(cursor_, text.data(), text.size());
        cursor_ += text.size();
    }
    void Char(char c)
    {
        Make(1);
        *cursor_++ = c;
    }
    void EndLine() { Raw("\r\n"sv); }

    void Decimal(quint32 value)
    {
        char digits[10];
        int count = 0;
        do {
            digits[count++] = char('0' + value % 10);
            value /= 10;
        } while (value != 0);
        Make(count);
        while (count > 0)
            *cursor_++ = digits[--count];
    }

    // Exactly `width` upper-case digits.
    void HexFixed(quint32 value, int width)
    {
        Make(width);
        for (int shift = (width - 1) * 4; shift >= 0; shift -= 4)
            *cursor_++ = kHexDigits[(value >> shift) & 0xF];
    }

    // Upper-case digits without leading zeros ("A", "1F").
    void HexShort(quint32 value)
    {
        int shift = 28;
        while (shift > 0 && ((value >> shift) & 0xF) == 0)
            shift -= 4;
        Make(shift / 4 + 1);
        for (; shift >= 0; shift -= 4)
            *cursor_++ = kHexDigits[(value >> shift) & 0xF];
    }

    void Section(std::string_view name)
    {
        Char('[');
        Raw(name);
        Raw("]\r\n"sv);
    }

    void Key(std::string_view key, std::string_view value)
    {
        Raw(key);
        Char('=');
        Raw(value);
        EndLine();
    }

    // "n=0xIIII", the line of an object list.
    void ListEntry(quint32 number, quint16 index)
    {
        Decimal(number);
        Raw("=0x"sv);
        HexFixed(index, 4);
        EndLine();
    }

    QByteArray Take()
    {
        bytes_.truncate(cursor_ - bytes_.data());
        cursor_ = end_ = nullptr;
        return std::move(bytes_);
    }

private:
    // Room for n more bytes; grows only when the size estimate was short.
    void Make(qsizetype n)
    {
        if (end_ - cursor_ >= n) [[likely]]
            return;
        const qsizetype used = cursor_ - bytes_.data();
        bytes_.resize(std::max(bytes_.size() * 2, used + n));
        cursor_ = bytes_.data() + used;
        end_ = bytes_.data() + bytes_.size();
        AdviseLargeBuffer(bytes_.data(), bytes_.size());
    }

    QByteArray bytes_;
    char* cursor_;
    char* end_;
};

// One single-value section of the fixed objects; an empty defaultValue
// leaves the DefaultValue line out.
void FixedValue(EdsText& text, std::string_view section, std::string_view name,
                std::string_view dataType, std::string_view access,
                std::string_view defaultValue, char pdoMapping = '0')
{
    text.Section(section);
    text.Key("ParameterName"sv, name);
    text.Raw("ObjectType=0x07\r\n"sv);
    text.Key("DataType"sv, dataType);
    text.Key("AccessType"sv, access);
    if (!defaultValue.empty())
        text.Key("DefaultValue"sv, defaultValue);
    text.Raw("PDOMapping="sv);
    text.Char(pdoMapping);
    text.Raw("\r\n\r\n"sv);
}

void StructuredHead(EdsText& text, std::string_view section, int subNumber, std::string_view name)
{
    text.Section(section);
    text.Raw("SubNumber="sv);
    text.Decimal(quint32(subNumber));
    text.EndLine();
    text.Key("ParameterName"sv, name);
    text.Raw("ObjectType=0x09\r\n\r\n"sv);
}

// Index as four upper-case hexadecimal digits, for names built at run time.
std::string Hex4(quint16 index)
{
    std::string digits(4, '0');
    for (int i = 3; i >= 0; --i, index >>= 4)
        digits[size_t(i)] = kHexDigits[index & 0xF];
    return digits;
}

std::string Sub(quint16 index, int subIndex)
{
    return Hex4(index) + "sub" + char('0' + subIndex);
}

void WriteFileInfo(EdsText& text)
{
    text.Section("FileInfo"sv);
    text.Raw("FileName=s1.eds\r\n"
             "FileVersion=1\r\n"
             "FileRevision=0\r\n"
             "EDSVersion=4.0\r\n"
             "Description=Example for CANopen Library.\r\n"
             "CreationTime=11:33AM\r\n"
             "CreationDate=10-16-2008\r\n"sv);
    text.Key("CreatedBy"sv, kAuthorAddress);
    text.Raw("ModificationTime=10:25AM\r\n"
             "ModificationDate=10-04-2010\r\n"sv);
    text.Key("ModifiedBy"sv, kAuthorAddress);
    text.EndLine();
}

void WriteDeviceInfo(EdsText& text)
{
    text.Section("DeviceInfo"sv);
    text.Key("VendorName"sv, kVendorName);
    text.Raw("VendorNumber=0x34\r\n"
             "ProductName=VIZadar Izurizo Vazorad \"s1\"\r\n"
             "ProductNumber=0x80015\r\n"
             "RevisionNumber=0x0\r\n"
             "OrderCode=0564/1\r\n"
             "BaudRate_10=1\r\n"
             "BaudRate_20=1\r\n"
             "BaudRate_50=1\r\n"
             "BaudRate_125=1\r\n"
             "BaudRate_250=1\r\n"
             "BaudRate_500=1\r\n"
             "BaudRate_800=0\r\n"
             "BaudRate_1000=1\r\n"
             "DynamicChannelsSupported=0\r\n"
             "GroupMessaging=0\r\n"
             "LSS_Supported=0\r\n"
             "Granularity=0\r\n"
             "SimpleBootUpSlave=1\r\n"
             "SimpleBootUpMaster=0\r\n"
             "NrOfRXPDO=4\r\n"
             "NrOfTXPDO=4\r\n"
             "\r\n"sv);
}

void WriteObjectLists(EdsText& text)
{
    text.Section("Comments"sv);
    text.Raw("Lines=0\r\n\r\n"sv);

    text.Section("DummyUsage"sv);
    for (int i = 1; i <= 7; ++i) {
        text.Raw("Dummy000"sv);
        text.Decimal(quint32(i));
        text.Raw("=0\r\n"sv);
    }
    text.EndLine();

    text.Section("MandatoryObjects"sv);
    text.Raw("SupportedObjects=3\r\n"
             "1=0x1000\r\n"
             "2=0x1001\r\n"
             "3=0x1018\r\n"
             "\r\n"sv);

    text.Section("OptionalObjects"sv);
    text.Raw("SupportedObjects=52\r\n"sv);
    quint32 number = 0;
    for (quint16 index : {0x1005, 0x1008, 0x1017, 0x1280})
        text.ListEntry(++number, index);
    for (quint16 base : {0x1400, 0x1600, 0x1800, 0x1A00})
        for (quint16 i = 0; i < 4; ++i)
            text.ListEntry(++number, quint16(base + i));
    for (quint16 base : {0x6000, 0x6100})
        for (quint16 pdo = 0; pdo < 4; ++pdo)
            for (quint16 word = 0; word < 4; ++word)
                text.ListEntry(++number, quint16(base + pdo * 0x10 + word));
    text.EndLine();
}

void WriteManufacturerList(EdsText& text, const EdsVariables& variables)
{
    text.Section("ManufacturerObjects"sv);
    text.Raw("SupportedObjects="sv);
    text.Decimal(quint32(variables.size()));
    text.EndLine();
    quint32 number = 0;
    for (const EdsVariable& variable : variables)
        text.ListEntry(++number, variable.Index);
    text.EndLine();
}

void WriteCommunicationObjects(EdsText& text)
{
    FixedValue(text, "1000"sv, "Device Type"sv, "0x0007"sv, "const"sv, "0x00020191"sv);
    FixedValue(text, "1001"sv, "Error Register"sv, "0x0005"sv, "ro"sv, "0x00"sv);
    FixedValue(text, "1005"sv, "COB-ID SYNC"sv, "0x0007"sv, "rw"sv, "0x80000080"sv);
    FixedValue(text, "1008"sv, "Manufacturer Device Name"sv, "0x0009"sv, "const"sv, "s1"sv);
    FixedValue(text, "1017"sv, "Producer Heartbeat Time"sv, "0x0006"sv, "rw"sv, "0x000003E8"sv);

    StructuredHead(text, "1018"sv, 5, "Identity Object"sv);
    FixedValue(text, "1018sub0"sv, "number of entries"sv, "0x0005"sv, "ro"sv, "0x4"sv);
    FixedValue(text, "1018sub1"sv, "Vendor Id"sv, "0x0007"sv, "ro"sv, {});
    FixedValue(text, "1018sub2"sv, "Product Code"sv, "0x0007"sv, "ro"sv, {});
    FixedValue(text, "1018sub3"sv, "Revision number"sv, "0x0007"sv, "ro"sv, {});
    FixedValue(text, "1018sub4"sv, "Serial number"sv, "0x0007"sv, "ro"sv, {});

    StructuredHead(text, "1280"sv, 4, "Client SDO Parameter 1"sv);
    FixedValue(text, "1280sub0"sv, "Number of Entries"sv, "0x0005"sv, "ro"sv, "0x03"sv);
    FixedValue(text, "1280sub1"sv, "COB-ID Client -> Server"sv, "0x0007"sv, "rw"sv, {});
    FixedValue(text, "1280sub2"sv, "COB-ID Server -> Client"sv, "0x0007"sv, "rw"sv, {});
    FixedValue(text, "1280sub3"sv, "Node ID of the SDO Server"sv, "0x0005"sv, "rw"sv, {});

    struct PdoCommunication {
        quint16 index;
        std::string_view name;
        std::string_view cobId;
    };
    static constexpr PdoCommunication kCommunication[] = {
        {0x1400, "Receive PDO Communication Parameter"sv, "$NODEID+0x200"sv},
        {0x1401, "Receive PDO Communication Parameter 2"sv, "$NODEID+0x300"sv},
        {0x1402, "Receive PDO Communication Parameter 3"sv, "$NODEID+0x400"sv},
        {0x1403, "Receive PDO Communication Parameter 4"sv, "$NODEID+0x500"sv},
    };
    static constexpr PdoCommunication kTransmitCommunication[] = {
        {0x1800, "Transmit PDO Communication Parameter 1"sv, "$NODEID+0x180"sv},
        {0x1801, "Transmit PDO Communication Parameter 2"sv, "$NODEID+0x280"sv},
        {0x1802, "Transmit PDO Communication Parameter 3"sv, "$NODEID+0x380"sv},
        {0x1803, "Transmit PDO Communication Parameter 4"sv, "$NODEID+0x480"sv},
    };
    const auto writeCommunication = [&text](const PdoCommunication& pdo) {
        StructuredHead(text, Hex4(pdo.index), 4, pdo.name);
        FixedValue(text, Sub(pdo.index, 0), "Number of Entries"sv, "0x0005"sv, "ro"sv, "0x03"sv);
        FixedValue(text, Sub(pdo.index, 1), "COB-ID"sv, "0x0007"sv, "rw"sv, pdo.cobId);
        FixedValue(text, Sub(pdo.index, 2), "Transmission Type"sv, "0x0005"sv, "rw"sv, "0xFE"sv);
        FixedValue(text, Sub(pdo.index, 3), "Inhibit Time"sv, "0x0006"sv, "rw"sv, "0x0"sv);
    };

    // Each mapping entry maps one UNSIGNED16 process-data word: index, sub 00, 0x10 bits.
    struct PdoMapping {
        quint16 index;
        std::string_view name;
        quint16 firstMapped;
    };
    static constexpr PdoMapping kMapping[] = {
        {0x1600, "Receive PDO Mapping Parameter"sv, 0x6100},
        {0x1601, "Receive PDO Mapping Parameter 2"sv, 0x6110},
        {0x1602, "Receive PDO Mapping Parameter 3"sv, 0x6120},
        {0x1603, "Receive PDO Mapping Parameter 4"sv, 0x6130},
    };
    static constexpr PdoMapping kTransmitMapping[] = {
        {0x1A00, "Transmit PDO Mapping Parameter 1"sv, 0x6000},
        {0x1A01, "Transmit PDO Mapping Parameter 2"sv, 0x6010},
        {0x1A02, "Transmit PDO Mapping Parameter 3"sv, 0x6020},
        {0x1A03, "Transmit PDO Mapping Parameter 4"sv, 0x6030},
    };
    const auto writeMapping = [&text](const PdoMapping& pdo) {
        StructuredHead(text, Hex4(pdo.index), 5, pdo.name);
        FixedValue(text, Sub(pdo.index, 0), "Number of Entries"sv, "0x0005"sv, "ro"sv, "0x04"sv);
        for (int entry = 1; entry <= 4; ++entry) {
            const std::string name = "Mapping Entry " + std::to_string(entry);
            const std::string mapped = "0x" + Hex4(quint16(pdo.firstMapped + entry - 1)) + "0010";
            FixedValue(text, Sub(pdo.index, entry), name, "0x0007"sv, "ro"sv, mapped);
        }
    };

    for (const PdoCommunication& pdo : kCommunication)
        writeCommunication(pdo);
    for (const PdoMapping& pdo : kMapping)
        writeMapping(pdo);
    for (const PdoCommunication& pdo : kTransmitCommunication)
        writeCommunication(pdo);
    for (const PdoMapping& pdo : kTransmitMapping)
        writeMapping(pdo);
}

void WriteProcessDataObjects(EdsText& text)
{
    for (const bool receive : {false, true}) {
        for (int pdo = 0; pdo < 4; ++pdo) {
            for (int word = 0; word < 4; ++word) {
                const quint16 index = quint16((receive ? 0x6100 : 0x6000) + pdo * 0x10 + word);
                const std::string name = std::string(receive ? "RPDO" : "TPDO")
                                         + char('1' + pdo) + "_W" + char('1' + word);
                FixedValue(text, Hex4(index), name, "0x0006"sv, "rw"sv, "0x00"sv, '1');
            }
        }
    }
}

// The lines every variable word shares after its name; only the access differs.
constexpr std::string_view kWordTailReadWrite = "ObjectType=0x07\r\n"
                                                "DataType=0x0006\r\n"
                                                "AccessType=rw\r\n"
                                                "DefaultValue=0x0000\r\n"
                                                "PDOMapping=0\r\n"
                                                "\r\n"sv;
constexpr std::string_view kWordTailReadOnly = "ObjectType=0x07\r\n"
                                               "DataType=0x0006\r\n"
                                               "AccessType=ro\r\n"
                                               "DefaultValue=0x0000\r\n"
                                               "PDOMapping=0\r\n"
                                               "\r\n"sv;

void WriteVariableObjects(EdsText& text, const EdsVariables& variables)
{
    quint32 number = 0;
    for (const EdsVariable& variable : variables) {
        ++number;
        const std::string_view tail =
            variable.ReadWrite == 1 ? kWordTailReadWrite : kWordTailReadOnly;

        if (variable.Quantity == 1) {
            text.Char('[');
            text.HexFixed(variable.Index, 4);
            text.Raw("]\r\nParameterName=SDO_"sv);
            text.Decimal(number);
            text.EndLine();
            text.Raw(tail);
            continue;
        }

        text.Char('[');
        text.HexFixed(variable.Index, 4);
        text.Raw("]\r\nSubNumber="sv);
        text.Decimal(variable.Quantity + 1u);
        text.Raw("\r\nParameterName=SDO_"sv);
        text.Decimal(number);
        text.Raw("\r\nObjectType=0x09\r\n\r\n"sv);

        text.Char('[');
        text.HexFixed(variable.Index, 4);
        text.Raw("sub0]\r\n"
                 "ParameterName=Number of Entries\r\n"
                 "ObjectType=0x07\r\n"
                 "DataType=0x0005\r\n"
                 "AccessType=ro\r\n"
                 "DefaultValue=0x"sv);
        text.HexFixed(variable.Quantity, 2);
        text.Raw("\r\nPDOMapping=0\r\n\r\n"sv);

        // Each word is named after its row and word number ("SDO_3_Word_2"),
        // so a reader of the EDS can tell the words of one variable apart.
        for (quint32 sub = 1; sub <= variable.Quantity; ++sub) {
            text.Char('[');
            text.HexFixed(variable.Index, 4);
            text.Raw("sub"sv);
            text.HexShort(sub);
            text.Raw("]\r\nParameterName=SDO_"sv);
            text.Decimal(number);
            text.Raw("_Word_"sv);
            text.Decimal(sub);
            text.EndLine();
            text.Raw(tail);
        }
    }
}

// A generous upper bound of the text's size, so the buffer is allocated once.
// Pages reserved but never written cost no resident memory.
qsizetype CapacityFor(const EdsVariables& variables)
{
    constexpr qsizetype kFixedText = 32 * 1024; // about 18 KB today
    constexpr qsizetype kPerVariable = 400; // list line, object head and sub0
    constexpr qsizetype kPerWord = 150;     // one sub-index section
    qsizetype capacity = kFixedText;
    for (const EdsVariable& variable : variables)
        capacity += kPerVariable + kPerWord * variable.Quantity;
    return capacity;
}

std::int32_t ReadInteger(const QXmlStreamAttributes& row, const QString& name)
{
    // A missing attribute fails like converting a null value to text.
    if (!row.hasAttribute(name))
        throw Error(QStringLiteral("Could not convert variant of type (Null) into type (String)"));
    return ParseIntegerTextOrThrow(row.value(name).toString());
}

EdsVariable ReadVariable(const QXmlStreamReader* row)
{
    // A child that is no element has no attributes and fails like a row without them.
    const QXmlStreamAttributes attributes = row ? row->attributes() : QXmlStreamAttributes();
    EdsVariable variable;
    variable.Index = quint16(ReadInteger(attributes, QStringLiteral("Index")));
    variable.Quantity = quint8(ReadInteger(attributes, QStringLiteral("Quantity")));
    variable.ReadWrite = quint8(ReadInteger(attributes, QStringLiteral("Read_Write")));
    return variable;
}

} // namespace

void EdsWriter::LoadEdsVariables(const QString& variablesPath)
{
    variables_.clear();
    if (!QFileInfo(variablesPath).isFile())
        return;

    // Streamed rather than loaded as a DOM: the largest table loads in a
    // fraction of the time, with the same refusals and error texts. A row
    // error is raised only once the whole document is known to be readable.
    EdsVariables rows;
    std::optional<Error> rowError;
    const TableHead table = ReadTable(XmlDocument::ReadDocumentFile(variablesPath), [&](const QXmlStreamReader* row) {
        if (rowError)
            return;
        try {
            rows.push_back(ReadVariable(row));
        } catch (const Error& error) {
            rowError = error;
        }
    });
    // The table is the first top-level node. A hand-made file that starts
    // with a declaration or comment would give an EDS without its variables
    // while the device serves them: refuse it rather than write that.
    if (!table.firstNodeIsElement && !table.firstNodeName.isEmpty())
        throw Error(QStringLiteral("The SDO table does not start the document \"%1\" (it is preceded by %2), "
                                   "so its variables cannot be read.")
                        .arg(variablesPath, table.firstNodeName));
    if (rowError)
        throw *rowError;
    variables_ = std::move(rows);
}

QByteArray EdsWriter::BuildEdsText(const EdsVariables& variables)
{
    EdsText text(CapacityFor(variables));
    WriteFileInfo(text);
    WriteDeviceInfo(text);
    WriteObjectLists(text);
    WriteManufacturerList(text, variables);
    WriteCommunicationObjects(text);
    WriteVariableObjects(text, variables);
    WriteProcessDataObjects(text);
    return text.Take();
}

void EdsWriter::WriteEdsFile(const QString& variablesPath, const QString& outputPath)
{
    LoadEdsVariables(variablesPath);
    SaveEdsBytes(BuildEdsText(variables_), outputPath);
}

void SaveEdsBytes(const QByteArray& bytes, const QString& path)
{
    SaveFileWhole(path, bytes);
}

} // namespace trellim
