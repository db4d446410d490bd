#pragma once
#include <QString>
#include <cstddef>
#include <cstdint>
#include <termios.h>

// What the communication resource needs of a serial device. Every call reports the operating
// system's error code (errno) or 0, so the resource can show the user the real cause. Tests use a
// fake for what a pseudo-terminal cannot produce (a partial write, a chosen error code).
class TSerialDevice {
public:
    // Outcome of one read or write: bytes moved, and the error code when the call failed.
    struct TTransfer {
        size_t Moved = 0;
        int Error = 0;
    };

    virtual ~TSerialDevice() = default;

    // Opens the device exclusively for reading and writing, in raw mode.
    virtual int Open(const QString& path) = 0;
    // Closing a device that is not open does nothing and reports 0.
    virtual int Close() = 0;
    virtual bool IsOpen() const = 0;

    virtual int GetLineSettings(termios& settings) = 0;
    virtual int SetLineSettings(const termios& settings) = 0;

    // Total time-outs: each Read or Write call ends after at most this many milliseconds.
    virtual int SetTimeouts(uint32_t readMs, uint32_t writeMs) = 0;

    // Blocks until count bytes moved or the time-out passed; fewer bytes without an error is
    // the time-out.
    virtual TTransfer Read(uint8_t* buffer, size_t count) = 0;
    virtual TTransfer Write(const uint8_t* buffer, size_t count) = 0;

    // Discards both buffers.
    virtual int Purge() = 0;
    // Clears the error state; bytesWaiting receives the number of bytes received but not read.
    virtual int ClearErrors(uint32_t& bytesWaiting) = 0;

    // The system call whose failure the last error code came from ("open", "flock", ...), so a
    // message can say what failed and not only why; empty when nothing failed yet.
    virtual QString FailedCall() const { return QString(); }
};

// The POSIX serial device on termios. With the environment variable KIV_TRACE set, every open,
// failure, read and write is logged to standard error with its bytes in hexadecimal.
class TPosixSerialDevice : public TSerialDevice {
public:
    TPosixSerialDevice();
    TPosixSerialDevice(const TPosixSerialDevice&) = delete;
    TPosixSerialDevice& operator=(const TPosixSerialDevice&) = delete;
    ~TPosixSerialDevice() override;

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
    QString FailedCall() const override { return QLatin1String(LastCall); }

private:
    // Notes the failing call and passes its error code on.
    int Failed(const char* call, int error);
    void Trace(const QString& text) const;
    void TraceTransfer(const char* direction, const uint8_t* bytes, const TTransfer& result) const;

    int Fd = -1;
    bool Exclusive = false;   // TIOCEXCL set, to be cleared on close
    const char* LastCall = "";
    bool Tracing = false;
    QString Path;
    uint32_t ReadTimeoutMs = 0;
    uint32_t WriteTimeoutMs = 0;
};
