#include "DiagBlock.h"
#include "ModelFixture.h"
#include "model/uBiDirDataAsByte.h"
#include "model/uRawDiag.h"
#include "model/uStaticDiag.h"
#include <algorithm>

namespace {

// The raw block and the four values, wired and observed as the controller does.
struct StaticValues {
    explicit StaticValues(TBiDirDiagProtocol* protocol)
    {
        Raw.SetProtocol(protocol);
        for (TStaticDiag* value : {(TStaticDiag*)&NumOfFaults, (TStaticDiag*)&MaxTemp, (TStaticDiag*)&MinTemp,
                                   (TStaticDiag*)&OpTime}) {
            value->SetRawDiag(&Raw);
            value->Attach(&Observer);
        }
    }
    // One static read in the controller's order.
    void Read(TEncoderSim& sim, const DiagBlockImage& block, bool unfiltered = false)
    {
        sim.SetEepromBytes(0, block.Bytes);
        Raw.Execute();
        NumOfFaults.Execute();
        MaxTemp.Execute();
        OpTime.Execute();
        if (unfiltered)
            MinTemp.ExecuteUnfiltered();
        else
            MinTemp.Execute();
    }
    int NotificationsOf(TSubject* subject) const
    {
        return static_cast<int>(std::count(Observer.Subjects.begin(), Observer.Subjects.end(), subject));
    }

    TRawDiag Raw;
    TNumOfFaults NumOfFaults;
    TMaxTemp MaxTemp;
    TMinTemp MinTemp;
    TOperatingTime OpTime;
    CountingObserver Observer;
};

using StaticDiag = SimLinkTest;

} // namespace

TEST_F(StaticDiag, DecodeAndAcceptBlocks)
{
    // Held before the block under test: 5 faults, 120 h, highest 35, lowest -10 degrees.
    const DiagBlockImage held = DiagBlockImage().Set(3, {0x00, 0x05}).Set(5, {0xF6, 0x23}).Set(96, {0x00, 0x00, 0x78});
    const DiagBlockImage erased;
    const struct {
        const char* Name;
        const DiagBlockImage* Before;   // read first, or null for fresh values
        DiagBlockImage Block;
        bool Unfiltered;
        int Count, Hours, Max, Min;
        int CountNotes, HoursNotes, MaxNotes, MinNotes;
    } cases[] = {
        // An erased count and operating time read as 0 and notify on every read.
        {"erased, fresh", nullptr, erased, false, 0, 0, 0, 0, 1, 1, 0, 0},
        {"erased twice", &erased, erased, false, 0, 0, 0, 0, 1, 1, 0, 0},
        {"erased after values", &held, erased, false, 0, 0, 35, -10, 1, 1, 0, 0},
        {"erased, unfiltered", &held, erased, true, 0, 0, 35, -1, 1, 1, 0, 1},
        {"count 258", nullptr, DiagBlockImage().Set(3, {0x01, 0x02}), false, 258, 0, 0, 0, 1, 1, 0, 0},
        {"count 65534", nullptr, DiagBlockImage().Set(3, {0xFF, 0xFE}), false, 65534, 0, 0, 0, 1, 1, 0, 0},
        {"same values", &held, held, false, 5, 120, 35, -10, 0, 0, 0, 0},
        {"4660 hours", &held, DiagBlockImage(held).Set(96, {0x00, 0x12, 0x34}), false, 5, 4660, 35, -10, 0, 1, 0, 0},
        {"highest 0 is ignored", &held, DiagBlockImage(held).Set(6, {0x00}), false, 5, 120, 35, -10, 0, 0, 0, 0},
        {"highest 40", &held, DiagBlockImage(held).Set(6, {0x28}), false, 5, 120, 40, -10, 0, 0, 1, 0},
        {"highest -5 is ignored", &held, DiagBlockImage(held).Set(6, {0xFB}), false, 5, 120, 35, -10, 0, 0, 0, 0},
        {"lowest 20 filtered", &held, DiagBlockImage(held).Set(5, {0x14}), false, 5, 120, 35, -10, 0, 0, 0, 0},
        {"lowest 20 unfiltered", &held, DiagBlockImage(held).Set(5, {0x14}), true, 5, 120, 35, 20, 0, 0, 0, 1},
        {"lowest -1 filtered", &held, DiagBlockImage(held).Set(5, {0xFF}), false, 5, 120, 35, -10, 0, 0, 0, 0},
        {"lowest -2 filtered", &held, DiagBlockImage(held).Set(5, {0xFE}), false, 5, 120, 35, -2, 0, 0, 0, 1},
        {"lowest -10 fresh", nullptr, DiagBlockImage().Set(5, {0xF6}), false, 0, 0, 0, -10, 1, 1, 0, 1},
        {"lowest -10 fresh unfiltered", nullptr, DiagBlockImage().Set(5, {0xF6}), true, 0, 0, 0, -10, 1, 1, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        StaticValues v(&Protocol);
        if (c.Before)
            v.Read(Sim, *c.Before);
        v.Observer.Clear();
        v.Read(Sim, c.Block, c.Unfiltered);

        EXPECT_EQ(v.NumOfFaults.Value(), c.Count);
        EXPECT_EQ(v.OpTime.Value(), c.Hours);
        EXPECT_EQ(v.MaxTemp.Value(), c.Max);
        EXPECT_EQ(v.MinTemp.Value(), c.Min);
        EXPECT_EQ(v.NotificationsOf(&v.NumOfFaults), c.CountNotes);
        EXPECT_EQ(v.NotificationsOf(&v.OpTime), c.HoursNotes);
        EXPECT_EQ(v.NotificationsOf(&v.MaxTemp), c.MaxNotes);
        EXPECT_EQ(v.NotificationsOf(&v.MinTemp), c.MinNotes);
        EXPECT_EQ(v.NumOfFaults.GetAsText(), QString::number(c.Count));
        EXPECT_EQ(v.MinTemp.GetAsText(), QString::number(c.Min));
    }
}

TEST_F(StaticDiag, RefreshNotifiesTheHeldValueAgain)
{
    StaticValues v(&Protocol);
    for (TStaticDiag* value : {(TStaticDiag*)&v.NumOfFaults, (TStaticDiag*)&v.MaxTemp, (TStaticDiag*)&v.MinTemp,
                               (TStaticDiag*)&v.OpTime}) {
        v.Observer.Clear();
        value->Refresh();
        ASSERT_EQ(v.Observer.Count(), 1);
        EXPECT_EQ(v.Observer.Subjects[0], value);
        EXPECT_EQ(v.Observer.Codes[0], 0);
    }
}

TEST_F(StaticDiag, BlockReadLeavesEEPromSelectedWhileItemsSelectTheirOwn)
{
    StaticValues v(&Protocol);
    CountingObserver rawObserver;
    v.Raw.Attach(&rawObserver);
    DiagBlockImage block;
    for (int i = 0; i < 99; ++i)
        block.Bytes[i] = static_cast<uint8_t>(i + 1);
    Sim.SetEepromBytes(0, block.Bytes);
    Sim.SetEeprom(99, 0xAA);   // just past the block: never read
    Protocol.SetMemMode(0);

    EXPECT_TRUE(v.Raw.Execute());
    EXPECT_EQ(rawObserver.Count(), 1);
    EXPECT_EQ(Protocol.GetMemMode(), 1);
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 99u);
    for (uint16_t i = 0; i < 99; ++i)
        EXPECT_EQ(requests[i], std::make_pair(uint8_t(0x81), i));
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(v.Raw.GetData()[i], i < 99 ? i + 1 : 0) << i;

    TBiDirDataAsByte version;
    version.SetProtocol(&Protocol);
    version.SetAddress(0x61);
    Sim.SetRam(0x61, 0x21);
    Sim.ClearLog();
    version.Execute();
    EXPECT_EQ(Requests(), (std::vector<std::pair<uint8_t, uint16_t>>{{0x80, 0x61}}));
    EXPECT_EQ(version.GetAsText(), "$21");
}

TEST_F(StaticDiag, FailedBlockReadKeepsTheBytesReadAndDoesNotNotify)
{
    StaticValues v(&Protocol);
    CountingObserver rawObserver;
    v.Raw.Attach(&rawObserver);
    Sim.SetEepromBytes(0, std::vector<uint8_t>(99, 0x11));
    v.Raw.Execute();
    rawObserver.Clear();

    Sim.SetEepromBytes(0, std::vector<uint8_t>(99, 0x22));
    Protocol.RetryCount = 1;
    Sim.SetFaultScript({{50, TSimFault::WrongChecksum}});
    EXPECT_THROW(v.Raw.Execute(), ESerialBiDirError);
    EXPECT_EQ(rawObserver.Count(), 0);
    for (int i = 0; i < 99; ++i)
        EXPECT_EQ(v.Raw.GetData()[i], i < 49 ? 0x22 : 0x11) << i;
}

TEST(RawDiag, WithoutProtocolReadsNothingAndStillNotifies)
{
    TRawDiag raw;
    CountingObserver observer;
    raw.Attach(&observer);
    EXPECT_TRUE(raw.Execute());
    EXPECT_EQ(observer.Count(), 1);
    for (uint8_t b : raw.GetData())
        EXPECT_EQ(b, 0);
}
