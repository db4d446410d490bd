#include "support/FakeSerialDevice.h"
#include "support/PtyPair.h"
#include "core/uCommRes.h"
#include "core/uObserver.h"
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <functional>
#include <numeric>
#include <utility>

namespace {
struct CodeRecorder : TObserver {
    std::vector<int32_t> Codes;
    CodeRecorder() { SetActive(true); }
    void Update(TSubject*, int32_t code) override { Codes.push_back(code); }
    std::vector<int32_t> Take() { return std::exchange(Codes, {}); }
};

QString MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ECommResError& e) {
        return e.Message();
    }
    return QStringLiteral("<no ECommResError>");
}

// The link's own message; the explanation follows on the next line.
QString FirstLine(const QString& message)
{
    return message.section(QLatin1Char('\n'), 0, 0);
}

// The port on the slave of a fresh pty, selected as COM1 and watched by a recorder.
struct CommResOnPty : ::testing::Test {
    PtyPair Pty;
    CodeRecorder Seen;   // outlives Res, whose destruction closes the port and notifies
    TCommRes Res;
    CommResOnPty()
    {
        Res.SetPortDevice(0, Pty.SlavePath());
        Res.SetComPort(QStringLiteral("COM1"));
        Res.Attach(&Seen);
    }
};

// A port on a fake device, already open.
struct CommResOnFake : ::testing::Test {
    CodeRecorder Seen;
    FakeSerialDevice* Device = new FakeSerialDevice;
    TCommRes Res{std::unique_ptr<TSerialDevice>(Device)};
    CommResOnFake()
    {
        Res.SetComPort(QStringLiteral("COM2"));
        Res.Open();
        Res.Attach(&Seen);
    }
};
} // namespace

TEST(CommRes, SelectingPortsFollowsTheNameRules)
{
    TCommRes res;
    CodeRecorder seen;
    res.Attach(&seen);
    EXPECT_EQ(res.GetName(), "CommRes");
    EXPECT_EQ(res.GetComPort(), "");
    EXPECT_EQ(res.GetPortDevice(3), "/dev/ttyS3");

    res.SetComPort(QStringLiteral("COM3"));
    EXPECT_EQ(seen.Take(), (std::vector<int32_t>{5, 101}));
    EXPECT_EQ(res.GetName(), "COM3");
    EXPECT_EQ(res.GetPortIndex(), 2);

    res.SetComPort(QStringLiteral("COM3"));
    EXPECT_EQ(seen.Take(), (std::vector<int32_t>{101}));

    for (const char* bad : {"com1", "COM5", "COM0", "", " COM1"}) {
        EXPECT_EQ(MessageOf([&] { res.SetComPort(QString::fromLatin1(bad)); }), "Unknown communication port.") << bad;
    }
    EXPECT_TRUE(seen.Take().empty());
    EXPECT_EQ(res.GetComPort(), "COM3");

    res.SetComPort(QStringLiteral("COM4"));
    EXPECT_EQ(seen.Take(), (std::vector<int32_t>{5, 101}));
    EXPECT_EQ(res.GetPortIndex(), 3);

    TCommRes unselected;
    EXPECT_EQ(MessageOf([&] { unselected.GetPortIndex(); }), "Unknown communication port.");
    EXPECT_EQ(MessageOf([&] { unselected.SetPortDevice(4, "/dev/null"); }), "Unknown communication port.");
}

TEST_F(CommResOnPty, OpenAndCloseNotifyOnceEach)
{
    Res.Open();
    EXPECT_TRUE(Res.IsOpen());
    Res.Open();
    EXPECT_EQ(Seen.Take(), (std::vector<int32_t>{102}));
    Res.Close();
    EXPECT_FALSE(Res.IsOpen());
    Res.Close();
    EXPECT_EQ(Seen.Take(), (std::vector<int32_t>{102}));
    EXPECT_EQ(Res.GetErrorCode(), 0);

    // Selecting another port while open leaves the open device where it is.
    Res.Open();
    Res.SetComPort(QStringLiteral("COM2"));
    EXPECT_TRUE(Res.IsOpen());
    Pty.Send({0x5A});
    uint8_t byte = 0;
    EXPECT_TRUE(Res.Read(&byte, 1));
    EXPECT_EQ(byte, 0x5A);
}

TEST_F(CommResOnPty, FailedOpensCarryTheErrnoAndTheErrorCodeStaysSet)
{
    TCommRes unselected;
    EXPECT_EQ(FirstLine(MessageOf([&] { unselected.Open(); })), "Could not open communication port , error code 2.");

    Res.SetPortDevice(1, QStringLiteral("/nonexistent/ttyKIV"));
    Res.SetComPort(QStringLiteral("COM2"));
    Seen.Take();
    EXPECT_EQ(FirstLine(MessageOf([&] { Res.Open(); })), "Could not open communication port COM2, error code 2.");
    EXPECT_FALSE(Res.IsOpen());
    EXPECT_EQ(Res.GetErrorCode(), ENOENT);
    EXPECT_EQ(FirstLine(MessageOf([&] { Res.Open(); })), "Could not open communication port COM2, error code 2.");
    EXPECT_EQ(Seen.Take(), (std::vector<int32_t>{1}));   // the same code again notifies nothing

    // Another holder of the device makes it busy.
    TCommRes holder;
    holder.SetPortDevice(0, Pty.SlavePath());
    holder.SetComPort(QStringLiteral("COM1"));
    holder.Open();
    Res.SetComPort(QStringLiteral("COM1"));
    EXPECT_EQ(FirstLine(MessageOf([&] { Res.Open(); })), "Could not open communication port COM1, error code 16.");
    holder.Close();

    Seen.Take();
    Res.Open();
    EXPECT_TRUE(Res.IsOpen());
    EXPECT_EQ(Res.GetErrorCode(), EBUSY);
    EXPECT_EQ(Seen.Take(), (std::vector<int32_t>{102}));
}

// The one slow test of this file: a read short of its count waits out the whole time-out.
TEST_F(CommResOnPty, TransfersAreAllOrNothing)
{
    Res.Open();
    std::vector<uint8_t> bytes(256);
    std::iota(bytes.begin(), bytes.end(), 0);
    EXPECT_TRUE(Res.Write(bytes.data(), 256));
    EXPECT_EQ(Pty.Receive(256), bytes);
    Pty.Send(bytes);
    std::vector<uint8_t> received(256);
    EXPECT_TRUE(Res.Read(received.data(), 256));
    EXPECT_EQ(received, bytes);
    EXPECT_EQ(Res.GetLastResult(), 0);

    Pty.Send({0x11, 0x22});
    uint8_t three[3] = {};
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(Res.Read(three, 3));
    EXPECT_GE(clock.elapsed(), 1990);
    EXPECT_EQ(Res.GetLastResult(), -1);
    EXPECT_EQ(three[0], 0x11);
    EXPECT_EQ(three[1], 0x22);

    EXPECT_TRUE(Res.Purge());
    EXPECT_EQ(Res.GetLastResult(), 0);
}

// A pty keeps 8 data bits and refuses parity, so those two are checked on the fake below.
TEST_F(CommResOnPty, LineSettersReachTheDevice)
{
    Res.Open();
    Res.SetBaudRate(9600);
    Res.SetStopBits(sbTwo);
    termios line = Res.GetLineState();
    EXPECT_EQ(cfgetospeed(&line), speed_t(B9600));
    EXPECT_EQ(cfgetispeed(&line), speed_t(B9600));
    EXPECT_NE(line.c_cflag & CSTOPB, 0u);
    EXPECT_NE(line.c_cflag & CLOCAL, 0u);

    Res.SetBaudRate(19200);
    Res.SetStopBits(sbOne);
    line = Res.GetLineState();
    EXPECT_EQ(cfgetospeed(&line), speed_t(B19200));
    EXPECT_EQ(line.c_cflag & CSTOPB, 0u);

    const tcflag_t before = Res.GetLineState().c_cflag;
    EXPECT_EQ(MessageOf([&] { Res.SetParity(static_cast<TCommParity>(4)); }), "Unknown parity.");
    EXPECT_EQ(MessageOf([&] { Res.SetStopBits(static_cast<TCommStopBits>(3)); }), "Unknown stop bits.");
    EXPECT_EQ(MessageOf([&] { Res.SetBaudRate(12345); }), "Could not set communication state, error code 22.");
    EXPECT_EQ(MessageOf([&] { Res.SetDataBits(9); }), "Could not set communication state, error code 22.");
    EXPECT_EQ(Res.GetLineState().c_cflag, before);
    EXPECT_EQ(Res.GetErrorCode(), EINVAL);
}

TEST_F(CommResOnFake, EachSetterChangesOnlyItsField)
{
    const tcflag_t others = CREAD | CLOCAL | HUPCL | CRTSCTS;
    const struct {
        std::function<void(TCommRes&)> Set;
        tcflag_t From;
        tcflag_t To;
    } cases[] = {
        {[](TCommRes& r) { r.SetParity(cpEven); }, CS8 | PARENB | PARODD | CMSPAR, CS8 | PARENB},
        {[](TCommRes& r) { r.SetParity(cpMark); }, CS8, CS8 | PARENB | PARODD | CMSPAR},
        {[](TCommRes& r) { r.SetParity(cpNone); }, CS8 | PARENB | PARODD | CMSPAR, CS8},
        {[](TCommRes& r) { r.SetParity(cpOdd); }, CS8 | PARENB | CMSPAR, CS8 | PARENB | PARODD},
        {[](TCommRes& r) { r.SetDataBits(7); }, CS8 | PARENB | CSTOPB, CS7 | PARENB | CSTOPB},
        {[](TCommRes& r) { r.SetDataBits(5); }, CS6, CS5},
        {[](TCommRes& r) { r.SetStopBits(sbOne); }, CS8 | CSTOPB | PARENB, CS8 | PARENB},
        {[](TCommRes& r) { r.SetStopBits(sbOneAndHalf); }, CS5, CS5 | CSTOPB},
        {[](TCommRes& r) { r.SetStopBits(sbTwo); }, CS7 | PARENB, CS7 | PARENB | CSTOPB},
    };
    int row = 0;
    for (const auto& c : cases) {
        Device->Line = termios{};
        cfsetspeed(&Device->Line, B4800);
        Device->Line.c_cflag |= others | c.From;
        Device->Line.c_iflag = IXON;
        c.Set(Res);
        EXPECT_EQ(Device->Line.c_cflag & ~CBAUD, others | c.To) << "row " << row;
        EXPECT_EQ(cfgetospeed(&Device->Line), speed_t(B4800)) << "row " << row;
        EXPECT_EQ(Device->Line.c_iflag, tcflag_t(IXON)) << "row " << row;
        ++row;
    }
}

TEST_F(CommResOnFake, OperatingSystemErrorsReachTheCaller)
{
    Device->ReadError = EIO;
    uint8_t buffer[2] = {};
    EXPECT_FALSE(Res.Read(buffer, 2));
    EXPECT_EQ(Res.GetLastResult(), EIO);

    Device->WriteLimit = 1;
    EXPECT_FALSE(Res.Write(buffer, 2));
    EXPECT_EQ(Res.GetLastResult(), -1);
    Device->WriteError = EPIPE;
    EXPECT_FALSE(Res.Write(buffer, 2));
    EXPECT_EQ(Res.GetLastResult(), EPIPE);

    Device->PurgeError = EIO;
    EXPECT_FALSE(Res.Purge());
    EXPECT_EQ(Res.GetLastResult(), EIO);

    Device->BytesWaiting = 7;
    EXPECT_EQ(Res.ClearErrors(), 7u);
    Device->ClearError = EBADF;
    EXPECT_EQ(MessageOf([&] { Res.ClearErrors(); }), "Could not clear comm error, error code 9.");
    EXPECT_EQ(Res.GetErrorCode(), EBADF);

    Device->GetLineError = EINTR;
    EXPECT_EQ(MessageOf([&] { Res.SetDataBits(8); }), "Could not get communication state, error code 4.");
    EXPECT_EQ(Res.GetLastResult(), EINTR);
    Device->GetLineError = 0;
    Device->SetLineError = EPERM;
    EXPECT_EQ(MessageOf([&] { Res.SetBaudRate(9600); }), "Could not set communication state, error code 1.");
    EXPECT_EQ(Res.GetErrorCode(), EPERM);
    EXPECT_EQ(Seen.Take(), (std::vector<int32_t>{1, 1}));

    Device->CloseError = EIO;
    EXPECT_EQ(MessageOf([&] { Res.Close(); }), "Could not close handle, error code 5.");
    EXPECT_TRUE(Res.IsOpen());
    Device->CloseError = 0;
    Res.Close();
    EXPECT_FALSE(Res.IsOpen());
}

TEST(CommRes, FailedTimeoutsInsideOpenCloseTheDeviceAgain)
{
    auto* device = new FakeSerialDevice;
    TCommRes res{std::unique_ptr<TSerialDevice>(device)};
    CodeRecorder seen;
    res.Attach(&seen);
    res.SetComPort(QStringLiteral("COM1"));
    seen.Take();
    device->TimeoutError = EIO;
    EXPECT_EQ(MessageOf([&] { res.Open(); }), "Could not set communication time-out, error code 5.");
    EXPECT_EQ(res.GetLastResult(), EIO);
    EXPECT_FALSE(res.IsOpen());
    EXPECT_FALSE(device->IsOpen());
    EXPECT_EQ(device->Calls, (std::vector<char>{'O', 'C'}));
    EXPECT_TRUE(seen.Take().empty());
}

// A port that cannot be closed must not take the program down from a destructor.
TEST(CommRes, DestructionSurvivesAFailingClose)
{
    auto* device = new FakeSerialDevice;
    auto res = std::make_unique<TCommRes>(std::unique_ptr<TSerialDevice>(device));
    res->SetComPort(QStringLiteral("COM1"));
    res->Open();
    device->CloseError = EIO;
    EXPECT_NO_THROW(res.reset());
}
