#include "core/uSequenceGuard.h"
#include "platform/Exception.h"
#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <string>

namespace {

// Lets the event loop run the waiting clicks; an exception that escapes one of them is caught as
// the application's exception display would catch it.
int RunEventsCatching()
{
    int caught = 0;
    for (int pass = 0; pass < 5; ++pass) {
        try {
            QCoreApplication::processEvents();
        } catch (const Exception&) {
            ++caught;
        }
    }
    return caught;
}

TEST(SequenceGuardTest, ClicksDuringASequenceWaitAndRunOnceInOrderAfterIt)
{
    TSequenceGuard guard;
    std::string order;
    guard.RunClick([&] {
        order += "a";
        guard.RunClick([&] { order += "b"; });
        guard.Run([&] { guard.RunClick([&] { order += "c"; }); }); // a nested step ends: nothing runs yet
        EXPECT_TRUE(guard.RunTick([] {}) == false) << "a tick while a sequence runs is dropped";
        QCoreApplication::processEvents();
        EXPECT_EQ(order, "a");
    });
    EXPECT_EQ(order, "a");
    EXPECT_EQ(guard.WaitingClicks(), 2u);
    RunEventsCatching();
    EXPECT_EQ(order, "abc");
    EXPECT_FALSE(guard.Running());
    RunEventsCatching();
    EXPECT_EQ(order, "abc");
}

TEST(SequenceGuardTest, AThrowingSequenceOrClickDoesNotStrandTheClicksBehindIt)
{
    TSequenceGuard guard;
    int later = 0;
    // The outer sequence throws with two clicks waiting; the first of them throws too.
    EXPECT_THROW(guard.RunClick([&] {
        guard.RunClick([] { throw Exception("first click failed"); });
        guard.RunClick([&] { ++later; });
        throw Exception("sequence failed");
    }),
                 Exception);
    EXPECT_FALSE(guard.Running());
    EXPECT_EQ(RunEventsCatching(), 1);
    EXPECT_EQ(later, 1);
    EXPECT_EQ(guard.WaitingClicks(), 0u);
}

TEST(SequenceGuardTest, DroppedClicksNeverRun)
{
    bool ran = false;
    {
        TSequenceGuard guard;
        guard.RunClick([&] { guard.RunClick([&] { ran = true; }); });
        guard.DropWaitingClicks();
        RunEventsCatching();
    }
    EXPECT_FALSE(ran);
}

} // namespace
