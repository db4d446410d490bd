#include "model/uStaticDiag.h"
#include "model/uRawDiag.h"
#include "platform/Exception.h"

const uint8_t* TStaticDiag::Block() const
{
    if (!RawDiag)
        throw Exception("No diagnostic block assigned.");
    return RawDiag->GetData().data();
}

bool TNumOfFaults::Execute()
{
    const uint8_t* block = Block();
    SetValue(static_cast<uint16_t>(block[DiagBlock::NumOfFaults] << 8 | block[DiagBlock::NumOfFaults + 1]));
    return true;
}

QString TNumOfFaults::GetAsText() const
{
    return QString::number(FValue);
}

void TNumOfFaults::SetValue(uint16_t newValue)
{
    if (newValue == FValue)
        return;
    FValue = newValue == 0xFFFF ? 0 : newValue;
    Notify(this, 0);
}

bool TMaxTemp::Execute()
{
    Temp.SetRaw(Block()[DiagBlock::MaxTemp]);
    SetValue(Temp.Value());
    return true;
}

QString TMaxTemp::GetAsText() const
{
    return QString::number(FValue);
}

void TMaxTemp::SetValue(int32_t newValue)
{
    if (newValue == FValue || newValue <= 0)
        return;
    FValue = newValue;
    Notify(this, 0);
}

bool TMinTemp::Execute()
{
    Temp.SetRaw(Block()[DiagBlock::MinTemp]);
    SetValue(Temp.Value(), false);
    return true;
}

bool TMinTemp::ExecuteUnfiltered()
{
    Temp.SetRaw(Block()[DiagBlock::MinTemp]);
    SetValue(Temp.Value(), true);
    return true;
}

QString TMinTemp::GetAsText() const
{
    return QString::number(FValue);
}

void TMinTemp::SetValue(int32_t newValue, bool unfiltered)
{
    if (newValue == FValue || (!unfiltered && newValue >= -1))
        return;
    FValue = newValue;
    Notify(this, 0);
}

bool TOperatingTime::Execute()
{
    OpTime.SetBytes(Block() + DiagBlock::OperatingTime);
    SetValue(OpTime.Value());
    return true;
}

QString TOperatingTime::GetAsText() const
{
    return QString::number(FValue);
}

void TOperatingTime::SetValue(int32_t newValue)
{
    if (newValue == FValue)
        return;
    FValue = newValue == TOpTime::MaxValue ? 0 : newValue;
    Notify(this, 0);
}
