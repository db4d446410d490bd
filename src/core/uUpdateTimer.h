#pragma once
#include "core/uSequenceGuard.h"
#include "core/uSubject.h"
#include "core/uTimerIntervalStore.h"
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

class TCommRes;

// Drives repeated updating: while on, calls OnTick at one of 25 fixed intervals. Switching on
// brings the port online first. Notifies 100 when the interval is set, 101 when repeating is
// switched on or off.
class TUpdateTimer : public TSubject {
public:
    static constexpr int IntervalCount = 25;
    static constexpr int DefaultIndex = 3;

    TUpdateTimer();

    void SetSettings(ITimerIntervalStore* settings) { Settings = settings; }
    void SetCommRes(TCommRes* commRes) { CommRes = commRes; }
    // The guard shared by every sequence on the link; without one the timer keeps its own.
    void SetSequenceGuard(TSequenceGuard* guard) { Sequences = guard ? guard : &OwnSequences; }

    // Stops repeating, then takes the interval from the setting "TimerIntervalIndex".
    void LoadFromSettings();

    // Milliseconds of a table position; a position outside the table gives that of DefaultIndex.
    static uint32_t IntervalFromIndex(int index);
    // The table's position of an interval; an interval not in the table gives DefaultIndex.
    static int IndexFromInterval(uint32_t ms);
    // The label the interval list shows for a position (seconds); empty outside the table.
    static QString IntervalLabel(int index);

    // Sets the interval and writes its position to the settings, also when nothing changed.
    void SetInterval(uint32_t ms);
    uint32_t GetInterval() const;
    // An exception from opening the port propagates: the timer stays off and nothing is notified.
    void SetRepeat(bool on);
    bool IsRepeating() const { return Timer.isActive(); }

    // Called by the timer. The tick is a sequence of the guard: one that arrives while any sequence
    // runs (an earlier tick included, as the handler lets pending events run) is ignored, so update
    // cycles never nest; a click handled meanwhile runs right after the tick.
    void Tick();

    std::function<void()> OnTick;

private:
    QTimer Timer;
    ITimerIntervalStore* Settings = nullptr;
    TCommRes* CommRes = nullptr;
    TSequenceGuard OwnSequences;
    TSequenceGuard* Sequences = &OwnSequences;
};
