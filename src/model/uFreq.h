#pragma once
#include <cstdint>

// Frequency as the encoder stores it: one unsigned byte in steps of 500 Hz.
class TFreq {
public:
    static constexpr int32_t HertzPerStep = 500;

    void SetRaw(uint8_t raw);
    uint8_t GetRaw() const { return FRaw; }
    int32_t Value() const { return FValue; }
    // The raw form is the value in whole steps (truncated toward zero), low byte.
    void SetValue(int32_t value);

private:
    uint8_t FRaw = 0;
    int32_t FValue = 0;
};
