#include "model/uTemp.h"

void TTemp::SetRaw(uint8_t raw)
{
    FRaw = raw;
    FValue = static_cast<int8_t>(raw);
}

void TTemp::SetValue(int32_t value)
{
    if (value == FValue)
        return;
    FValue = value;
    FRaw = static_cast<uint8_t>(value & 0xFF);
}
