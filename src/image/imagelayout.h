#pragma once

#include <array>
#include <cstdint>

namespace trellim {

// The flat layout of bank.bin: a 16-byte header of four u32 block offsets,
// the SDO table (10 bytes a row), the transmit PDO block (4 PDOs x 4 words x
// 8 bytes), the receive PDO block (4 x 4 x 6 bytes) and the 37-byte general
// block. Every multi-byte field is little-endian.
inline constexpr int MaxImageSdoRows = 1400;

inline constexpr int kImageHeaderSize = 16;
inline constexpr int kSdoRecordSize = 10;
inline constexpr int kPdoCount = 4;
inline constexpr int kPdoWordCount = 4;
inline constexpr int kTransmitWordSize = 8;
inline constexpr int kReceiveWordSize = 6;
inline constexpr int kTransmitPdoBlockSize = kPdoCount * kPdoWordCount * kTransmitWordSize; // 128
inline constexpr int kReceivePdoBlockSize = kPdoCount * kPdoWordCount * kReceiveWordSize;   // 96
inline constexpr int kGeneralBlockSize = 37;

// Bytes of an image with this many SDO rows (277 with none).
constexpr int CompleteImageLength(int sdoRows)
{
    return kImageHeaderSize + kSdoRecordSize * sdoRows + kTransmitPdoBlockSize
           + kReceivePdoBlockSize + kGeneralBlockSize;
}

inline constexpr int kLargestImageLength = CompleteImageLength(MaxImageSdoRows); // 14,277

// One field of the general block taken from an element of pargen.xml.
struct GeneralField {
    const char* element;
    int offset; // from the block's start
    int width;  // 1 or 2
    int adjustment = 0; // added to the element's value
};

// G + 0 to G + 24, in the order they are stored; CAN_Baud is stored plus one.
inline constexpr std::array<GeneralField, 23> kGeneralFields{{
    {"CAN_Dev_ID", 0, 1},
    {"CAN_Baud", 1, 1, 1}, // pargen.xml counts baud rates from 0, the device from 1
    {"CAN_Start", 2, 1},
    {"CAN_Net_Start", 3, 1},
    {"CAN_NS_Delay", 4, 1},
    {"CAN_TPDO_Sync", 5, 1},
    {"CAN_TPDO_On_Change", 6, 1},
    {"CAN_TPDO_TransType", 7, 1},
    {"TCP_IP_1", 8, 1},
    {"TCP_IP_2", 9, 1},
    {"TCP_IP_3", 10, 1},
    {"TCP_IP_4", 11, 1},
    {"TCP_SUB_1", 12, 1},
    {"TCP_SUB_2", 13, 1},
    {"TCP_SUB_3", 14, 1},
    {"TCP_SUB_4", 15, 1},
    {"Time_Out", 16, 2},
    {"Port", 18, 2},
    {"Enable_Gat", 20, 1},
    {"TCP_GAT_1", 21, 1},
    {"TCP_GAT_2", 22, 1},
    {"TCP_GAT_3", 23, 1},
    {"TCP_GAT_4", 24, 1},
}};

inline constexpr int kGeneralSdoRowsOffset = 25;       // u16
inline constexpr int kGeneralTpdoDimensionsOffset = 27; // 4 x u8
inline constexpr int kGeneralRpdoDimensionsOffset = 31; // 4 x u8
inline constexpr int kGeneralDelayOffset = 35;          // u16 Delay_TCP_MR
inline constexpr std::uint16_t kDefaultDelayTcpMr = 100;
inline constexpr std::uint8_t kDefaultPdoDimension = 4;

// The CAN bit rate in kbit/s for an image baud code (1 to 8); 0 for any other code.
constexpr int BaudCodeKbits(int code)
{
    constexpr std::array<int, 8> rates{20, 50, 100, 125, 250, 500, 800, 1000};
    return code >= 1 && code <= 8 ? rates[static_cast<std::size_t>(code - 1)] : 0;
}

} // namespace trellim
