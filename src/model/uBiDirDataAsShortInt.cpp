#include "model/uBiDirDataAsShortInt.h"

bool TBiDirDataAsShortInt::Execute()
{
    uint8_t bytes[2] = {};
    ReadBytes(bytes, 2);
    SetValue(static_cast<uint16_t>(bytes[0] | bytes[1] << 8));
    return true;
}

QString TBiDirDataAsShortInt::GetAsText() const
{
    return QString::number(Value());
}

void TBiDirDataAsShortInt::SetAsText(const QString& text)
{
    WriteValue(static_cast<uint16_t>(DecimalTextToInt(text, 0, 0xFFFF)));
}

void TBiDirDataAsShortInt::WriteValue(uint16_t newValue)
{
    if (newValue == Value())
        return;
    const uint8_t bytes[2] = {static_cast<uint8_t>(newValue & 0xFF), static_cast<uint8_t>(newValue >> 8)};
    WriteBytes(bytes, 2);
    SetValue(newValue);
}
