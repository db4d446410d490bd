// The encoder simulator, driven through its pty by a bare client (no link classes), so that a
// fault in the simulator cannot hide behind the same fault in the code it is meant to test.

#include "EncoderSim.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;
using TBytes = std::vector<std::uint8_t>;

namespace {

const std::string ImageDir = std::string(KIV_SOURCE_DIR) + "/tools/encoder-sim/images/";

class TRawClient {
public:
    explicit TRawClient(const std::string& Path)
    {
        Fd = ::open(Path.c_str(), O_RDWR | O_NOCTTY);
        if (Fd < 0)
            throw std::runtime_error("cannot open " + Path);
        termios Tio{};
        tcgetattr(Fd, &Tio);
        cfmakeraw(&Tio);
        tcsetattr(Fd, TCSANOW, &Tio);
    }
    ~TRawClient() { ::close(Fd); }

    void Write(const TBytes& Bytes) const
    {
        ASSERT_EQ(::write(Fd, Bytes.data(), Bytes.size()), static_cast<ssize_t>(Bytes.size()));
    }

    // Whatever arrives until Count bytes are in or the time-out passes.
    TBytes Read(std::size_t Count, std::chrono::milliseconds Timeout = 1000ms) const
    {
        TBytes Got;
        const auto End = std::chrono::steady_clock::now() + Timeout;
        while (Got.size() < Count) {
            const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
                End - std::chrono::steady_clock::now());
            pollfd P{Fd, POLLIN, 0};
            if (Left.count() <= 0 || ::poll(&P, 1, static_cast<int>(Left.count())) <= 0)
                break;
            std::uint8_t Buffer[256];
            const ssize_t N = ::read(Fd, Buffer, std::min(sizeof Buffer, Count - Got.size()));
            if (N <= 0)
                break;
            Got.insert(Got.end(), Buffer, Buffer + N);
        }
        return Got;
    }

    TBytes Exchange(const TBytes& Request, std::size_t AnswerLength) const
    {
        Write(Request);
        return Read(AnswerLength);
    }

    // Silence is checked with a short wait: long enough for an unpaced simulator to answer.
    bool Silent() const { return Read(1, 300ms).empty(); }

private:
    int Fd = -1;
};

TBytes ReadRam(std::uint8_t Address) { return {0x00, 0x80, 0x00, Address}; }

TBytes Text(const std::string& S) { return TBytes(S.begin(), S.end()); }

class EncoderSim : public ::testing::Test {
protected:
    void SetUp() override { Client = std::make_unique<TRawClient>(Sim.Start()); }

    TEncoderSim Sim;
    std::unique_ptr<TRawClient> Client;
};

// What the diagnostic reader checks, written out independently: the stored faults newest first
// and the three consistency rules.
struct TDecodedBlock {
    unsigned Count = 0;
    std::vector<unsigned> Indices;
    std::vector<unsigned> Hours;
    bool OpTimesFalling = true;
    bool FaultIndexValid = false;
    bool OpTimeStatusValid = false;
    bool Consistent() const { return OpTimesFalling && FaultIndexValid && OpTimeStatusValid; }
};

TDecodedBlock Decode(const TBytes& B)
{
    TDecodedBlock D;
    D.Count = (B[3] << 8) | B[4];
    if (D.Count == 0xFFFF)
        D.Count = 0;
    for (long i = long(D.Count) - 1; i >= 0 && i >= long(D.Count) - 13; --i) {
        const unsigned At = 16 + 6 * unsigned(i % 13);
        D.Indices.push_back(unsigned(i) + 1);
        D.Hours.push_back((B[At] << 16) | (B[At + 1] << 8) | B[At + 2]);
    }
    for (std::size_t k = 1; k < D.Hours.size(); ++k)
        D.OpTimesFalling = D.OpTimesFalling && D.Hours[k] <= D.Hours[k - 1];
    if (B[7] == 0x00)
        D.FaultIndexValid = B[2] <= 72 && D.Count != 0 && B[2] == ((D.Count - 1) % 13) * 6;
    else if (B[7] == 0xFF)
        D.FaultIndexValid = B[2] == 0xFF && D.Count == 0;
    const unsigned T = (B[96] << 16) | (B[97] << 8) | B[98];
    if (B[1] == 0x00)
        D.OpTimeStatusValid = T != 0 && T != 0xFFFFFF;
    else if (B[1] == 0xFF)
        D.OpTimeStatusValid = T == 0 || T == 0xFFFFFF;
    return D;
}

unsigned LiveHours(const TEncoderSim& Sim)
{
    const TBytes R = Sim.RamBytes(0x65, 3);
    return R[0] | (R[1] << 8) | (R[2] << 16);
}

} // namespace

TEST_F(EncoderSim, AnswersTheWorkedExamplesInEachChecksumVariant)
{
    struct TCase {
        TSimChecksumMode Mode;
        TBytes ReadAnswer, WriteAnswer, ReadBackAnswer;
    };
    const TCase Cases[] = {
        {TSimChecksumMode::Chained, {0x80, 0x23, 0x84}, {0x90, 0x81}, {0x80, 0xFF, 0x61}},
        {TSimChecksumMode::Plain, {0x80, 0x23, 0xA3}, {0x90, 0x90}, {0x80, 0xFF, 0x7F}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Mode == TSimChecksumMode::Chained ? "chained" : "plain");
        Sim.SetChecksumMode(C.Mode);
        Sim.SetRam(0x61, 0x23);
        Sim.SetRam(0x62, 0x00);
        EXPECT_EQ(Client->Exchange(ReadRam(0x61), 3), C.ReadAnswer);
        EXPECT_EQ(Client->Exchange({0x00, 0x90, 0x00, 0x62, 0xFF, 0xF1}, 2), C.WriteAnswer);
        EXPECT_EQ(Sim.Ram(0x62), 0xFF);
        EXPECT_EQ(Client->Exchange(ReadRam(0x62), 3), C.ReadBackAnswer);
    }
}

TEST_F(EncoderSim, KeepsRamAndEepromApart)
{
    Sim.SetRam(0x0003, 0x11);
    Sim.SetEeprom(0x0003, 0x22);
    Sim.SetEeprom(0xFFFF, 0x33);
    EXPECT_EQ(Client->Exchange({0x00, 0x81, 0x00, 0x03}, 3), (TBytes{0x81, 0x22, 0x27}));
    EXPECT_EQ(Client->Exchange({0x00, 0x80, 0x00, 0x03}, 3)[1], 0x11);
    EXPECT_EQ(Client->Exchange({0x00, 0x81, 0xFF, 0xFF}, 3)[1], 0x33);

    // EEPROM write: 00 91 12 34 5A carries checksum 0x31; the answer 91 then 0x31 + 0x91.
    EXPECT_EQ(Client->Exchange({0x00, 0x91, 0x12, 0x34, 0x5A, 0x31}, 2), (TBytes{0x91, 0xC2}));
    EXPECT_EQ(Sim.Eeprom(0x1234), 0x5A);
    EXPECT_EQ(Sim.Ram(0x1234), 0x00);
}

TEST_F(EncoderSim, WrongChecksumModeMatchesNeitherVariant)
{
    Sim.SetChecksumMode(TSimChecksumMode::Wrong);
    // Every data byte, so the case where plain + 1 would equal the chained sum is met too.
    for (unsigned Value = 0; Value < 256; ++Value) {
        Sim.SetRam(0x61, std::uint8_t(Value));
        const TBytes A = Client->Exchange(ReadRam(0x61), 3);
        ASSERT_EQ(A.size(), 3u);
        const std::uint8_t Plain = std::uint8_t(0x80 + Value);
        ASSERT_NE(A[2], Plain) << Value;
        ASSERT_NE(A[2], std::uint8_t(Plain + 0xE1)) << Value;
    }
}

TEST_F(EncoderSim, LogsRequestsAndResynchronisesOnStrayBytes)
{
    Sim.SetRam(0x61, 0x23);
    // Noise, an unknown command after an address byte, a repeated address byte, then a request.
    Client->Write({0x55, 0x0A, 0x00, 0x42, 0x13, 0x00, 0x00, 0x80, 0x00, 0x61});
    EXPECT_EQ(Client->Read(3), (TBytes{0x80, 0x23, 0x84}));
    // A write whose own checksum byte is wrong is neither answered nor applied.
    Client->Write({0x00, 0x90, 0x00, 0x62, 0xFF, 0xF0});
    EXPECT_TRUE(Client->Silent());
    EXPECT_EQ(Sim.Ram(0x62), 0x00);
    EXPECT_EQ(Client->Exchange(ReadRam(0x61), 3), (TBytes{0x80, 0x23, 0x84}));

    EXPECT_EQ(Sim.RequestCount(), 3u);
    EXPECT_EQ(Sim.RequestLog(), (std::vector<TBytes>{ReadRam(0x61), {0x00, 0x90, 0x00, 0x62, 0xFF, 0xF0},
                                                     ReadRam(0x61)}));
    Sim.ClearLog();
    EXPECT_EQ(Sim.RequestCount(), 0u);
    EXPECT_TRUE(Sim.RequestLog().empty());
}

TEST_F(EncoderSim, AbandonedPartialRequestDoesNotShiftTheNextOne)
{
    Sim.SetRam(0x61, 0x23);
    Client->Write({0x00, 0x80, 0x00});
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(Client->Exchange(ReadRam(0x61), 3), (TBytes{0x80, 0x23, 0x84}));
}

TEST_F(EncoderSim, ScriptedFaultsHitTheNumberedRequestsOnly)
{
    Sim.SetRam(0x61, 0x23);
    Client->Exchange(ReadRam(0x61), 3);   // before the script: not counted by it
    Sim.SetFaultScript({{1, TSimFault::Silent}, {2, TSimFault::DropChecksum},
                        {3, TSimFault::WrongChecksum}, {5, TSimFault::Silent}});

    Client->Write(ReadRam(0x61));
    EXPECT_TRUE(Client->Silent());
    Client->Write(ReadRam(0x61));
    EXPECT_EQ(Client->Read(3, 300ms), (TBytes{0x80, 0x23}));
    const TBytes Wrong = Client->Exchange(ReadRam(0x61), 3);
    ASSERT_EQ(Wrong.size(), 3u);
    EXPECT_NE(Wrong[2], 0x84);
    EXPECT_NE(Wrong[2], 0xA3);
    EXPECT_EQ(Client->Exchange(ReadRam(0x61), 3), (TBytes{0x80, 0x23, 0x84}));
    // A silenced write is still carried out: only its acknowledgement is lost.
    Client->Write({0x00, 0x90, 0x00, 0x62, 0xFF, 0xF1});
    EXPECT_TRUE(Client->Silent());
    EXPECT_EQ(Sim.Ram(0x62), 0xFF);

    Sim.ClearFaultScript();
    EXPECT_EQ(Client->Exchange(ReadRam(0x61), 3), (TBytes{0x80, 0x23, 0x84}));
}

TEST_F(EncoderSim, PacesAnswersLikeAWire)
{
    // 1200 baud: 8.3 ms per byte; 4 request + 3 answer bytes + 50 ms turnaround > 100 ms.
    Sim.SetPacing(1200, 50);
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_EQ(Client->Exchange(ReadRam(0x61), 3).size(), 3u);
    EXPECT_GE(std::chrono::steady_clock::now() - Start, 100ms);
}

TEST_F(EncoderSim, ServesAClientThatClosesAndReopensTheDevice)
{
    Sim.SetRam(0x61, 0x23);
    Client.reset();
    Client = std::make_unique<TRawClient>(Sim.SlavePath());
    EXPECT_EQ(Client->Exchange(ReadRam(0x61), 3), (TBytes{0x80, 0x23, 0x84}));
    Sim.Stop();
    EXPECT_FALSE(Sim.IsRunning());
}

TEST_F(EncoderSim, ModemModeConnectsOnDialThenServesTheEncoder)
{
    Sim.SetModemMode(true);
    Sim.SetRam(0x61, 0x23);
    // Like a real modem it answers at the carriage return, before the line feed's echo.
    Client->Write(Text("ATZ\r\n"));
    EXPECT_EQ(Client->Read(9), Text("ATZ\rOK\r\n\n"));
    // The line feed after the dial command already belongs to the encoder link: no echo.
    Client->Write(Text("atd0123456\r\n"));
    const std::string Expected = "atd0123456\rCONNECT 9600\r\n";
    EXPECT_EQ(Client->Read(Expected.size() + 1, 300ms), Text(Expected));
    EXPECT_TRUE(Sim.ModemConnected());
    EXPECT_EQ(Client->Exchange(ReadRam(0x61), 3), (TBytes{0x80, 0x23, 0x84}));
    EXPECT_EQ(Sim.RequestCount(), 1u);
}

TEST(EncoderSimImage, HealthyImageHoldsIdentityAndAConsistentBlock)
{
    TEncoderSim Sim;
    Sim.LoadImage(ImageDir + "healthy.txt");
    EXPECT_EQ(Sim.ChecksumMode(), TSimChecksumMode::Chained);
    EXPECT_EQ(Sim.Ram(0x61), 0x21);
    EXPECT_EQ(Sim.EepromBytes(0x70, 4), (TBytes{0x33, 0x2B, 0x6A, 0x02}));   // 40512307
    EXPECT_EQ(Sim.EepromBytes(0x03, 2), (TBytes{0x00, 0x0E}));
    EXPECT_EQ(LiveHours(Sim), 12345u);

    const TDecodedBlock D = Decode(Sim.EepromBytes(0, 99));
    EXPECT_EQ(D.Count, 14u);
    ASSERT_EQ(D.Indices.size(), 13u);
    EXPECT_EQ(D.Indices.front(), 14u);
    EXPECT_EQ(D.Indices.back(), 2u);
    EXPECT_TRUE(D.OpTimesFalling);
    EXPECT_TRUE(D.FaultIndexValid);
    EXPECT_TRUE(D.OpTimeStatusValid);
    // Extremes cover every stored fault's temperature.
    const TBytes B = Sim.EepromBytes(0, 99);
    for (unsigned Slot = 0; Slot < 13; ++Slot) {
        const auto T = static_cast<std::int8_t>(B[16 + 6 * Slot + 5]);
        EXPECT_LE(static_cast<std::int8_t>(B[5]), T);
        EXPECT_GE(static_cast<std::int8_t>(B[6]), T);
    }
}

TEST(EncoderSimImage, ShippedVariants)
{
    TEncoderSim Sim;
    Sim.LoadImage(ImageDir + "erased.txt");
    for (const std::uint8_t Byte : Sim.EepromBytes(0, 0x200))
        ASSERT_EQ(Byte, 0xFF);
    EXPECT_TRUE(Decode(Sim.EepromBytes(0, 99)).Consistent());

    Sim.LoadImage(ImageDir + "plain.txt");
    EXPECT_EQ(Sim.ChecksumMode(), TSimChecksumMode::Plain);
    EXPECT_EQ(Sim.EepromBytes(0x03, 2), (TBytes{0x00, 0x0E}));

    for (const auto& [File, Version] : {std::pair{"sw15.txt", 0x15}, {"sw21.txt", 0x21}, {"sw31.txt", 0x31}}) {
        Sim.LoadImage(ImageDir + File);
        EXPECT_EQ(Sim.Ram(0x61), Version) << File;
        EXPECT_EQ(Sim.ChecksumMode(), TSimChecksumMode::Chained) << File;
    }
}

TEST(EncoderSimImage, LoadingStartsBlankAndRejectsMalformedLines)
{
    TEncoderSim Sim;
    Sim.SetRam(0x10, 0x99);
    Sim.LoadImageText("ram 0x20 01 0x02 # comment\n\n  eeprom ffff 7\nfill ram 30 3 ab\n");
    EXPECT_EQ(Sim.Ram(0x10), 0x00);
    EXPECT_EQ(Sim.RamBytes(0x20, 2), (TBytes{0x01, 0x02}));
    EXPECT_EQ(Sim.Eeprom(0xFFFF), 0x07);
    EXPECT_EQ(Sim.RamBytes(0x2F, 5), (TBytes{0x00, 0xAB, 0xAB, 0xAB, 0x00}));

    const char* Bad[] = {
        "ram 0x20",           "ram 0x20 100",       "eeprom 10000 00",  "eeprom fffe 1 2 3",
        "rom 0 00",           "ram 0 zz",           "checksum odd",     "fill ram fff0 20 00",
        "include /nonexistent/image.txt",
    };
    for (const char* Line : Bad) {
        try {
            Sim.LoadImageText(std::string("# first\n") + Line + "\n", "test.txt");
            ADD_FAILURE() << "accepted: " << Line;
        } catch (const std::runtime_error& E) {
            EXPECT_EQ(std::string(E.what()).rfind("test.txt:2: ", 0), 0u) << E.what();
        }
    }
    EXPECT_THROW(Sim.LoadImage("/nonexistent/image.txt"), std::runtime_error);
}

TEST(EncoderSimLive, DriftsLiveValuesAndStoresConsistentFaults)
{
    TEncoderSim Sim;
    Sim.LoadImage(ImageDir + "healthy.txt");
    const unsigned Hours = LiveHours(Sim);
    Sim.LiveStep();
    EXPECT_EQ(LiveHours(Sim), Hours + 1);
    EXPECT_LE(std::abs(static_cast<std::int8_t>(Sim.Ram(0x63)) - 36), 1);

    // Fifteen more faults: the ring wraps, with a new low and high temperature on the way.
    for (int k = 0; k < 15; ++k) {
        Sim.LiveStep();
        Sim.SetRam(0x63, k == 3 ? 0xE2 : k == 9 ? 90 : 40);   // -30 C, 90 C
        Sim.StoreFault(0x08);
        const TBytes B = Sim.EepromBytes(0, 99);
        const TDecodedBlock D = Decode(B);
        ASSERT_TRUE(D.Consistent()) << "after fault " << k + 15;
        ASSERT_EQ(D.Count, 15u + unsigned(k));
        const unsigned Newest = 16 + B[2];
        EXPECT_EQ(D.Hours.front(), LiveHours(Sim));
        EXPECT_EQ((B[96] << 16) | (B[97] << 8) | B[98], int(LiveHours(Sim)));
        EXPECT_EQ(B[Newest + 3], 0x08);
        EXPECT_EQ(B[Newest + 4], Sim.Ram(0x64));
        EXPECT_EQ(B[Newest + 5], Sim.Ram(0x63));
    }
    EXPECT_EQ(static_cast<std::int8_t>(Sim.Eeprom(5)), -30);
    EXPECT_EQ(static_cast<std::int8_t>(Sim.Eeprom(6)), 90);
}

TEST(EncoderSimLive, FirstFaultOnAnErasedEncoderSetsUpTheBlock)
{
    TEncoderSim Sim;
    Sim.LoadImage(ImageDir + "erased.txt");
    Sim.StoreFault(0x40);
    const TBytes B = Sim.EepromBytes(0, 99);
    const TDecodedBlock D = Decode(B);
    EXPECT_TRUE(D.Consistent());
    EXPECT_EQ(D.Indices, (std::vector<unsigned>{1}));
    EXPECT_EQ(B[2], 0);
    EXPECT_EQ(B[5], 30);   // both extremes start at the current temperature
    EXPECT_EQ(B[6], 30);
}

TEST(EncoderSimLive, ServingThreadStepsOnItsOwn)
{
    TEncoderSim Sim;
    Sim.LoadImage(ImageDir + "healthy.txt");
    Sim.SetRandomSeed(7);
    Sim.Start();
    Sim.SetLive(true, 10ms, 1);   // a fault on every step
    const auto Deadline = std::chrono::steady_clock::now() + 5s;
    while (Sim.EepromBytes(3, 2)[1] < 0x10 && std::chrono::steady_clock::now() < Deadline)
        std::this_thread::sleep_for(10ms);
    Sim.SetLive(false);
    Sim.Stop();
    EXPECT_GE(Sim.Eeprom(4), 0x10);
    EXPECT_TRUE(Decode(Sim.EepromBytes(0, 99)).Consistent());
}

class EncoderSimProgram : public ::testing::Test {
protected:
    // Starts the program and returns the device path it printed.
    std::string Launch(const QStringList& Extra)
    {
        Link = Dir.filePath("enc");
        Program.start(QString(KIV_PROGRAM_DIR) + "/kiv-encoder-sim", QStringList{"--link", Link} + Extra);
        if (!Program.waitForStarted() || !Program.waitForReadyRead(5000))
            return {};
        return Program.readLine().trimmed().toStdString();
    }
    void TearDown() override
    {
        if (Program.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(Program.processId()), SIGTERM);
            Program.waitForFinished(5000);
        }
    }

    QTemporaryDir Dir;
    QString Link;
    QProcess Program;
};

TEST_F(EncoderSimProgram, ServesThroughItsLinkAndCleansUpOnSigterm)
{
    const std::string Slave = Launch({});
    ASSERT_FALSE(Slave.empty());
    {
        TRawClient C(Link.toStdString());
        EXPECT_EQ(C.Exchange(ReadRam(0x61), 3), (TBytes{0x80, 0x00, 0x61}));
        EXPECT_EQ(C.Exchange({0x00, 0x90, 0x00, 0x62, 0xFF, 0xF1}, 2), (TBytes{0x90, 0x81}));
        EXPECT_EQ(C.Exchange(ReadRam(0x62), 3), (TBytes{0x80, 0xFF, 0x61}));
    }
    ::kill(static_cast<pid_t>(Program.processId()), SIGTERM);
    ASSERT_TRUE(Program.waitForFinished(5000));
    EXPECT_EQ(Program.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(Link) || QFileInfo(Link).isSymLink());
}

TEST_F(EncoderSimProgram, ChecksumOptionOverridesTheImage)
{
    ASSERT_FALSE(Launch({"--image", QString::fromStdString(ImageDir + "healthy.txt"), "--checksum", "plain"})
                     .empty());
    TRawClient C(Link.toStdString());
    EXPECT_EQ(C.Exchange(ReadRam(0x61), 3), (TBytes{0x80, 0x21, 0xA1}));
}

TEST_F(EncoderSimProgram, RefusesBadArgumentsAndAForeignFile)
{
    for (const QStringList& Args : {QStringList{"--link"}, QStringList{"--baud", "fast", "--link", "x"},
                                    QStringList{"--checksum", "odd", "--link", "x"}, QStringList{}}) {
        QProcess P;
        P.start(QString(KIV_PROGRAM_DIR) + "/kiv-encoder-sim", Args);
        ASSERT_TRUE(P.waitForFinished(5000));
        EXPECT_EQ(P.exitCode(), 2) << Args.join(' ').toStdString();
    }
    // An ordinary file in the link's place is left alone.
    const QString File = Dir.filePath("enc");
    std::ofstream(File.toStdString()) << "keep";
    QProcess P;
    P.start(QString(KIV_PROGRAM_DIR) + "/kiv-encoder-sim", {"--link", File});
    ASSERT_TRUE(P.waitForFinished(5000));
    EXPECT_EQ(P.exitCode(), 1);
    EXPECT_TRUE(QFileInfo(File).isFile() && !QFileInfo(File).isSymLink());
}
