// Rulers, dirty areas and the shapes' spatial index.
#include "canvas/model/DirtyRegion.h"
#include "canvas/model/RulerGeometry.h"
#include "canvas/model/ShapeSpatialIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

namespace qv {
namespace {

TEST(RulerGeometry, ShadesOnlyWhereTheRulerRunsPastThePage) {
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
}

TEST(RulerGeometry, TicksStartAtThePageCornerAndFollowTheZoom) {
    EXPECT_EQ(rulerLabelStep(1), 50);
    EXPECT_EQ(rulerLabelStep(2), 50);
    EXPECT_EQ(rulerLabelStep(0.25), 200);
    EXPECT_EQ(rulerLabelStep(16), 5);
    EXPECT_EQ(rulerLabelStep(3), 20);
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
}

TEST(RulerGeometry, Labels) {
    EXPECT_EQ(rulerLabel(-72, 50), "-72");
    EXPECT_EQ(rulerLabel(0.30000000000000004, 0.1), "0.3");
    EXPECT_EQ(rulerLabel(-1e-17, 5), "0");
}

TEST(DirtyRegion, ManySmallAreasStayFewAndCovered) {
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
}

TEST(DirtyRegion, DistantAreasStaySeparateAndJunkIsIgnored) {
    DirtyRegion region;
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

} // namespace
} // namespace qv
