#include "framework/foundation/Screen.h"

#include <gtest/gtest.h>

using qv::isFrameOnScreen;
using qv::Rect;

namespace {
// One 1440 x 900 screen with a 22-point menu bar at the top (y grows upwards).
const std::vector<Rect> kOneScreen = {Rect(0, 0, 1440, 878)};
} // namespace

TEST(FrameTopLeftPoint, IsTheTopEdgeInYUpCoordinates) {
    EXPECT_EQ(qv::frameTopLeftPoint(Rect(10, 20, 300, 400)), qv::Point(10, 420));
}

TEST(IsFrameOnScreen, WhollyVisibleFrame) {
    EXPECT_TRUE(isFrameOnScreen(Rect(100, 100, 200, 300), kOneScreen));
    EXPECT_TRUE(isFrameOnScreen(Rect(0, 0, 1440, 878), kOneScreen));
    EXPECT_FALSE(isFrameOnScreen(Rect(100, 100, 200, 300), {}));
}

TEST(IsFrameOnScreen, TopEdgeMustBeVisible) {
    // Mostly visible, but the title bar is under the menu bar.
    EXPECT_FALSE(isFrameOnScreen(Rect(100, 600, 200, 300), kOneScreen));
    // The bottom may hang off the screen.
    EXPECT_TRUE(isFrameOnScreen(Rect(100, -200, 200, 300), kOneScreen));
}

TEST(IsFrameOnScreen, OneSideEdgeMustBeVisible) {
    EXPECT_TRUE(isFrameOnScreen(Rect(-100, 100, 200, 300), kOneScreen));
    EXPECT_TRUE(isFrameOnScreen(Rect(1400, 100, 200, 300), kOneScreen));
    // Wider than the screen on both sides.
    EXPECT_FALSE(isFrameOnScreen(Rect(-10, 100, 1500, 300), kOneScreen));
}

TEST(IsFrameOnScreen, OverlapMustExceedEightPoints) {
    EXPECT_FALSE(isFrameOnScreen(Rect(1432, 100, 200, 300), kOneScreen));
    EXPECT_TRUE(isFrameOnScreen(Rect(1431.5, 100, 200, 300), kOneScreen));
    EXPECT_FALSE(isFrameOnScreen(Rect(100, 870, 200, 8), kOneScreen));
    EXPECT_FALSE(isFrameOnScreen(Rect(2000, 100, 200, 300), kOneScreen));
}

TEST(IsFrameOnScreen, AnyScreenWillDo) {
    const std::vector<Rect> two = {Rect(0, 0, 1440, 878), Rect(1440, -200, 1024, 768)};
    // Beside the first screen, wholly inside the second.
    EXPECT_TRUE(isFrameOnScreen(Rect(1500, 200, 300, 300), two));
    // Straddles both: on each screen one side edge is cut, the other kept.
    EXPECT_TRUE(isFrameOnScreen(Rect(1300, 100, 300, 300), two));
    // Above every screen's visible area.
    EXPECT_FALSE(isFrameOnScreen(Rect(1500, 500, 300, 300), two));
}
