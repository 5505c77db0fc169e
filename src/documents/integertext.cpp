#include "integertext.h"

#include "error.h"

namespace trellim {

namespace {

int HexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::int32_t> ParseIntegerText(QStringView text)
{
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size && text[pos] == u' ')
        ++pos;

    bool negative = false;
    if (pos < size && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }

    bool hex = false;
    if (pos < size && (text[pos] == u'$' || text[pos] == u'x' || text[pos] == u'X')) {
        hex = true;
        ++pos;
    } else if (pos + 1 < size && text[pos] == u'0' && (text[pos + 1] == u'x' || text[pos + 1] == u'X')) {
        hex = true;
        pos += 2;
    }

    if (pos >= size)
        return std::nullopt;

    std::uint64_t value = 0;
    if (hex) {
        for (; pos < size; ++pos) {
            const int digit = HexDigitValue(text[pos]);
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + static_cast<unsigned>(digit);
            if (value > 0xFFFFFFFFull)
                return std::nullopt;
        }
        auto pattern = static_cast<std::uint32_t>(value);
        if (negative)
            pattern = 0u - pattern;
        return static_cast<std::int32_t>(pattern);
    }

    for (; pos < size; ++pos) {
        const char16_t u = text[pos].unicode();
        if (u < '0' || u > '9')
            return std::nullopt;
        value = value * 10 + (u - '0');
        if (value > 2147483648ull)
            return std::nullopt;
    }
    if (!negative && value > 2147483647ull)
        return std::nullopt;
    const auto wide = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
    return static_cast<std::int32_t>(wide);
}

QString InvalidIntegerMessage(const QString& text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

std::int32_t ParseIntegerTextOrThrow(const QString& text)
{
    const auto value = ParseIntegerText(text);
    if (!value)
        throw Error(InvalidIntegerMessage(text));
    return *value;
}

bool ParseDeviceAddress(const QString& text, DeviceAddressBytes& bytes)
{
    if (text.isEmpty())
        return false;

    QStringView rest(text);
    bool valid = true;
    for (int i = 0; i < 4; ++i) {
        const qsizetype dot = rest.indexOf(u'.');
        const QStringView part = i < 3 ? (dot < 0 ? QStringView() : rest.left(dot)) : rest;
        const auto value = ParseIntegerText(part);
        if (value && *value >= 0 && *value <= 255) {
            bytes[i] = static_cast<std::uint8_t>(*value);
        } else {
            bytes[i] = 0;
            valid = false;
        }
        if (dot >= 0)
            rest = rest.mid(dot + 1);
    }
    return valid;
}

} // namespace trellim
