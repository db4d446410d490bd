// The Telnet encoding used to reach a serial line through a device server.
#include "platform/NetSerialDevice.h"
#include "platform/Telnet.h"
#include <gtest/gtest.h>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// Every byte value, escaped and then decoded from a stream cut at every possible place, comes
// back unchanged, and no command is invented on the way.
TEST(Telnet, EveryByteValuePassesEscapedWhereverTheStreamIsCut)
{
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<uint8_t>(i);
    const QByteArray escaped = Telnet::EscapeData(all.data(), all.size());
    EXPECT_EQ(escaped.size(), 257);
    EXPECT_EQ(escaped.right(2), Bytes({255, 255}));
    const auto* raw = reinterpret_cast<const uint8_t*>(escaped.constData());
    for (qsizetype cut = 0; cut <= escaped.size(); ++cut) {
        SCOPED_TRACE(cut);
        Telnet::TDecoder decoder;
        QByteArray data;
        std::vector<Telnet::TCommand> commands;
        decoder.Feed(raw, static_cast<size_t>(cut), data, commands);
        decoder.Feed(raw + cut, static_cast<size_t>(escaped.size() - cut), data, commands);
        ASSERT_EQ(data, QByteArray(reinterpret_cast<const char*>(all.data()), 256));
        EXPECT_TRUE(commands.empty());
    }
}

// What a device server sends on connecting: negotiations and a port-option acknowledgement,
// mixed with line data; the commands are taken out and the data is left in order.
TEST(Telnet, CommandsAreTakenOutOfTheLineData)
{
    using namespace Telnet;
    const QByteArray stream = Bytes({0x80, 255, 251, 3, 0x21, 255, 253, 44, 255, 250, 44, 101, 0, 0, 0x25, 0x80, 255,
                                     240, 255, 250, 44, 102, 255, 255, 255, 240, 0x82, 255, 241});
    TDecoder decoder;
    QByteArray data;
    std::vector<TCommand> commands;
    for (char c : stream) {
        const auto b = static_cast<uint8_t>(c);
        decoder.Feed(&b, 1, data, commands);
    }
    EXPECT_EQ(data, Bytes({0x80, 0x21, 0x82}));
    const std::vector<TCommand> expected = {{Will, OptSuppressGoAhead, {}},
                                            {Do, OptComPort, {}},
                                            {Sb, OptComPort, Bytes({101, 0, 0, 0x25, 0x80})},
                                            {Sb, OptComPort, Bytes({102, 255})},
                                            {241, 0, {}}};
    EXPECT_EQ(commands, expected);
}

// The port commands as they go on the wire, a value byte of 255 doubled inside the command.
TEST(Telnet, PortCommandsAreFramedAndEscaped)
{
    using namespace Telnet;
    EXPECT_EQ(ComPortCommand(cpcSetBaudRate, BaudRateValue(9600)), Bytes({255, 250, 44, 1, 0, 0, 0x25, 0x80, 255, 240}));
    EXPECT_EQ(ComPortCommand(cpcSetParity, QByteArray(1, char(pvNone))), Bytes({255, 250, 44, 3, 1, 255, 240}));
    EXPECT_EQ(ComPortCommand(cpcPurgeData, Bytes({255})), Bytes({255, 250, 44, 12, 255, 255, 255, 240}));
    EXPECT_EQ(Negotiation(Will, OptComPort), Bytes({255, 251, 44}));
}

TEST(Telnet, NetworkAddressesAreParsedStrictly)
{
    const struct {
        const char* Path;
        bool Valid;
        TNetSerialDevice::TKind Kind;
        const char* Host;
        uint16_t Port;
    } cases[] = {
        {"tcp://192.168.1.20:4001", true, TNetSerialDevice::TKind::Raw, "192.168.1.20", 4001},
        {"RFC2217://encoder-server.local:2217", true, TNetSerialDevice::TKind::Rfc2217, "encoder-server.local", 2217},
        {"tcp://[::1]:7000", true, TNetSerialDevice::TKind::Raw, "::1", 7000},
        {"tcp://host", false, {}, "", 0},
        {"tcp://host:0", false, {}, "", 0},
        {"tcp://host:70000", false, {}, "", 0},
        {"tcp://:4001", false, {}, "", 0},
        {"tcp://user@host:4001", false, {}, "", 0},
        {"tcp://host:4001/ttyS0", false, {}, "", 0},
        {"udp://host:4001", false, {}, "", 0},
        {"/dev/ttyUSB0", false, {}, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path);
        TNetSerialDevice::TAddress address;
        ASSERT_EQ(TNetSerialDevice::ParseAddress(QString::fromLatin1(c.Path), address), c.Valid);
        if (!c.Valid)
            continue;
        EXPECT_EQ(address.Kind, c.Kind);
        EXPECT_EQ(address.Host, QString::fromLatin1(c.Host));
        EXPECT_EQ(address.Port, c.Port);
    }
}

} // namespace
