#pragma once
#include "core/uSubject.h"
#include "platform/Exception.h"
#include <array>
#include <cstdint>

class TCommRes;
class TProgressIndicator;

class ESerialBiDirError : public Exception {
public:
    using Exception::Exception;
};

// The request/response frame layer of the encoder link, with the byte and block operations on
// top of it. One object serves the whole system, so its buffers are shared and exchanges must
// never interleave. Fields are public because the controller and the callers drive an exchange
// step by step (fill Payload, send, receive) and the controller resets RetryCount directly.
class TSerialBiDirBase : public TSubject {
public:
    using TBuffer = std::array<uint8_t, 256>;

    TSerialBiDirBase() = default;

    void SetCommand(uint8_t command) { Command = command; }
    void SendReadRequest();
    void SendWriteRequest();
    // True when the checksum matched; false only on the first mismatch while no retry was made.
    virtual bool ReceiveResponse();
    virtual void CopyResponseData();
    // Notifies 2 when the variant changes.
    virtual void SetChainedChecksum(bool value);
    virtual int32_t GetErrorCode() const { return ErrorCode; }

    virtual uint8_t ReadByte(uint16_t address);
    virtual bool WriteByte(uint16_t address, uint8_t value);
    virtual void ReadBlock(uint16_t start, uint8_t* buffer, uint8_t count);
    virtual void WriteBlock(uint16_t start, const uint8_t* buffer, uint8_t count);

    void SetMemMode(uint8_t mode) { MemMode = mode; }
    uint8_t GetMemMode() const { return MemMode; }
    bool GetChainedChecksum() const { return ChainedChecksum; }

    uint8_t MemMode = 0;           // 0 RAM, 1 EEPROM
    bool ChainedChecksum = true;   // response checksum includes the request's checksum
    uint8_t AddressByte = 0;
    uint8_t RequestChecksum = 0;
    uint8_t TxLength = 0;
    uint8_t RxLength = 0;
    TBuffer TxBuffer{};
    TBuffer RxBuffer{};
    TBuffer Payload{};
    uint8_t TxPayloadLength = 0;
    uint8_t RxPayloadLength = 0;
    uint8_t Command = 0;
    int32_t ErrorCode = 0;
    TCommRes* CommRes = nullptr;             // not owned
    TProgressIndicator* ProgressBar = nullptr; // not owned; may be null
    int32_t RetryCount = 0;

private:
    void SendRequest(bool withChecksum);
    // A second message line for a failed transfer, or nothing.
    QString Explanation(int32_t result) const;
    void ReadBytes(uint8_t* destination, uint8_t count);
};
