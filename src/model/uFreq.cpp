#include "model/uFreq.h"

void TFreq::SetRaw(uint8_t raw)
{
    FRaw = raw;
    FValue = raw * HertzPerStep;
}

void TFreq::SetValue(int32_t value)
{
    if (value == FValue)
        return;
    FValue = value;
    FRaw = static_cast<uint8_t>((value / HertzPerStep) & 0xFF);
}
