#pragma once
#include <cstdint>

class TSubject;

class TObserver {
public:
    virtual ~TObserver() = default;
    void SetActive(bool value) { Active = value; }
    bool IsActive() const { return Active; }
    // Called with the subject that changed; observers check its class before using it.
    virtual void Update(TSubject* subject, int32_t code) = 0;

protected:
    bool Active = false;
};
