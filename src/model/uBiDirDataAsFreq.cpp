#include "model/uBiDirDataAsFreq.h"

bool TBiDirDataAsFreq::Execute()
{
    uint8_t raw = 0;
    ReadBytes(&raw, 1);
    Freq.SetRaw(raw);
    SetValue(Freq.Value());
    return true;
}

QString TBiDirDataAsFreq::GetAsText() const
{
    return QString::number(Value());
}

void TBiDirDataAsFreq::SetAsText(const QString& text)
{
    WriteValue(DecimalTextToInt(text, 0, 255 * TFreq::HertzPerStep));
}

void TBiDirDataAsFreq::WriteValue(int32_t newValue)
{
    // The encoder keeps whole steps only; hold what it will actually report back.
    newValue -= newValue % TFreq::HertzPerStep;
    if (newValue == Value())
        return;
    Freq.SetValue(newValue);
    const uint8_t raw = Freq.GetRaw();
    WriteBytes(&raw, 1);
    SetValue(newValue);
}
