#include "core/uSubject.h"
#include "core/uObserver.h"
#include <algorithm>

void TSubject::Attach(TObserver* observer)
{
    if (std::find(Observers.begin(), Observers.end(), observer) == Observers.end())
        Observers.push_back(observer);
}

void TSubject::Detach(TObserver* observer)
{
    if (!observer)
        return;
    auto it = std::find(Observers.begin(), Observers.end(), observer);
    if (it != Observers.end())
        Observers.erase(it);
}

void TSubject::Notify(TSubject* subject, int32_t code)
{
    // The count is taken once: the list is not expected to change while observers run, and an
    // exception from an observer ends the round and reaches our caller.
    const size_t count = Observers.size();
    for (size_t i = 0; i < count && i < Observers.size(); ++i) {
        TObserver* observer = Observers[i];
        if (observer && observer->IsActive())
            observer->Update(subject, code);
    }
}
