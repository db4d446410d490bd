#pragma once
#include <array>
#include <cstdint>

// Operating hours as the encoder stores them: an unsigned 24-bit count in three bytes. The
// diagnostic block keeps them most significant byte first, the live RAM value least significant
// byte first, so the owner says which.
class TOpTime {
public:
    using TBytes = std::array<uint8_t, 3>;
    static constexpr int32_t MaxValue = 0xFFFFFF;

    void SetLsbFirst(bool lsbFirst) { FLsbFirst = lsbFirst; }
    bool LsbFirst() const { return FLsbFirst; }

    // Decodes three bytes from source.
    void SetBytes(const uint8_t* source);
    const TBytes& GetBytes() const { return FBytes; }
    int32_t Value() const { return FValue; }
    // Keeps the low 24 bits of the value as the byte form.
    void SetValue(int32_t value);

private:
    TBytes FBytes{};
    int32_t FValue = 0;
    bool FLsbFirst = false;
};
