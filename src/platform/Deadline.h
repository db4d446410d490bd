#pragma once
#include <chrono>

// One deadline for a whole blocking call, from the monotonic clock.
using TDeadlineClock = std::chrono::steady_clock;

// Milliseconds left until the deadline, rounded up so that poll never wakes a little early and
// spins; 0 once it has passed.
inline int RemainingMs(TDeadlineClock::time_point deadline)
{
    const auto left = deadline - TDeadlineClock::now();
    if (left <= TDeadlineClock::duration::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > 0x7fffffff ? 0x7fffffff : static_cast<int>(ms);
}
