#include "model/uBiDirDataAsTemp.h"

bool TBiDirDataAsTemp::Execute()
{
    uint8_t raw = 0;
    ReadBytes(&raw, 1);
    Temp.SetRaw(raw);
    SetValue(Temp.Value());
    return true;
}

QString TBiDirDataAsTemp::GetAsText() const
{
    return QString::number(Value());
}

void TBiDirDataAsTemp::SetAsText(const QString& text)
{
    // A value beyond one signed byte would reach the encoder as a different temperature.
    WriteValue(DecimalTextToInt(text, -128, 127));
}

void TBiDirDataAsTemp::WriteValue(int32_t newValue)
{
    if (newValue == Value())
        return;
    Temp.SetValue(newValue);
    const uint8_t raw = Temp.GetRaw();
    WriteBytes(&raw, 1);
    SetValue(newValue);
}
