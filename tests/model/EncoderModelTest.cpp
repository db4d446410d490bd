// The reading sequences that the controller and the command-line reader share, against the
// simulated encoder.

#include "support/FakeDialogs.h"
#include "ModelFixture.h"
#include "model/uEncoderModel.h"
#include "support/RecordingProgress.h"
#include <thread>

namespace {

const std::string ImageDir = std::string(KIV_SOURCE_DIR) + "/tools/encoder-sim/images/";

class EncoderModelTest : public SimLinkTest {
protected:
    void SetUp() override
    {
        SimLinkTest::SetUp();
        Model.Wire(&Protocol);
        Model.ConfigureIdentityItems();
    }

    FakeDialogs Dialogs;
    TEncoderModel Model{Dialogs};
};

// The software version decides two things: the part number's form (from 2.0 on) and whether the
// lowest temperature is taken unfiltered (2.x only). A lowest temperature of +5 shows which way it
// was read: the filter keeps only values below -1, so a filtered reading leaves it at 0.
TEST_F(EncoderModelTest, SoftwareVersionDecidesPartNumberFormAndLowestTemperatureFilter)
{
    const struct {
        const char* Image;
        uint8_t Version;
        const char* PartNumber;
        int32_t MinTemp;
    } cases[] = {
        {"sw21.txt", 0x21, "405123-07", 5},
        {"sw15.txt", 0x15, "40512307", 0},
        {"sw31.txt", 0x31, "405123-07", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Image);
        Sim.LoadImage(ImageDir + c.Image);
        Sim.SetEeprom(5, 0x05);
        TEncoderModel model(Dialogs);
        model.Wire(&Protocol);
        model.ConfigureIdentityItems();

        model.ReadIdentity();
        EXPECT_EQ(model.SoftwareVersionItem.Value(), c.Version);
        EXPECT_EQ(TEncoderModel::PartNumberText(model.PartNumberItem.Value(), model.NewPartNumberFormat()),
                  QString::fromLatin1(c.PartNumber));
        EXPECT_EQ(model.SerialNumberItem.Value(), 1234567);
        EXPECT_EQ(model.UnitsPerRevItem.Value(), 2048);

        model.ReadDiagnostics();
        EXPECT_EQ(model.MinTemp.Value(), c.MinTemp);
        EXPECT_EQ(model.MaxTemp.Value(), 74);
        EXPECT_EQ(model.StoredFaults.Count(), 13);
    }
    EXPECT_TRUE(Dialogs.Messages.empty());
}

// Each identity reading starts the checksum detection afresh, so a plain-checksum encoder is
// recognised even after a chained one was read on the same link.
TEST_F(EncoderModelTest, IdentityReadingDetectsTheChecksumVariantAfresh)
{
    Sim.LoadImage(ImageDir + "healthy.txt");
    Model.ReadIdentity();
    EXPECT_TRUE(Protocol.GetChainedChecksum());

    Sim.SetChecksumMode(TSimChecksumMode::Plain);
    Model.ReadIdentity();
    EXPECT_FALSE(Protocol.GetChainedChecksum());
    EXPECT_EQ(Model.SerialNumberItem.Value(), 1234567);

    Sim.SetChecksumMode(TSimChecksumMode::Chained);
    Model.ReadIdentity();
    EXPECT_TRUE(Protocol.GetChainedChecksum());
}

// The count sits most significant byte first at EEPROM 3; erased (FF FF) means none stored.
TEST_F(EncoderModelTest, LiveReadingReturnsTheStoredFaultCount)
{
    Sim.LoadImage(ImageDir + "healthy.txt");
    Model.ReadIdentity();
    const struct {
        uint8_t High, Low;
        int32_t Count;
    } cases[] = {{0x00, 0x0E, 14}, {0x01, 0x02, 258}, {0xFF, 0xFE, 65534}, {0xFF, 0xFF, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Count);
        Sim.SetEepromBytes(3, {c.High, c.Low});
        EXPECT_EQ(Model.ReadLiveValues(), c.Count);
    }
    EXPECT_EQ(Model.LiveTemp.GetAsText(), QStringLiteral("36"));
    EXPECT_EQ(Model.LiveFreq.GetAsText(), QStringLiteral("10000"));
    EXPECT_EQ(Model.LiveOpTime.GetAsText(), QStringLiteral("12345"));
}

// A fault stored while the block is read tears it. The block is read once more, on the progress
// bar like the first time, and no message is shown when the second read is whole.
TEST_F(EncoderModelTest, TornBlockIsReadOnceMoreWithoutAMessage)
{
    Sim.LoadImage(ImageDir + "healthy.txt");
    Sim.SetPacing(0, 1); // slow enough for the fault to land inside the first read
    RecordingProgress bar;
    Protocol.ProgressBar = &bar;
    Sim.ClearLog();
    // Past the count (bytes 3 and 4), before the ring slot the new fault goes to (bytes 22 to 27).
    std::thread encoder([this] {
        Sim.WaitForRequests(10, std::chrono::seconds(5));
        Sim.StoreFault(0x80);
    });
    Model.ReadDiagnostics();
    encoder.join();
    Protocol.ProgressBar = nullptr;

    EXPECT_EQ(Model.BlockRereads, 1);
    EXPECT_EQ(Sim.RequestCount(), 2u * 99u);
    EXPECT_EQ(bar.Steps, 2 * 98) << "both reads move the bar";
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(Model.NumOfFaults.Value(), 15);
    EXPECT_EQ(Model.StoredFaults.Fault(0)->Index, 15);
}

TEST_F(EncoderModelTest, BlockInconsistentTwiceShowsTheMessageOnce)
{
    Sim.LoadImage(ImageDir + "healthy.txt");
    Sim.SetEeprom(2, 3); // a newest offset that fits no fault count
    Sim.ClearLog();
    Model.ReadDiagnostics();
    EXPECT_EQ(Model.BlockRereads, 1);
    EXPECT_EQ(Sim.RequestCount(), 2u * 99u);
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
}

} // namespace
