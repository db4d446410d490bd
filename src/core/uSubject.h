#pragma once
#include <cstdint>
#include <vector>

class TObserver;

// A subject knows its observers but owns none of them.
class TSubject {
public:
    TSubject() = default;
    TSubject(const TSubject&) = delete;
    TSubject& operator=(const TSubject&) = delete;
    virtual ~TSubject() = default;

    void Attach(TObserver* observer);
    void Detach(TObserver* observer);
    void Notify(TSubject* subject, int32_t code);
    void Notify() { Notify(this, 0); }
    void Notify(int32_t code) { Notify(this, code); }

    const std::vector<TObserver*>& GetObservers() const { return Observers; }

private:
    std::vector<TObserver*> Observers;
};
