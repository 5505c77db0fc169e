#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

namespace trellim {

// Converts an integer text: leading spaces, an optional sign, then decimal
// digits or hexadecimal digits after "$", "x", "X", "0x" or "0X". Decimal
// must fit a signed 32-bit value; hexadecimal may reach FFFFFFFF and is taken
// as a 32-bit pattern. Anything else (a trailing blank included) fails.
std::optional<std::int32_t> ParseIntegerText(QStringView text);

// As ParseIntegerText; throws trellim::Error with InvalidIntegerMessage on failure.
std::int32_t ParseIntegerTextOrThrow(const QString& text);

// "'<text>' is not a valid integer value"
QString InvalidIntegerMessage(const QString& text);

using DeviceAddressBytes = std::array<std::uint8_t, 4>;

// Converts a dotted device address "a.b.c.d" (each part an integer text of
// 0..255). Returns false when any part fails; failing parts give byte 0.
// An empty text returns false and leaves bytes untouched.
bool ParseDeviceAddress(const QString& text, DeviceAddressBytes& bytes);

} // namespace trellim
