#include "core/uCommRes.h"
#include "core/uObserver.h"
#include "core/uUpdateTimer.h"
#include "platform/IniFile.h"
#include "settings/uApplIniFile.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

class CodeRecorder : public TObserver {
public:
    CodeRecorder() { SetActive(true); }
    void Update(TSubject*, int32_t code) override { Codes.push_back(code); }
    std::vector<int32_t> Codes;
};

// A pseudo-terminal whose slave side stands in for a serial device.
class Pty {
public:
    Pty()
    {
        Master = posix_openpt(O_RDWR | O_NOCTTY);
        if (Master >= 0 && grantpt(Master) == 0 && unlockpt(Master) == 0)
            SlavePath = QString::fromLocal8Bit(ptsname(Master));
    }
    ~Pty()
    {
        if (Master >= 0)
            close(Master);
    }
    int Master = -1;
    QString SlavePath;
};

class UpdateTimerTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    TIniFile Ini{Dir.filePath("kiv.ini")};
    TApplIniFile Settings{&Ini};
    TCommRes CommRes;
    TUpdateTimer Timer;
    CodeRecorder Recorder;

    void SetUp() override
    {
        Timer.SetSettings(&Settings);
        Timer.SetCommRes(&CommRes);
        Timer.Attach(&Recorder);
        CommRes.SetComPort("COM1");
    }
};

} // namespace

TEST(UpdateTimerTable, AllPositionsBothWaysAndOutsideTheTable)
{
    const struct {
        uint32_t Ms;
        const char* Label;
    } table[] = {
        {100, "0,1"}, {200, "0,2"}, {500, "0,5"}, {1000, "1,0"}, {2000, "2,0"}, {5000, "5,0"}, {10000, "10"},
        {20000, "20"}, {50000, "50"}, {60000, "60 (one minute)"}, {100000, "100"}, {120000, "120 (2 minutes)"},
        {180000, "180 (3 minutes)"}, {200000, "200"}, {360000, "360 (6 minute)"}, {500000, "500"},
        {540000, "540 (9 minutes)"}, {720000, "720 (12 minutes)"}, {900000, "900"}, {1000000, "1000"},
        {1800000, "1800"}, {3600000, "3600 (one hour)"}, {5400000, "5400 (1,5 hours)"},
        {7200000, "7200 (2 hours)"}, {10800000, "10800 (3 hours)"},
    };
    static_assert(std::size(table) == TUpdateTimer::IntervalCount);
    for (int i = 0; i < TUpdateTimer::IntervalCount; ++i) {
        EXPECT_EQ(TUpdateTimer::IntervalFromIndex(i), table[i].Ms) << i;
        EXPECT_EQ(TUpdateTimer::IndexFromInterval(table[i].Ms), i) << i;
        EXPECT_EQ(TUpdateTimer::IntervalLabel(i), QString::fromLatin1(table[i].Label)) << i;
    }
    for (int index : {-1, 25, 1000})
        EXPECT_EQ(TUpdateTimer::IntervalFromIndex(index), 1000u) << index;
    for (uint32_t ms : {0u, 1500u, 99u, 10800001u})
        EXPECT_EQ(TUpdateTimer::IndexFromInterval(ms), 3) << ms;
}

TEST_F(UpdateTimerTest, LoadFromSettingsStopsAndTakesTheStoredInterval)
{
    Timer.LoadFromSettings();
    EXPECT_EQ(Timer.GetInterval(), 1000u);
    EXPECT_EQ(Settings.ReadTimerIntervalIndex(-1), 3); // written although it was missing
    EXPECT_EQ(Recorder.Codes, (std::vector<int32_t>{101, 100}));

    for (int index : {8, 10, 20}) {
        Settings.WriteTimerIntervalIndex(index);
        Timer.LoadFromSettings();
        EXPECT_EQ(Timer.GetInterval(), TUpdateTimer::IntervalFromIndex(index));
        EXPECT_EQ(Settings.ReadTimerIntervalIndex(-1), index);
    }
    Settings.WriteTimerIntervalIndex(31);
    Timer.LoadFromSettings();
    EXPECT_EQ(Timer.GetInterval(), 1000u);
    EXPECT_EQ(Settings.ReadTimerIntervalIndex(-1), 3);
}

TEST_F(UpdateTimerTest, SetRepeatWithUnopenablePortKeepsTheTimerOffAndSilent)
{
    CommRes.SetPortDevice(0, Dir.filePath("no-such-device"));
    EXPECT_THROW(Timer.SetRepeat(true), ECommResError);
    EXPECT_FALSE(Timer.IsRepeating());
    EXPECT_TRUE(Recorder.Codes.empty());

    Timer.SetRepeat(false); // already stopped: still tells
    EXPECT_EQ(Recorder.Codes, (std::vector<int32_t>{101}));
}

TEST_F(UpdateTimerTest, SetRepeatOpensThePortAndTicksNeverNest)
{
    Pty pty;
    ASSERT_FALSE(pty.SlavePath.isEmpty());
    CommRes.SetPortDevice(0, pty.SlavePath);
    Timer.SetInterval(TUpdateTimer::IntervalFromIndex(0));

    int ticks = 0, depth = 0, deepest = 0;
    Timer.OnTick = [&] {
        ++ticks;
        deepest = std::max(deepest, ++depth);
        // An update cycle lets events run for longer than the interval, so further ticks fall
        // due meanwhile.
        QElapsedTimer busy;
        busy.start();
        while (busy.elapsed() < 250)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        --depth;
    };
    Timer.SetRepeat(true);
    EXPECT_TRUE(CommRes.IsOpen());
    EXPECT_TRUE(Timer.IsRepeating());
    EXPECT_EQ(Recorder.Codes.back(), 101);

    QElapsedTimer wait;
    wait.start();
    while (ticks < 2 && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    Timer.SetRepeat(false);
    EXPECT_GE(ticks, 2);
    EXPECT_EQ(deepest, 1);
    EXPECT_FALSE(Timer.IsRepeating());
}

TEST_F(UpdateTimerTest, TickAfterAFailedTickRunsAgain)
{
    int calls = 0;
    Timer.OnTick = [&] {
        ++calls;
        Timer.Tick(); // a tick delivered while this one runs is ignored
        if (calls == 1)
            throw Exception("cycle failed");
    };
    EXPECT_THROW(Timer.Tick(), Exception);
    Timer.Tick();
    EXPECT_EQ(calls, 2);

    Timer.OnTick = nullptr;
    Timer.Tick(); // only lets events run
    EXPECT_EQ(calls, 2);
}
