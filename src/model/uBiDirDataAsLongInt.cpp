#include "model/uBiDirDataAsLongInt.h"
#include <limits>

bool TBiDirDataAsLongInt::Execute()
{
    uint8_t b[4] = {};
    ReadBytes(b, 4);
    SetValue(static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24));
    return true;
}

QString TBiDirDataAsLongInt::GetAsText() const
{
    return QString::number(Value());
}

void TBiDirDataAsLongInt::SetAsText(const QString& text)
{
    WriteValue(DecimalTextToInt(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void TBiDirDataAsLongInt::WriteValue(int32_t newValue)
{
    if (newValue == Value())
        return;
    const auto v = static_cast<uint32_t>(newValue);
    const uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                              static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    WriteBytes(bytes, 4);
    SetValue(newValue);
}
