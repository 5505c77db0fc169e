#pragma once

#include "image/imagelayout.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace trellim {

using ImageDeviceAddress = std::array<std::uint8_t, 4>;

struct DecodedSdoRecord {
    int row = 0;    // from 1
    int offset = 0; // in the file
    std::uint16_t index = 0;
    ImageDeviceAddress device{};
    std::uint16_t addressWord = 0;
    std::uint8_t quantity = 0;
    std::uint8_t readWrite = 0;
};

struct DecodedPdoWord {
    int pdo = 0;  // 1 to 4
    int word = 0; // 1 to 4
    int offset = 0;
    ImageDeviceAddress device{};
    std::uint16_t addData = 0;
    std::optional<std::uint16_t> deltaSend; // transmit words only
};

struct DecodedGeneralField {
    QString name; // the pargen.xml element, or SDO_Rows, TPDOn_Words, RPDOn_Words
    int offset = 0; // in the file
    int width = 0;
    std::uint32_t value = 0;
};

// Everything a file's bytes say, decoded as far as they go.
struct DecodedImage {
    int length = 0;
    // The header words that fit in the file (all four unless it is shorter than 16 bytes).
    QList<std::uint32_t> header;
    // True when the header describes a block layout (16, 16 + 10 N, +128, +96).
    bool layoutValid = false;
    int sdoRows = 0; // N per the header, or the records read when the layout is not valid
    QList<DecodedSdoRecord> sdoRecords;
    QList<DecodedPdoWord> transmitWords;
    QList<DecodedPdoWord> receiveWords;
    QList<DecodedGeneralField> general; // the fields that fit in the file
    // Why the file is not a complete, consistent image; empty when it is.
    QStringList problems;

    bool Complete() const { return problems.isEmpty(); }
};

// Decodes an image, never failing: what does not fit the file or the header
// is left out and named in `problems`.
DecodedImage DecodeImage(const QByteArray& bytes);

// "192.168.1.125"
QString DottedAddress(const ImageDeviceAddress& address);
// The editor's text of an access code, or an empty text for an unknown code.
QString AccessCodeText(int code);

} // namespace trellim
