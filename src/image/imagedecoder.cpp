#include "imagedecoder.h"

#include <algorithm>
#include <climits>

namespace trellim {

namespace {

class Reader {
public:
    explicit Reader(const QByteArray& bytes) : bytes_(bytes) {}

    bool Fits(qint64 offset, qint64 width) const { return offset >= 0 && offset + width <= bytes_.size(); }
    std::uint8_t U8(qint64 offset) const { return static_cast<std::uint8_t>(bytes_[offset]); }
    std::uint16_t U16(qint64 offset) const
    {
        return static_cast<std::uint16_t>(U8(offset) | (U8(offset + 1) << 8));
    }
    std::uint32_t U32(qint64 offset) const
    {
        return static_cast<std::uint32_t>(U16(offset)) | (static_cast<std::uint32_t>(U16(offset + 2)) << 16);
    }
    ImageDeviceAddress Address(qint64 offset) const
    {
        return {U8(offset), U8(offset + 1), U8(offset + 2), U8(offset + 3)};
    }

private:
    const QByteArray& bytes_;
};

// A record that starts inside the file but runs past its end.
void NoteCut(DecodedImage& image, qint64 offset, int width, const QString& what)
{
    if (offset < image.length && offset + width > image.length)
        image.problems << QStringLiteral("%1 at byte %2 is cut after %3 of its %4 bytes")
                              .arg(what)
                              .arg(offset)
                              .arg(image.length - offset)
                              .arg(width);
}

void DecodeSdoRecords(const Reader& reader, DecodedImage& image, qint64 start, int rows)
{
    for (int r = 0; r < rows; ++r) {
        const qint64 offset = start + qint64(kSdoRecordSize) * r;
        if (!reader.Fits(offset, kSdoRecordSize)) {
            NoteCut(image, offset, kSdoRecordSize, QStringLiteral("SDO row %1").arg(r + 1));
            return;
        }
        DecodedSdoRecord record;
        record.row = r + 1;
        record.offset = static_cast<int>(offset);
        record.index = reader.U16(offset);
        record.device = reader.Address(offset + 2);
        record.addressWord = reader.U16(offset + 6);
        record.quantity = reader.U8(offset + 8);
        record.readWrite = reader.U8(offset + 9);
        image.sdoRecords << record;
    }
}

void DecodePdoBlock(const Reader& reader, DecodedImage& image, qint64 start, bool transmit)
{
    const int size = transmit ? kTransmitWordSize : kReceiveWordSize;
    auto& words = transmit ? image.transmitWords : image.receiveWords;
    for (int n = 1; n <= kPdoCount; ++n) {
        for (int w = 1; w <= kPdoWordCount; ++w) {
            const qint64 offset = start + qint64(size) * ((n - 1) * kPdoWordCount + (w - 1));
            if (!reader.Fits(offset, size)) {
                NoteCut(image, offset, size,
                        QStringLiteral("%1 PDO %2 word %3").arg(transmit ? "Transmit" : "Receive").arg(n).arg(w));
                return;
            }
            DecodedPdoWord word;
            word.pdo = n;
            word.word = w;
            word.offset = static_cast<int>(offset);
            word.device = reader.Address(offset);
            word.addData = reader.U16(offset + 4);
            if (transmit)
                word.deltaSend = reader.U16(offset + 6);
            words << word;
        }
    }
}

void DecodeGeneralBlock(const Reader& reader, DecodedImage& image, qint64 start)
{
    QList<DecodedGeneralField> fields;
    for (const GeneralField& field : kGeneralFields)
        fields << DecodedGeneralField{QString::fromLatin1(field.element), field.offset, field.width, 0};
    fields << DecodedGeneralField{QStringLiteral("SDO_Rows"), kGeneralSdoRowsOffset, 2, 0};
    for (int n = 1; n <= kPdoCount; ++n)
        fields << DecodedGeneralField{QStringLiteral("TPDO%1_Words").arg(n), kGeneralTpdoDimensionsOffset + n - 1, 1, 0};
    for (int n = 1; n <= kPdoCount; ++n)
        fields << DecodedGeneralField{QStringLiteral("RPDO%1_Words").arg(n), kGeneralRpdoDimensionsOffset + n - 1, 1, 0};
    fields << DecodedGeneralField{QStringLiteral("Delay_TCP_MR"), kGeneralDelayOffset, 2, 0};

    for (DecodedGeneralField& field : fields) {
        const qint64 offset = start + field.offset;
        if (!reader.Fits(offset, field.width)) {
            NoteCut(image, offset, field.width, QStringLiteral("General field %1").arg(field.name));
            return;
        }
        field.offset = static_cast<int>(offset);
        field.value = field.width == 1 ? reader.U8(offset) : reader.U16(offset);
        image.general << field;
    }
}

} // namespace

QString DottedAddress(const ImageDeviceAddress& address)
{
    return QStringLiteral("%1.%2.%3.%4").arg(address[0]).arg(address[1]).arg(address[2]).arg(address[3]);
}

QString AccessCodeText(int code)
{
    switch (code) {
    case 0: return QStringLiteral("RO - Holding Register (Fun 3)");
    case 1: return QStringLiteral("RW - Holding Register (Fun 3,6)");
    case 2: return QStringLiteral("RO - Input Register (Fun 4)");
    default: return {};
    }
}

DecodedImage DecodeImage(const QByteArray& bytes)
{
    DecodedImage image;
    image.length = static_cast<int>(std::min<qsizetype>(bytes.size(), INT_MAX));
    const Reader reader(bytes);

    for (int word = 0; word < 4 && reader.Fits(word * 4, 4); ++word)
        image.header << reader.U32(word * 4);
    if (image.header.size() < 4) {
        image.problems << QStringLiteral("The file is truncated: %1 bytes, shorter than the %2-byte header")
                              .arg(image.length)
                              .arg(kImageHeaderSize);
        return image;
    }

    const qint64 sdo = image.header[0];
    const qint64 transmit = image.header[1];
    const qint64 receive = image.header[2];
    const qint64 general = image.header[3];
    image.layoutValid = sdo == kImageHeaderSize && transmit >= sdo && (transmit - sdo) % kSdoRecordSize == 0
                        && receive == transmit + kTransmitPdoBlockSize
                        && general == receive + kReceivePdoBlockSize;

    if (!image.layoutValid) {
        image.problems << QStringLiteral("The header offsets %1, %2, %3, %4 do not describe an image "
                                         "(expected 16, 16 + 10 x N, then 128 and 96 bytes apart)")
                              .arg(sdo)
                              .arg(transmit)
                              .arg(receive)
                              .arg(general);
        // A composition that stopped in the SDO table leaves the later
        // header words unset; its records can still be read.
        if (sdo == kImageHeaderSize) {
            const int whole = (image.length - kImageHeaderSize) / kSdoRecordSize;
            image.sdoRows = whole;
            DecodeSdoRecords(reader, image, kImageHeaderSize, whole + 1);
            image.problems << QStringLiteral("The bytes after the header were read as SDO records up to the end of the file");
        }
        return image;
    }

    const qint64 rows = (transmit - sdo) / kSdoRecordSize;
    image.sdoRows = static_cast<int>(std::min<qint64>(rows, INT_MAX));
    const qint64 expected = general + kGeneralBlockSize;
    if (rows > MaxImageSdoRows)
        image.problems << QStringLiteral("The header describes %1 SDO rows, more than the %2 an image holds")
                              .arg(rows)
                              .arg(MaxImageSdoRows);
    if (image.length < expected)
        image.problems << QStringLiteral("The file is truncated: it has %1 bytes, its header describes an "
                                         "image of %2 bytes")
                              .arg(image.length)
                              .arg(expected);
    else if (image.length > expected)
        image.problems << QStringLiteral("The file has %1 bytes, %2 more than the %3 its header describes")
                              .arg(image.length)
                              .arg(image.length - expected)
                              .arg(expected);

    DecodeSdoRecords(reader, image, sdo, static_cast<int>(std::min<qint64>(rows, (image.length - sdo) / kSdoRecordSize + 1)));
    DecodePdoBlock(reader, image, transmit, true);
    DecodePdoBlock(reader, image, receive, false);
    DecodeGeneralBlock(reader, image, general);

    for (const DecodedGeneralField& field : image.general) {
        if (field.name == u"SDO_Rows" && field.value != rows)
            image.problems << QStringLiteral("The general block counts %1 SDO rows, the header %2")
                                  .arg(field.value)
                                  .arg(rows);
    }
    return image;
}

} // namespace trellim
