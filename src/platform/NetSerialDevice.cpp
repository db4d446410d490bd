#include "platform/NetSerialDevice.h"
#include "platform/Deadline.h"
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using TClock = TDeadlineClock;

TClock::time_point After(uint32_t ms)
{
    return TClock::now() + std::chrono::milliseconds(ms);
}

// Acknowledge at once what arrived. A device server that leaves Nagle's algorithm on holds back
// its answer until our acknowledgement of its previous small segment comes, which the stack
// would otherwise delay for up to 40 ms on every exchange. The kernel clears the flag again
// after a while, so it is set after every receive.
void AcknowledgeAtOnce(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

// A peer that closes or resets the connection is the network's unplugged cable.
int HangUpOr(int error)
{
    return error == ECONNRESET || error == EPIPE || error == ENOTCONN ? EIO : error;
}

struct TSpeed {
    speed_t Code;
    uint32_t Baud;
};
constexpr TSpeed Speeds[] = {{B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},
                             {B150, 150},       {B200, 200},       {B300, 300},       {B600, 600},
                             {B1200, 1200},     {B1800, 1800},     {B2400, 2400},     {B4800, 4800},
                             {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
                             {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};

uint32_t BaudOf(const termios& line)
{
    const speed_t code = ::cfgetospeed(&line);
    for (const TSpeed& s : Speeds)
        if (s.Code == code)
            return s.Baud;
    return 0;
}

uint8_t DataSizeOf(const termios& line)
{
    switch (line.c_cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
    }
}

uint8_t ParityOf(const termios& line)
{
    if (!(line.c_cflag & PARENB))
        return Telnet::pvNone;
    if (line.c_cflag & CMSPAR)
        return (line.c_cflag & PARODD) ? Telnet::pvMark : Telnet::pvSpace;
    return (line.c_cflag & PARODD) ? Telnet::pvOdd : Telnet::pvEven;
}

uint8_t StopSizeOf(const termios& line)
{
    if (!(line.c_cflag & CSTOPB))
        return Telnet::ssOne;
    // A UART sends one and a half stop bits for "two" at five data bits.
    return DataSizeOf(line) == 5 ? Telnet::ssOneAndHalf : Telnet::ssTwo;
}

// The encoder's line as a device server in raw mode is expected to hold it.
termios DefaultLine()
{
    termios line{};
    ::cfmakeraw(&line);
    line.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&line, B9600);
    ::cfsetospeed(&line, B9600);
    return line;
}

} // namespace

bool TNetSerialDevice::IsNetworkAddress(const QString& path)
{
    return path.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive) ||
           path.startsWith(QLatin1String("rfc2217://"), Qt::CaseInsensitive);
}

bool TNetSerialDevice::ParseAddress(const QString& path, TAddress& address)
{
    const QUrl url(path.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() ||
        !(url.path().isEmpty() || url.path() == QLatin1String("/")) || url.hasQuery() || url.hasFragment())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("tcp"))
        address.Kind = TKind::Raw;
    else if (scheme == QLatin1String("rfc2217"))
        address.Kind = TKind::Rfc2217;
    else
        return false;
    const int port = url.port(-1);
    if (port < 1 || port > 65535)
        return false;
    address.Host = url.host();
    address.Port = static_cast<uint16_t>(port);
    return true;
}

TNetSerialDevice::TNetSerialDevice(uint32_t connectTimeoutMs) : ConnectTimeoutMs(connectTimeoutMs) {}

TNetSerialDevice::~TNetSerialDevice()
{
    Close();
}

int TNetSerialDevice::Fail(int error, const QString& what)
{
    Failure = QStringLiteral("%1 %2:%3: %4")
                  .arg(what, Address.Host)
                  .arg(Address.Port)
                  .arg(QString::fromLocal8Bit(std::strerror(error)));
    return error;
}

int TNetSerialDevice::Open(const QString& path)
{
    if (Fd >= 0)
        return EBUSY;
    Failure.clear();
    if (!ParseAddress(path, Address)) {
        Failure = QStringLiteral("%1: not a network address (tcp://host:port or rfc2217://host:port)").arg(path);
        return EINVAL;
    }
    Pending.clear();
    Decoder = Telnet::TDecoder{};
    std::memset(Enabled, 0, sizeof Enabled);
    ComPortAccepted = ComPortRefused = false;
    Line = DefaultLine();
    RemoteLineKnown = false;

    int error = Connect(Address);
    if (error == 0 && Address.Kind == TKind::Rfc2217)
        error = Negotiate();
    if (error != 0) {
        ::close(Fd);
        Fd = -1;
    }
    return error;
}

int TNetSerialDevice::Connect(const TAddress& address)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const QByteArray host = address.Host.toUtf8();
    const QByteArray port = QByteArray::number(address.Port);
    const int lookup = ::getaddrinfo(host.constData(), port.constData(), &hints, &found);
    if (lookup != 0) {
        Failure = QStringLiteral("host %1: %2").arg(address.Host, QString::fromLocal8Bit(::gai_strerror(lookup)));
        return ENXIO;
    }
    const auto deadline = After(ConnectTimeoutMs);
    int error = ETIMEDOUT;
    for (addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        int result = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (result == EINPROGRESS) {
            pollfd entry{fd, POLLOUT, 0};
            int ready;
            while ((ready = ::poll(&entry, 1, RemainingMs(deadline))) < 0 && errno == EINTR) {
            }
            if (ready == 0) {
                result = ETIMEDOUT;
            } else {
                socklen_t size = sizeof result;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &size) != 0)
                    result = errno;
            }
        }
        if (result == 0) {
            // The link sends a request of a few bytes and waits for the answer: never let the
            // stack hold them back.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            AcknowledgeAtOnce(fd);
            Fd = fd;
            ::freeaddrinfo(found);
            return 0;
        }
        ::close(fd);
        error = result;
        if (RemainingMs(deadline) == 0)
            break;
    }
    ::freeaddrinfo(found);
    return Fail(error, QStringLiteral("connect"));
}

int TNetSerialDevice::Negotiate()
{
    using namespace Telnet;
    // Binary both ways, so that carriage returns pass unchanged; no go-aheads; and the port option.
    QByteArray offer = Negotiation(Will, OptComPort) + Negotiation(Will, OptBinary) + Negotiation(Do, OptBinary) +
                       Negotiation(Will, OptSuppressGoAhead) + Negotiation(Do, OptSuppressGoAhead);
    Enabled[0][OptComPort] = Enabled[0][OptBinary] = Enabled[0][OptSuppressGoAhead] = true;
    Enabled[1][OptBinary] = Enabled[1][OptSuppressGoAhead] = true;
    const auto deadline = After(ConnectTimeoutMs);
    if (const int error = SendAll(offer, deadline); error != 0)
        return Fail(error, QStringLiteral("telnet"));
    while (!ComPortAccepted && !ComPortRefused) {
        bool received = false;
        if (const int error = Receive(deadline, received); error != 0)
            return Fail(error, QStringLiteral("telnet"));
        if (!received)
            return Fail(ETIMEDOUT, QStringLiteral("telnet com port option"));
    }
    if (ComPortRefused)
        return Fail(EPROTONOSUPPORT, QStringLiteral("telnet com port option"));
    return 0;
}

void TNetSerialDevice::Answer(const Telnet::TCommand& command)
{
    using namespace Telnet;
    const uint8_t option = command.Option;
    const bool local = command.Verb == Do || command.Verb == Dont;   // about what this side does
    const bool wanted = command.Verb == Do || command.Verb == Will;
    if (command.Verb != Do && command.Verb != Dont && command.Verb != Will && command.Verb != Wont)
        return;   // the server's line-state reports and acknowledgements need nothing from us
    if (local && option == OptComPort) {
        ComPortAccepted = wanted;
        ComPortRefused = !wanted;
    }
    const bool supported = option == OptBinary || option == OptSuppressGoAhead || (local && option == OptComPort);
    bool& enabled = Enabled[local ? 0 : 1][option];
    QByteArray reply;
    // Answer only a change of state (or refuse what we do not support), so that two sides never
    // echo each other forever.
    if (wanted && supported && !enabled) {
        enabled = true;
        reply = Negotiation(local ? Will : Do, option);
    } else if (wanted && !supported) {
        reply = Negotiation(local ? Wont : Dont, option);
    } else if (!wanted && enabled) {
        enabled = false;
        reply = Negotiation(local ? Wont : Dont, option);
    }
    if (!reply.isEmpty())
        SendAll(reply, After(WriteTimeoutMs > 0 ? WriteTimeoutMs : 1000));
}

void TNetSerialDevice::Take(const uint8_t* bytes, size_t count)
{
    if (Address.Kind == TKind::Raw) {
        Pending.append(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(count));
        return;
    }
    std::vector<Telnet::TCommand> commands;
    Decoder.Feed(bytes, count, Pending, commands);
    for (const Telnet::TCommand& c : commands)
        Answer(c);
}

int TNetSerialDevice::Receive(TClock::time_point deadline, bool& received)
{
    received = false;
    while (!received) {
        const int waitMs = RemainingMs(deadline);
        pollfd entry{Fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, waitMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (ready == 0) {
            if (waitMs == 0)
                return 0;
            continue;
        }
        uint8_t chunk[4096];
        const ssize_t n = ::recv(Fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            AcknowledgeAtOnce(Fd);
            Take(chunk, static_cast<size_t>(n));
            received = true;
        } else if (n == 0) {
            return EIO;
        } else if (errno != EINTR && errno != EAGAIN) {
            return HangUpOr(errno);
        }
    }
    return 0;
}

int TNetSerialDevice::Drain()
{
    for (;;) {
        uint8_t chunk[4096];
        const ssize_t n = ::recv(Fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            Take(chunk, static_cast<size_t>(n));
            continue;
        }
        if (n == 0)
            return EIO;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : HangUpOr(errno);
    }
}

int TNetSerialDevice::SendAll(const QByteArray& bytes, TClock::time_point deadline, size_t* sent)
{
    size_t done = 0;
    const auto total = static_cast<size_t>(bytes.size());
    int error = 0;
    while (done < total) {
        const ssize_t n = ::send(Fd, bytes.constData() + done, total - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            error = HangUpOr(errno);
            break;
        }
        const int waitMs = RemainingMs(deadline);
        pollfd entry{Fd, POLLOUT, 0};
        const int ready = ::poll(&entry, 1, waitMs);
        if (ready < 0 && errno != EINTR) {
            error = errno;
            break;
        }
        if (ready == 0 && waitMs == 0) {
            error = ETIMEDOUT;
            break;
        }
    }
    if (sent)
        *sent = done;
    return error;
}

int TNetSerialDevice::Close()
{
    if (Fd < 0)
        return 0;
    const int fd = Fd;
    Fd = -1;
    Pending.clear();
    if (::close(fd) != 0 && errno != EINTR)
        return errno;
    return 0;
}

int TNetSerialDevice::GetLineSettings(termios& settings)
{
    if (Fd < 0)
        return EBADF;
    settings = Line;
    return 0;
}

int TNetSerialDevice::SetLineSettings(const termios& settings)
{
    using namespace Telnet;
    if (Fd < 0)
        return EBADF;
    if (Address.Kind == TKind::Rfc2217) {
        const uint32_t baud = BaudOf(settings);
        if (baud == 0)
            return EINVAL;
        // Only what changed goes to the remote line, field by field as a local port is set.
        QByteArray commands;
        if (!RemoteLineKnown || baud != BaudOf(Line))
            commands += ComPortCommand(cpcSetBaudRate, BaudRateValue(baud));
        if (!RemoteLineKnown || DataSizeOf(settings) != DataSizeOf(Line))
            commands += ComPortCommand(cpcSetDataSize, QByteArray(1, static_cast<char>(DataSizeOf(settings))));
        if (!RemoteLineKnown || ParityOf(settings) != ParityOf(Line))
            commands += ComPortCommand(cpcSetParity, QByteArray(1, static_cast<char>(ParityOf(settings))));
        if (!RemoteLineKnown || StopSizeOf(settings) != StopSizeOf(Line))
            commands += ComPortCommand(cpcSetStopSize, QByteArray(1, static_cast<char>(StopSizeOf(settings))));
        if (!commands.isEmpty()) {
            if (const int error = SendAll(commands, After(WriteTimeoutMs > 0 ? WriteTimeoutMs : 1000)); error != 0)
                return Fail(error, QStringLiteral("line settings to"));
        }
        RemoteLineKnown = true;
    }
    Line = settings;
    return 0;
}

int TNetSerialDevice::SetTimeouts(uint32_t readMs, uint32_t writeMs)
{
    if (Fd < 0)
        return EBADF;
    ReadTimeoutMs = readMs;
    WriteTimeoutMs = writeMs;
    return 0;
}

TSerialDevice::TTransfer TNetSerialDevice::Read(uint8_t* buffer, size_t count)
{
    TTransfer result;
    if (Fd < 0) {
        result.Error = EBADF;
        return result;
    }
    const auto deadline = After(ReadTimeoutMs);
    for (;;) {
        const size_t take = std::min(count - result.Moved, static_cast<size_t>(Pending.size()));
        std::memcpy(buffer + result.Moved, Pending.constData(), take);
        Pending.remove(0, static_cast<qsizetype>(take));
        result.Moved += take;
        if (result.Moved == count)
            return result;
        bool received = false;
        result.Error = Receive(deadline, received);
        if (result.Error != 0) {
            Failure = QStringLiteral("%1:%2: connection closed by the device server").arg(Address.Host).arg(Address.Port);
            return result;
        }
        if (!received)
            return result;   // time-out: fewer bytes, no error
    }
}

TSerialDevice::TTransfer TNetSerialDevice::Write(const uint8_t* buffer, size_t count)
{
    TTransfer result;
    if (Fd < 0) {
        result.Error = EBADF;
        return result;
    }
    if (Address.Kind == TKind::Raw) {
        result.Error = SendAll(QByteArray(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(count)),
                               After(WriteTimeoutMs), &result.Moved);
    } else {
        // Escaped one byte at a time so that the count of line bytes sent stays exact.
        size_t sent = 0;
        const QByteArray escaped = Telnet::EscapeData(buffer, count);
        result.Error = SendAll(escaped, After(WriteTimeoutMs), &sent);
        for (size_t i = 0, pos = 0; i < count; ++i) {
            pos += buffer[i] == Telnet::Iac ? 2 : 1;
            if (pos > sent)
                break;
            result.Moved = i + 1;
        }
    }
    // A time-out is fewer bytes without an error, as on a local port.
    if (result.Error == ETIMEDOUT)
        result.Error = 0;
    return result;
}

int TNetSerialDevice::Purge()
{
    if (Fd < 0)
        return EBADF;
    const int error = Drain();
    Pending.clear();
    if (error != 0)
        return error;
    if (Address.Kind == TKind::Rfc2217)
        return SendAll(Telnet::ComPortCommand(Telnet::cpcPurgeData, QByteArray(1, static_cast<char>(Telnet::PurgeBoth))),
                       After(WriteTimeoutMs > 0 ? WriteTimeoutMs : 1000));
    return 0;
}

int TNetSerialDevice::ClearErrors(uint32_t& bytesWaiting)
{
    if (Fd < 0)
        return EBADF;
    const int error = Drain();
    bytesWaiting = static_cast<uint32_t>(Pending.size());
    return error;
}

TAnySerialDevice::TAnySerialDevice()
    : Local(std::make_unique<TPosixSerialDevice>()), Network(std::make_unique<TNetSerialDevice>()), Active(Local.get())
{
}

int TAnySerialDevice::Open(const QString& path)
{
    if (IsOpen())
        return EBUSY;
    Active = TNetSerialDevice::IsNetworkAddress(path) ? static_cast<TSerialDevice*>(Network.get()) : Local.get();
    return Active->Open(path);
}

int TAnySerialDevice::Close()
{
    return Active->Close();
}

QString TAnySerialDevice::LastNetworkFailure() const
{
    return Active == Network.get() ? Network->LastFailure() : QString();
}
