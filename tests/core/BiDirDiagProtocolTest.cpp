#include "EncoderSim.h"
#include "core/uBiDirDiagProtocol.h"
#include "core/uCommRes.h"
#include "core/uObserver.h"
#include "core/uUtilities.h"
#include "support/FakeSerialDevice.h"
#include "support/RecordingProgress.h"
#include <functional>
#include <gtest/gtest.h>

namespace {
using TBytes = std::vector<uint8_t>;

struct CodeRecorder : TObserver {
    std::vector<int32_t> Codes;
    CodeRecorder() { SetActive(true); }
    void Update(TSubject*, int32_t code) override { Codes.push_back(code); }
};

QString MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ESerialBiDirError& e) {
        return e.Message();
    }
    return QStringLiteral("<no ESerialBiDirError>");
}

const QString ChecksumError = QStringLiteral("Serial BiDirectional Error: Checksum error when reading");

TBytes ReadRequest(uint8_t command, uint16_t address)
{
    return {0x00, command, uint8_t(address >> 8), uint8_t(address)};
}

// The real port on the simulator's pty, with the protocol as the controller wires it.
struct LinkOnSim : ::testing::Test {
    TEncoderSim Sim;
    CodeRecorder ProtocolCodes;
    TCommRes Res;
    TBiDirDiagProtocol Protocol;
    RecordingProgress Bar;

    LinkOnSim()
    {
        Res.SetPortDevice(0, QString::fromStdString(Sim.Start()));
        Res.SetComPort(QStringLiteral("COM1"));
        Res.Open();
        Protocol.CommRes = &Res;
        Protocol.ProgressBar = &Bar;
        Protocol.Attach(&ProtocolCodes);
    }

    void SendRead(uint8_t command, uint16_t address)
    {
        Protocol.SetCommand(command);
        WriteWordBE(address, Protocol.Payload.data());
        Protocol.TxPayloadLength = 2;
        Protocol.SendReadRequest();
        Protocol.RxPayloadLength = 1;
    }
    void SendWrite(uint8_t command, uint16_t address, uint8_t value)
    {
        Protocol.SetCommand(command);
        WriteWordBE(address, Protocol.Payload.data());
        Protocol.Payload[2] = value;
        Protocol.TxPayloadLength = 3;
        Protocol.SendWriteRequest();
        Protocol.RxPayloadLength = 0;
    }
    TBytes Sent() const { return TBytes(Protocol.TxBuffer.begin(), Protocol.TxBuffer.begin() + Protocol.TxLength); }
    TBytes Received(int count) const { return TBytes(Protocol.RxBuffer.begin(), Protocol.RxBuffer.begin() + count); }
};
} // namespace

TEST_F(LinkOnSim, FramesAndChecksumsOfBothVariants)
{
    Sim.SetRam(0x0061, 0x23);
    const struct {
        TSimChecksumMode Mode;
        bool Chained;
        uint8_t ReadSum;
        uint8_t AckSum;
    } cases[] = {{TSimChecksumMode::Chained, true, 0x84, 0x81}, {TSimChecksumMode::Plain, false, 0xA3, 0x90}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Chained ? "chained" : "plain");
        Sim.SetChecksumMode(c.Mode);
        Protocol.SetChainedChecksum(c.Chained);

        SendRead(0x80, 0x0061);
        EXPECT_EQ(Sent(), (TBytes{0x00, 0x80, 0x00, 0x61}));
        EXPECT_EQ(Protocol.RequestChecksum, 0xE1);
        EXPECT_TRUE(Protocol.ReceiveResponse());
        EXPECT_EQ(Received(3), (TBytes{0x80, 0x23, c.ReadSum}));
        EXPECT_EQ(Protocol.Payload[0], 0x23);
        EXPECT_EQ(Protocol.GetErrorCode(), 0);

        SendWrite(0x90, 0x0062, 0xFF);
        EXPECT_EQ(Sent(), (TBytes{0x00, 0x90, 0x00, 0x62, 0xFF, 0xF1}));
        EXPECT_EQ(Protocol.RequestChecksum, 0xF1);
        EXPECT_TRUE(Protocol.ReceiveResponse());
        EXPECT_EQ(Received(2), (TBytes{0x90, c.AckSum}));
        EXPECT_EQ(Sim.Ram(0x0062), 0xFF);
        Sim.SetRam(0x0062, 0x00);
    }
    EXPECT_EQ(Protocol.RetryCount, 0);
}

TEST_F(LinkOnSim, MemorySelectionPicksTheCommand)
{
    Sim.SetEeprom(3, 0x5A);
    Sim.SetRam(3, 0x33);
    Protocol.SetMemMode(1);
    EXPECT_EQ(Protocol.ReadByte(3), 0x5A);
    EXPECT_EQ(Protocol.RequestChecksum, 0x84);
    Protocol.SetMemMode(0);
    EXPECT_EQ(Protocol.ReadByte(3), 0x33);
    EXPECT_TRUE(Protocol.WriteByte(0x62, 0xFF));
    Protocol.SetMemMode(1);
    EXPECT_TRUE(Protocol.WriteByte(0x62, 0x44));
    EXPECT_EQ(Sim.RequestLog(), (std::vector<TBytes>{{0x00, 0x81, 0x00, 0x03},
                                                      {0x00, 0x80, 0x00, 0x03},
                                                      {0x00, 0x90, 0x00, 0x62, 0xFF, 0xF1},
                                                      {0x00, 0x91, 0x00, 0x62, 0x44, 0x37}}));
    EXPECT_EQ(Sim.Ram(0x62), 0xFF);
    EXPECT_EQ(Sim.Eeprom(0x62), 0x44);
}

// The retry must ask for the same address again even though the failed answer's data byte
// has landed in the payload.
TEST_F(LinkOnSim, PlainChecksumEncoderIsDetectedByOneRetryForGood)
{
    Sim.SetChecksumMode(TSimChecksumMode::Plain);
    Sim.SetRam(0x0061, 0x23);
    Sim.SetEeprom(0x0003, 0x5A);

    EXPECT_EQ(Protocol.ReadByte(0x0061), 0x23);
    EXPECT_EQ(Sim.RequestLog(), (std::vector<TBytes>{ReadRequest(0x80, 0x61), ReadRequest(0x80, 0x61)}));
    EXPECT_FALSE(Protocol.GetChainedChecksum());
    EXPECT_EQ(Protocol.RetryCount, 1);
    EXPECT_EQ(ProtocolCodes.Codes, (std::vector<int32_t>{2}));

    Sim.ClearLog();
    Protocol.SetMemMode(1);
    EXPECT_EQ(Protocol.ReadByte(0x0003), 0x5A);
    EXPECT_TRUE(Protocol.WriteByte(0x0010, 0x01));
    EXPECT_EQ(Sim.RequestCount(), 2u);
    EXPECT_EQ(Protocol.RetryCount, 1);
    EXPECT_EQ(ProtocolCodes.Codes.size(), 1u);
}

TEST_F(LinkOnSim, ChecksumsWrongInBothVariantsFailAfterOneRetryThenAtOnce)
{
    Sim.SetChecksumMode(TSimChecksumMode::Wrong);
    EXPECT_EQ(MessageOf([&] { Protocol.ReadByte(0x10); }), ChecksumError);
    EXPECT_EQ(Protocol.GetErrorCode(), -6);
    EXPECT_EQ(Sim.RequestCount(), 2u);
    EXPECT_EQ(Protocol.RetryCount, 1);

    EXPECT_EQ(MessageOf([&] { Protocol.ReadByte(0x10); }), ChecksumError);
    EXPECT_EQ(Sim.RequestCount(), 3u);
    EXPECT_EQ(MessageOf([&] { Protocol.WriteByte(0x10, 1); }), ChecksumError);
    EXPECT_EQ(Sim.RequestCount(), 4u);
}

TEST_F(LinkOnSim, AChecksumMismatchIsAnErrorOnlyOnceARetryWasMade)
{
    Sim.SetFaultScript({{1, TSimFault::WrongChecksum}, {2, TSimFault::WrongChecksum}, {3, TSimFault::WrongChecksum}});
    SendRead(0x80, 0x0061);
    EXPECT_FALSE(Protocol.ReceiveResponse());
    EXPECT_EQ(Protocol.GetErrorCode(), 0);

    EXPECT_FALSE(Protocol.WriteByte(0x0062, 0x12));
    EXPECT_EQ(Protocol.GetErrorCode(), 0);
    EXPECT_EQ(Protocol.RetryCount, 0);
    EXPECT_TRUE(Protocol.GetChainedChecksum());

    Protocol.RetryCount = 1;
    SendRead(0x80, 0x0061);
    EXPECT_EQ(MessageOf([&] { Protocol.ReceiveResponse(); }), ChecksumError);
    EXPECT_EQ(Protocol.GetErrorCode(), -6);
}

TEST_F(LinkOnSim, BlockReadAsksByteByByteAndStepsTheProgress)
{
    TBytes image(99);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = uint8_t(0xA0 ^ (i * 7));
    Sim.SetEepromBytes(0, image);
    Protocol.SetMemMode(1);
    TBytes buffer(99);
    Protocol.ReadBlock(0, buffer.data(), 99);
    EXPECT_EQ(buffer, image);
    std::vector<TBytes> expected;
    for (uint16_t a = 0; a < 99; ++a)
        expected.push_back(ReadRequest(0x81, a));
    EXPECT_EQ(Sim.RequestLog(), expected);
    EXPECT_EQ(Bar.Min, 0);
    EXPECT_EQ(Bar.Max, 98);
    EXPECT_EQ(Bar.Position, 98);
    EXPECT_EQ(Bar.Step, 1);
    EXPECT_TRUE(Bar.Segmented);
}

TEST_F(LinkOnSim, BlocksWrapAtTheEndOfTheAddressSpace)
{
    Protocol.ProgressBar = nullptr;   // a link without a bar works all the same
    const TBytes written{0x11, 0x22, 0x33};
    Protocol.WriteBlock(0xFFFF, written.data(), 3);
    EXPECT_EQ(Sim.Ram(0xFFFF), 0x11);
    EXPECT_EQ(Sim.Ram(0x0000), 0x22);
    EXPECT_EQ(Sim.Ram(0x0001), 0x33);

    Sim.ClearLog();
    TBytes buffer(2);
    Protocol.ReadBlock(0xFFFF, buffer.data(), 2);
    EXPECT_EQ(buffer, (TBytes{0x11, 0x22}));
    EXPECT_EQ(Sim.RequestLog(), (std::vector<TBytes>{ReadRequest(0x80, 0xFFFF), ReadRequest(0x80, 0x0000)}));
}

// The one slow test of this file: the 50th answer lacks its checksum byte.
TEST_F(LinkOnSim, TimeoutInsideABlockKeepsWhatWasRead)
{
    TBytes image(99);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = uint8_t(i + 1);
    Sim.SetEepromBytes(0, image);
    Sim.SetFaultScript({{50, TSimFault::DropChecksum}});
    Protocol.SetMemMode(1);
    TBytes buffer(99, 0xEE);
    EXPECT_EQ(MessageOf([&] { Protocol.ReadBlock(0, buffer.data(), 99); }),
              "Serial BiDirectional Error: Timeout error");
    EXPECT_EQ(Protocol.GetErrorCode(), -2);
    EXPECT_EQ(TBytes(buffer.begin(), buffer.begin() + 49), TBytes(image.begin(), image.begin() + 49));
    EXPECT_EQ(buffer[49], 0xEE);
    EXPECT_EQ(Bar.Position, 49);
    EXPECT_EQ(Sim.RequestCount(), 50u);

    // The failure purged the port, so the next exchange starts clean.
    EXPECT_EQ(Protocol.ReadByte(98), 99);
}

TEST(SerialBiDir, PortFailuresBecomeErrorsWithBothCodes)
{
    const struct {
        std::function<void(FakeSerialDevice&)> Break;
        QString Message;
        int32_t ErrorCode;
        std::vector<char> Calls;
    } cases[] = {
        {[](FakeSerialDevice& d) { d.WriteLimit = 2; },
         "Serial BiDirectional Error: Error code -3 when writing, communication resource error code -1", -3,
         {'P', 'W', 'P'}},
        {[](FakeSerialDevice& d) { d.WriteError = EIO; },
         "Serial BiDirectional Error: Error code -3 when writing, communication resource error code 5", -3,
         {'P', 'W', 'P'}},
        {[](FakeSerialDevice& d) { d.ReadError = EIO; },
         "Serial BiDirectional Error: Error code -1 when reading, communication resource error code 5", -1,
         {'P', 'W', 'R', 'P'}},
    };
    for (const auto& c : cases) {
        auto* device = new FakeSerialDevice;
        TCommRes res{std::unique_ptr<TSerialDevice>(device)};
        res.SetComPort(QStringLiteral("COM1"));
        res.Open();
        TBiDirDiagProtocol protocol;
        protocol.CommRes = &res;
        c.Break(*device);
        device->Calls.clear();
        const QString message = MessageOf([&] { protocol.ReadByte(0x61); });
        EXPECT_EQ(message.section(QLatin1Char('\n'), 0, 0), c.Message);
        // A system error code is explained on a second line; a short write has none to explain.
        EXPECT_EQ(message.contains(QLatin1Char('\n')), device->WriteLimit < 0) << message.toStdString();
        EXPECT_EQ(res.HungUp(), device->WriteLimit < 0);
        EXPECT_EQ(protocol.GetErrorCode(), c.ErrorCode);
        EXPECT_EQ(device->Calls, c.Calls) << c.Message.toStdString();
    }
}
