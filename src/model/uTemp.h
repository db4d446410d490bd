#pragma once
#include <cstdint>

// Temperature as the encoder stores it: one signed byte in degrees Celsius.
class TTemp {
public:
    void SetRaw(uint8_t raw);
    uint8_t GetRaw() const { return FRaw; }
    int32_t Value() const { return FValue; }
    // Keeps the low byte of the value as the raw form.
    void SetValue(int32_t value);

private:
    uint8_t FRaw = 0;
    int32_t FValue = 0;
};
