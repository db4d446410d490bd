#pragma once
#include "platform/SerialDevice.h"
#include "platform/Telnet.h"
#include <QByteArray>
#include <QString>
#include <chrono>
#include <memory>

// A serial line reached through a device server on the network:
//   tcp://host:port      raw TCP; the server's line is already set to the encoder's 9600 8N1
//   rfc2217://host:port  Telnet with the COM Port Control Option; the line settings and purges go
//                        to the remote line as they would to a local one
// The same total time-outs and error codes as a local port: a connection the server closes or
// resets is a hang-up (EIO), like an unplugged adapter.
class TNetSerialDevice : public TSerialDevice {
public:
    enum class TKind { Raw, Rfc2217 };
    struct TAddress {
        TKind Kind = TKind::Raw;
        QString Host;
        uint16_t Port = 0;
    };

    // Connecting has a bound of its own, apart from the link's per-call time-outs.
    static constexpr uint32_t DefaultConnectTimeoutMs = 5000;

    static bool IsNetworkAddress(const QString& path);
    // False for anything that is not tcp:// or rfc2217:// with a host and a port from 1 to 65535.
    static bool ParseAddress(const QString& path, TAddress& address);

    explicit TNetSerialDevice(uint32_t connectTimeoutMs = DefaultConnectTimeoutMs);
    TNetSerialDevice(const TNetSerialDevice&) = delete;
    TNetSerialDevice& operator=(const TNetSerialDevice&) = delete;
    ~TNetSerialDevice() override;

    int Open(const QString& path) override;
    int Close() override;
    bool IsOpen() const override { return Fd >= 0; }
    int GetLineSettings(termios& settings) override;
    int SetLineSettings(const termios& settings) override;
    int SetTimeouts(uint32_t readMs, uint32_t writeMs) override;
    TTransfer Read(uint8_t* buffer, size_t count) override;
    TTransfer Write(const uint8_t* buffer, size_t count) override;
    int Purge() override;
    int ClearErrors(uint32_t& bytesWaiting) override;

    // What failed last, naming the host and the system's reason ("connect 10.0.0.5:4001:
    // Connection refused"); empty after success.
    QString LastFailure() const { return Failure; }

private:
    using TClock = std::chrono::steady_clock;

    int Connect(const TAddress& address);
    int Negotiate();
    // Sends all bytes before the deadline; a time-out is ETIMEDOUT.
    int SendAll(const QByteArray& bytes, TClock::time_point deadline, size_t* sent = nullptr);
    // Waits for bytes until the deadline and takes what came into Pending; 0 with nothing new
    // is the time-out.
    int Receive(TClock::time_point deadline, bool& received);
    // Takes what has already arrived without waiting.
    int Drain();
    void Take(const uint8_t* bytes, size_t count);
    void Answer(const Telnet::TCommand& command);
    int Fail(int error, const QString& what);

    uint32_t ConnectTimeoutMs;
    int Fd = -1;
    TAddress Address;
    uint32_t ReadTimeoutMs = 0;
    uint32_t WriteTimeoutMs = 0;
    // The line as the link set it; on a raw server it is only remembered.
    termios Line{};
    // Which fields the remote line is known to hold; the first setting sends every field.
    bool RemoteLineKnown = false;
    // Line data received but not yet read.
    QByteArray Pending;
    Telnet::TDecoder Decoder;
    // Telnet options in force: [0] what this side does, [1] what the server does.
    bool Enabled[2][256] = {};
    bool ComPortAccepted = false;
    bool ComPortRefused = false;
    QString Failure;
};

// The device for any port path: a network address goes to the network, everything else to the
// local termios device.
class TAnySerialDevice : public TSerialDevice {
public:
    TAnySerialDevice();
    int Open(const QString& path) override;
    int Close() override;
    bool IsOpen() const override { return Active && Active->IsOpen(); }
    int GetLineSettings(termios& settings) override { return Active->GetLineSettings(settings); }
    int SetLineSettings(const termios& settings) override { return Active->SetLineSettings(settings); }
    int SetTimeouts(uint32_t readMs, uint32_t writeMs) override { return Active->SetTimeouts(readMs, writeMs); }
    TTransfer Read(uint8_t* buffer, size_t count) override { return Active->Read(buffer, count); }
    TTransfer Write(const uint8_t* buffer, size_t count) override { return Active->Write(buffer, count); }
    int Purge() override { return Active->Purge(); }
    int ClearErrors(uint32_t& bytesWaiting) override { return Active->ClearErrors(bytesWaiting); }

    // The network device's account of its last failure; empty for a local device.
    QString LastNetworkFailure() const;

private:
    std::unique_ptr<TPosixSerialDevice> Local;
    std::unique_ptr<TNetSerialDevice> Network;
    TSerialDevice* Active;
};
