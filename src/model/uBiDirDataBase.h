#pragma once
#include "core/uProcessControl.h"
#include <QString>
#include <cstdint>

class TBiDirDiagProtocol;

// One value at a fixed address of the encoder's RAM or EEPROM. Reading selects the item's memory
// on the shared protocol first: another reader may have left it at the other memory.
class TBiDirDataBase : public TProcessControl {
public:
    static constexpr uint8_t MemRam = 0;
    static constexpr uint8_t MemEEProm = 1;
    static constexpr uint8_t LittleEndian = 0;
    static constexpr uint8_t BigEndian = 1;

    void SetProtocol(TBiDirDiagProtocol* protocol) { Protocol = protocol; }
    TBiDirDiagProtocol* GetProtocol() const { return Protocol; }
    uint16_t GetAddress() const { return Address; }
    void SetAddress(uint16_t address) { Address = address; }
    uint8_t GetMemMode() const { return MemMode; }
    void SetMemMode(uint8_t value) { MemMode = value; }
    // Recorded only: every item has its own fixed byte order.
    uint8_t GetEndianMode() const { return EndianMode; }
    void SetEndianMode(uint8_t value) { EndianMode = value; }

    // Exactly "Ram" or "EEProm"; anything else raises and leaves the setting alone.
    void SetMemModeStr(const QString& text);
    // Exactly "LittleEndian" or "BigEndian"; anything else raises and leaves the setting alone.
    void SetEndianModeStr(const QString& text);

    TBiDirDiagProtocol* SelectMemory();

    // Reads the value from the encoder; notifies only when it changed.
    bool Execute() override = 0;
    virtual QString GetAsText() const = 0;
    // Parses the text and writes the value to the encoder. A text that is no valid value for
    // the item raises before anything is written.
    virtual void SetAsText(const QString& text) = 0;

protected:
    // The item's bytes in address order, always fetched after selecting the item's memory.
    void ReadBytes(uint8_t* buffer, uint8_t count);
    void WriteBytes(const uint8_t* buffer, uint8_t count);

private:
    TBiDirDiagProtocol* Protocol = nullptr;
    uint16_t Address = 0;
    uint8_t MemMode = MemRam;
    uint8_t EndianMode = LittleEndian;
};

// The held value and the one place where an item notifies.
template <typename T>
class TBiDirDataTyped : public TBiDirDataBase {
public:
    T Value() const { return FValue; }
    void SetValue(T newValue)
    {
        if (newValue == FValue)
            return;
        FValue = newValue;
        Notify(this, 0);
    }

private:
    T FValue{};
};

// Decimal text to integer, raising the conversion error when the text is no integer at all or
// lies outside [min, max].
int32_t DecimalTextToInt(const QString& text, int64_t min, int64_t max);
