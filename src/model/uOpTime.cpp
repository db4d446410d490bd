#include "model/uOpTime.h"

void TOpTime::SetBytes(const uint8_t* source)
{
    const uint8_t first = source[0], middle = source[1], last = source[2];
    if (FLsbFirst)
        SetValue(last << 16 | middle << 8 | first);
    else
        SetValue(first << 16 | middle << 8 | last);
}

void TOpTime::SetValue(int32_t value)
{
    if (value == FValue)
        return;
    FValue = value;
    const auto v = static_cast<uint32_t>(value);
    const uint8_t high = (v >> 16) & 0xFF, middle = (v >> 8) & 0xFF, low = v & 0xFF;
    if (FLsbFirst)
        FBytes = {low, middle, high};
    else
        FBytes = {high, middle, low};
}
