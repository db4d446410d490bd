#include "DiagBlock.h"
#include "support/FakeDialogs.h"
#include "ModelFixture.h"
#include "model/uRawDiag.h"
#include "model/uStoredFaults.h"
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

namespace {

// A consistent block with n faults: fault i (0-based) sits in slot i mod 13 with 1000 + i hours,
// status i mod 256, 1500 Hz and -10 degrees; the encoder has run 5000 hours.
DiagBlockImage WithFaults(int n)
{
    DiagBlockImage block;
    if (n == 0)
        return block;
    block.Set(1, {0x00}).Set(2, {uint8_t((n - 1) % 13 * 6)}).Set(3, {uint8_t(n >> 8), uint8_t(n)}).Set(7, {0x00});
    block.Set(96, {0x00, 0x13, 0x88});
    for (int i = std::max(0, n - 13); i < n; ++i) {
        const int hours = 1000 + i;
        block.Set(16 + 6 * (i % 13), {uint8_t(hours >> 16), uint8_t(hours >> 8), uint8_t(hours), uint8_t(i), 0x03, 0xF6});
    }
    return block;
}

DiagBlockImage& SetFaultHours(DiagBlockImage& block, int i, int hours)
{
    return block.Set(16 + 6 * (i % 13), {uint8_t(hours >> 16), uint8_t(hours >> 8), uint8_t(hours)});
}

class StoredFaultsTest : public SimLinkTest {
protected:
    void SetUp() override
    {
        SimLinkTest::SetUp();
        Raw.SetProtocol(&Protocol);
        for (TStaticDiag* value : {(TStaticDiag*)&NumOfFaults, (TStaticDiag*)&OpTime, (TStaticDiag*)&Faults})
            value->SetRawDiag(&Raw);
        Faults.SetNumOfFaults(&NumOfFaults);
        Faults.SetOperatingTime(&OpTime);
        Faults.Attach(&Observer);
    }
    // The controller's static read, as far as the stored faults need it.
    void Read(const DiagBlockImage& block)
    {
        Sim.SetEepromBytes(0, block.Bytes);
        Raw.Execute();
        NumOfFaults.Execute();
        OpTime.Execute();
        Dialogs.Messages.clear();
        Observer.Clear();
        Faults.Execute();
    }
    bool MessageShown() const { return !Dialogs.Messages.empty(); }

    FakeDialogs Dialogs;
    TRawDiag Raw;
    TNumOfFaults NumOfFaults;
    TOperatingTime OpTime;
    TStoredFaults Faults{Dialogs};
    CountingObserver Observer;
};

} // namespace

TEST_F(StoredFaultsTest, RingIsDecodedNewestFirst)
{
    const struct { int N; uint8_t NewestOffset; } cases[] = {{0, 0xFF}, {1, 0}, {13, 72}, {14, 0}, {65534, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.N);
        const DiagBlockImage block = WithFaults(c.N);
        ASSERT_EQ(block.Bytes[2], c.NewestOffset);
        Read(block);

        ASSERT_EQ(Faults.Count(), std::min(c.N, 13));
        for (int p = 0; p < Faults.Count(); ++p) {
            const TStoredFault* f = Faults.Fault(p);
            EXPECT_EQ(f->Index, c.N - p);
            EXPECT_EQ(f->OpTime.Value(), 1000 + c.N - 1 - p);   // from slot (index - 1) mod 13
        }
        EXPECT_EQ(Faults.Fault(Faults.Count()), nullptr);
        EXPECT_EQ(Observer.Count(), 1);
        EXPECT_FALSE(MessageShown());
    }
}

TEST_F(StoredFaultsTest, FaultFieldsAsText)
{
    Read(WithFaults(11));
    const TStoredFault* newest = Faults.Fault(0);
    EXPECT_EQ(newest->IndexAsText(), "11");
    EXPECT_EQ(newest->OpTimeAsText(), "1010");
    EXPECT_EQ(newest->StatusAsText(), "0A");
    EXPECT_EQ(newest->FreqAsText(), "1500");
    EXPECT_EQ(newest->TempAsText(), "-10");
    EXPECT_EQ(Faults.GetAsText(), "");

    EXPECT_EQ(Faults.MakeFault(11), nullptr);
    EXPECT_EQ(Faults.MakeFault(-1), nullptr);
    EXPECT_NE(Faults.MakeFault(0), nullptr);
}

TEST_F(StoredFaultsTest, FaultIndexCheck)
{
    const struct { int N; uint8_t Status; uint8_t Newest; bool Valid; } cases[] = {
        {0, 0xFF, 0xFF, true},  {0, 0xFF, 0x00, false}, {0, 0x00, 0x00, false},
        {1, 0x00, 0, true},     {1, 0x00, 3, false},    {1, 0xFF, 0xFF, false},
        {13, 0x00, 72, true},   {13, 0x00, 0, false},   {14, 0x00, 0, true},
        {14, 0x00, 78, false},  {2, 0x00, 6, true},     {1, 0x55, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.N << " " << int(c.Status) << " " << int(c.Newest));
        DiagBlockImage block = WithFaults(c.N);
        Read(block.Set(7, {c.Status}).Set(2, {c.Newest}));
        EXPECT_EQ(Faults.FaultIndexValid(), c.Valid);
        EXPECT_EQ(MessageShown(), !c.Valid);
    }
}

TEST_F(StoredFaultsTest, OperatingTimesMustNotRiseTowardsTheNewest)
{
    // Hours of faults 0, 1, 2: newest first 500, 500, 400.
    DiagBlockImage block = WithFaults(3);
    SetFaultHours(block, 0, 400);
    SetFaultHours(block, 1, 500);
    SetFaultHours(block, 2, 500);
    Read(block);
    EXPECT_TRUE(Faults.OpTimesFalling());
    EXPECT_FALSE(MessageShown());

    // Newest first 400, 500.
    DiagBlockImage rising = WithFaults(2);
    SetFaultHours(rising, 0, 500);
    SetFaultHours(rising, 1, 400);
    Read(rising);
    EXPECT_FALSE(Faults.OpTimesFalling());
    EXPECT_TRUE(MessageShown());
}

TEST_F(StoredFaultsTest, OperatingTimeStatusCheck)
{
    const struct { uint8_t Status; std::vector<uint8_t> Hours; bool Valid; } cases[] = {
        {0x00, {0x00, 0x00, 0x78}, true},  {0x00, {0xFF, 0xFF, 0xFF}, false}, {0x00, {0x00, 0x00, 0x00}, false},
        {0xFF, {0xFF, 0xFF, 0xFF}, true},  {0xFF, {0x00, 0x00, 0x00}, true},  {0xFF, {0x00, 0x00, 0x78}, false},
        {0x55, {0x00, 0x00, 0x78}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.Status) << " " << int(c.Hours[2]));
        DiagBlockImage block = WithFaults(1);
        Read(block.Set(1, {c.Status}).Set(96, c.Hours));
        EXPECT_EQ(Faults.OpTimeStatusValid(), c.Valid);
        EXPECT_EQ(MessageShown(), !c.Valid);
    }
}

TEST_F(StoredFaultsTest, ErasedBlockPassesEveryCheck)
{
    Read(DiagBlockImage());
    EXPECT_EQ(Faults.Count(), 0);
    EXPECT_TRUE(Faults.OpTimesFalling());
    EXPECT_TRUE(Faults.FaultIndexValid());
    EXPECT_TRUE(Faults.OpTimeStatusValid());
    EXPECT_FALSE(MessageShown());
}

TEST_F(StoredFaultsTest, InconsistencyIsOneErrorMessageAfterTheListWasShown)
{
    QTemporaryDir dir;
    TLangIniFile lang(dir.path() + '/', QStringLiteral("DefLang"));
    Faults.UpdateLanguage(&lang);

    // The list reaches the observer before the box, and stays as decoded after it.
    size_t messagesAtNotify = 99;
    struct : TObserver {
        std::function<void()> OnUpdate;
        void Update(TSubject*, int32_t) override { OnUpdate(); }
    } watcher;
    watcher.OnUpdate = [&] { messagesAtNotify = Dialogs.Messages.size(); };
    watcher.SetActive(true);
    Faults.Attach(&watcher);

    // Every check fails at once: rising times, wrong offset, erased operating time.
    DiagBlockImage block = WithFaults(2);
    SetFaultHours(block, 1, 1);
    Read(block.Set(2, {0x30}).Set(96, {0xFF, 0xFF, 0xFF}));

    EXPECT_EQ(messagesAtNotify, 0u);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, QString::fromUtf8("EEPromdata är inte giltig."));
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::Error);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, TMsgDlgButtons(mbOK));
    EXPECT_EQ(Faults.Count(), 2);
}

TEST(StoredFaultTexts, StatusDescriptionsInTheCurrentLanguage)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    FakeDialogs dialogs;
    TStoredFaults faults(dialogs);
    TStoredFault fault(&faults.Texts());
    fault.Status = 0x30;
    EXPECT_EQ(fault.StatusDescription(), "");   // nothing read yet

    TLangIniFile lang(folder, QStringLiteral("DefLang"));
    faults.UpdateLanguage(&lang);
    const QString s30 = QString::fromUtf8("Avbrott i ledenhet.");
    const QString s01 = QString::fromUtf8("Används ej.");
    const struct { uint8_t Status; QStringList Lines; } cases[] = {
        {0x00, {}},
        {0x30, {s30}},
        {0x31, {s30, s01}},
        {0x20, {QString::fromUtf8("Delningen är större än programmerad delning.")}},
        {0x90, {QString::fromUtf8("Extern nollpulssignal är ej lika med intern nollpulsignal."),
                QString::fromUtf8("Delningen är mindre än programmerad delning.")}},
        {0xFF, {QString::fromUtf8("Extern nollpulssignal är ej lika med intern nollpulsignal."),
                QString::fromUtf8("Externa inkrementala signaler är ej lika med interna inkrementala signaler."),
                s30, QString::fromUtf8("Nollpuls saknas."), QString::fromUtf8("Tillståndsfel."), s01, s01}},
    };
    for (const auto& c : cases) {
        fault.Status = c.Status;
        EXPECT_EQ(fault.StatusDescription(), c.Lines.join('\n')) << int(c.Status);
    }

    // All eighteen keys land in the language file, in reading order.
    EXPECT_EQ(TIniFile(lang.FileName()).ReadSection("TStoredFault"),
              QStringList({"sFaultStatus_01", "sFaultStatus_02", "sFaultStatus_04", "sFaultStatus_08",
                           "sFaultStatus_10", "sFaultStatus_20", "sFaultStatus_30", "sFaultStatus_40",
                           "sFaultStatus_80", "sFaultStatus_UnDef", "sStoredOpTimeIsNotFalling",
                           "sIndexAndNumOfFaultsMismatch", "sIndexOutOfRange", "sNumOfFaultsOutOfRange",
                           "sFaultDataStoredUnDef", "sOpTimeOutOfRange", "sOpTimeStoredUnDef",
                           "sEEPromDataInconsistent"}));

    // A language change reaches faults decoded before it.
    TIniFile(folder + "English.txt").WriteString("TStoredFault", "sFaultStatus_30", "Interruption.");
    TLangIniFile english(folder, QStringLiteral("English"));
    faults.UpdateLanguage(&english);
    fault.Status = 0x30;
    EXPECT_EQ(fault.StatusDescription(), "Interruption.");
}

TEST(SemiStrings, JoinWithAndWithoutLineFeed)
{
    TSemiString lines;
    TAnotherSemiString codes;
    for (TSemiString* s : {&lines, (TSemiString*)&codes}) {
        s->Add("a");
        s->Add("b");
    }
    EXPECT_EQ(lines.GetText(), "a\nb");
    EXPECT_EQ(codes.GetText(), "ab");
    codes.SetText("x");
    codes.Add("y");
    EXPECT_EQ(codes.GetText(), "xy");
}
