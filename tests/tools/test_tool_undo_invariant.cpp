// Random gestures of every tool on random drawings: each gesture is at most
// one undo step, which undoes to exactly the bytes of "Shapes.xml" before it
// and redoes to those after it; at the end, undoing as many steps as there
// were gestures gives the original drawing and redoing gives the last one.

#include "FakeCanvas.h"

#include "shapes/BezierShape.h"
#include "styles/Fill.h"
#include "tests/canvas/RandomDrawing.h"

#include <string>

namespace qv {
namespace {

using testing::RandomDrawing;
using testing::ToolTest;
using Type = ToolEvent::Type;

class ToolUndoInvariant : public ToolTest, public ::testing::WithParamInterface<unsigned> {
protected:
    ToolUndoInvariant() : m_Random(GetParam()) {}

    std::string bytes() {
        const ByteBuffer data = document.dataWithSelectionOnly(false);
        return std::string(data.begin(), data.end());
    }

    Point anywhere() { return {m_Random.coordinate(-50, 1050), m_Random.coordinate(-50, 1050)}; }
    Point near(Point p, double reach) {
        return p + Point(m_Random.coordinate(-reach, reach), m_Random.coordinate(-reach, reach));
    }
    unsigned modifiers() {
        static const unsigned kFlags[] = {0, 0, 0, ShiftKeyMask, AlternateKeyMask, CommandKeyMask};
        return kFlags[m_Random.integer(0, 5)];
    }
    template <class T> const T& any(const std::vector<T>& list) {
        return list[static_cast<std::size_t>(m_Random.integer(0, int(list.size()) - 1))];
    }
    // One of the points a press can grab on the shape: a selection handle,
    // an anchor of a path, a gradient handle, or the middle.
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

    // A drag with the button, with now and then a modifier change, a trip
    // outside the visible area with autoscroll ticks, or a key.
    void dragTo(Tool& t, Point from, Point to, unsigned flags) {
        const int steps = m_Random.integer(1, 4);
        for (int i = 1; i <= steps; ++i) {
            drag(t, from + (to - from) * (static_cast<double>(i) / steps), flags);
            if (m_Random.integer(0, 5) == 0)
                this->flags(t, flags = modifiers());
        }
        if (m_Random.integer(0, 6) == 0) {
            drag(t, {1100, to.y}, flags);
            tick(t);
            tick(t);
            drag(t, to, flags);
        }
        if (m_Random.integer(0, 12) == 0)
            key(t, 27);
    }

    // A press on a shape (often a selected one, in free rotation or with
    // its path being edited) or on the empty canvas, and a drag.
    void arrowGesture(Tool& t) {
        const ShapePtr s = document.shapes().empty() ? nullptr : any(document.shapes());
        Point from = anywhere();
        if (s && m_Random.integer(0, 5) > 0) {
            from = pointOf(*s);
            if (m_Random.integer(0, 1))
                controller.setSelectedObjects({s});
            if (m_Random.integer(0, 5) == 0)
                canvas.setFreeRotating(true);
            else if (m_Random.integer(0, 3) == 0)
                canvas.beginEditingShape(s, false);
        }
        if (m_Random.integer(0, 6) == 0) {
            // A double click first: edits text or paths.
            click(t, from);
            click(t, from, 0, 2);
        }
        const unsigned flags = modifiers();
        press(t, from, flags);
        dragTo(t, from, near(from, 80), flags);
        release(t, from, flags);
    }

    void clicksGesture(Tool& t) {
        const int n = m_Random.integer(1, 4);
        Point p = anywhere();
        const Point start = p;
        for (int i = 0; i < n; ++i) {
            move(t, p);
            press(t, p, modifiers());
            if (m_Random.integer(0, 1))
                dragTo(t, p, near(p, 40), 0);
            release(t, p);
            p = near(p, 200);
        }
        switch (m_Random.integer(0, 5)) {
        case 0:
            click(t, p, 0, 2);
            break;
        case 1:
            key(t, 13);
            break;
        case 2:
            move(t, start);
            click(t, near(start, 2));
            break;
        case 3:
            send(t, Type::MouseDown, {2000, 0}, 0, 1, 0, false);
            break;
        case 4:
            key(t, '.', CommandKeyMask);
            break;
        default:
            break;
        }
    }

    // One gesture of a random tool; ends any gesture still open, as closing
    // the window would.
    std::string gesture() {
        // Half of them with the arrow tool, which has the most to do.
        const std::size_t index =
            m_Random.integer(0, 1) ? 0 : static_cast<std::size_t>(m_Random.integer(1, 11));
        Tool& t = tool(index);
        const std::string name = Toolbox::toolName(index);
        if (index == Toolbox::ArrowToolIndex) {
            arrowGesture(t);
        } else if (index == Toolbox::PolylineToolIndex || index == Toolbox::BezierToolIndex) {
            clicksGesture(t);
        } else {
            const Point from = anywhere();
            const unsigned flags = modifiers();
            press(t, from, flags);
            dragTo(t, from, near(from, 150), flags);
            release(t, from, flags);
            if (index == Toolbox::ArcToolIndex) {
                move(t, anywhere());
                click(t, anywhere());
            }
        }
        if (t.isTracking())
            t.endGesture(canvas, controller);
        undo().endEventGroup();
        EXPECT_FALSE(t.isTracking()) << name;
        return name;
    }

    RandomDrawing m_Random;
};

TEST_P(ToolUndoInvariant, EveryGestureIsOneStepThatUndoesExactly) {
    RandomDrawing drawing(GetParam() * 31u + 7u);
    ShapeList shapes = drawing.drawing(14);
    shapes[3]->fill().setStyle(FillStyleGradient);
    install(shapes);
    document.grid().setSnap(GetParam() % 2 == 0);
    canvas.setZoom(GetParam() % 3 == 0 ? 2 : 1);

    const std::string original = bytes();
    std::string before = original;
    const int kGestures = 60;
    int steps = 0;
    for (int i = 0; i < kGestures; ++i) {
        const std::size_t count = undo().undoCount();
        const std::string name = gesture();
        const std::string after = bytes();
        if (undo().undoCount() == count) {
            ASSERT_EQ(after, before) << "gesture " << i << " (" << name << ") changed without undo";
            continue;
        }
        ++steps;
        ASSERT_EQ(undo().undoCount(), count + 1) << "gesture " << i << " (" << name << ")";
        ASSERT_TRUE(undo().undo());
        ASSERT_EQ(bytes(), before) << "undo of gesture " << i << " (" << name << ")";
        ASSERT_TRUE(undo().redo());
        ASSERT_EQ(bytes(), after) << "redo of gesture " << i << " (" << name << ")";
        before = after;
    }
    EXPECT_GT(steps, 15) << "too few gestures changed the drawing to mean anything";
    for (int i = 0; i < kGestures; ++i)
        undo().undo();
    EXPECT_EQ(bytes(), original);
    while (undo().redo()) {
    }
    EXPECT_EQ(bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ToolUndoInvariant, ::testing::Range(1u, 9u));

} // namespace
} // namespace qv
