#pragma once
#include "core/uProcessControl.h"
#include <array>
#include <cstdint>

class TBiDirDiagProtocol;

// The encoder's diagnostic block: the first 99 bytes of its EEPROM, read in one pass so that
// the values decoded from it never touch the encoder themselves.
class TRawDiag : public TProcessControl {
public:
    static constexpr uint8_t BlockSize = 99;
    using TData = std::array<uint8_t, 128>;

    void SetProtocol(TBiDirDiagProtocol* protocol) { Protocol = protocol; }
    TBiDirDiagProtocol* GetProtocol() const { return Protocol; }

    // Reads the block from EEPROM and leaves the protocol's memory selection there. Without a
    // protocol it reads nothing and still notifies. A link error keeps the bytes read so far.
    bool Execute() override;
    const TData& GetData() const { return Data; }
    // Takes a block that was not read from the link (a made-up or stored reading).
    void SetData(const TData& data) { Data = data; }

private:
    TData Data{};
    TBiDirDiagProtocol* Protocol = nullptr;
};
