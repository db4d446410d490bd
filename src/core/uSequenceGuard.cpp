#include "core/uSequenceGuard.h"
#include <QTimer>

void TSequenceGuard::RunClick(const std::function<void()>& handler)
{
    if (Running()) {
        Waiting.push_back(handler);
        return;
    }
    Run(handler);
}

bool TSequenceGuard::RunTick(const std::function<void()>& handler)
{
    if (Running())
        return false;
    Run(handler);
    return true;
}

void TSequenceGuard::Run(const std::function<void()>& sequence)
{
    TStep step(*this);
    sequence();
}

void TSequenceGuard::Leave()
{
    --Depth;
    if (Depth > 0 || Waiting.empty() || Scheduled)
        return;
    Scheduled = true;
    QTimer::singleShot(0, &Context, [this] { RunWaitingClicks(); });
}

void TSequenceGuard::RunWaitingClicks()
{
    Scheduled = false;
    // A click that starts a sequence of its own makes the rest wait for it; the end of that
    // sequence schedules them again, also when it throws.
    while (!Waiting.empty() && !Running()) {
        const std::function<void()> next = std::move(Waiting.front());
        Waiting.pop_front();
        Run(next);
    }
}
