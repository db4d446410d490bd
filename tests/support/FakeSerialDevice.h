#pragma once
#include "platform/SerialDevice.h"
#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

// A serial device for what a pseudo-terminal cannot produce: chosen error codes and partial
// transfers. Error fields are the errno the next call of that kind reports (0 = succeed).
class FakeSerialDevice : public TSerialDevice {
public:
    int OpenError = 0;
    int CloseError = 0;
    int GetLineError = 0;
    int SetLineError = 0;
    int TimeoutError = 0;
    int PurgeError = 0;
    int ClearError = 0;
    int ReadError = 0;
    int WriteError = 0;
    // At most this many bytes of a write get through (-1 = all).
    long WriteLimit = -1;
    uint32_t BytesWaiting = 0;
    std::deque<uint8_t> Input;     // what a read delivers
    std::vector<uint8_t> Written;  // everything written
    std::vector<char> Calls;       // O open, C close, P purge, W write, R read
    termios Line{};
    bool Opened = false;

    int Open(const QString&) override
    {
        Calls.push_back('O');
        if (OpenError == 0)
            Opened = true;
        return OpenError;
    }
    int Close() override
    {
        Calls.push_back('C');
        if (CloseError == 0)
            Opened = false;
        return CloseError;
    }
    bool IsOpen() const override { return Opened; }
    // Names the call of the last kind that was told to fail.
    QString FailedCall() const override
    {
        if (Calls.empty())
            return QString();
        switch (Calls.back()) {
        case 'O': return OpenError ? QStringLiteral("open") : QString();
        case 'R': return ReadError ? QStringLiteral("read") : QString();
        case 'W': return WriteError ? QStringLiteral("write") : QString();
        default: return QString();
        }
    }
    int GetLineSettings(termios& settings) override
    {
        settings = Line;
        return GetLineError;
    }
    int SetLineSettings(const termios& settings) override
    {
        if (SetLineError == 0)
            Line = settings;
        return SetLineError;
    }
    int SetTimeouts(uint32_t, uint32_t) override { return TimeoutError; }
    TTransfer Read(uint8_t* buffer, size_t count) override
    {
        Calls.push_back('R');
        TTransfer result;
        while (result.Moved < count && !Input.empty()) {
            buffer[result.Moved++] = Input.front();
            Input.pop_front();
        }
        result.Error = ReadError;
        return result;
    }
    TTransfer Write(const uint8_t* buffer, size_t count) override
    {
        Calls.push_back('W');
        TTransfer result;
        result.Moved = WriteLimit < 0 ? count : std::min(count, static_cast<size_t>(WriteLimit));
        Written.insert(Written.end(), buffer, buffer + result.Moved);
        result.Error = WriteError;
        return result;
    }
    int Purge() override
    {
        Calls.push_back('P');
        return PurgeError;
    }
    int ClearErrors(uint32_t& bytesWaiting) override
    {
        bytesWaiting = BytesWaiting;
        return ClearError;
    }
};
