#include "framework/foundation/AffineTransform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using qv::AffineTransform;
using qv::Point;
using qv::Rect;
using qv::Size;

namespace {
void expectNear(Point actual, Point expected, double eps = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, eps);
    EXPECT_NEAR(actual.y, expected.y, eps);
}

std::vector<AffineTransform> sampleTransforms() {
    std::vector<AffineTransform> ts;
    ts.push_back(AffineTransform::identity());
    ts.push_back(AffineTransform::translation(12.5, -3));
    ts.push_back(AffineTransform::scaling(2, -0.25));
    ts.push_back(AffineTransform::rotationByDegrees(33));
    AffineTransform t;
    t.rotateByDegrees(-71, {40, 12});
    t.appendScale(3, 1.5);
    ts.push_back(t);
    AffineTransform f;
    f.translateAndScaleFromRect(Rect(10, 10, 100, 50), Rect(-4, 7, 3, 900));
    ts.push_back(f);
    ts.push_back(AffineTransform(1, 2, 3, 4, 5, 6));
    return ts;
}
} // namespace

TEST(AffineTransform, RotationTurnsXTowardsY) {
    expectNear(AffineTransform::rotationByDegrees(90).transformPoint({1, 0}), {0, 1});
    expectNear(AffineTransform::rotationByDegrees(-90).transformPoint({1, 0}), {0, -1});
    expectNear(AffineTransform::rotationByDegrees(180).transformPoint({2, 3}), {-2, -3});
}

TEST(AffineTransform, AppendAppliesAfterPrependBefore) {
    AffineTransform a = AffineTransform::translation(10, 0);
    a.appendScale(2, 2);
    expectNear(a.transformPoint({1, 1}), {22, 2});
    AffineTransform p = AffineTransform::translation(10, 0);
    p.prepend(AffineTransform::scaling(2, 2));
    expectNear(p.transformPoint({1, 1}), {12, 2});
}

TEST(AffineTransform, RotateAboutPoint) {
    const Rect r(0, 0, 100, 50);
    AffineTransform t;
    t.rotateByDegrees(90, r.center());
    expectNear(t.transformPoint({100, 25}), {50, 75});
    expectNear(t.transformPoint(r.center()), r.center());
    // Appended after what the transform already did.
    AffineTransform moved = AffineTransform::translation(50, 0);
    moved.rotateByDegrees(90, r.center());
    expectNear(moved.transformPoint({50, 25}), {50, 75});
}

TEST(AffineTransform, TranslateAndScaleFromRectMapsRectOntoRect) {
    AffineTransform t;
    t.translateAndScaleFromRect(Rect(10, 10, 100, 50), Rect(0, 0, 200, 200));
    expectNear(t.transformPoint({10, 10}), {0, 0});
    expectNear(t.transformPoint({110, 60}), {200, 200});
    expectNear(t.transformPoint({60, 35}), {100, 100});
    const Rect mapped = t.transformRect(Rect(10, 10, 100, 50));
    EXPECT_NEAR(mapped.width(), 200, 1e-9);
    EXPECT_NEAR(mapped.height(), 200, 1e-9);
}

TEST(AffineTransform, ZeroSizedSourceKeepsThatAxis) {
    AffineTransform t;
    t.translateAndScaleFromRect(Rect(5, 5, 0, 10), Rect(0, 0, 40, 20));
    const Point p = t.transformPoint({5, 15});
    EXPECT_TRUE(std::isfinite(p.x));
    expectNear(p, {0, 20});
}

TEST(AffineTransform, InverseRoundTrips) {
    const Point pts[] = {{0, 0}, {1, -1}, {123.5, 77.25}, {-1000, 3}};
    for (const AffineTransform& t : sampleTransforms()) {
        const AffineTransform inv = t.inverseTransform();
        for (const Point& p : pts) {
            expectNear(inv.transformPoint(t.transformPoint(p)), p, 1e-7);
            expectNear(t.transformPoint(inv.transformPoint(p)), p, 1e-7);
        }
        AffineTransform both = t;
        both.append(inv);
        EXPECT_NEAR(both.m11, 1, 1e-9);
        EXPECT_NEAR(both.m12, 0, 1e-9);
        EXPECT_NEAR(both.tX, 0, 1e-7);
    }
}

TEST(AffineTransform, InverseTransformLeavesReceiverAndSingularIsKept) {
    const AffineTransform t(2, 0, 0, 4, 6, 8);
    const AffineTransform copy = t;
    (void)t.inverseTransform();
    EXPECT_EQ(t, copy);

    AffineTransform singular(1, 2, 2, 4, 5, 6);
    const AffineTransform before = singular;
    EXPECT_FALSE(singular.invert());
    EXPECT_EQ(singular, before);
    EXPECT_EQ(before.inverseTransform(), before);
}

TEST(AffineTransform, SizesIgnoreTranslationRectsAreBoundingBoxes) {
    AffineTransform t = AffineTransform::translation(100, 100);
    t.appendScale(2, 3);
    EXPECT_EQ(t.transformSize(Size(1, 1)), Size(2, 3));
    const Rect r = AffineTransform::rotationByDegrees(45).transformRect(Rect(0, 0, 10, 10));
    EXPECT_NEAR(r.width(), 10 * std::sqrt(2.0), 1e-9);
    EXPECT_NEAR(r.x(), -10 / std::sqrt(2.0), 1e-9);
}
