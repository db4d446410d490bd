#pragma once
#include <QObject>
#include <deque>
#include <functional>

// Keeps the sequences that talk to the encoder from interleaving on the one link. A sequence lets
// pending events run at set points, so a click or a tick can be handled while it runs: a click
// then waits and runs once the outermost sequence has ended, a tick is dropped. The waiting
// clicks are run from the event loop, each as a sequence of its own, so an exception in one of
// them is shown like any other and never keeps the others waiting.
class TSequenceGuard {
public:
    TSequenceGuard() = default;
    TSequenceGuard(const TSequenceGuard&) = delete;
    TSequenceGuard& operator=(const TSequenceGuard&) = delete;

    bool Running() const { return Depth > 0; }

    // A click: runs now, or waits while a sequence runs.
    void RunClick(const std::function<void()>& handler);
    // A tick: runs now, or is dropped while a sequence runs. Returns whether it ran.
    bool RunTick(const std::function<void()>& handler);
    // A step that is part of the running sequence, or a sequence of its own when none runs.
    void Run(const std::function<void()>& sequence);

    // Run as a scope: the step lasts as long as the object, also when it ends by an exception.
    class TStep {
    public:
        explicit TStep(TSequenceGuard& guard) : Guard(guard) { ++Guard.Depth; }
        ~TStep() { Guard.Leave(); }
        TStep(const TStep&) = delete;
        TStep& operator=(const TStep&) = delete;

    private:
        TSequenceGuard& Guard;
    };

    size_t WaitingClicks() const { return Waiting.size(); }
    // Forgets the waiting clicks, as the windows they came from are going.
    void DropWaitingClicks() { Waiting.clear(); }

private:
    void Leave();
    void RunWaitingClicks();

    int Depth = 0;
    bool Scheduled = false;
    std::deque<std::function<void()>> Waiting;
    // A scheduled run of the waiting clicks dies with the guard.
    QObject Context;
};
