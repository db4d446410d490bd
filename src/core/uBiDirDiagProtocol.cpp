#include "core/uBiDirDiagProtocol.h"

uint8_t TBiDirDiagProtocol::ReadByte(uint16_t address)
{
    return MemMode == 0 ? ReadRam(address) : ReadEEProm(address);
}

bool TBiDirDiagProtocol::WriteByte(uint16_t address, uint8_t value)
{
    return MemMode == 0 ? WriteRam(address, value) : WriteEEProm(address, value);
}

uint8_t TBiDirDiagProtocol::ReadRam(uint16_t address)
{
    SetCommand(CmdReadRam);
    return TSerialBiDirBase::ReadByte(address);
}

uint8_t TBiDirDiagProtocol::ReadEEProm(uint16_t address)
{
    SetCommand(CmdReadEEProm);
    return TSerialBiDirBase::ReadByte(address);
}

bool TBiDirDiagProtocol::WriteRam(uint16_t address, uint8_t value)
{
    SetCommand(CmdWriteRam);
    return TSerialBiDirBase::WriteByte(address, value);
}

bool TBiDirDiagProtocol::WriteEEProm(uint16_t address, uint8_t value)
{
    SetCommand(CmdWriteEEProm);
    return TSerialBiDirBase::WriteByte(address, value);
}
