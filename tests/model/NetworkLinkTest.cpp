// The encoder reached through a real serial device server (ser2net) on the loopback, raw and
// with the COM Port Control Option, against the simulated encoder.
#include "EncoderSim.h"
#include "core/uBiDirDiagProtocol.h"
#include "core/uCommRes.h"
#include "core/uSerialBiDirBase.h"
#include "model/uEncoderModel.h"
#include "platform/NetSerialDevice.h"
#include "support/DeviceServer.h"
#include "support/FakeDialogs.h"
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

namespace {

const std::string HealthyImage = std::string(KIV_SOURCE_DIR) + "/tools/encoder-sim/images/healthy.txt";

using TMode = TDeviceServer::TMode;

class NetworkLinkTest : public ::testing::TestWithParam<TMode> {
protected:
    void SetUp() override
    {
        Sim.LoadImage(HealthyImage);
        const QString device = QString::fromStdString(Sim.Start());
        ASSERT_TRUE(Server.Start(device, GetParam())) << Server.Error.toStdString();
        Comm.SetPortDevice(0, Server.Address(GetParam()));
        Comm.SetComPort(QStringLiteral("COM1"));
        Comm.Open();
        Protocol.CommRes = &Comm;
        Model.Wire(&Protocol);
        Model.ConfigureIdentityItems();
    }
    void TearDown() override
    {
        Comm.Close();
        Server.Stop();
        Sim.Stop();
    }

    TEncoderSim Sim;
    TDeviceServer Server;
    TCommRes Comm;
    TBiDirDiagProtocol Protocol;
    FakeDialogs Dialogs;
    TEncoderModel Model{Dialogs};
};

TEST_P(NetworkLinkTest, ReadsTheWholeEncoderAndPassesEveryByteValue)
{
    Model.ReadIdentity();
    EXPECT_TRUE(Protocol.GetChainedChecksum());
    EXPECT_EQ(Model.SerialNumberItem.Value(), 1234567);
    EXPECT_EQ(Model.UnitsPerRevItem.Value(), 2048);
    Model.ReadDiagnostics();
    EXPECT_EQ(Model.StoredFaults.Count(), 13);
    EXPECT_EQ(Model.MaxTemp.Value(), 74);
    EXPECT_EQ(Model.ReadLiveValues(), 14);
    EXPECT_EQ(Model.LiveTemp.GetAsText(), QStringLiteral("36"));
    EXPECT_TRUE(Dialogs.Messages.empty());

    // 0xFF is Telnet's command byte and 0x0D its line end: both must reach the encoder and come
    // back as they are, like every other value.
    for (int value = 0; value < 256; value += 17) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(Protocol.WriteRam(0x0062, static_cast<uint8_t>(value)));
        EXPECT_EQ(Sim.Ram(0x0062), value);
        EXPECT_EQ(Protocol.ReadRam(0x0062), value);
    }
    for (int value : {0x0D, 0x0A, 0x00, 0xFF, 0xF0}) {
        ASSERT_TRUE(Protocol.WriteEEProm(0x0100, static_cast<uint8_t>(value)));
        EXPECT_EQ(Protocol.ReadEEProm(0x0100), value);
    }
}

// A device server that goes away mid-block is a hang-up: the reading ends at once with the link's
// error, long before the two-second time-out of a single byte.
TEST_P(NetworkLinkTest, ADroppedConnectionEndsTheBlockReadAsAHangUp)
{
    Model.ReadIdentity();
    Sim.SetPacing(9600, 1);
    std::thread killer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        Server.Kill();
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(Model.ReadDiagnostics(), std::exception);
    killer.join();
    EXPECT_LT(clock.elapsed(), 1900);
    EXPECT_EQ(Comm.GetLastResult(), EIO);
}

INSTANTIATE_TEST_SUITE_P(Modes, NetworkLinkTest, ::testing::Values(TMode::Raw, TMode::Rfc2217),
                         [](const auto& info) { return info.param == TMode::Raw ? "Raw" : "Rfc2217"; });

// A listening socket whose owner never accepts: the kernel completes the connection, then
// nothing ever answers.
class SilentServer {
public:
    SilentServer()
    {
        Fd = ::socket(AF_INET, SOCK_STREAM, 0);
        Port = TDeviceServer::FreePort();
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(Port);
        Bound = ::bind(Fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(Fd, 4) == 0;
    }
    ~SilentServer() { ::close(Fd); }
    int Fd;
    uint16_t Port;
    bool Bound;
};

TEST(NetworkLink, ServersThatRefuseOrNeverAnswerGiveTheLinksErrors)
{
    SilentServer silent;
    ASSERT_TRUE(silent.Bound);

    // Nothing listens: the open fails with the system's code and the host in the reason.
    {
        auto* device = new TNetSerialDevice(500);
        TCommRes comm{std::unique_ptr<TSerialDevice>(device)};
        const uint16_t port = TDeviceServer::FreePort();
        comm.SetPortDevice(0, QStringLiteral("tcp://127.0.0.1:%1").arg(port));
        comm.SetComPort(QStringLiteral("COM1"));
        try {
            comm.Open();
            ADD_FAILURE() << "opened";
        } catch (const ECommResError& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()),
                      QStringLiteral("Could not open communication port COM1, error code %1.").arg(ECONNREFUSED));
        }
        EXPECT_EQ(device->LastFailure(), QStringLiteral("connect 127.0.0.1:%1: Connection refused").arg(port));
    }
    // A raw server that accepts and stays silent: open works, the first answer times out.
    {
        TCommRes comm;
        comm.SetPortDevice(0, QStringLiteral("tcp://127.0.0.1:%1").arg(silent.Port));
        comm.SetComPort(QStringLiteral("COM1"));
        comm.Open();
        TBiDirDiagProtocol protocol;
        protocol.CommRes = &comm;
        EXPECT_THROW(protocol.ReadRam(0x0061), ESerialBiDirError);
        comm.Close();
    }
    // The same server asked for the port option never agrees: the open gives up within its bound.
    {
        auto* device = new TNetSerialDevice(300);
        TCommRes comm{std::unique_ptr<TSerialDevice>(device)};
        comm.SetPortDevice(0, QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.Port));
        comm.SetComPort(QStringLiteral("COM1"));
        EXPECT_THROW(comm.Open(), ECommResError);
        EXPECT_EQ(comm.GetErrorCode(), ETIMEDOUT);
    }
    // An unknown host.
    {
        auto* device = new TNetSerialDevice(300);
        TCommRes comm{std::unique_ptr<TSerialDevice>(device)};
        comm.SetPortDevice(0, QStringLiteral("tcp://no-such-host.invalid:4001"));
        comm.SetComPort(QStringLiteral("COM1"));
        EXPECT_THROW(comm.Open(), ECommResError);
        EXPECT_TRUE(device->LastFailure().startsWith(QStringLiteral("host no-such-host.invalid: ")))
            << device->LastFailure().toStdString();
    }
}

} // namespace
