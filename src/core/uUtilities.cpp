#include "core/uUtilities.h"
#include <cstring>

int32_t MaxOf(int32_t a, int32_t b)
{
    return a > b ? a : b;
}

void CopyBytes(const uint8_t* source, uint8_t* destination, int count)
{
    if (count > 0)
        std::memmove(destination, source, static_cast<size_t>(count));
}

void WriteWordBE(uint16_t value, uint8_t* destination)
{
    destination[0] = static_cast<uint8_t>(value >> 8);
    destination[1] = static_cast<uint8_t>(value & 0xFF);
}

int32_t HexToInt(const QString& text)
{
    QString digits = text;
    if (digits.contains(QLatin1Char('$')))
        digits.remove(0, 1);
    digits = digits.toUpper();
    // Unsigned arithmetic so that long or invalid texts wrap instead of overflowing.
    uint32_t sum = 0;
    for (const QChar ch : digits) {
        const int32_t c = ch.unicode();
        int32_t digit;
        if (c <= '9')
            digit = c - '0';
        else if (c <= 'F')
            digit = c - 'A' + 10;
        else
            digit = c - 'a' + 10;
        sum = sum * 16u + static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(sum);
}
