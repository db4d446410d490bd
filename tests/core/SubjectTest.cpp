#include "core/uObserver.h"
#include "core/uSubject.h"
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {
struct Recorder : TObserver {
    std::vector<int>* Log;
    int Id;
    bool Throws = false;
    Recorder(std::vector<int>* log, int id) : Log(log), Id(id) {}
    void Update(TSubject*, int32_t code) override
    {
        Log->push_back(Id * 1000 + code);
        if (Throws) throw std::runtime_error("boom");
    }
};
} // namespace

TEST(Subject, AttachesOnceSkipsInactiveAndKeepsOrder)
{
    std::vector<int> log;
    TSubject subject;
    Recorder a(&log, 1), b(&log, 2), c(&log, 3);
    subject.Attach(&b);
    subject.Attach(&a);
    subject.Attach(&b);
    subject.Attach(&c);
    subject.Detach(nullptr);
    Recorder stranger(&log, 9);
    subject.Detach(&stranger);
    a.SetActive(true);
    b.SetActive(true);
    subject.Notify(7);
    EXPECT_EQ(log, (std::vector<int>{2007, 1007}));
    c.SetActive(true);
    log.clear();
    subject.Notify();
    EXPECT_EQ(log, (std::vector<int>{2000, 1000, 3000}));
}

TEST(Subject, ExceptionInObserverStopsTheRoundAndReachesTheCaller)
{
    std::vector<int> log;
    TSubject subject;
    Recorder a(&log, 1), b(&log, 2), c(&log, 3);
    for (Recorder* r : {&a, &b, &c}) {
        subject.Attach(r);
        r->SetActive(true);
    }
    b.Throws = true;
    EXPECT_THROW(subject.Notify(5), std::runtime_error);
    EXPECT_EQ(log, (std::vector<int>{1005, 2005}));
}
