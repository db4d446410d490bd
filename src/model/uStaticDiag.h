#pragma once
#include "core/uProcessControl.h"
#include "model/uOpTime.h"
#include "model/uTemp.h"
#include <QString>
#include <cstdint>

class TRawDiag;

// A value decoded from the diagnostic block that TRawDiag last read.
class TStaticDiag : public TProcessControl {
public:
    void SetRawDiag(TRawDiag* rawDiag) { RawDiag = rawDiag; }
    TRawDiag* GetRawDiag() const { return RawDiag; }

    bool Execute() override = 0;
    virtual QString GetAsText() const = 0;
    // Makes the observers show the held value again, changed or not.
    void Refresh() { Notify(this, 0); }

protected:
    // The block's bytes; the controller wires RawDiag before the first decoding.
    const uint8_t* Block() const;

private:
    TRawDiag* RawDiag = nullptr;
};

// Total number of faults the encoder ever stored. An erased count (0xFFFF) is held as 0.
class TNumOfFaults : public TStaticDiag {
public:
    bool Execute() override;
    QString GetAsText() const override;
    uint16_t Value() const { return FValue; }
    // The comparison is made before the erased count is mapped to 0, so an erased block
    // notifies on every read.
    void SetValue(uint16_t newValue);

private:
    uint16_t FValue = 0;
};

// Highest temperature seen. Only values above 0 are taken, so an erased byte (-1) never is.
class TMaxTemp : public TStaticDiag {
public:
    bool Execute() override;
    QString GetAsText() const override;
    int32_t Value() const { return FValue; }
    void SetValue(int32_t newValue);

private:
    TTemp Temp;
    int32_t FValue = 0;
};

// Lowest temperature seen. Filtered, only values below -1 are taken; encoders whose software
// records it differently are read unfiltered.
class TMinTemp : public TStaticDiag {
public:
    bool Execute() override;
    bool ExecuteUnfiltered();
    QString GetAsText() const override;
    int32_t Value() const { return FValue; }
    void SetValue(int32_t newValue, bool unfiltered);

private:
    TTemp Temp;
    int32_t FValue = 0;
};

// The encoder's operating hours. An erased value (0xFFFFFF) is held as 0 and, like the erased
// count, notifies on every read.
class TOperatingTime : public TStaticDiag {
public:
    bool Execute() override;
    QString GetAsText() const override;
    int32_t Value() const { return FValue; }
    void SetValue(int32_t newValue);

private:
    TOpTime OpTime;
    int32_t FValue = 0;
};

// Offsets within the diagnostic block.
namespace DiagBlock {
constexpr int OpTimeStatus = 1;
constexpr int NewestFaultOffset = 2;
constexpr int NumOfFaults = 3;      // two bytes, most significant first
constexpr int MinTemp = 5;
constexpr int MaxTemp = 6;
constexpr int FaultBufferStatus = 7;
constexpr int FaultRing = 16;       // 13 records of 6 bytes
constexpr int OperatingTime = 96;   // three bytes, most significant first
}
