#include "platform/SerialDevice.h"
#include "platform/Deadline.h"
#include <QByteArray>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using TClock = TDeadlineClock;

// Moves up to count bytes with one total time-out. A hang-up shows as POLLHUP/POLLERR or as a
// read of 0 bytes after POLLIN (in raw mode with VMIN 0 a read of 0 means "nothing yet", so we
// only read when poll says there is something): both are EIO, never a busy loop.
template <typename TMove>
TSerialDevice::TTransfer MoveBytes(int fd, short event, size_t count, uint32_t timeoutMs, TMove move)
{
    TSerialDevice::TTransfer result;
    if (fd < 0) {
        result.Error = EBADF;
        return result;
    }
    const auto deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
    while (result.Moved < count) {
        const int waitMs = RemainingMs(deadline);
        pollfd entry{fd, event, 0};
        const int ready = ::poll(&entry, 1, waitMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            result.Error = errno;
            return result;
        }
        if (ready == 0) {
            if (waitMs == 0)
                return result;   // time-out: fewer bytes, no error
            continue;            // woke at the deadline; the next round sees 0 left and ends
        }
        if (entry.revents & POLLNVAL) {
            result.Error = EBADF;
            return result;
        }
        if (entry.revents & event) {
            const ssize_t n = move(result.Moved);
            if (n > 0) {
                result.Moved += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n < 0) {
                result.Error = errno;
                return result;
            }
            if (event == POLLIN) {   // readable yet nothing to read: the other end hung up
                result.Error = EIO;
                return result;
            }
            continue;
        }
        if (entry.revents & (POLLHUP | POLLERR)) {
            result.Error = EIO;
            return result;
        }
    }
    return result;
}

// Unix98 pseudo-terminal slaves have the majors 136 to 143.
bool IsPseudoTerminal(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    const unsigned int kind = major(info.st_rdev);
    return kind >= 136 && kind <= 143;
}

} // namespace

TPosixSerialDevice::TPosixSerialDevice() : Tracing(!qEnvironmentVariableIsEmpty("KIV_TRACE")) {}

int TPosixSerialDevice::Failed(const char* call, int error)
{
    LastCall = call;
    if (Tracing)
        Trace(QStringLiteral("%1 failed: %2").arg(QLatin1String(call), QString::fromLocal8Bit(std::strerror(error))));
    return error;
}

void TPosixSerialDevice::Trace(const QString& text) const
{
    std::fprintf(stderr, "kiv-trace %s: %s\n", QFile::encodeName(Path).constData(), text.toLocal8Bit().constData());
}

void TPosixSerialDevice::TraceTransfer(const char* direction, const uint8_t* bytes, const TTransfer& result) const
{
    if (Tracing)
        Trace(QStringLiteral("%1 %2").arg(QLatin1String(direction),
                                          QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes),
                                                                         static_cast<qsizetype>(result.Moved))
                                                                  .toHex(' '))));
}

TPosixSerialDevice::~TPosixSerialDevice()
{
    Close();
}

int TPosixSerialDevice::Open(const QString& path)
{
    if (Fd >= 0)
        return Failed("open", EBUSY);
    Path = path;
    // Non-blocking so that opening a modem line never waits for carrier; every transfer waits in
    // poll() instead.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Failed("open", errno);

    // The error code must be saved before close() can overwrite errno.
    auto fail = [this, fd](const char* call, int error, bool exclusive) {
        if (exclusive)
            ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return Failed(call, error);
    };

    // The lock does the real work: TIOCEXCL does not stop root. On a pseudo-terminal the flag
    // even outlives a crashed client while the other end stays open, locking out every later
    // non-root user, so there the lock stands alone.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail("flock", errno == EWOULDBLOCK ? EBUSY : errno, false);
    const bool exclusive = !IsPseudoTerminal(fd);
    if (exclusive && ::ioctl(fd, TIOCEXCL) != 0)
        return fail("ioctl(TIOCEXCL)", errno, false);

    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return fail("tcgetattr", errno, exclusive);
    // A pty slave starts in cooked mode; every byte value must pass unchanged.
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &settings) != 0)
        return fail("tcsetattr", errno, exclusive);

    Fd = fd;
    Exclusive = exclusive;
    LastCall = "";
    if (Tracing)
        Trace(exclusive ? QStringLiteral("open, exclusive and locked") : QStringLiteral("open, locked"));
    return 0;
}

int TPosixSerialDevice::Close()
{
    if (Fd < 0)
        return 0;
    const int fd = Fd;
    // The descriptor is gone after close() even when it reports an error, so never retry it.
    Fd = -1;
    if (Exclusive)
        ::ioctl(fd, TIOCNXCL);
    if (::close(fd) != 0 && errno != EINTR)
        return Failed("close", errno);
    return 0;
}

int TPosixSerialDevice::GetLineSettings(termios& settings)
{
    return ::tcgetattr(Fd, &settings) == 0 ? 0 : Failed("tcgetattr", errno);
}

int TPosixSerialDevice::SetLineSettings(const termios& settings)
{
    return ::tcsetattr(Fd, TCSANOW, &settings) == 0 ? 0 : Failed("tcsetattr", errno);
}

int TPosixSerialDevice::SetTimeouts(uint32_t readMs, uint32_t writeMs)
{
    if (Fd < 0)
        return EBADF;
    ReadTimeoutMs = readMs;
    WriteTimeoutMs = writeMs;
    return 0;
}

TSerialDevice::TTransfer TPosixSerialDevice::Read(uint8_t* buffer, size_t count)
{
    const TTransfer result = MoveBytes(Fd, POLLIN, count, ReadTimeoutMs,
                                       [&](size_t done) { return ::read(Fd, buffer + done, count - done); });
    TraceTransfer("<", buffer, result);
    if (result.Error != 0)
        Failed("read", result.Error);
    return result;
}

TSerialDevice::TTransfer TPosixSerialDevice::Write(const uint8_t* buffer, size_t count)
{
    const TTransfer result = MoveBytes(Fd, POLLOUT, count, WriteTimeoutMs,
                                       [&](size_t done) { return ::write(Fd, buffer + done, count - done); });
    TraceTransfer(">", buffer, result);
    if (result.Error != 0)
        Failed("write", result.Error);
    return result;
}

int TPosixSerialDevice::Purge()
{
    return ::tcflush(Fd, TCIOFLUSH) == 0 ? 0 : Failed("tcflush", errno);
}

int TPosixSerialDevice::ClearErrors(uint32_t& bytesWaiting)
{
    // A termios line keeps no sticky error state to clear; what is left is the input count.
    int waiting = 0;
    if (::ioctl(Fd, FIONREAD, &waiting) != 0)
        return Failed("ioctl(FIONREAD)", errno);
    bytesWaiting = waiting > 0 ? static_cast<uint32_t>(waiting) : 0;
    return 0;
}
