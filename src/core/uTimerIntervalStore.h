#pragma once
#include <cstdint>

// Where the update timer keeps the position of its interval in the list. The settings file
// implements it; core stays below the settings folder.
class ITimerIntervalStore {
public:
    virtual ~ITimerIntervalStore() = default;
    virtual int32_t ReadTimerIntervalIndex(int32_t defaultIndex) const = 0;
    virtual void WriteTimerIntervalIndex(int32_t index) = 0;
};
