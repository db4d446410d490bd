#include "core/uUpdateTimer.h"
#include "core/uCommRes.h"
#include <QCoreApplication>

namespace {

struct TIntervalEntry {
    uint32_t Ms;
    const char* Label;
};

constexpr TIntervalEntry Intervals[TUpdateTimer::IntervalCount] = {
    {100, "0,1"},
    {200, "0,2"},
    {500, "0,5"},
    {1000, "1,0"},
    {2000, "2,0"},
    {5000, "5,0"},
    {10000, "10"},
    {20000, "20"},
    {50000, "50"},
    {60000, "60 (one minute)"},
    {100000, "100"},
    {120000, "120 (2 minutes)"},
    {180000, "180 (3 minutes)"},
    {200000, "200"},
    {360000, "360 (6 minute)"},
    {500000, "500"},
    {540000, "540 (9 minutes)"},
    {720000, "720 (12 minutes)"},
    {900000, "900"},
    {1000000, "1000"},
    {1800000, "1800"},
    {3600000, "3600 (one hour)"},
    {5400000, "5400 (1,5 hours)"},
    {7200000, "7200 (2 hours)"},
    {10800000, "10800 (3 hours)"},
};

} // namespace

TUpdateTimer::TUpdateTimer()
{
    Timer.setTimerType(Qt::CoarseTimer);
    Timer.setInterval(static_cast<int>(IntervalFromIndex(DefaultIndex)));
    QObject::connect(&Timer, &QTimer::timeout, [this] { Tick(); });
}

void TUpdateTimer::LoadFromSettings()
{
    SetRepeat(false);
    SetInterval(IntervalFromIndex(Settings->ReadTimerIntervalIndex(DefaultIndex)));
}

uint32_t TUpdateTimer::IntervalFromIndex(int index)
{
    if (index < 0 || index >= IntervalCount)
        index = DefaultIndex;
    return Intervals[index].Ms;
}

int TUpdateTimer::IndexFromInterval(uint32_t ms)
{
    for (int i = 0; i < IntervalCount; ++i)
        if (Intervals[i].Ms == ms)
            return i;
    return DefaultIndex;
}

QString TUpdateTimer::IntervalLabel(int index)
{
    if (index < 0 || index >= IntervalCount)
        return QString();
    return QString::fromLatin1(Intervals[index].Label);
}

void TUpdateTimer::SetInterval(uint32_t ms)
{
    Timer.setInterval(static_cast<int>(ms));
    Settings->WriteTimerIntervalIndex(IndexFromInterval(GetInterval()));
    Notify(100);
}

uint32_t TUpdateTimer::GetInterval() const
{
    return static_cast<uint32_t>(Timer.interval());
}

void TUpdateTimer::SetRepeat(bool on)
{
    if (on) {
        if (!CommRes->IsOpen())
            CommRes->Open();
        // Starting a running QTimer would restart its countdown; an enabled timer just stays on.
        if (CommRes->IsOpen() && !Timer.isActive())
            Timer.start();
    } else {
        Timer.stop();
    }
    Notify(101);
}

void TUpdateTimer::Tick()
{
    Sequences->RunTick([this] {
        if (OnTick)
            OnTick();
        QCoreApplication::processEvents();
    });
}
