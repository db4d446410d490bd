#pragma once
#include "core/uResource.h"
#include "platform/Exception.h"
#include "platform/SerialDevice.h"
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <termios.h>

class ECommResError : public Exception {
public:
    using Exception::Exception;
};

enum TCommParity : uint8_t { cpEven, cpMark, cpNone, cpOdd };
enum TCommStopBits : uint8_t { sbOne, sbOneAndHalf, sbTwo };

// The one serial port. The user picks "COM1".."COM4"; each maps to a device path that the owner
// sets (any device, symlink or pseudo-terminal). Opening, closing and configuring raise
// ECommResError; reading, writing and purging return false and leave LastResult.
class TCommRes : public TResource {
public:
    static constexpr int PortCount = 4;

    // Without a device, a local termios device or a device server, by the port's path.
    explicit TCommRes(std::unique_ptr<TSerialDevice> device = nullptr);
    ~TCommRes() override;

    void Open() override;
    void Close() override;
    bool IsOpen() const { return Opened; }

    // Takes only the exact names "COM1".."COM4".
    void SetComPort(const QString& text);
    // The port name a text stands for, case and surrounding blanks aside; empty for any other text.
    static QString PortNameOf(const QString& text);
    QString GetComPort() const { return ComPort; }
    int GetPortIndex();

    // Device path behind "COM<index+1>"; defaults to /dev/ttyS<index>.
    void SetPortDevice(int index, const QString& path);
    QString GetPortDevice(int index) const;

    void SetBaudRate(uint32_t baudRate);
    void SetDataBits(uint8_t dataBits);
    void SetParity(TCommParity parity);
    void SetStopBits(TCommStopBits stopBits);
    void SetTimeouts(uint32_t ms);
    termios GetLineState();

    bool Read(uint8_t* buffer, uint32_t count);
    bool Write(const uint8_t* buffer, uint32_t count);
    bool Purge();
    uint32_t ClearErrors();
    int32_t GetLastResult() const { return LastResult; }

private:
    void SetLineState(const termios& state);
    bool Transfer(TSerialDevice::TTransfer result, uint32_t count);

    QString ComPort;
    // The device behind the port; open only while Opened is true.
    std::unique_ptr<TSerialDevice> Handle;
    bool Opened = false;
    int32_t LastResult = 0;
    std::array<QString, PortCount> PortDevices;
};
