// The trend's ring of samples, its CSV form and the observer that fills it from the model.
#include "model/uEncoderModel.h"
#include "model/uTrendObs.h"
#include "model/uTrendRing.h"
#include "platform/TextFile.h"
#include "support/FakeDialogs.h"
#include "support/TestFiles.h"
#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TTrendSample At(int64_t seconds, int32_t temp = 20, int32_t faults = 0)
{
    TTrendSample s;
    s.TimeMs = 1'700'000'000'000 + seconds * 1000;
    s.OpTime = 1000 + static_cast<int32_t>(seconds / 3600);
    s.Freq = 1500;
    s.Temp = temp;
    s.FaultCount = faults;
    return s;
}

std::vector<int64_t> Seconds(const TTrendRing& ring)
{
    std::vector<int64_t> out;
    for (const TTrendSample& s : ring.Samples())
        out.push_back((s.TimeMs - 1'700'000'000'000) / 1000);
    return out;
}

struct TRingCase {
    const char* Name;
    size_t Capacity;
    int64_t SpanSeconds;
    std::vector<int64_t> Added;
    std::vector<int64_t> Kept;
};

TEST(TrendRing, KeepsTheNewestSamplesWithinItsSpanAndCapacityOldestFirst)
{
    const std::vector<TRingCase> cases = {
        {"fewer than both bounds", 10, 3600, {0, 1, 2}, {0, 1, 2}},
        {"older than an hour before the newest are dropped", 10, 3600, {0, 1800, 3600, 3601, 5000}, {1800, 3600, 3601, 5000}},
        {"exactly the span old stays", 10, 3600, {0, 3600}, {0, 3600}},
        {"a full ring drops its oldest", 3, 3600, {0, 1, 2, 3, 4}, {2, 3, 4}},
        {"wrapped several times", 4, 3600, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {7, 8, 9, 10}},
        {"wrapped, then aged out", 4, 10, {0, 1, 2, 3, 4, 5, 20}, {20}},
    };
    for (const TRingCase& row : cases) {
        SCOPED_TRACE(row.Name);
        TTrendRing ring(row.Capacity, row.SpanSeconds * 1000);
        for (int64_t s : row.Added)
            ring.Add(At(s));
        EXPECT_EQ(Seconds(ring), row.Kept);
        EXPECT_LE(ring.Size(), ring.Capacity());
    }
}

TEST(TrendRing, ClearsAndStartsOver)
{
    TTrendRing ring(3, 3600'000);
    for (int s = 0; s < 5; ++s)
        ring.Add(At(s));
    ring.Clear();
    EXPECT_TRUE(ring.Empty());
    EXPECT_THROW(ring.At(0), Exception);
    ring.Add(At(9));
    EXPECT_EQ(Seconds(ring), std::vector<int64_t>{9});
}

TEST(TrendRing, DefaultHoldsAnHourOfTheShortestUpdateInterval)
{
    TTrendRing ring;
    for (int64_t i = 0; i < 36000; ++i) {
        TTrendSample s = At(0);
        s.TimeMs += i * 100;
        ring.Add(s);
    }
    EXPECT_EQ(ring.Size(), 36000u);
    EXPECT_EQ(ring.Newest().TimeMs - ring.At(0).TimeMs, 3600'000 - 100);
}

TEST(TrendCsv, OneLinePerSampleUnderTheHeaderWithTheMomentKept)
{
    TTrendRing ring;
    TTrendSample a = At(0, -12, 14);
    a.TimeMs += 250;
    a.Freq = 127500;
    a.OpTime = 16777215;
    ring.Add(a);
    ring.Add(At(60, 36, 15));

    const QStringList lines = TrendCsv::Lines(ring.Samples());
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "time,operating_time_h,frequency_hz,temperature_c,fault_count");
    const QStringList fields = lines[1].split(',');
    ASSERT_EQ(fields.size(), 5);
    EXPECT_TRUE(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}(Z|[+-]\d\d:\d\d)$)").match(fields[0]).hasMatch())
        << fields[0].toStdString();
    EXPECT_EQ(QDateTime::fromString(fields[0], Qt::ISODateWithMs).toMSecsSinceEpoch(), a.TimeMs);
    EXPECT_EQ(fields.mid(1), (QStringList{"16777215", "127500", "-12", "14"}));
    EXPECT_TRUE(lines[2].endsWith(",1000,1500,36,15"));
}

TEST(TrendCsv, WritesTheWholeFileOrRaises)
{
    QTemporaryDir dir;
    TTrendRing ring;
    ring.Add(At(0));
    const QString path = dir.filePath("trend.csv");
    TrendCsv::Write(path, ring.Samples());
    const QByteArray bytes = ReadAll(path);
    EXPECT_TRUE(bytes.startsWith("time,operating_time_h,"));
    EXPECT_EQ(bytes.count("\r\n"), 2);
    EXPECT_THROW(TrendCsv::Write(dir.filePath("missing/trend.csv"), ring.Samples()), EWriteError);
}

// The observer on a model whose items are set as a reading would set them.
class TrendObsTest : public ::testing::Test {
protected:
    FakeDialogs Dialogs;
    TEncoderModel Model{Dialogs};
    QDateTime Now{QDate(2026, 5, 1), QTime(12, 0, 0)};
    TTrendObs Obs{[this] { return Now; }};

    struct Counter : TObserver {
        std::vector<int32_t> Codes;
        void Update(TSubject*, int32_t code) override { Codes.push_back(code); }
    } Window;

    void SetUp() override
    {
        Obs.Watch(&Model);
        Window.SetActive(true);
        Obs.Attach(&Window);
    }

    // One update cycle: the live items as read, then the event loop runs.
    void Read(int32_t opTime, int32_t freq, int32_t temp, uint16_t faults)
    {
        Model.LiveOpTime.SetValue(opTime);
        Model.LiveFreq.SetValue(freq);
        Model.LiveTemp.SetValue(temp);
        Model.FaultCountItem.SetValue(static_cast<uint16_t>((faults << 8) | (faults >> 8)));
        QCoreApplication::processEvents();
        Now = Now.addSecs(1);
    }
};

TEST_F(TrendObsTest, OneSamplePerReadingTakenWhenTheReadingLetsEventsRun)
{
    Model.LiveOpTime.SetValue(100);
    Model.LiveTemp.SetValue(30);
    EXPECT_TRUE(Obs.Ring().Empty()) << "the reading is not over yet";
    QCoreApplication::processEvents();
    ASSERT_EQ(Obs.Ring().Size(), 1u);
    const TTrendSample& s = Obs.Ring().Newest();
    EXPECT_EQ(s.TimeMs, QDateTime(QDate(2026, 5, 1), QTime(12, 0, 0)).toMSecsSinceEpoch());
    EXPECT_EQ(s.OpTime, 100);
    EXPECT_EQ(s.Temp, 30);
    EXPECT_EQ(Window.Codes, std::vector<int32_t>{TTrendObs::SampleAdded});
}

TEST_F(TrendObsTest, MarksTheReadingsWhereTheFaultCountGrew)
{
    Read(100, 1500, 30, 14); // the first reading: nothing to compare with
    Read(101, 1500, 31, 14);
    Read(102, 2000, 31, 15);
    Read(103, 2000, 32, 15);
    Read(104, 2000, 32, 17);
    Read(105, 0, 32, 0xFFFF); // erased: taken as no faults, which is no growth
    std::vector<bool> grew;
    std::vector<int32_t> counts;
    for (const TTrendSample& s : Obs.Ring().Samples()) {
        grew.push_back(s.FaultCountGrew);
        counts.push_back(s.FaultCount);
    }
    EXPECT_EQ(grew, (std::vector<bool>{false, false, true, false, true, false}));
    EXPECT_EQ(counts, (std::vector<int32_t>{14, 14, 15, 15, 17, 0}));
}

TEST_F(TrendObsTest, ValuesAnnouncedAgainWithoutChangeAddNoSample)
{
    Read(100, 1500, 30, 14);
    Model.LiveOpTime.Notify();
    Model.LiveFreq.Notify();
    Model.LiveTemp.Notify();
    QCoreApplication::processEvents();
    EXPECT_EQ(Obs.Ring().Size(), 1u);
}

TEST_F(TrendObsTest, AnotherEncoderStartsAFreshTrendAndTheExtremesAreAnnounced)
{
    Model.SerialNumberItem.SetValue(1234567);
    Read(100, 1500, 30, 14);
    Read(101, 1500, 31, 14);
    Window.Codes.clear();
    Model.SerialNumberItem.SetValue(7654321);
    EXPECT_TRUE(Obs.Ring().Empty());
    Read(5, 500, 20, 40);
    ASSERT_EQ(Obs.Ring().Size(), 1u);
    EXPECT_FALSE(Obs.Ring().Newest().FaultCountGrew) << "40 faults are no growth over the last encoder's 14";

    Model.MaxTemp.Refresh();
    EXPECT_EQ(Window.Codes, (std::vector<int32_t>{TTrendObs::Cleared, TTrendObs::SampleAdded, TTrendObs::ExtremesChanged}));
}

TEST_F(TrendObsTest, UnwatchedItRecordsNothingAndAPendingSampleIsDropped)
{
    Model.LiveTemp.SetValue(30);
    Obs.Unwatch();
    QCoreApplication::processEvents();
    Model.LiveTemp.SetValue(31);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Obs.Ring().Empty());
    EXPECT_TRUE(Model.LiveTemp.GetObservers().empty());
}

} // namespace
