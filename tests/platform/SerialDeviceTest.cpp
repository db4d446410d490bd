#include "support/PtyPair.h"
#include "platform/SerialDevice.h"
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <dirent.h>
#include <gtest/gtest.h>
#include <numeric>
#include <sys/ioctl.h>

namespace {
int OpenDescriptorCount()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir))
            ++count;
        ::closedir(dir);
    }
    return count;
}

std::vector<uint8_t> AllByteValues()
{
    std::vector<uint8_t> bytes(256);
    std::iota(bytes.begin(), bytes.end(), 0);
    return bytes;
}
} // namespace

// A pty slave starts in cooked mode, which would swallow or translate control bytes (CR, ^C,
// ^D, XON/XOFF, 0xFF) and hold input until a line end.
TEST(PosixSerialDevice, PassesEveryByteValueBothWays)
{
    PtyPair pty;
    TPosixSerialDevice device;
    ASSERT_EQ(device.Open(pty.SlavePath()), 0);
    ASSERT_EQ(device.SetTimeouts(2000, 2000), 0);
    const auto bytes = AllByteValues();

    pty.Send(bytes);
    std::vector<uint8_t> received(256);
    const auto read = device.Read(received.data(), received.size());
    EXPECT_EQ(read.Error, 0);
    EXPECT_EQ(read.Moved, 256u);
    EXPECT_EQ(received, bytes);

    const auto written = device.Write(bytes.data(), bytes.size());
    EXPECT_EQ(written.Error, 0);
    EXPECT_EQ(written.Moved, 256u);
    EXPECT_EQ(pty.Receive(256), bytes);

    uint32_t waiting = 99;
    pty.Send({1, 2, 3});
    // Reading the first byte waits until the bytes have reached the slave's queue.
    uint8_t probe = 0;
    ASSERT_EQ(device.Read(&probe, 1).Moved, 1u);
    EXPECT_EQ(device.ClearErrors(waiting), 0);
    EXPECT_EQ(waiting, 2u);
    EXPECT_EQ(device.Purge(), 0);
    EXPECT_EQ(device.ClearErrors(waiting), 0);
    EXPECT_EQ(waiting, 0u);
}

TEST(PosixSerialDevice, OpensExclusivelyAndReleasesTheExclusionOnClose)
{
    PtyPair pty;
    // The pty's exclusive flag as another opener (root passes it) finds it.
    auto exclusiveFlag = [&pty] {
        const int probe = ::open(pty.SlavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        int exclusive = -1;
        if (probe >= 0) {
            ::ioctl(probe, TIOCGEXCL, &exclusive);
            ::close(probe);
        }
        return exclusive;
    };
    TPosixSerialDevice first, second;
    ASSERT_EQ(first.Open(pty.SlavePath()), 0);
    EXPECT_EQ(second.Open(pty.SlavePath()), EBUSY);
    EXPECT_EQ(second.FailedCall().toStdString(), "flock");
    EXPECT_FALSE(second.IsOpen());
    // On a pty the lock stands alone: the flag would outlive a crashed client and lock out every
    // later non-root opener.
    EXPECT_EQ(exclusiveFlag(), 0);

    EXPECT_EQ(first.Close(), 0);
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(first.Close(), 0);
    EXPECT_EQ(exclusiveFlag(), 0);

    EXPECT_EQ(second.Open(pty.SlavePath()), 0);
}

TEST(PosixSerialDevice, FailedOpenReportsErrnoAndLeaksNoDescriptor)
{
    QTemporaryFile plainFile;
    ASSERT_TRUE(plainFile.open());
    QTemporaryDir folder;
    const struct {
        QString Path;
        int Error;
        const char* Call;   // the call the message names
    } cases[] = {
        {QStringLiteral("/nonexistent/ttyKIV"), ENOENT, "open"},
        {QString(), ENOENT, "open"},
        {folder.path(), EISDIR, "open"},
        {plainFile.fileName(), ENOTTY, "ioctl(TIOCEXCL)"},   // opens, but is no terminal: closed again
    };
    for (const auto& c : cases) {
        const int before = OpenDescriptorCount();
        TPosixSerialDevice device;
        EXPECT_EQ(device.Open(c.Path), c.Error) << c.Path.toStdString();
        EXPECT_EQ(device.FailedCall().toStdString(), c.Call);
        EXPECT_FALSE(device.IsOpen());
        EXPECT_EQ(OpenDescriptorCount(), before) << c.Path.toStdString();
    }
}

// After a hang-up the line stays readable forever; that must end the read with an error
// instead of spinning until the time-out and reporting a mere shortfall.
TEST(PosixSerialDevice, HangUpIsAnErrorNotATimeout)
{
    PtyPair pty;
    TPosixSerialDevice device;
    ASSERT_EQ(device.Open(pty.SlavePath()), 0);
    ASSERT_EQ(device.SetTimeouts(2000, 2000), 0);
    pty.Send({0x42});
    pty.CloseMaster();
    uint8_t buffer[3] = {};
    const auto read = device.Read(buffer, 3);
    EXPECT_EQ(read.Error, EIO);
    EXPECT_EQ(device.FailedCall().toStdString(), "read");
    EXPECT_LE(read.Moved, 1u);
}

TEST(PosixSerialDevice, CallsOnAClosedDeviceReportBadDescriptor)
{
    TPosixSerialDevice device;
    uint8_t byte = 0;
    termios line{};
    uint32_t waiting = 0;
    EXPECT_EQ(device.Read(&byte, 1).Error, EBADF);
    EXPECT_EQ(device.Write(&byte, 1).Error, EBADF);
    EXPECT_EQ(device.GetLineSettings(line), EBADF);
    EXPECT_EQ(device.SetTimeouts(1, 1), EBADF);
    EXPECT_EQ(device.Purge(), EBADF);
    EXPECT_EQ(device.ClearErrors(waiting), EBADF);
}
