#include "framework/foundation/Screen.h"

#include <gtest/gtest.h>

using qv::isFrameOnScreen;
using qv::Rect;

TEST(FrameTopLeftPoint, IsTheTopEdgeInYUpCoordinates) {
    EXPECT_EQ(qv::frameTopLeftPoint(Rect(10, 20, 300, 400)), qv::Point(10, 420));
}

// A frame is on screen when its top edge and one side edge show on some
// screen by more than eight points; the bottom may hang off.
TEST(IsFrameOnScreen, TopEdgeAndOneSideEdgeVisibleOnSomeScreen) {
    // One 1440 x 900 screen with a 22-point menu bar at the top (y grows
    // upwards), and a second one beside it.
    const std::vector<Rect> one = {Rect(0, 0, 1440, 878)};
    const std::vector<Rect> two = {Rect(0, 0, 1440, 878), Rect(1440, -200, 1024, 768)};
    const struct {
        Rect frame;
        const std::vector<Rect>& screens;
        bool expected;
    } cases[] = {
        {{100, 100, 200, 300}, one, true},
        {{0, 0, 1440, 878}, one, true},
        {{100, 600, 200, 300}, one, false}, // the title bar is under the menu bar
        {{100, -200, 200, 300}, one, true},
        {{-100, 100, 200, 300}, one, true},
        {{1400, 100, 200, 300}, one, true},
        {{-10, 100, 1500, 300}, one, false}, // wider than the screen on both sides
        {{1432, 100, 200, 300}, one, false},
        {{1431.5, 100, 200, 300}, one, true},
        {{100, 870, 200, 8}, one, false},
        {{2000, 100, 200, 300}, one, false},
        {{1500, 200, 300, 300}, two, true},  // wholly inside the second
        {{1300, 100, 300, 300}, two, true},  // on each screen one side edge cut, the other kept
        {{1500, 500, 300, 300}, two, false}, // above every screen's visible area
    };
    for (const auto& c : cases)
        EXPECT_EQ(isFrameOnScreen(c.frame, c.screens), c.expected)
            << c.frame.x() << "," << c.frame.y() << " " << c.frame.width() << "x"
            << c.frame.height();
    EXPECT_FALSE(isFrameOnScreen(Rect(100, 100, 200, 300), {}));
}
