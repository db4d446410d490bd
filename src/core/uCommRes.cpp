#include "core/uCommRes.h"
#include "platform/NetSerialDevice.h"
#include <cerrno>

namespace {

const char* const PortNames[TCommRes::PortCount] = {"COM1", "COM2", "COM3", "COM4"};
const char* const UnknownPort = "Unknown communication port.";

// termios knows only its fixed speeds; any other rate is refused like an invalid setting.
bool SpeedOf(uint32_t baudRate, speed_t& speed)
{
    static const struct {
        uint32_t Rate;
        speed_t Speed;
    } table[] = {
        {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
        {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
        {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
        {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
        {576000, B576000}, {921600, B921600}, {1000000, B1000000},
    };
    for (const auto& entry : table) {
        if (entry.Rate == baudRate) {
            speed = entry.Speed;
            return true;
        }
    }
    return false;
}

} // namespace

TCommRes::TCommRes(std::unique_ptr<TSerialDevice> device)
    : Handle(device ? std::move(device) : std::make_unique<TAnySerialDevice>())
{
    for (int i = 0; i < PortCount; ++i)
        PortDevices[i] = QStringLiteral("/dev/ttyS%1").arg(i);
    Opened = false;
    SetName(QStringLiteral("CommRes"));
}

TCommRes::~TCommRes()
{
    // A destructor must not throw; a port that cannot be closed is released with its device.
    try {
        if (Opened)
            Close();
    } catch (const ECommResError&) {
    }
}

void TCommRes::Open()
{
    if (Opened)
        return;
    LastResult = 0;
    const int index = ComPort.isEmpty() ? -1 : GetPortIndex();
    const int error = Handle->Open(index < 0 ? QString() : PortDevices[index]);
    if (error != 0) {
        SetErrorCode(error);
        throw ECommResError(QStringLiteral("Could not open communication port %1, error code %2.")
                                .arg(ComPort)
                                .arg(ErrorCode));
    }
    try {
        SetTimeouts(2000);
    } catch (const ECommResError&) {
        // Not opened as far as anyone knows, so the device must not stay open either.
        Handle->Close();
        throw;
    }
    Opened = true;
    Notify(102);
}

void TCommRes::Close()
{
    if (!Opened)
        return;
    LastResult = 0;
    const int error = Handle->Close();
    if (error != 0) {
        SetErrorCode(error);
        throw ECommResError(QStringLiteral("Could not close handle, error code %1.").arg(ErrorCode));
    }
    Opened = false;
    Notify(102);
}

void TCommRes::SetComPort(const QString& text)
{
    int index = -1;
    for (int i = 0; i < PortCount; ++i) {
        if (text == QLatin1String(PortNames[i]))
            index = i;
    }
    if (index < 0)
        throw ECommResError(UnknownPort);
    ComPort = QLatin1String(PortNames[index]);
    SetName(ComPort);
    Notify(101);
}

QString TCommRes::PortNameOf(const QString& text)
{
    const QString name = text.trimmed();
    for (const char* port : PortNames)
        if (name.compare(QLatin1String(port), Qt::CaseInsensitive) == 0)
            return QLatin1String(port);
    return QString();
}

int TCommRes::GetPortIndex()
{
    LastResult = 0;
    for (int i = 0; i < PortCount; ++i) {
        if (ComPort == QLatin1String(PortNames[i]))
            return i;
    }
    throw ECommResError(UnknownPort);
}

void TCommRes::SetPortDevice(int index, const QString& path)
{
    if (index < 0 || index >= PortCount)
        throw ECommResError(UnknownPort);
    PortDevices[index] = path;
}

QString TCommRes::GetPortDevice(int index) const
{
    return index >= 0 && index < PortCount ? PortDevices[index] : QString();
}

termios TCommRes::GetLineState()
{
    LastResult = 0;
    termios state{};
    const int error = Handle->GetLineSettings(state);
    if (error != 0) {
        LastResult = error;
        throw ECommResError(QStringLiteral("Could not get communication state, error code %1.").arg(error));
    }
    return state;
}

void TCommRes::SetLineState(const termios& state)
{
    const int error = Handle->SetLineSettings(state);
    if (error != 0) {
        SetErrorCode(error);
        throw ECommResError(QStringLiteral("Could not set communication state, error code %1.").arg(ErrorCode));
    }
}

void TCommRes::SetBaudRate(uint32_t baudRate)
{
    termios state = GetLineState();
    speed_t speed = B0;
    if (!SpeedOf(baudRate, speed) || ::cfsetispeed(&state, speed) != 0 || ::cfsetospeed(&state, speed) != 0) {
        // The line refuses the rate just as it would refuse the record.
        SetErrorCode(EINVAL);
        throw ECommResError(QStringLiteral("Could not set communication state, error code %1.").arg(ErrorCode));
    }
    SetLineState(state);
}

void TCommRes::SetDataBits(uint8_t dataBits)
{
    termios state = GetLineState();
    tcflag_t size = 0;
    switch (dataBits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default:
        SetErrorCode(EINVAL);
        throw ECommResError(QStringLiteral("Could not set communication state, error code %1.").arg(ErrorCode));
    }
    state.c_cflag = (state.c_cflag & ~CSIZE) | size;
    SetLineState(state);
}

void TCommRes::SetParity(TCommParity parity)
{
    termios state = GetLineState();
    tcflag_t flags = 0;
    switch (parity) {
    case cpEven: flags = PARENB; break;
    case cpMark: flags = PARENB | PARODD | CMSPAR; break;
    case cpNone: flags = 0; break;
    case cpOdd: flags = PARENB | PARODD; break;
    default: throw ECommResError("Unknown parity.");
    }
    state.c_cflag = (state.c_cflag & ~(PARENB | PARODD | CMSPAR)) | flags;
    SetLineState(state);
}

void TCommRes::SetStopBits(TCommStopBits stopBits)
{
    termios state = GetLineState();
    switch (stopBits) {
    case sbOne: state.c_cflag &= ~CSTOPB; break;
    // termios has no one and a half; a UART sends 1.5 stop bits for "two" at 5 data bits,
    // which is the only width where one and a half exists at all.
    case sbOneAndHalf:
    case sbTwo: state.c_cflag |= CSTOPB; break;
    default: throw ECommResError("Unknown stop bits.");
    }
    SetLineState(state);
}

void TCommRes::SetTimeouts(uint32_t ms)
{
    LastResult = 0;
    const int error = Handle->SetTimeouts(ms, ms);
    if (error != 0) {
        LastResult = error;
        throw ECommResError(QStringLiteral("Could not set communication time-out, error code %1.").arg(error));
    }
}

bool TCommRes::Transfer(TSerialDevice::TTransfer result, uint32_t count)
{
    if (result.Error != 0) {
        LastResult = result.Error;
        return false;
    }
    if (result.Moved < count) {
        LastResult = -1;
        return false;
    }
    return true;
}

bool TCommRes::Read(uint8_t* buffer, uint32_t count)
{
    LastResult = 0;
    return Transfer(Handle->Read(buffer, count), count);
}

bool TCommRes::Write(const uint8_t* buffer, uint32_t count)
{
    LastResult = 0;
    return Transfer(Handle->Write(buffer, count), count);
}

bool TCommRes::Purge()
{
    LastResult = 0;
    const int error = Handle->Purge();
    if (error != 0) {
        LastResult = error;
        return false;
    }
    return true;
}

uint32_t TCommRes::ClearErrors()
{
    uint32_t waiting = 0;
    const int error = Handle->ClearErrors(waiting);
    if (error != 0) {
        SetErrorCode(error);
        throw ECommResError(QStringLiteral("Could not clear comm error, error code %1.").arg(ErrorCode));
    }
    return waiting;
}
