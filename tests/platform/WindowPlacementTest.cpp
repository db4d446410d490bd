#include "platform/WindowPlacement.h"
#include <gtest/gtest.h>

namespace {

// A laptop screen with a second, larger monitor to its right whose top is 200 pixels higher.
const QList<QRect> TwoScreens{QRect(0, 0, 1366, 728), QRect(1366, -200, 1920, 1050)};
constexpr int Title = 30;

} // namespace

TEST(WindowPlacement, FramesMoveOntoTheNearestScreenWithTheirWholeTitleBar)
{
    const struct {
        const char* Name;
        QRect Frame;
        QList<QRect> Screens;
        QPoint Expected;
    } rows[] = {
        {"wholly on the first screen stays", {100, 100, 400, 300}, TwoScreens, {100, 100}},
        {"on the second screen above the first one's top stays", {2000, -150, 400, 300}, TwoScreens, {2000, -150}},
        {"body below the screen but title bar on it stays", {100, 600, 400, 300}, TwoScreens, {100, 600}},
        {"second monitor undocked: back onto the laptop", {2000, -150, 400, 300}, {TwoScreens[0]}, {966, 0}},
        {"far left of everything", {-5000, 300, 400, 300}, TwoScreens, {0, 300}},
        {"title bar above the top", {200, -20, 400, 300}, {TwoScreens[0]}, {200, 0}},
        {"straddling the two screens, mostly on the second", {1300, 50, 400, 300}, TwoScreens, {1366, 50}},
        {"below every screen, nearest to the first", {100, 3000, 400, 300}, TwoScreens, {100, 428}},
        {"wider and taller than the screen: top left on it", {-50, -50, 2000, 900}, {TwoScreens[0]}, {0, 0}},
        {"no screen known: left alone", {-5000, -5000, 400, 300}, {}, {-5000, -5000}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const QPoint at = WindowPlacement::OnScreen(row.Frame, Title, row.Screens);
        EXPECT_EQ(at, row.Expected);
        if (!row.Screens.isEmpty()) {
            // Once placed, it stays.
            EXPECT_EQ(WindowPlacement::OnScreen(QRect(at, row.Frame.size()), Title, row.Screens), at);
        }
    }
}

TEST(WindowPlacement, HelpGoesBesideTheWindowThatAsked)
{
    const QList<QRect> one{QRect(0, 0, 1024, 768)};
    const struct {
        const char* Name;
        QRect Anchor;
        QSize Size;
        QPoint Expected;
    } rows[] = {
        {"room on the right", {100, 100, 300, 300}, {500, 400}, {400, 100}},
        {"no room on the right: on the left", {600, 100, 300, 300}, {500, 400}, {100, 100}},
        {"room on neither side: over it, offset", {300, 0, 400, 300}, {500, 400}, {330, 30}},
        {"anchor low on the screen: kept on it", {100, 600, 300, 168}, {500, 400}, {400, 368}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(WindowPlacement::Beside(row.Anchor, row.Size, Title, one), row.Expected);
    }
}
