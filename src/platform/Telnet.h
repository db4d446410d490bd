#pragma once
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <vector>

// Telnet as serial device servers speak it, with the COM Port Control Option that lets a client
// set the remote line. Only the byte-level encoding lives here, so it can be tested on its own.
namespace Telnet {

constexpr uint8_t Iac = 255;
constexpr uint8_t Dont = 254;
constexpr uint8_t Do = 253;
constexpr uint8_t Wont = 252;
constexpr uint8_t Will = 251;
constexpr uint8_t Sb = 250;
constexpr uint8_t Se = 240;

constexpr uint8_t OptBinary = 0;
constexpr uint8_t OptSuppressGoAhead = 3;
constexpr uint8_t OptComPort = 44;

// Client-to-server commands of the COM Port Control Option; the server answers each with the
// command number plus 100.
enum TComPortCommand : uint8_t {
    cpcSetBaudRate = 1,
    cpcSetDataSize = 2,
    cpcSetParity = 3,
    cpcSetStopSize = 4,
    cpcPurgeData = 12
};
constexpr uint8_t ServerReply = 100;

// Values of the option's parity, stop size and purge commands.
enum TParityValue : uint8_t { pvNone = 1, pvOdd = 2, pvEven = 3, pvMark = 4, pvSpace = 5 };
enum TStopSizeValue : uint8_t { ssOne = 1, ssTwo = 2, ssOneAndHalf = 3 };
constexpr uint8_t PurgeBoth = 3;

// Line data with every IAC doubled, so that all 256 byte values pass.
QByteArray EscapeData(const uint8_t* data, size_t count);
// IAC verb option, for verb Do, Dont, Will or Wont.
QByteArray Negotiation(uint8_t verb, uint8_t option);
// IAC SB COM-PORT-OPTION command value IAC SE, the value escaped.
QByteArray ComPortCommand(uint8_t command, const QByteArray& value);
// The big-endian four bytes of a baud rate.
QByteArray BaudRateValue(uint32_t baud);

// One Telnet command found in the stream: a negotiation (Verb is Do/Dont/Will/Wont), a
// subnegotiation (Verb is Sb, Sub holds what came between SB and SE, unescaped) or any other
// two-byte command (Option is 0).
struct TCommand {
    uint8_t Verb = 0;
    uint8_t Option = 0;
    QByteArray Sub;
    bool operator==(const TCommand&) const = default;
};

// Splits what a server sends into line data and commands. The stream may be cut anywhere, so the
// decoder keeps its state between calls.
class TDecoder {
public:
    void Feed(const uint8_t* bytes, size_t count, QByteArray& data, std::vector<TCommand>& commands);

private:
    enum class TState { Data, Iac, Option, SubOption, Sub, SubIac };
    TState State = TState::Data;
    TCommand Current;
};

} // namespace Telnet
