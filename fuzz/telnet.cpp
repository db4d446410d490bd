// What a device server sends over the network, and the address of one as a settings file holds
// it. The Telnet decoder gives the same line data and commands however the stream is cut, and
// line data and commands encoded as the client encodes them decode back to themselves. An address
// that parses is one host and port that parse back the same when written out again.
//
// Input: the size of the pieces the stream arrives in, then the stream (also read as an address).
#include "FuzzSupport.h"
#include "platform/NetSerialDevice.h"
#include "platform/Telnet.h"
#include "platform/Win1252.h"
#include <QUrl>
#include <algorithm>
#include <vector>

namespace {

using TCommands = std::vector<Telnet::TCommand>;

void Decode(const uint8_t* data, size_t size, size_t piece, QByteArray& out, TCommands& commands)
{
    Telnet::TDecoder decoder;
    for (size_t at = 0; at < size; at += piece)
        decoder.Feed(data + at, std::min(piece, size - at), out, commands);
}

QByteArray Encoded(const Telnet::TCommand& command)
{
    using namespace Telnet;
    if (command.Verb == Do || command.Verb == Dont || command.Verb == Will || command.Verb == Wont)
        return Negotiation(command.Verb, command.Option);
    if (command.Verb == Sb) {
        QByteArray out;
        out.append(static_cast<char>(Iac));
        out.append(static_cast<char>(Sb));
        out.append(static_cast<char>(command.Option));
        out.append(EscapeData(reinterpret_cast<const uint8_t*>(command.Sub.constData()),
                              static_cast<size_t>(command.Sub.size())));
        out.append(static_cast<char>(Iac));
        out.append(static_cast<char>(Se));
        return out;
    }
    return QByteArray(1, static_cast<char>(Iac)) + QByteArray(1, static_cast<char>(command.Verb));
}

void CheckAddress(const QString& text)
{
    TNetSerialDevice::TAddress address;
    if (!TNetSerialDevice::ParseAddress(text, address))
        return;
    FUZZ_CHECK(!address.Host.isEmpty());
    FUZZ_CHECK(address.Port >= 1);
    QUrl url;
    url.setScheme(address.Kind == TNetSerialDevice::TKind::Raw ? QStringLiteral("tcp") : QStringLiteral("rfc2217"));
    url.setHost(address.Host);
    url.setPort(address.Port);
    TNetSerialDevice::TAddress again;
    FUZZ_CHECK(TNetSerialDevice::ParseAddress(url.toString(), again));
    FUZZ_CHECK(again.Kind == address.Kind);
    FUZZ_CHECK_TEXT(again.Host, address.Host);
    FUZZ_CHECK(again.Port == address.Port);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t piece = 1 + data[0] % 16;
    ++data;
    --size;

    QByteArray whole, cut;
    TCommands wholeCommands, cutCommands;
    Decode(data, size, size == 0 ? 1 : size, whole, wholeCommands);
    Decode(data, size, piece, cut, cutCommands);
    FUZZ_CHECK(cut == whole);
    FUZZ_CHECK(cutCommands == wholeCommands);

    // The line data escaped as a client sends it, the commands as a client would write them.
    QByteArray stream = Telnet::EscapeData(reinterpret_cast<const uint8_t*>(whole.constData()),
                                           static_cast<size_t>(whole.size()));
    for (const Telnet::TCommand& command : wholeCommands)
        stream += Encoded(command);
    QByteArray again;
    TCommands againCommands;
    Decode(reinterpret_cast<const uint8_t*>(stream.constData()), static_cast<size_t>(stream.size()), piece, again,
           againCommands);
    FUZZ_CHECK(again == whole);
    FUZZ_CHECK(againCommands == wholeCommands);

    CheckAddress(Win1252::Decode(BytesOf(data, size)));
    return 0;
}
