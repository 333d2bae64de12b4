#include "framework/foundation/Geometry.h"

#include <gtest/gtest.h>

using qv::Rect;

TEST(RectUnion, EmptyRectanglesContributeNothing) {
    const Rect a(0, 0, 10, 10);
    EXPECT_EQ(a.unionWith(Rect(50, 50, 0, 20)), a);
    EXPECT_EQ(Rect(5, 5, -3, 4).unionWith(a), a);
    EXPECT_EQ(a.unionWith(Rect(20, -5, 5, 5)), Rect(0, -5, 25, 15));
}
