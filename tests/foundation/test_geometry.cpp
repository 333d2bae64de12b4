#include "framework/foundation/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using qv::Point;
using qv::Rect;

TEST(RectUnion, EmptyRectanglesContributeNothing) {
    const Rect a(0, 0, 10, 10);
    EXPECT_EQ(a.unionWith(Rect(50, 50, 0, 20)), a);
    EXPECT_EQ(Rect(5, 5, -3, 4).unionWith(a), a);
    EXPECT_EQ(a.unionWith(Rect(20, -5, 5, 5)), Rect(0, -5, 25, 15));
    EXPECT_EQ(Rect().unionWith(Rect(1, 2, 0, 0)), Rect());
}

TEST(RectUnion, IsCommutativeAndCoversBoth) {
    const Rect rects[] = {Rect(0, 0, 10, 10), Rect(-5, 3, 2, 40), Rect(100, 100, 1, 1),
                          Rect(2, 2, 3, 3)};
    for (const Rect& a : rects)
        for (const Rect& b : rects) {
            const Rect u = a.unionWith(b);
            EXPECT_EQ(u, b.unionWith(a));
            EXPECT_TRUE(u.containsRect(a));
            EXPECT_TRUE(u.containsRect(b));
        }
}

TEST(RectIntersection, CommonAreaOrZeroRect) {
    const Rect a(0, 0, 10, 10);
    EXPECT_EQ(a.intersection(Rect(5, -5, 10, 10)), Rect(5, 0, 5, 5));
    EXPECT_EQ(a.intersection(Rect(2, 2, 3, 3)), Rect(2, 2, 3, 3));
    // Rectangles that only share an edge have no common area.
    EXPECT_EQ(a.intersection(Rect(10, 0, 5, 5)), Rect());
    EXPECT_FALSE(a.intersects(Rect(10, 0, 5, 5)));
    EXPECT_EQ(a.intersection(Rect(20, 20, 5, 5)), Rect());
    EXPECT_EQ(a.intersection(Rect(2, 2, 0, 5)), Rect());
    EXPECT_TRUE(a.intersects(Rect(9, 9, 5, 5)));
}

TEST(RectContainsPoint, MinimumEdgesInsideMaximumEdgesOutside) {
    const Rect r(10, 20, 30, 40);
    EXPECT_TRUE(r.containsPoint({10, 20}));
    EXPECT_TRUE(r.containsPoint({39.999, 59.999}));
    EXPECT_FALSE(r.containsPoint({40, 30}));
    EXPECT_FALSE(r.containsPoint({20, 60}));
    EXPECT_FALSE(r.containsPoint({9.999, 30}));
    EXPECT_FALSE(Rect(0, 0, 0, 10).containsPoint({0, 5}));
    EXPECT_FALSE(r.containsPoint({std::nan(""), 30}));
}

TEST(RectContainsRect, EmptyRectIsNeverContained) {
    const Rect r(0, 0, 10, 10);
    EXPECT_TRUE(r.containsRect(r));
    EXPECT_TRUE(r.containsRect(Rect(1, 1, 2, 2)));
    EXPECT_FALSE(r.containsRect(Rect(1, 1, 0, 2)));
    EXPECT_FALSE(r.containsRect(Rect(5, 5, 6, 1)));
}

TEST(RectEdges, NegativeSizesAreStandardized) {
    const Rect r(10, 10, -4, -6);
    EXPECT_TRUE(r.isEmpty());
    EXPECT_EQ(r.minX(), 6);
    EXPECT_EQ(r.maxY(), 10);
    EXPECT_EQ(r.standardized(), Rect(6, 4, 4, 6));
    EXPECT_EQ(qv::rectFromPoints({5, 1}, {2, 7}), Rect(2, 1, 3, 6));
    EXPECT_EQ(Rect(0, 0, 10, 4).center(), Point(5, 2));
}

TEST(RectInsetOffset, MoveEdges) {
    const Rect r(0, 0, 10, 20);
    EXPECT_EQ(r.insetBy(2, 3), Rect(2, 3, 6, 14));
    EXPECT_EQ(r.insetBy(-1, -1), Rect(-1, -1, 12, 22));
    EXPECT_TRUE(r.insetBy(6, 0).isEmpty());
    EXPECT_EQ(r.offsetBy(5, -5), Rect(5, -5, 10, 20));
    EXPECT_EQ(Rect(0.5, 1.2, 2, 2).integral(), Rect(0, 1, 3, 3));
}
