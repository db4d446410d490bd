#include "platform/Telnet.h"

namespace Telnet {

QByteArray EscapeData(const uint8_t* data, size_t count)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(count));
    for (size_t i = 0; i < count; ++i) {
        out.append(static_cast<char>(data[i]));
        if (data[i] == Iac)
            out.append(static_cast<char>(Iac));
    }
    return out;
}

QByteArray Negotiation(uint8_t verb, uint8_t option)
{
    const char bytes[] = {static_cast<char>(Iac), static_cast<char>(verb), static_cast<char>(option)};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray ComPortCommand(uint8_t command, const QByteArray& value)
{
    QByteArray out;
    out.append(static_cast<char>(Iac));
    out.append(static_cast<char>(Sb));
    out.append(static_cast<char>(OptComPort));
    out.append(static_cast<char>(command));
    out.append(EscapeData(reinterpret_cast<const uint8_t*>(value.constData()), static_cast<size_t>(value.size())));
    out.append(static_cast<char>(Iac));
    out.append(static_cast<char>(Se));
    return out;
}

QByteArray BaudRateValue(uint32_t baud)
{
    QByteArray out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(static_cast<char>((baud >> shift) & 0xFF));
    return out;
}

void TDecoder::Feed(const uint8_t* bytes, size_t count, QByteArray& data, std::vector<TCommand>& commands)
{
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        switch (State) {
        case TState::Data:
            if (b == Iac)
                State = TState::Iac;
            else
                data.append(static_cast<char>(b));
            break;
        case TState::Iac:
            Current = TCommand{};
            if (b == Iac) {
                data.append(static_cast<char>(Iac));
                State = TState::Data;
            } else if (b == Do || b == Dont || b == Will || b == Wont) {
                Current.Verb = b;
                State = TState::Option;
            } else if (b == Sb) {
                Current.Verb = Sb;
                State = TState::SubOption;
            } else {
                Current.Verb = b;
                commands.push_back(Current);
                State = TState::Data;
            }
            break;
        case TState::Option:
            Current.Option = b;
            commands.push_back(Current);
            State = TState::Data;
            break;
        case TState::SubOption:
            Current.Option = b;
            State = TState::Sub;
            break;
        case TState::Sub:
            if (b == Iac)
                State = TState::SubIac;
            else
                Current.Sub.append(static_cast<char>(b));
            break;
        case TState::SubIac:
            if (b == Se) {
                commands.push_back(Current);
                State = TState::Data;
            } else {
                // IAC IAC is an escaped 255 inside the subnegotiation; anything else is a broken
                // peer, whose byte we keep rather than lose our place.
                Current.Sub.append(static_cast<char>(b));
                State = TState::Sub;
            }
            break;
        }
    }
}

} // namespace Telnet
