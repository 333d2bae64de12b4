// Rulers, dirty areas, the shapes' spatial index and the mask of what
// opaque shapes cover.
#include "canvas/model/DirtyRegion.h"
#include "canvas/model/OcclusionMask.h"
#include "canvas/model/RulerGeometry.h"
#include "canvas/model/ShapeSpatialIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

namespace qv {
namespace {

TEST(RulerGeometry, ShadesPastThePageAndTicksFromThePageCorner) {
    // Whole page visible with grey both sides.
    RulerMarks m = rulerMarks(0, 1000, 230, 770, std::nullopt);
    EXPECT_EQ(m.shaded, (std::vector<RulerSpan>{{0, 230}, {770, 230}}));
    EXPECT_TRUE(m.selectionLines.empty());
    // The page fills the ruler.
    EXPECT_TRUE(rulerMarks(0, 1000, -40, 1500, std::nullopt).shaded.empty());
    EXPECT_TRUE(rulerMarks(0, 1000, 0, 1000, std::nullopt).shaded.empty());
    // Selection edges centred on pixels.
    m = rulerMarks(0, 1000, 0, 1000, RulerSpan{120, 100});
    EXPECT_EQ(m.selectionLines, (std::vector<double>{120.5, 220.5}));

    // Ticks start at the page's corner and follow the zoom.
    const std::pair<double, double> steps[] = {{1, 50}, {2, 50}, {0.25, 200}, {16, 5}, {3, 20}};
    for (const auto& [zoom, step] : steps)
        EXPECT_EQ(rulerLabelStep(zoom), step) << zoom;
    for (double zoom : {0.25, 0.5, 1.0, 1.5, 3.0, 16.0}) {
        const double zero = 194.5;
        const std::vector<RulerTick> ticks = rulerTicks(zero, zoom, -300, 1300);
        ASSERT_FALSE(ticks.empty());
        const double step = rulerLabelStep(zoom);
        bool sawZero = false;
        double lastLabel = -1e300, last = -1e300;
        for (const RulerTick& t : ticks) {
            EXPECT_GT(t.position, last);
            last = t.position;
            EXPECT_NEAR(t.position, zero + t.value * zoom, 1e-6);
            EXPECT_GE(t.position, -300);
            EXPECT_LT(t.position, 1300);
            if (t.level == 0) {
                EXPECT_NEAR(std::remainder(t.value, step), 0, 1e-9);
                EXPECT_GE(t.position - lastLabel, 50 - 1e-9);
                lastLabel = t.position;
                sawZero = sawZero || t.value == 0;
            }
        }
        EXPECT_TRUE(sawZero) << zoom;
    }
    EXPECT_TRUE(rulerTicks(0, 0, 0, 100).empty());
    EXPECT_EQ(rulerLabel(-72, 50), "-72");
    EXPECT_EQ(rulerLabel(0.30000000000000004, 0.1), "0.3");
    EXPECT_EQ(rulerLabel(-1e-17, 5), "0");
}

TEST(DirtyRegion, ManySmallAreasStayFewAndCoveredAndDistantOnesSeparate) {
    DirtyRegion region(8);
    std::mt19937 random(3);
    std::uniform_real_distribution<double> pos(0, 1000), side(1, 30);
    std::vector<Rect> added;
    for (int i = 0; i < 10000; ++i) {
        added.emplace_back(pos(random), pos(random), side(random), side(random));
        region.add(added.back());
        ASSERT_LE(region.rects().size(), 8u);
    }
    for (const Rect& r : added) {
        const bool covered = std::any_of(region.rects().begin(), region.rects().end(),
                                         [&](const Rect& d) { return d.containsRect(r); });
        ASSERT_TRUE(covered);
    }
    // Distant areas stay separate; junk is ignored.
    region = DirtyRegion();
    region.add({0, 0, 10, 10});
    region.add({500, 500, 10, 10});
    region.add({2, 2, 3, 3}); // inside the first
    region.add({0, 0, 0, 5});
    region.add({0, 0, std::numeric_limits<double>::quiet_NaN(), 5});
    EXPECT_EQ(region.rects().size(), 2u);
    EXPECT_EQ(region.bounds(), Rect(0, 0, 510, 510));
    region.add({5, 0, 10, 10}); // overlaps the first heavily: merged
    EXPECT_EQ(region.rects().size(), 2u);
}

TEST(ShapeSpatialIndex, QueriesMatchABruteForceSearchThroughChanges) {
    ShapeSpatialIndex index(64);
    std::map<const void*, Rect> truth;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> pos(-200, 1200), side(0.5, 150), big(2000, 90000);
    std::vector<int> keys(600);
    auto randomRect = [&](int i) {
        // Every 50th is huge: it lives outside the cells.
        const double w = i % 50 == 0 ? big(random) : side(random);
        return Rect(pos(random), pos(random), w, side(random));
    };
    for (int i = 0; i < 600; ++i) {
        const Rect r = randomRect(i);
        index.insert(&keys[i], r);
        truth[&keys[i]] = r;
    }
    for (int round = 0; round < 4; ++round) {
        // Move a third, remove a few.
        for (int i = round; i < 600; i += 3) {
            const Rect r = randomRect(i);
            index.insert(&keys[i], r);
            truth[&keys[i]] = r;
        }
        for (int i = round * 7; i < 600; i += 97) {
            EXPECT_EQ(index.remove(&keys[i]), truth.erase(&keys[i]) == 1);
        }
        // The whole drawing moves.
        const double dx = 37.5 * (round - 1), dy = -20.25 * round;
        index.translate(dx, dy);
        for (auto& [key, r] : truth)
            r = r.offsetBy(dx, dy);
        ASSERT_EQ(index.size(), truth.size());
        for (int q = 0; q < 50; ++q) {
            const Rect area(pos(random), pos(random), side(random) * 3, side(random) * 3);
            std::vector<const void*> found;
            index.query(area, found);
            std::set<const void*> got(found.begin(), found.end());
            ASSERT_EQ(got.size(), found.size()) << "duplicates";
            std::set<const void*> expected;
            for (const auto& [key, r] : truth)
                if (r.minX() < area.maxX() && area.minX() < r.maxX() && r.minY() < area.maxY() &&
                    area.minY() < r.maxY())
                    expected.insert(key);
            ASSERT_EQ(got, expected);
        }
    }
    // A query over everything walks the filled cells instead of the empty ones.
    std::vector<const void*> all;
    index.query({-1e8, -1e8, 2e8, 2e8}, all);
    EXPECT_EQ(all.size(), truth.size());
    for (int i : {1, 2}) {
        const std::optional<Rect> r = index.rectFor(&keys[i]);
        ASSERT_EQ(r.has_value(), truth.count(&keys[i]) == 1);
        if (r) {
            EXPECT_NEAR(r->minX(), truth[&keys[i]].minX(), 1e-9);
            EXPECT_NEAR(r->maxY(), truth[&keys[i]].maxY(), 1e-9);
        }
    }
}

TEST(OcclusionMask, CoversOnlyPixelsWellInsideTheShapes) {
    constexpr int kSize = 120;
    constexpr double kMargin = 2;
    std::mt19937 random(5);
    std::uniform_real_distribution<double> pos(-20, 110), side(3, 70), angle(0, 360), unit(0, 1);
    for (int round = 0; round < 30; ++round) {
        const bool oval = round % 2 == 1;
        const Rect r(pos(random), pos(random), side(random), side(random) * (0.2 + unit(random)));
        // Turned about the centre and scaled, as a shape at a zoom.
        const double scale = 0.5 + 2 * unit(random);
        AffineTransform t = AffineTransform::translation(-r.midX(), -r.midY());
        t.append(AffineTransform::rotationByDegrees(angle(random)));
        t.append(AffineTransform::scaling(scale, scale));
        t.append(AffineTransform::translation(r.midX(), r.midY()));
        OcclusionMask mask(kSize, kSize);
        if (oval)
            mask.addOval(r, t, kMargin);
        else
            mask.addRectangle(r, t, kMargin);
        // A local point at least `margin` (local units) inside; for the oval
        // the homothetic shrink `squeeze` is asked instead when given.
        const AffineTransform back = t.inverseTransform();
        const double px = 1 / scale;
        auto insideBy = [&](Point device, double margin, double squeeze = 1) {
            const Point p = back.transformPoint(device);
            if (!oval)
                return p.x >= r.minX() + margin && p.x <= r.maxX() - margin &&
                       p.y >= r.minY() + margin && p.y <= r.maxY() - margin;
            // Every point around it within the margin lies in the oval.
            for (int k = 0; k < 16; ++k) {
                const double a = k * M_PI / 8;
                const double u =
                    (p.x + margin * std::cos(a) - r.midX()) / (squeeze * r.width() / 2);
                const double v =
                    (p.y + margin * std::sin(a) - r.midY()) / (squeeze * r.height() / 2);
                if (u * u + v * v > 1)
                    return false;
            }
            return true;
        };
        const double squeeze = 1 - 2 * kMargin * px / std::min(r.width(), r.height()) * 2;
        std::int64_t covered = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                const bool isCovered = mask.covers({double(x), double(y), 1, 1});
                covered += isCovered;
                bool deep = true;
                for (const Point corner : {Point{double(x), double(y)}, Point{x + 1.0, double(y)},
                                           Point{double(x), y + 1.0}, Point{x + 1.0, y + 1.0}}) {
                    if (isCovered) {
                        ASSERT_TRUE(insideBy(corner, kMargin * px * 0.999))
                            << round << " pixel " << x << "," << y;
                    }
                    deep = deep && (oval ? squeeze > 0 && insideBy(corner, 0, squeeze)
                                         : insideBy(corner, 2 * kMargin * px));
                }
                // Pixels well inside are not missed.
                if (deep) {
                    EXPECT_TRUE(isCovered) << round << " pixel " << x << "," << y;
                }
            }
        EXPECT_EQ(covered, mask.coveredPixelCount());
    }
    // Rows of runs: overlapping and touching ones merge, gaps stay.
    OcclusionMask mask(64, 64);
    mask.addRectangle({0, 0, 20, 64}, AffineTransform(), 0);
    mask.addRectangle({30, 0, 10, 64}, AffineTransform(), 0);
    EXPECT_FALSE(mask.covers({1, 1, 38, 62}));
    mask.addRectangle({20, 10, 10, 20}, AffineTransform(), 0);
    EXPECT_TRUE(mask.covers({1, 10, 38, 20}));
    EXPECT_FALSE(mask.covers({1, 9.5, 38, 20}));
    EXPECT_EQ(mask.coveredPixelCount(), 64 * 30 + 10 * 20);
    EXPECT_TRUE(mask.covers({-30, 2, 45, 10})); // beyond the picture nothing shows
    EXPECT_FALSE(mask.covers({1, 1, 0, 10}));
    EXPECT_FALSE(mask.covers({1, 1, std::numeric_limits<double>::infinity(), 10}));
}

} // namespace
} // namespace qv
