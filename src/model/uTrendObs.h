#pragma once
#include "core/uObserver.h"
#include "core/uSubject.h"
#include "model/uTrendRing.h"
#include <QDateTime>
#include <QObject>
#include <functional>

class TEncoderModel;

// Records the live values into the trend's ring as the update cycle reads them. It observes the
// model's items like the presentation observers do, so the cycle runs the same whether a trend
// window is open or not. The items of one reading notify one by one; they are taken together as
// one sample once the reading lets pending events run. An item notifies only when its value
// changed, so a sample stands for a change; a notification that changed nothing (the live values
// announced again after a modal window) adds none.
//
// As a subject it tells the trend window what changed (the codes below).
class TTrendObs : public TObserver, public TSubject {
public:
    using TClock = std::function<QDateTime()>;
    static constexpr int32_t SampleAdded = 1;
    static constexpr int32_t ExtremesChanged = 2;
    static constexpr int32_t Cleared = 3;

    explicit TTrendObs(TClock clock = {}, size_t capacity = TTrendRing::DefaultCapacity,
                       int64_t spanMs = TTrendRing::DefaultSpanMs);
    TTrendObs(const TTrendObs&) = delete;
    TTrendObs& operator=(const TTrendObs&) = delete;

    // Attaches to the live values, the fault count, the temperature extremes of the diagnostic
    // block and the serial number, and becomes active; Unwatch undoes it.
    void Watch(TEncoderModel* model);
    void Unwatch();

    void Update(TSubject* subject, int32_t code) override;
    // Takes the sample of a reading still waiting for the event loop now.
    void Flush();

    const TTrendRing& Ring() const { return Samples; }
    // The highest and lowest temperature of the diagnostic block last read.
    int32_t MaxTemp() const;
    int32_t MinTemp() const;

private:
    TClock Clock;
    TTrendRing Samples;
    TEncoderModel* Model = nullptr;
    QObject Context; // the pending sample's call dies with the observer
    bool Pending = false;
    int64_t PendingTimeMs = 0;
    bool HaveLast = false;
    TTrendSample Last;
};
