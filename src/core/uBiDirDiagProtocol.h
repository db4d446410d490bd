#pragma once
#include "core/uSerialBiDirBase.h"

// The encoder's four memory commands on one 16-bit address. MemMode picks RAM or EEPROM for
// ReadByte and WriteByte, so block transfers follow it too; it is shared by every caller, so each
// caller selects the memory right before its own access.
class TBiDirDiagProtocol : public TSerialBiDirBase {
public:
    static constexpr uint8_t CmdReadRam = 0x80;
    static constexpr uint8_t CmdReadEEProm = 0x81;
    static constexpr uint8_t CmdWriteRam = 0x90;
    static constexpr uint8_t CmdWriteEEProm = 0x91;

    uint8_t ReadByte(uint16_t address) override;
    bool WriteByte(uint16_t address, uint8_t value) override;

    uint8_t ReadRam(uint16_t address);
    uint8_t ReadEEProm(uint16_t address);
    bool WriteRam(uint16_t address, uint8_t value);
    bool WriteEEProm(uint16_t address, uint8_t value);
};
