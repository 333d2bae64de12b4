#pragma once
// A canvas without a window for driving tools with made-up events: it keeps
// the zoom, visible area, editing shape and free rotation, and records zoom
// requests and autoscroll ticks. ToolTest wires it to a document and ends the
// undo event group after every event, as the application's loop does.

#include "canvas/ShapesController.h"
#include "document/DrawDocument.h"
#include "framework/foundation/UndoManager.h"
#include "framework/foundation/UserDefaults.h"
#include "shapes/RectangleShape.h"
#include "tools/Tool.h"
#include "tools/ToolCanvas.h"
#include "tools/Toolbox.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <string_view>

namespace qv::testing {

inline ShapePtr box(double x, double y, double w, double h) {
    auto s = std::make_shared<RectangleShape>();
    s->setBounds(Rect(x, y, w, h));
    return s;
}

class FakeCanvas : public ToolCanvas, public ShapeView, public EditingObject {
public:
    explicit FakeCanvas(ShapesController& controller) : m_Controller(controller) {}
    ~FakeCanvas() override { commitEditing(); }

    double zoom() const override { return zoomFactor; }
    Rect documentVisibleRect() const override { return visible; }
    const ShapeView& shapeView() const override { return *this; }
    void setNeedsDisplayInRect(const Rect&) override {}
    void setNeedsDisplay() override {}
    const Grid& grid() const override { return m_Controller.document()->grid(); }

    Shape* editingShape() const override { return m_Editing.get(); }
    void beginEditingShape(const ShapePtr& shape, bool creating) override {
        if (!shape)
            return;
        commitEditing();
        m_Editing = shape;
        editingCreated = creating;
        m_Controller.objectDidBeginEditing(this);
    }
    bool commitEditing() override {
        if (!m_Editing)
            return false;
        m_Editing.reset();
        m_Controller.objectDidEndEditing(this);
        return true;
    }

    bool freeRotating() const override { return m_FreeRotating; }
    void setFreeRotating(bool on) override {
        if (on)
            m_FreeRotateCenter = m_Controller.selectionBounds().center();
        m_FreeRotating = on;
    }
    Point freeRotateCenter() const override { return m_FreeRotateCenter; }

    // Points are recorded as rectangles without size.
    void zoomOnRect(const Rect& r, bool zoomOut) override { zoomRequests.push_back({r, zoomOut}); }
    void zoomOnPoint(Point p, bool zoomOut) override { zoomOnRect(Rect(p, Size()), zoomOut); }

    // One step scrolls 10 units towards the point on each axis it lies beyond.
    void autoscrollToPoint(Point p) override {
        ++autoscrollSteps;
        const double dx = p.x < visible.minX() ? -10 : p.x >= visible.maxX() ? 10 : 0;
        const double dy = p.y < visible.minY() ? -10 : p.y >= visible.maxY() ? 10 : 0;
        visible = visible.offsetBy(dx, dy);
    }
    void setAutoscrollTimerRunning(bool running) override { timerRunning = running; }
    void invalidateCursor() override {}

    double zoomFactor = 1;
    Rect visible{0, 0, 1000, 1000};
    int autoscrollSteps = 0;
    bool timerRunning = false, editingCreated = false;
    std::vector<std::pair<Rect, bool>> zoomRequests;

private:
    ShapesController& m_Controller;
    ShapePtr m_Editing;
    bool m_FreeRotating = false;
    Point m_FreeRotateCenter;
};

// A document, its controller and the fake canvas, with a fresh toolbox that
// reads its click option from in-memory defaults. Snapping is off.
class ToolTest : public ::testing::Test {
protected:
    ToolTest() : controller(&document), canvas(controller) {
        Toolbox::resetSharedToolboxForTesting();
        Toolbox::setUserDefaults(&defaults);
        document.grid().setSnap(false);
        undo().removeAllActions();
    }
    ~ToolTest() override {
        Toolbox::resetSharedToolboxForTesting();
        Toolbox::setUserDefaults(nullptr);
    }

    UndoManager& undo() { return document.undoManager(); }
    Toolbox& toolbox() { return Toolbox::sharedToolbox(); }
    Tool& tool(std::size_t index) { return toolbox().toolAtIndex(index); }
    std::string lastAction() { return undo().undoActionName(); }
    void install(const ShapeList& shapes) {
        document.setShapes(shapes);
        undo().removeAllActions();
    }

    // One event, then the end of its event group.
    void send(Tool& t, const ToolEvent& e) {
        t.handleEvent(e, canvas, controller);
        undo().endEventGroup();
    }
    void click(Tool& t, Point p, unsigned f = 0, int clicks = 1) {
        send(t, {ToolEvent::Type::MouseDown, p, f, clicks});
        send(t, {ToolEvent::Type::MouseUp, p, f});
    }
    // Press at `from`, drag in `steps` even steps to `to`, release there.
    void dragGesture(Tool& t, Point from, Point to, unsigned f = 0, int steps = 4) {
        send(t, {ToolEvent::Type::MouseDown, from, f});
        for (int i = 1; i <= steps; ++i)
            send(t, {ToolEvent::Type::MouseDragged, from + (to - from) * (double(i) / steps), f});
        send(t, {ToolEvent::Type::MouseUp, to, f});
    }
    // Plays a script of events: "p", "d", "r", "m", "c" (press and release)
    // and "C" (a double click) at the point that follows, "o" a press there
    // outside the canvas, "f" a change of modifiers, "t" an autoscroll tick,
    // "k" the key whose code follows, "e" the end of the gesture from outside.
    // Modifiers follow the letter: S Shift, O Option, K Command.
    void play(Tool& t, const std::string& script) {
        using enum ToolEvent::Type;
        std::istringstream in(script);
        for (char op, comma; in >> op;) {
            constexpr std::string_view kOps = "drmftk";
            constexpr ToolEvent::Type kTypes[] = {MouseDragged, MouseUp,  MouseMoved,
                                                  FlagsChanged, Periodic, KeyDown};
            ToolEvent e{kOps.find(op) < kOps.size() ? kTypes[kOps.find(op)] : MouseDown, {}};
            for (std::size_t m; (m = std::string_view("SOK").find(char(in.peek()))) < 3; in.get())
                e.modifierFlags |= std::array{ShiftKeyMask, AlternateKeyMask, CommandKeyMask}[m];
            if (int code; op == 'k' && in >> code)
                e.character = char32_t(code);
            else if (std::string_view("pdrmcCo").find(op) != std::string_view::npos)
                in >> e.location.x >> comma >> e.location.y;
            e.clickCount = op == 'C' ? 2 : 1;
            e.inView = op != 'o';
            for (int n = op == 'c' || op == 'C' ? 2 : 1; n-- > 0; e.type = MouseUp) {
                if (op == 'e')
                    t.endGesture(canvas, controller);
                else
                    t.handleEvent(e, canvas, controller);
                undo().endEventGroup();
            }
        }
    }

    InMemoryUserDefaults defaults;
    DrawDocument document;
    ShapesController controller;
    FakeCanvas canvas;
};

} // namespace qv::testing
