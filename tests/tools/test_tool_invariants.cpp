// Random gestures of every tool on random drawings: each is at most one undo
// step, which undoes to exactly the bytes of "Shapes.xml" before it and redoes
// to those after it. The marquee's outline cache answers as shapesInRect, also
// after shapes, members of groups and the list change.

#include "FakeCanvas.h"

#include "shapes/BezierShape.h"
#include "shapes/GroupShape.h"
#include "styles/Fill.h"
#include "tests/canvas/RandomDrawing.h"
#include "tools/OutlineBoxCache.h"

#include <string>

namespace qv {
namespace {

using testing::RandomDrawing;

class ToolUndoInvariant : public testing::ToolTest, public ::testing::WithParamInterface<unsigned> {
protected:
    using enum ToolEvent::Type;
    ToolUndoInvariant() : r(GetParam()) {}

    std::string bytes() {
        const ByteBuffer data = document.dataWithSelectionOnly(false);
        return std::string(data.begin(), data.end());
    }
    bool oneIn(int n) { return r.integer(0, n - 1) == 0; }
    Point anywhere() { return {r.coordinate(-50, 1050), r.coordinate(-50, 1050)}; }
    Point near(Point p, double reach) {
        return p + Point(r.coordinate(-reach, reach), r.coordinate(-reach, reach));
    }
    unsigned modifiers() {
        static const unsigned kFlags[] = {0, 0, 0, ShiftKeyMask, AlternateKeyMask, CommandKeyMask};
        return kFlags[r.integer(0, 5)];
    }
    template <class T> const T& any(const std::vector<T>& list) {
        return list[static_cast<std::size_t>(r.integer(0, int(list.size()) - 1))];
    }
    // A point a press can grab on the shape: a selection handle, an anchor
    // of a path, a gradient handle, or the middle.
    Point pointOf(const Shape& s) {
        std::vector<Point> points{s.transformedBounds().center(), s.gradientStart(),
                                  s.gradientEnd()};
        const Rect b = s.bounds();
        for (double x : {b.minX(), b.midX(), b.maxX()})
            for (double y : {b.minY(), b.midY(), b.maxY()})
                points.push_back(s.transform().transformPoint({x, y}));
        if (auto* path = dynamic_cast<const BezierShape*>(&s))
            for (const PathElement& e : path->bezierPath().elements())
                for (int i = 0; i < e.pointCount(); ++i)
                    points.push_back(s.transform().transformPoint(e.points[i]));
        return any(points);
    }
    // A drag with the button, now and then a modifier change, a trip outside
    // the visible area with autoscroll ticks, or Escape.
    void dragTo(Tool& t, Point from, Point to, unsigned flags) {
        const int steps = r.integer(1, 4);
        for (int i = 1; i <= steps; ++i) {
            send(t, {MouseDragged, from + (to - from) * (double(i) / steps), flags});
            if (oneIn(6))
                send(t, {FlagsChanged, {}, flags = modifiers()});
        }
        if (oneIn(7)) {
            send(t, {MouseDragged, {1100, to.y}, flags});
            send(t, {Periodic, {}});
            send(t, {Periodic, {}});
            send(t, {MouseDragged, to, flags});
        }
        if (oneIn(13))
            send(t, {KeyDown, {}, 0, 1, true, 27});
    }
    void pressDragRelease(Tool& t, Point from, double reach) {
        const unsigned flags = modifiers();
        send(t, {MouseDown, from, flags});
        dragTo(t, from, near(from, reach), flags);
        send(t, {MouseUp, from, flags});
    }
    // The arrow: a press on a shape (often a selected one, in free rotation
    // or with its path being edited, after a double click) or on nothing.
    void arrowGesture(Tool& t) {
        const ShapePtr s = document.shapes().empty() ? nullptr : any(document.shapes());
        Point from = anywhere();
        if (s && !oneIn(6)) {
            from = pointOf(*s);
            if (!oneIn(2))
                controller.setSelectedObjects({s});
            if (oneIn(6))
                canvas.setFreeRotating(true);
            else if (oneIn(4))
                canvas.beginEditingShape(s, false);
        }
        if (oneIn(7)) {
            click(t, from);
            click(t, from, 0, 2);
        }
        pressDragRelease(t, from, 80);
    }
    // Polyline and Bézier: clicks, some dragged, and one of the ways to end.
    void clicksGesture(Tool& t) {
        const int n = r.integer(1, 4);
        Point p = anywhere();
        const Point start = p;
        for (int i = 0; i < n; ++i) {
            send(t, {MouseMoved, p});
            send(t, {MouseDown, p, modifiers()});
            if (!oneIn(2))
                dragTo(t, p, near(p, 40), 0);
            send(t, {MouseUp, p});
            p = near(p, 200);
        }
        // A double click, Return, a click near the start, a press outside,
        // Command-period, or nothing.
        const ToolEvent endings[] = {{KeyDown, {}, 0, 1, true, 13},
                                     {MouseDown, {2000, 0}, 0, 1, false},
                                     {KeyDown, {}, CommandKeyMask, 1, true, '.'}};
        if (const int k = r.integer(0, 5); k == 0) {
            click(t, p, 0, 2);
        } else if (k == 2) {
            send(t, {MouseMoved, start});
            click(t, near(start, 2));
        } else if (k < 5) {
            send(t, endings[k == 1 ? 0 : k - 2]);
        }
    }
    // One gesture of a random tool, half of them the arrow's; a gesture still
    // open is ended as closing the window would.
    std::string gesture() {
        const std::size_t index = oneIn(2) ? static_cast<std::size_t>(r.integer(1, 11)) : 0;
        Tool& t = tool(index);
        if (index == Toolbox::ArrowToolIndex) {
            arrowGesture(t);
        } else if (index == Toolbox::PolylineToolIndex || index == Toolbox::BezierToolIndex) {
            clicksGesture(t);
        } else {
            pressDragRelease(t, anywhere(), 150);
            if (index == Toolbox::ArcToolIndex) {
                send(t, {MouseMoved, anywhere()});
                click(t, anywhere());
            }
        }
        if (t.isTracking())
            t.endGesture(canvas, controller);
        undo().endEventGroup();
        EXPECT_FALSE(t.isTracking()) << Toolbox::toolName(index);
        return Toolbox::toolName(index);
    }

    RandomDrawing r;
};

TEST_P(ToolUndoInvariant, EveryGestureIsOneStepThatUndoesExactly) {
    ShapeList shapes = RandomDrawing(GetParam() * 31u + 7u).drawing(14);
    shapes[3]->fill().setStyle(FillStyleGradient);
    install(shapes);
    document.grid().setSnap(GetParam() % 2 == 0);
    canvas.zoomFactor = GetParam() % 3 == 0 ? 2 : 1;

    const std::string original = bytes();
    std::string before = original;
    int steps = 0;
    for (int i = 0; i < 60; ++i) {
        const std::size_t count = undo().undoCount();
        const std::string name = gesture() + " gesture " + std::to_string(i);
        const std::string after = bytes();
        if (undo().undoCount() == count) {
            ASSERT_EQ(after, before) << name << " changed without undo";
            continue;
        }
        ++steps;
        ASSERT_EQ(undo().undoCount(), count + 1) << name;
        ASSERT_TRUE(undo().undo());
        ASSERT_EQ(bytes(), before) << "undo of " << name;
        ASSERT_TRUE(undo().redo());
        ASSERT_EQ(bytes(), after) << "redo of " << name;
        before = after;
    }
    EXPECT_GT(steps, 15) << "too few gestures changed the drawing to mean anything";
    while (undo().undo()) {
    }
    EXPECT_EQ(bytes(), original);
    while (undo().redo()) {
    }
    EXPECT_EQ(bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ToolUndoInvariant, ::testing::Range(1u, 9u));

ShapesController::IndexSet expectedIndexes(const ShapesController& c, const Rect& r) {
    ShapesController::IndexSet indexes;
    const ShapeList hit = c.shapesInRect(r);
    const ShapeList& all = c.arrangedObjects();
    for (std::size_t i = 0, k = 0; i < all.size() && k < hit.size(); ++i)
        if (all[i] == hit[k]) {
            indexes.push_back(i);
            ++k;
        }
    return indexes;
}

TEST(OutlineBoxCacheTest, AgreesWithShapesInRectAcrossChanges) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        DrawDocument document;
        ShapesController controller(&document);
        RandomDrawing random(seed);
        const auto index = [&](std::size_t n) {
            return static_cast<std::size_t>(random.integer(0, int(n) - 1));
        };
        ShapeList shapes = random.drawing(40);
        // Paths without a segment, and an edge at whole coordinates.
        auto lone = std::make_shared<BezierShape>();
        lone->moveToPoint({300, 300});
        shapes.push_back(lone);
        shapes.push_back(std::make_shared<BezierShape>());
        shapes.push_back(testing::box(100, 100, 50, 50));
        document.setShapes(shapes);

        OutlineBoxCache cache;
        for (int step = 0; step < 150; ++step) {
            if (step % 7 == 0) {
                controller.setSelectionIndexes(
                    {index(controller.count()), index(controller.count())});
                if (const int change = random.integer(0, 3); change == 0)
                    controller.offset(random.coordinate(-30, 30), random.coordinate(-30, 30));
                else if (change < 3)
                    change == 1 ? controller.group() : controller.ungroup();
                else // a member of a group changes on its own
                    for (const ShapePtr& s : document.shapes())
                        if (auto* g = dynamic_cast<GroupShape*>(s.get())) {
                            g->shapes().front()->offset(Size(7, -3));
                            break;
                        }
            }
            // A point, a shape's own box (edges on its outline), the page, anything.
            const Point p(random.coordinate(-50, 1050), random.coordinate(-50, 1050));
            const Rect rects[] = {
                Rect(p, Size()),
                document.shapes()[index(document.shapes().size())]->transformedBounds(),
                Rect(-100, -100, 1300, 1300),
                rectFromPoints(p, {random.coordinate(-50, 1050), random.coordinate(-50, 1050)})};
            const Rect r = rects[random.integer(0, 3)];
            ASSERT_EQ(cache.indexesInRect(r, document.shapes()), expectedIndexes(controller, r))
                << "seed " << seed << " step " << step;
        }
        EXPECT_LE(cache.size(), 2 * document.shapes().size() + 64);
    }
}

TEST(OutlineBoxCacheTest, FormerMembersOfAGroupAnswerForThemselves) {
    DrawDocument document;
    ShapesController controller(&document);
    document.setShapes({testing::box(0, 0, 10, 10), testing::box(20, 0, 10, 10)});
    OutlineBoxCache cache;
    const Rect near(-5, -5, 50, 50);
    controller.selectAll();
    controller.group();
    EXPECT_EQ(cache.indexesInRect(near, document.shapes()), ShapesController::IndexSet{0});
    controller.ungroup();
    EXPECT_EQ(cache.indexesInRect(near, document.shapes()), (ShapesController::IndexSet{0, 1}));
    document.shapes()[0]->offset(Size(500, 0));
    EXPECT_EQ(cache.indexesInRect(near, document.shapes()), ShapesController::IndexSet{1});
}

} // namespace
} // namespace qv
