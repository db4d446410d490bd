// The frame layer reading responses from a scripted device: whatever bytes come back (echo,
// data, checksum, too few), the link sends exactly the frames it should, accepts exactly the
// responses whose checksum matches the variant in force, switches variant at most once and
// only on a read, and fails with the right error code. Both checksum variants, before and after
// the one retry, on single bytes and blocks of RAM and EEPROM.
//
// Input: flags (bit 0 chained checksum, bit 1 a retry already made), operation, address high
// and low byte, value or block length, then the bytes the device answers with.
#include "FuzzSupport.h"
#include "core/uBiDirDiagProtocol.h"
#include "core/uCommRes.h"
#include "core/uObserver.h"
#include "support/FakeSerialDevice.h"
#include <deque>
#include <memory>
#include <vector>

namespace {

enum class TOutcome { Done, Timeout, ChecksumError };

// The link as the frame and checksum rules describe it, on the same scripted bytes.
struct TReference {
    bool Chained;
    int32_t Retries;
    std::deque<uint8_t> Answer;
    std::vector<uint8_t> Sent;
    int Switches = 0;

    uint8_t Send(std::vector<uint8_t> frame, bool withChecksum)
    {
        uint8_t sum = 0;
        for (uint8_t b : frame)
            sum = static_cast<uint8_t>(sum + b);
        if (withChecksum)
            frame.push_back(sum);
        Sent.insert(Sent.end(), frame.begin(), frame.end());
        return sum;
    }

    // Takes count answer bytes; false when fewer arrive (each read takes what there is).
    bool Take(std::vector<uint8_t>& bytes, size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            if (Answer.empty())
                return false;
            bytes.push_back(Answer.front());
            Answer.pop_front();
        }
        return true;
    }

    // One response; Done with match telling whether its checksum fitted the variant in force.
    TOutcome Receive(uint8_t requestSum, size_t dataBytes, bool& match, uint8_t& data)
    {
        std::vector<uint8_t> bytes;
        if (!Take(bytes, 1 + dataBytes) || !Take(bytes, 1))
            return TOutcome::Timeout;
        uint8_t expected = Chained ? requestSum : 0;
        for (size_t i = 0; i + 1 < bytes.size(); ++i)
            expected = static_cast<uint8_t>(expected + bytes[i]);
        match = bytes.back() == expected;
        data = dataBytes ? bytes[1] : 0;
        if (!match && Retries > 0)
            return TOutcome::ChecksumError;
        return TOutcome::Done;
    }

    TOutcome ReadByte(uint8_t command, uint16_t address, uint8_t& value)
    {
        const std::vector<uint8_t> frame{0x00, command, uint8_t(address >> 8), uint8_t(address)};
        bool match = false;
        TOutcome outcome = Receive(Send(frame, false), 1, match, value);
        if (outcome != TOutcome::Done || match)
            return outcome;
        Chained = !Chained;
        ++Switches;
        ++Retries;
        outcome = Receive(Send(frame, false), 1, match, value);
        return outcome;
    }

    TOutcome WriteByte(uint8_t command, uint16_t address, uint8_t value, bool& acknowledged)
    {
        uint8_t ignored = 0;
        const uint8_t sum = Send({0x00, command, uint8_t(address >> 8), uint8_t(address), value}, true);
        return Receive(sum, 0, acknowledged, ignored);
    }
};

struct TSwitchCounter : TObserver {
    int Switches = 0;
    TSwitchCounter() { SetActive(true); }
    void Update(TSubject*, int32_t code) override { Switches += code == 2; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5)
        return 0;
    const bool chained = data[0] & 1;
    const int32_t retries = (data[0] >> 1) & 1;
    const int operation = data[1] % 8;
    const auto address = static_cast<uint16_t>(data[2] << 8 | data[3]);
    const uint8_t value = data[4];
    const uint8_t blockLength = static_cast<uint8_t>(1 + value % 16);

    auto* device = new FakeSerialDevice;
    device->Input.assign(data + 5, data + size);
    TCommRes port{std::unique_ptr<TSerialDevice>(device)};
    port.SetComPort(QStringLiteral("COM1"));
    port.Open();
    TBiDirDiagProtocol link;
    link.CommRes = &port;
    link.ChainedChecksum = chained;
    link.RetryCount = retries;
    TSwitchCounter switches;
    link.Attach(&switches);

    TReference reference{chained, retries, std::deque<uint8_t>(data + 5, data + size), {}};
    const bool eeprom = operation & 1;
    const uint8_t readCommand = eeprom ? TBiDirDiagProtocol::CmdReadEEProm : TBiDirDiagProtocol::CmdReadRam;
    const uint8_t writeCommand = eeprom ? TBiDirDiagProtocol::CmdWriteEEProm : TBiDirDiagProtocol::CmdWriteRam;
    link.SetMemMode(eeprom ? 1 : 0);

    // What the reference expects.
    TOutcome expected = TOutcome::Done;
    std::vector<uint8_t> expectedBytes;
    bool expectedAck = false;
    const int kind = operation / 2; // 0 byte read, 1 byte write, 2 block read, 3 block write
    const int count = kind < 2 ? 1 : blockLength;
    for (int i = 0; i < count && expected == TOutcome::Done; ++i) {
        const auto at = static_cast<uint16_t>(address + i);
        uint8_t byte = 0;
        if (kind % 2 == 0) {
            expected = reference.ReadByte(readCommand, at, byte);
            if (expected == TOutcome::Done)
                expectedBytes.push_back(byte);
        } else {
            expected = reference.WriteByte(writeCommand, at, static_cast<uint8_t>(value + i), expectedAck);
        }
    }

    // What the link does.
    TOutcome outcome = TOutcome::Done;
    std::vector<uint8_t> bytes(count);
    bool ack = false;
    try {
        switch (kind) {
        case 0: bytes[0] = link.ReadByte(address); break;
        case 1: ack = link.WriteByte(address, value); break;
        case 2: link.ReadBlock(address, bytes.data(), blockLength); break;
        default: {
            std::vector<uint8_t> values(count);
            for (int i = 0; i < count; ++i)
                values[i] = static_cast<uint8_t>(value + i);
            link.WriteBlock(address, values.data(), blockLength);
        }
        }
    } catch (const ESerialBiDirError&) {
        FUZZ_CHECK(link.GetErrorCode() == -2 || link.GetErrorCode() == -6);
        outcome = link.GetErrorCode() == -2 ? TOutcome::Timeout : TOutcome::ChecksumError;
    }

    FUZZ_CHECK(outcome == expected);
    FUZZ_CHECK(device->Written == reference.Sent);
    FUZZ_CHECK(link.ChainedChecksum == reference.Chained);
    FUZZ_CHECK(link.RetryCount == reference.Retries);
    FUZZ_CHECK(switches.Switches == reference.Switches);
    if (outcome == TOutcome::Done) {
        FUZZ_CHECK(link.GetErrorCode() == 0);
        if (kind == 1)
            FUZZ_CHECK(ack == expectedAck);
        if (kind % 2 == 0)
            FUZZ_CHECK(bytes == expectedBytes);
    }
    return 0;
}
