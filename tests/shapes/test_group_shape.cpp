// Groups: creation from copies, bounds around the members, scaling, rotating
// and flipping that keep the members' relative geometry, style forwarding,
// hit testing into nested groups, files, and the nesting limit.

#include "ShapeTestSupport.h"

#include "framework/foundation/RecordingGraphicsContext.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace qv {
namespace {

using namespace test;

std::shared_ptr<RectangleShape> rect(const Rect& r, double rotation = 0) {
    auto s = std::make_shared<RectangleShape>();
    s->setBounds(r);
    s->setRotation(rotation);
    return s;
}

std::vector<Point> outlinePoints(const Shape& s) {
    return allPoints(*s.transformedPath());
}

// Two groups of the rectangles (0, 0, 10, 10) and (20, 20, 10, 10).
std::shared_ptr<GroupShape> twoSquares() {
    return GroupShape::groupWithShapes({rect({0, 0, 10, 10}), rect({20, 20, 10, 10})});
}

TEST(GroupShape, CreationTakesCopiesAndBoundsAroundThem) {
    auto a = rect({0, 0, 10, 10});
    auto group = GroupShape::groupWithShapes({a, rect({20, 20, 10, 10})});
    EXPECT_EQ(group->bounds(), Rect(0, 0, 30, 30));
    a->setBounds({100, 100, 5, 5});
    a->fill().setColor({1, 0, 0, 1});
    EXPECT_EQ(group->shapes()[0]->bounds(), Rect(0, 0, 10, 10));
    EXPECT_NE(group->shapes()[0]->fill().color(), Color(1, 0, 0, 1));

    // The union counts a rotated member by its turned outline, a vertical
    // line with the minimum width; no members give the smallest bounds.
    const double half = 10 * std::sqrt(2.0);
    expectNear(GroupShape::groupWithShapes({rect({0, 0, 20, 20}, 45)})->bounds(),
               {10 - half, 10 - half, 2 * half, 2 * half});
    auto line = std::make_shared<LineShape>();
    line->setStart({40, 0});
    line->setEnd({40, 30});
    auto withLine = GroupShape::groupWithShapes({rect({0, 0, 10, 10}), line});
    EXPECT_NEAR(withLine->bounds().maxX(), 40 + static_cast<double>(0.1f), 1e-12);
    EXPECT_EQ(withLine->bounds().height(), 30);
    EXPECT_EQ(GroupShape::groupWithShapes({})->bounds().size,
              Size(static_cast<double>(0.1f), static_cast<double>(0.1f)));
}

TEST(GroupShape, ResizingRotatingAndFlippingMapEveryMember) {
    auto group = twoSquares();
    group->setBounds({0, 0, 60, 30});
    EXPECT_EQ(group->shapes()[0]->bounds(), Rect(0, 0, 20, 10));
    EXPECT_EQ(group->shapes()[1]->bounds(), Rect(40, 20, 20, 10));
    group->offset({5, -5}); // a move is a resize to the same size
    EXPECT_EQ(group->shapes()[1]->bounds(), Rect(45, 15, 20, 10));
    // Asking for no size at all gives the minimum, not a collapse to zero.
    group->setBounds({0, 0, 0, 0});
    EXPECT_GT(group->shapes()[1]->bounds().width(), 0);

    group = twoSquares();
    group->setRotation(90);
    const ShapePtr& first = group->shapes()[0];
    expectNear(first->position(), {25, 5});
    EXPECT_EQ(first->rotation(), 90);
    expectNear(group->shapes()[1]->position(), {5, 25});
    EXPECT_EQ(group->bounds(), Rect(0, 0, 30, 30));
    group->rotate(-90); // the same path; a full turn changes nothing
    expectNear(first->position(), {5, 5});
    EXPECT_EQ(first->rotation(), 0);
    group->setRotation(360);
    EXPECT_EQ(first->bounds(), Rect(0, 0, 10, 10));

    group = GroupShape::groupWithShapes({rect({0, 0, 10, 10}, 30), rect({20, 20, 10, 10})});
    const Rect box = group->bounds();
    const Point c = box.center();
    group->flip(0);
    expectNear(group->shapes()[0]->position(), {2 * c.x - 5, 5});
    EXPECT_NEAR(group->shapes()[0]->rotation(), 330, 1e-12);
    EXPECT_EQ(group->rotation(), 0);
    EXPECT_EQ(group->bounds(), box);
    group->flip(1);
    expectNear(group->shapes()[0]->position(), {2 * c.x - 5, 2 * c.y - 5});
    EXPECT_NEAR(group->shapes()[0]->rotation(), 30, 1e-12);
}

// Random members with random rotations, nested one level.
std::shared_ptr<GroupShape> randomGroup(std::mt19937& rng) {
    std::uniform_real_distribution<double> coord(-200, 200), side(1, 80), angle(0, 360);
    ShapeList members;
    for (int i = 0; i < 5; ++i) {
        ShapePtr s = i % 2 ? ShapePtr(std::make_shared<OvalShape>())
                           : ShapePtr(std::make_shared<RectangleShape>());
        s->setBounds({coord(rng), coord(rng), side(rng), side(rng)});
        s->setRotation(angle(rng));
        members.push_back(s);
    }
    auto inner = GroupShape::groupWithShapes({members[3], members[4]});
    inner->setRotation(angle(rng));
    return GroupShape::groupWithShapes({members[0], members[1], members[2], inner});
}

// Every leaf shape of a group, in drawing order.
std::vector<const Shape*> leaves(const GroupShape& g) {
    std::vector<const Shape*> out;
    for (const ShapePtr& s : g.shapes()) {
        if (auto* inner = dynamic_cast<const GroupShape*>(s.get())) {
            const auto more = leaves(*inner);
            out.insert(out.end(), more.begin(), more.end());
        } else {
            out.push_back(s.get());
        }
    }
    return out;
}

// The outline of the group's own (turned) bounds: its handles' frame.
std::vector<Point> frameCorners(const GroupShape& g) {
    const Rect b = g.bounds();
    const AffineTransform t = g.transform();
    return {t.transformPoint({b.minX(), b.minY()}), t.transformPoint({b.maxX(), b.minY()}),
            t.transformPoint({b.maxX(), b.maxY()}), t.transformPoint({b.minX(), b.maxY()})};
}

// Whether every point of `a` has a point of `b` within eps.
bool sameSetOfPoints(const std::vector<Point>& a, const std::vector<Point>& b) {
    for (Point p : a) {
        bool found = false;
        for (Point q : b)
            found = found || (std::fabs(p.x - q.x) < 1e-6 && std::fabs(p.y - q.y) < 1e-6);
        if (!found)
            return false;
    }
    return a.size() == b.size();
}

// Runs `edit` and checks that every outline point of every member went to
// where `map` sends it: point by point, or as a set when the order may turn.
void expectOutlinesMapped(GroupShape& group, const std::function<void()>& edit,
                          const std::function<Point(Point)>& map, bool anyOrder) {
    std::vector<std::vector<Point>> expected;
    for (const Shape* s : leaves(group)) {
        expected.emplace_back();
        for (Point p : outlinePoints(*s))
            expected.back().push_back(map(p));
    }
    edit();
    const std::vector<const Shape*> after = leaves(group);
    for (std::size_t i = 0; i < after.size(); ++i) {
        const std::vector<Point> now = outlinePoints(*after[i]);
        if (anyOrder) {
            EXPECT_TRUE(sameSetOfPoints(now, expected[i])) << "member " << i;
            continue;
        }
        ASSERT_EQ(now.size(), expected[i].size());
        for (std::size_t k = 0; k < now.size(); ++k)
            expectNear(now[k], expected[i][k], 1e-6);
    }
}

TEST(GroupShape, TurningScalingAndFlippingMoveEveryOutlineRigidly) {
    // Turning about the centre, then scaling alike on both axes about the origin.
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> angle(-400, 400), factor(0.2, 3);
    for (int round = 0; round < 20; ++round) {
        auto group = randomGroup(rng);
        const double d = angle(rng);
        AffineTransform turn;
        turn.rotateByDegrees(d, group->position());
        expectOutlinesMapped(
            *group, [&] { group->rotate(d); }, [&](Point p) { return turn.transformPoint(p); },
            false);
        const double f = factor(rng);
        const Rect b = group->bounds();
        expectOutlinesMapped(
            *group,
            [&] {
                group->setBounds({b.x() * f, b.y() * f, b.width() * f, b.height() * f});
            },
            [&](Point p) {
                return Point{p.x * f, p.y * f};
            },
            false);
    }
    // Mirroring across the centre, the handles' frame with the members.
    std::mt19937 flips(11);
    std::uniform_real_distribution<double> turned(0, 360);
    for (int round = 0; round < 20; ++round) {
        auto group = randomGroup(flips);
        group->setRotation(turned(flips));
        const int axis = round % 2;
        const Point c = group->bounds().center();
        auto mirror = [&](Point p) {
            return axis == 0 ? Point{2 * c.x - p.x, p.y} : Point{p.x, 2 * c.y - p.y};
        };
        std::vector<Point> expectedFrame;
        for (Point p : frameCorners(*group))
            expectedFrame.push_back(mirror(p));
        expectOutlinesMapped(
            *group, [&] { group->flip(axis); }, mirror, true);
        EXPECT_TRUE(sameSetOfPoints(frameCorners(*group), expectedFrame)) << round;
    }
}

TEST(GroupShape, StyleKeyPathsReachEveryMember) {
    auto group =
        GroupShape::groupWithShapes({rect({0, 0, 10, 10}), rect({20, 0, 10, 10}),
                                     GroupShape::groupWithShapes({rect({50, 0, 10, 10})})});
    auto inner = std::dynamic_pointer_cast<GroupShape>(group->shapes()[2]);
    ASSERT_TRUE(inner);
    const Color red{1, 0, 0, 1};
    EXPECT_TRUE(group->setValueForKeyPath(Value(red), "fill.color"));
    for (const Shape* s : leaves(*group))
        EXPECT_EQ(s->fill().color(), red);
    EXPECT_EQ(group->valueForKeyPath("fill.color"), Value(red));
    // The group's own fill is not touched.
    EXPECT_NE(group->fill().color(), red);

    group->shapes()[1]->stroke().setWidth(7);
    EXPECT_TRUE(group->valueForKeyPath("stroke.width").isMultipleValues());
    EXPECT_TRUE(group->setValueForKeyPath(Value(3.0), "stroke.width"));
    EXPECT_EQ(group->valueForKeyPath("stroke.width"), Value(3.0));
    EXPECT_TRUE(group->setValueForKeyPath(Value(true), "shadow.visible"));
    EXPECT_TRUE(inner->shapes()[0]->shadow().visible());

    // A marker handed back by a control writes nothing.
    EXPECT_FALSE(group->setValueForKeyPath(Value::multipleValues(), "fill.color"));
    EXPECT_EQ(group->shapes()[0]->fill().color(), red);

    // Each member's observers hear of the edit with its own old value.
    group->shapes()[1]->fill().setColor({0, 0, 1, 1});
    KeyPathRecorder r0, r1;
    group->shapes()[0]->addObserver(&r0, "fill.color");
    group->shapes()[1]->addObserver(&r1, "fill.color");
    group->setValueForKeyPath(Value(Color(0, 1, 0, 1)), "fill.color");
    ASSERT_EQ(r0.changes.size(), 1u);
    ASSERT_EQ(r1.changes.size(), 1u);
    EXPECT_EQ(r0.changes[0].oldValue, Value(red));
    EXPECT_EQ(r1.changes[0].oldValue, Value(Color(0, 0, 1, 1)));
    group->shapes()[0]->removeObserver(&r0);
    group->shapes()[1]->removeObserver(&r1);

    // Other paths are the group's own.
    EXPECT_EQ(group->valueForKeyPath("bounds"), Value(group->bounds()));
    EXPECT_TRUE(GroupShape::groupWithShapes({})->valueForKeyPath("fill.color").isNoSelection());
}

TEST(GroupShape, HitTestsGoThroughMembersAndIntoNestedGroups) {
    auto outer = GroupShape::groupWithShapes(
        {rect({0, 0, 10, 10}),
         GroupShape::groupWithShapes({rect({40, 0, 10, 10}), rect({40, 20, 10, 10})})});
    auto inner = std::dynamic_pointer_cast<GroupShape>(outer->shapes()[1]);
    ASSERT_TRUE(inner);
    EXPECT_EQ(outer->bounds(), Rect(0, 0, 50, 30));

    EXPECT_TRUE(outer->hitTestPoint({45, 25}));
    EXPECT_FALSE(outer->hitTestPoint({25, 25})); // inside the bounds, on no member
    EXPECT_TRUE(outer->hitTestRect({38, 18, 4, 4}));
    EXPECT_FALSE(outer->hitTestRect({20, 12, 5, 5}));

    EXPECT_EQ(outer->shapeAtPoint({45, 25}), inner->shapes()[1]);
    EXPECT_EQ(outer->shapeAtPoint({5, 5}), outer->shapes()[0]);
    EXPECT_EQ(outer->shapeAtPoint({25, 25}), outer);

    // The frontmost member wins where members overlap.
    auto overlap = GroupShape::groupWithShapes({rect({0, 0, 20, 20}), rect({10, 10, 20, 20})});
    EXPECT_EQ(overlap->shapeAtPoint({15, 15}), overlap->shapes()[1]);

    // No members: never hit, draws nothing.
    auto empty = std::make_shared<GroupShape>();
    EXPECT_FALSE(empty->hitTestPoint({0, 0}));
    EXPECT_EQ(empty->shapeAtPoint({0, 0}), empty);
    RecordingGraphicsContext gc;
    empty->drawInView(gc, nullptr);
    EXPECT_TRUE(gc.operations().empty());
}

TEST(GroupShape, OutlineDrawingAndRedrawArea) {
    auto group = GroupShape::groupWithShapes({rect({0, 0, 10, 10}, 30), rect({20, 20, 10, 10})});
    group->shapes()[0]->fill().setColor({1, 0, 0, 1});
    group->shapes()[1]->fill().setColor({0, 0, 1, 1});
    group->fill().setColor({0, 1, 0, 1});
    group->stroke().setStyle(0);

    // The path is the members' turned outlines, already in document coordinates.
    const std::optional<BezierPath> p = group->path();
    ASSERT_TRUE(p);
    BezierPath expected = *group->shapes()[0]->transformedPath();
    expected.appendBezierPath(*group->shapes()[1]->transformedPath());
    EXPECT_EQ(p->elementCount(), expected.elementCount());
    expectNear(p->bounds(), expected.bounds());

    // Members back to front, the group's own styles nowhere, no drop band.
    RecordingGraphicsContext gc;
    group->drawInView(gc, nullptr, true);
    EXPECT_EQ(gc.fillColors(), (std::vector<Color>{{1, 0, 0, 1}, {0, 0, 1, 1}}));
    EXPECT_EQ(gc.gstateDepth(), 0);

    group->setRotation(45);
    const Rect area = group->visibleBoundsInView(nullptr);
    expectNear(area, group->transform().transformRect(group->bounds()).insetBy(-40, -40));

    // A turned group's outline is where its members are, so a group around it
    // fits the members.
    const Rect members =
        group->shapes()[0]->transformedBounds().unionWith(group->shapes()[1]->transformedBounds());
    expectNear(group->transformedBounds(), members, 1e-9);
    expectNear(GroupShape::groupWithShapes({group})->bounds(), members, 1e-9);
}

TEST(GroupShape, PictureFilesOfMembersAreCollected) {
    ImageCache cache;
    ASSERT_TRUE(cache.addImageData({1, 2, 3}, "a.png"));
    auto pictured = rect({0, 0, 10, 10});
    pictured->fill().setStyle(FillStyleImage);
    pictured->fill().setImageName("a.png");
    auto group =
        GroupShape::groupWithShapes({rect({20, 0, 5, 5}), GroupShape::groupWithShapes({pictured})});
    FileWrapperMap files;
    EXPECT_FALSE(group->addFileWrapperTo(files, cache));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.at("a.png"), (ByteBuffer{1, 2, 3}));

    // A missing picture fails the save.
    auto missing = rect({0, 0, 10, 10});
    missing->fill().setStyle(FillStyleImage);
    missing->fill().setImageName("gone.png");
    FileWrapperMap none;
    EXPECT_TRUE(GroupShape::groupWithShapes({missing})->addFileWrapperTo(none, cache));
}

// ---------------------------------------------------------------------------
// Files

// Members stay where the file puts them when the group's own bounds and
// rotation are read: the round trip over nested, turned and flipped groups
// checks that to the byte. Here: what a file may hold besides.
TEST(GroupShapeXml, UnknownChildrenAreSkippedAndEmptyGroupsRead) {
    bool ok = false;
    const ShapeList shapes = readShapes(
        R"(<drawing><group><transform rotation="30"/><bounds x="5" y="5" w="100" h="100"/>
        <rectangle><bounds x="1" y="2" w="3" h="4"/></rectangle><unknown/></group>
        <group/></drawing>)",
        &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(shapes.size(), 2u);
    const auto& group = static_cast<const GroupShape&>(*shapes[0]);
    EXPECT_EQ(group.rotation(), 30);
    EXPECT_EQ(group.bounds(), Rect(5, 5, 100, 100));
    ASSERT_EQ(group.shapes().size(), 1u);
    EXPECT_EQ(group.shapes()[0]->bounds(), Rect(1, 2, 3, 4));
    EXPECT_TRUE(static_cast<const GroupShape&>(*shapes[1]).shapes().empty());
    EXPECT_FALSE(shapes[1]->hitTestPoint({0, 0}));
}

// ---------------------------------------------------------------------------
// Nesting limit

// Groups nested `depth` deep around one rectangle, as a file would hold them.
std::string nestedGroupsXml(std::size_t depth) {
    std::string xml = "<drawing>";
    for (std::size_t i = 0; i < depth; ++i)
        xml += "<group>";
    xml += R"(<rectangle><bounds x="0" y="0" w="10" h="10"/></rectangle>)";
    for (std::size_t i = 0; i < depth; ++i)
        xml += R"(<oval><bounds x="20" y="0" w="5" h="5"/></oval></group>)";
    return xml + "</drawing>";
}

// Read rather than grouped: grouping copies, which makes a deep chain cost
// the square of its depth.
std::shared_ptr<GroupShape> chainOfDepth(std::size_t depth) {
    const ShapeList shapes = readShapes(nestedGroupsXml(depth));
    return shapes.size() == 1 ? std::dynamic_pointer_cast<GroupShape>(shapes[0]) : nullptr;
}

TEST(GroupShapeNesting, TheDeepestGroupWorksEverywhereButCannotBeGrouped) {
    constexpr std::size_t max = GroupShape::kMaxGroupDepth;
    auto deepest = chainOfDepth(max);
    ASSERT_TRUE(deepest);
    EXPECT_EQ(GroupShape::groupDepth(*deepest), max);
    EXPECT_EQ(GroupShape::groupDepth(*rect({0, 0, 1, 1})), 0u);
    EXPECT_FALSE(GroupShape::canGroupShapes({deepest}));
    EXPECT_TRUE(GroupShape::canGroupShapes({deepest->shapes()[0], rect({0, 0, 1, 1})}));
    // A member that would go too deep is left out; the others are kept.
    auto refused = GroupShape::groupWithShapes({deepest, rect({50, 50, 5, 5})});
    ASSERT_EQ(refused->shapes().size(), 1u);
    EXPECT_EQ(refused->shapes()[0]->bounds(), Rect(50, 50, 5, 5));
    EXPECT_EQ(GroupShape::groupDepth(*refused), 1u);

    RecordingGraphicsContext gc;
    deepest->drawInView(gc, nullptr);
    EXPECT_EQ(gc.countOf(DrawOpKind::FillPath), 1 + max);
    EXPECT_TRUE(deepest->hitTestPoint({5, 5}));
    EXPECT_TRUE(deepest->hitTestRect({4, 4, 20, 20}));
    EXPECT_EQ(deepest->shapeAtPoint({5, 5})->bounds(), Rect(0, 0, 10, 10));
    deepest->setValueForKeyPath(Value(Color(1, 0, 0, 1)), "fill.color");
    EXPECT_EQ(deepest->valueForKeyPath("fill.color"), Value(Color(1, 0, 0, 1)));
    deepest->rotate(10);
    deepest->flip(0);
    deepest->offset({1, 1});
    EXPECT_TRUE(deepest->path());
    const std::string xml = writeShapes({deepest->copy()});
    const ShapeList read = readShapes(xml);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(GroupShape::groupDepth(*read[0]), max);
    EXPECT_EQ(writeShapes(read), xml);
}

TEST(GroupShapeNesting, DeepFilesAreCutToTheLimitOrRefused) {
    // Within the reader's limit: read, with no group deeper than the maximum.
    bool ok = false;
    const ShapeList read = readShapes(nestedGroupsXml(QVParser::kMaxDepth - 4), &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_LE(GroupShape::groupDepth(*read[0]), GroupShape::kMaxGroupDepth);
    EXPECT_GT(GroupShape::groupDepth(*read[0]), 1u);
    RecordingGraphicsContext gc;
    read[0]->drawInView(gc, nullptr);
    read[0]->hitTestPoint({5, 5});
    EXPECT_FALSE(writeShapes(read).empty());

    // 10,000 levels: the reader refuses the file with a clear error.
    std::optional<QVParserError> error;
    const ShapeList refused = readShapes(nestedGroupsXml(10000), &ok, &error);
    EXPECT_FALSE(ok);
    ASSERT_TRUE(error);
    EXPECT_NE(error->message.find("nested deeper"), std::string::npos) << error->message;
}

} // namespace
} // namespace qv
