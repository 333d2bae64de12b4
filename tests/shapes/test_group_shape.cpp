// Groups: made of copies, bounds around the members' turned outlines,
// resizing, turning and flipping that move every member rigidly, style keys
// that reach every member, hit tests into nested groups, drawing, and the
// pictures of members.

#include "ShapeTestSupport.h"

#include "shapes/GroupShape.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"

#include <cmath>

namespace qv {
namespace {

using namespace test;

std::shared_ptr<RectangleShape> rect(const Rect& r, double rotation = 0) {
    return box<RectangleShape>(r, rotation);
}

TEST(GroupShape, MadeOfCopiesWithBoundsAroundTheirOutlines) {
    auto a = rect({0, 0, 10, 10});
    auto group = GroupShape::groupWithShapes({a, rect({20, 20, 10, 10})});
    EXPECT_EQ(group->bounds(), Rect(0, 0, 30, 30));
    a->setBounds({100, 100, 5, 5});
    EXPECT_EQ(group->shapes()[0]->bounds(), Rect(0, 0, 10, 10));
    const double half = 10 * std::sqrt(2.0);
    expectNear(GroupShape::groupWithShapes({rect({0, 0, 20, 20}, 45)})->bounds(),
               {10 - half, 10 - half, 2 * half, 2 * half});
    auto withLine = GroupShape::groupWithShapes({rect({0, 0, 10, 10}), line({40, 0}, {40, 30})});
    EXPECT_NEAR(withLine->bounds().maxX(), 40 + kTenth, 1e-12);
    EXPECT_EQ(GroupShape::groupWithShapes({})->bounds().size, Size(kTenth, kTenth));
}

// Random members with random rotations, nested one level.
std::shared_ptr<GroupShape> randomGroup(Random& r) {
    ShapeList members;
    for (int i = 0; i < 5; ++i) {
        ShapePtr s = i % 2 ? ShapePtr(std::make_shared<OvalShape>())
                           : ShapePtr(std::make_shared<RectangleShape>());
        s->setBounds({r.real(-200, 200), r.real(-200, 200), r.real(1, 80), r.real(1, 80)});
        s->setRotation(r.real(0, 360));
        members.push_back(s);
    }
    auto inner = GroupShape::groupWithShapes({members[3], members[4]});
    inner->setRotation(r.real(0, 360));
    return GroupShape::groupWithShapes({members[0], members[1], members[2], inner});
}

// The outline points of every leaf, in drawing order, and the corners of the
// group's own turned frame (its handles).
std::vector<std::vector<Point>> outlines(const Shape& s) {
    if (auto* g = dynamic_cast<const GroupShape*>(&s)) {
        std::vector<std::vector<Point>> out;
        for (const ShapePtr& m : g->shapes())
            for (auto& o : outlines(*m))
                out.push_back(o);
        const Rect b = g->bounds();
        out.push_back({});
        for (Point p : {b.origin, Point(b.maxX(), b.minY()), Point(b.maxX(), b.maxY()),
                        Point(b.minX(), b.maxY())})
            out.back().push_back(g->transform().transformPoint(p));
        return out;
    }
    return {allPoints(*s.transformedPath())};
}

// Whether each outline went to where `map` sends it: point by point, or as a
// set when a mirror may change the order.
void expectMapped(GroupShape& group, const std::function<void()>& edit,
                  const std::function<Point(Point)>& map, bool anyOrder) {
    auto expected = outlines(group);
    for (auto& o : expected)
        for (Point& p : o)
            p = map(p);
    edit();
    const auto now = outlines(group);
    ASSERT_EQ(now.size(), expected.size());
    for (std::size_t i = 0; i < now.size(); ++i) {
        ASSERT_EQ(now[i].size(), expected[i].size());
        for (std::size_t k = 0; k < now[i].size(); ++k) {
            if (!anyOrder) {
                expectNear(now[i][k], expected[i][k], 1e-6);
                continue;
            }
            EXPECT_TRUE(std::any_of(
                expected[i].begin(), expected[i].end(),
                [&](Point q) { return std::hypot(q.x - now[i][k].x, q.y - now[i][k].y) < 1e-6; }))
                << i << " " << k;
        }
    }
}

// Members turn about the group's centre (their own angles with them), scale
// alike on both axes and mirror across the centre, with the handles' frame.
TEST(GroupShape, TurningScalingAndFlippingMoveEveryOutlineRigidly) {
    Random random(7);
    for (int round = 0; round < 20; ++round) {
        auto group = randomGroup(random);
        const double d = random.real(-400, 400), f = random.real(0.2, 3);
        AffineTransform turn;
        turn.rotateByDegrees(d, group->position());
        expectMapped(
            *group, [&] { group->rotate(d); }, [&](Point p) { return turn.transformPoint(p); },
            false);
        const Rect b = group->bounds();
        expectMapped(
            *group,
            [&] { group->setBounds(Rect(b.x() * f, b.y() * f, b.width() * f, b.height() * f)); },
            [&](Point p) { return Point(p.x * f, p.y * f); }, false);
    }
    Random flips(11);
    for (int round = 0; round < 20; ++round) {
        auto group = randomGroup(flips);
        group->setRotation(flips.real(0, 360));
        const int axis = round % 2;
        const Point c = group->bounds().center();
        expectMapped(
            *group, [&] { group->flip(axis); },
            [&](Point p) {
                return axis == 0 ? Point{2 * c.x - p.x, p.y} : Point{p.x, 2 * c.y - p.y};
            },
            true);
    }
}

// A style key reaches every member (each member's observers hear their own
// old value), not the group's own style; a marker handed back by a control
// writes nothing; other keys are the group's own.
TEST(GroupShape, StyleKeyPathsReachEveryMember) {
    auto inner = GroupShape::groupWithShapes({rect({50, 0, 10, 10})});
    auto group = GroupShape::groupWithShapes({rect({0, 0, 10, 10}), rect({20, 0, 10, 10}), inner});
    const Color red{1, 0, 0, 1}, blue{0, 0, 1, 1};
    group->shapes()[1]->fill().setColor(blue);
    KeyPathRecorder r0, r1;
    group->shapes()[0]->addObserver(&r0, "fill.color");
    group->shapes()[1]->addObserver(&r1, "fill.color");
    const Color was = group->shapes()[0]->fill().color();
    EXPECT_TRUE(group->valueForKeyPath("fill.color").isMultipleValues());
    EXPECT_TRUE(group->setValueForKeyPath(Value(red), "fill.color"));
    group->shapes()[0]->removeObserver(&r0);
    group->shapes()[1]->removeObserver(&r1);
    EXPECT_EQ(group->valueForKeyPath("fill.color"), Value(red));
    EXPECT_EQ(static_cast<GroupShape&>(*group->shapes()[2]).shapes()[0]->fill().color(), red);
    EXPECT_NE(group->fill().color(), red);
    ASSERT_EQ(r0.changes.size(), 1u);
    ASSERT_EQ(r1.changes.size(), 1u);
    EXPECT_EQ(r0.changes[0].oldValue, Value(was));
    EXPECT_EQ(r1.changes[0].oldValue, Value(blue));
    EXPECT_TRUE(group->setValueForKeyPath(Value(3.0), "stroke.width"));
    EXPECT_TRUE(group->setValueForKeyPath(Value(true), "shadow.visible"));
    EXPECT_TRUE(static_cast<GroupShape&>(*group->shapes()[2]).shapes()[0]->shadow().visible());
    EXPECT_FALSE(group->setValueForKeyPath(Value::multipleValues(), "fill.color"));
    EXPECT_EQ(group->shapes()[0]->fill().color(), red);
    EXPECT_EQ(group->valueForKeyPath("bounds"), Value(group->bounds()));
    EXPECT_TRUE(GroupShape::groupWithShapes({})->valueForKeyPath("fill.color").isNoSelection());
}

TEST(GroupShape, HitTestsGoThroughMembersAndIntoNestedGroups) {
    auto inner = GroupShape::groupWithShapes({rect({40, 0, 10, 10}), rect({40, 20, 10, 10})});
    auto outer = GroupShape::groupWithShapes({rect({0, 0, 10, 10}), inner});
    inner = std::static_pointer_cast<GroupShape>(outer->shapes()[1]);
    EXPECT_TRUE(outer->hitTestPoint({45, 25}));
    EXPECT_FALSE(outer->hitTestPoint({25, 25})); // inside the bounds, on no member
    EXPECT_TRUE(outer->hitTestRect({38, 18, 4, 4}));
    EXPECT_FALSE(outer->hitTestRect({20, 12, 5, 5}));
    EXPECT_EQ(outer->shapeAtPoint({45, 25}), inner->shapes()[1]);
    EXPECT_EQ(outer->shapeAtPoint({5, 5}), outer->shapes()[0]);
    EXPECT_EQ(outer->shapeAtPoint({25, 25}), outer);
    auto overlap = GroupShape::groupWithShapes({rect({0, 0, 20, 20}), rect({10, 10, 20, 20})});
    EXPECT_EQ(overlap->shapeAtPoint({15, 15}), overlap->shapes()[1]); // the frontmost
    auto empty = std::make_shared<GroupShape>();
    EXPECT_FALSE(empty->hitTestPoint({0, 0}));
    EXPECT_EQ(empty->shapeAtPoint({0, 0}), empty);
    RecordingGraphicsContext gc;
    empty->drawInView(gc, nullptr);
    EXPECT_TRUE(gc.operations().empty());
}

// Members draw back to front, the group's own styles nowhere; its outline is
// the members' turned outlines, so a group around a turned group fits them.
TEST(GroupShape, DrawingOutlineAndRedrawArea) {
    auto group = GroupShape::groupWithShapes({rect({0, 0, 10, 10}, 30), rect({20, 20, 10, 10})});
    group->shapes()[0]->fill().setColor({1, 0, 0, 1});
    group->shapes()[1]->fill().setColor({0, 0, 1, 1});
    group->fill().setColor({0, 1, 0, 1});
    group->stroke().setStyle(0);
    RecordingGraphicsContext gc;
    group->drawInView(gc, nullptr, true);
    EXPECT_EQ(gc.fillColors(), (std::vector<Color>{{1, 0, 0, 1}, {0, 0, 1, 1}}));
    BezierPath expected = *group->shapes()[0]->transformedPath();
    expected.appendBezierPath(*group->shapes()[1]->transformedPath());
    EXPECT_EQ(group->path()->elementCount(), expected.elementCount());
    expectNear(group->path()->bounds(), expected.bounds());
    group->setRotation(45);
    expectNear(group->visibleBoundsInView(nullptr),
               group->transform().transformRect(group->bounds()).insetBy(-40, -40));
    const Rect members =
        group->shapes()[0]->transformedBounds().unionWith(group->shapes()[1]->transformedBounds());
    expectNear(group->transformedBounds(), members);
    expectNear(GroupShape::groupWithShapes({group})->bounds(), members);
}

// The pictures of members at any depth go with the file; a missing one
// fails the save.
TEST(GroupShape, PictureFilesOfMembersAreCollected) {
    ImageCache cache;
    ASSERT_TRUE(cache.addImageData({1, 2, 3}, "a.png"));
    auto pictured = rect({0, 0, 10, 10}), missing = rect({0, 0, 10, 10});
    pictured->fill().setStyle(FillStyleImage);
    pictured->fill().setImageName("a.png");
    missing->fill().setStyle(FillStyleImage);
    missing->fill().setImageName("gone.png");
    auto group =
        GroupShape::groupWithShapes({rect({20, 0, 5, 5}), GroupShape::groupWithShapes({pictured})});
    FileWrapperMap files;
    EXPECT_FALSE(group->addFileWrapperTo(files, cache));
    EXPECT_EQ(files, (FileWrapperMap{{"a.png", ByteBuffer{1, 2, 3}}}));
    EXPECT_TRUE(GroupShape::groupWithShapes({missing})->addFileWrapperTo(files, cache));
}

} // namespace
} // namespace qv
