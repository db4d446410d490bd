#include "model/uBiDirDataAsOpTime.h"

TBiDirDataAsOpTime::TBiDirDataAsOpTime()
{
    OpTime.SetLsbFirst(true);
}

bool TBiDirDataAsOpTime::Execute()
{
    uint8_t bytes[3] = {};
    ReadBytes(bytes, 3);
    OpTime.SetBytes(bytes);
    SetValue(OpTime.Value());
    return true;
}

QString TBiDirDataAsOpTime::GetAsText() const
{
    return QString::number(Value());
}

void TBiDirDataAsOpTime::SetAsText(const QString& text)
{
    WriteValue(DecimalTextToInt(text, 0, TOpTime::MaxValue));
}

void TBiDirDataAsOpTime::WriteValue(int32_t newValue)
{
    if (newValue == Value())
        return;
    OpTime.SetValue(newValue);
    WriteBytes(OpTime.GetBytes().data(), 3);
    SetValue(newValue);
}
