#include "model/uTrendObs.h"
#include "model/uEncoderModel.h"
#include <QTimer>

TTrendObs::TTrendObs(TClock clock, size_t capacity, int64_t spanMs)
    : Clock(std::move(clock)), Samples(capacity, spanMs)
{
}

void TTrendObs::Watch(TEncoderModel* model)
{
    Unwatch();
    Model = model;
    for (TSubject* subject : std::initializer_list<TSubject*>{&Model->LiveOpTime, &Model->LiveFreq, &Model->LiveTemp,
                                                              &Model->FaultCountItem, &Model->MaxTemp,
                                                              &Model->MinTemp, &Model->SerialNumberItem})
        subject->Attach(this);
    SetActive(true);
}

void TTrendObs::Unwatch()
{
    SetActive(false);
    if (!Model)
        return;
    for (TSubject* subject : std::initializer_list<TSubject*>{&Model->LiveOpTime, &Model->LiveFreq, &Model->LiveTemp,
                                                              &Model->FaultCountItem, &Model->MaxTemp,
                                                              &Model->MinTemp, &Model->SerialNumberItem})
        subject->Detach(this);
    Model = nullptr;
    Pending = false;
}

void TTrendObs::Update(TSubject* subject, int32_t /*code*/)
{
    if (!Model)
        return;
    if (subject == &Model->MaxTemp || subject == &Model->MinTemp) {
        Notify(ExtremesChanged);
        return;
    }
    if (subject == &Model->SerialNumberItem) {
        // Another encoder: its values and faults must not continue the last one's lines.
        Samples.Clear();
        HaveLast = false;
        Pending = false;
        Notify(Cleared);
        return;
    }
    if (Pending)
        return;
    Pending = true;
    PendingTimeMs = (Clock ? Clock() : QDateTime::currentDateTime()).toMSecsSinceEpoch();
    QTimer::singleShot(0, &Context, [this] { Flush(); });
}

void TTrendObs::Flush()
{
    if (!Pending || !Model)
        return;
    Pending = false;
    TTrendSample sample;
    sample.TimeMs = PendingTimeMs;
    sample.OpTime = Model->LiveOpTime.Value();
    sample.Freq = Model->LiveFreq.Value();
    sample.Temp = Model->LiveTemp.Value();
    sample.FaultCount = Model->LiveFaultCount();
    if (HaveLast && sample.SameValues(Last))
        return;
    sample.FaultCountGrew = HaveLast && sample.FaultCount > Last.FaultCount;
    Samples.Add(sample);
    Last = sample;
    HaveLast = true;
    Notify(SampleAdded);
}

int32_t TTrendObs::MaxTemp() const
{
    return Model ? Model->MaxTemp.Value() : 0;
}

int32_t TTrendObs::MinTemp() const
{
    return Model ? Model->MinTemp.Value() : 0;
}
