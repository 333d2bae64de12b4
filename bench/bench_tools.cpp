// The tools on the busy page of 10,000 shapes at zoom 1, model side only (no
// repaint): the arrow tool's click (hit tests of handles and shapes), one
// pointer step of dragging 1,000 selected shapes, one step of a marquee drag
// over the whole page, and a freehand stroke of 5,000 samples.

#include "BusyPage.h"
#include "canvas/ShapesController.h"
#include "document/DrawDocument.h"
#include "tools/ArrowTool.h"
#include "tools/MoveTool.h"
#include "tools/ToolCanvas.h"
#include "tools/Toolbox.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

namespace qv {
namespace {

// A canvas that only answers: the page in view at zoom 1.
class BenchCanvas : public ToolCanvas, public ShapeView {
public:
    explicit BenchCanvas(DrawDocument& document) : m_Document(document) {}
    double zoom() const override { return 1; }
    Rect documentVisibleRect() const override { return Rect(-20, -20, 580, 760); }
    const ShapeView& shapeView() const override { return *this; }
    void setNeedsDisplayInRect(const Rect&) override {}
    void setNeedsDisplay() override {}
    const Grid& grid() const override { return m_Document.grid(); }
    Shape* editingShape() const override { return nullptr; }
    void beginEditingShape(const ShapePtr&, bool) override {}
    bool commitEditing() override { return false; }
    bool freeRotating() const override { return false; }
    void setFreeRotating(bool) override {}
    Point freeRotateCenter() const override { return {}; }
    void zoomOnRect(const Rect&, bool) override {}
    void zoomOnPoint(Point, bool) override {}
    void autoscrollToPoint(Point) override {}
    void setAutoscrollTimerRunning(bool) override {}
    void invalidateCursor() override {}

private:
    DrawDocument& m_Document;
};

struct Page {
    Page() : controller(&document), canvas(document) {
        document.setShapes(bench::busyPage());
        document.grid().setSnap(false);
        document.undoManager().removeAllActions();
        std::mt19937 random(7);
        std::uniform_real_distribution<double> x(0, 540), y(0, 720);
        for (int i = 0; i < 512; ++i)
            points.emplace_back(x(random), y(random));
        for (std::size_t i = 0; i < 10000; i += 10)
            thousand.push_back(i);
    }

    void send(Tool& tool, ToolEvent::Type type, Point p, unsigned flags = 0) {
        ToolEvent e;
        e.type = type;
        e.location = p;
        e.modifierFlags = flags;
        tool.handleEvent(e, canvas, controller);
        document.undoManager().endEventGroup();
    }
    void reset() {
        document.undoManager().removeAllActions();
        controller.setSelectionIndexes(thousand);
    }

    DrawDocument document;
    ShapesController controller;
    BenchCanvas canvas;
    std::vector<Point> points;
    // Every tenth shape.
    ShapesController::IndexSet thousand;
};

// Made once and never destroyed: the model's per-thread caches are gone by
// the time static objects would be.
Page& page() {
    static Page* p = new Page;
    return *p;
}

Tool& tool(std::size_t index) {
    return Toolbox::sharedToolbox().toolAtIndex(index);
}

// The press of the arrow tool with 1,000 shapes selected: every sub-tool is
// asked in turn (the handles of the selected shapes, gradient handles, the
// shape under the pointer). On a shape the press selects it (or keeps the
// selection); on empty canvas it starts a marquee, which notes where every
// outline lies and deselects.
void arrowPress(benchmark::State& state, bool onShape) {
    Page& p = page();
    Tool& arrow = tool(Toolbox::ArrowToolIndex);
    p.reset();
    std::vector<Point> points;
    for (Point at : p.points)
        if ((p.controller.shapeAtPoint(at) != nullptr) == onShape)
            points.push_back(at);
    if (!onShape)
        for (double x = 560; points.size() < 64; x += 3)
            points.emplace_back(x, 100);
    std::size_t i = 0;
    for (auto _ : state) {
        const Point at = points[i++ % points.size()];
        p.send(arrow, ToolEvent::Type::MouseDown, at);
        state.PauseTiming();
        p.send(arrow, ToolEvent::Type::MouseUp, at);
        p.controller.setSelectionIndexes(p.thousand);
        state.ResumeTiming();
    }
}
void BM_ArrowPressOnShape(benchmark::State& state) {
    arrowPress(state, true);
}
void BM_ArrowPressOnEmptyCanvas(benchmark::State& state) {
    arrowPress(state, false);
}
BENCHMARK(BM_ArrowPressOnShape)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ArrowPressOnEmptyCanvas)->Unit(benchmark::kMicrosecond);

// One pointer step of moving 1,000 selected shapes, undo recording included.
void BM_MoveSelectionStep(benchmark::State& state) {
    Page& p = page();
    Tool& arrow = tool(Toolbox::ArrowToolIndex);
    p.reset();
    Point start;
    // A press on one of the selected shapes that is not on a handle.
    auto& arrowTool = static_cast<ArrowTool&>(arrow);
    for (std::size_t index : p.thousand) {
        const Point at = p.document.shapes()[index]->transformedBounds().center();
        p.send(arrow, ToolEvent::Type::MouseDown, at);
        if (dynamic_cast<MoveTool*>(arrowTool.activeSubTool()) &&
            p.controller.selectedCount() == 1000) {
            start = at;
            break;
        }
        p.send(arrow, ToolEvent::Type::MouseUp, at);
        p.reset();
    }
    if (!arrow.isTracking())
        state.SkipWithError("no press started a move of the selection");
    int step = 0;
    for (auto _ : state) {
        p.send(arrow, ToolEvent::Type::MouseDragged, start + Point(10 + step % 50, 10));
        // A gesture of 50 steps, undone, and the next one.
        if (++step % 50 == 0) {
            state.PauseTiming();
            p.send(arrow, ToolEvent::Type::MouseUp, start);
            p.document.undoManager().undo();
            p.document.undoManager().removeAllActions();
            p.send(arrow, ToolEvent::Type::MouseDown, start);
            state.ResumeTiming();
        }
    }
    p.send(arrow, ToolEvent::Type::MouseUp, start);
    p.document.undoManager().undo();
}
BENCHMARK(BM_MoveSelectionStep)->Unit(benchmark::kMicrosecond);

// One step of a marquee that spans the whole page: every shape is tested
// against the rectangle and all of them become the selection.
void BM_MarqueeStep(benchmark::State& state) {
    Page& p = page();
    Tool& arrow = tool(Toolbox::ArrowToolIndex);
    p.reset();
    p.send(arrow, ToolEvent::Type::MouseDown, {-10, -10});
    bool far = false;
    for (auto _ : state) {
        far = !far;
        p.send(arrow, ToolEvent::Type::MouseDragged, far ? Point(560, 740) : Point(550, 730));
    }
    p.send(arrow, ToolEvent::Type::MouseUp, {550, 730});
    state.counters["selected"] = static_cast<double>(p.controller.selectedCount());
}
BENCHMARK(BM_MarqueeStep)->Unit(benchmark::kMillisecond);

// A freehand stroke of 5,000 samples spiralling over the page. Each sample
// appends a segment to an ever longer path, so the late steps are the ones
// to watch; the slowest single step also counts the machine's hiccups.
void BM_FreehandStroke(benchmark::State& state) {
    Page& p = page();
    Tool& freehand = tool(Toolbox::FreehandToolIndex);
    constexpr int kSamples = 5000;
    std::vector<Point> samples;
    for (int i = 0; i < kSamples; ++i) {
        const double a = i * 0.05, r = 20 + i * 0.05;
        samples.emplace_back(270 + r * std::cos(a), 360 + r * std::sin(a));
    }
    double slowest = 0, total = 0, late = 0;
    for (auto _ : state) {
        p.send(freehand, ToolEvent::Type::MouseDown, samples[0]);
        for (int i = 1; i < kSamples; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            p.send(freehand, ToolEvent::Type::MouseDragged, samples[static_cast<std::size_t>(i)]);
            const std::chrono::duration<double, std::micro> d =
                std::chrono::steady_clock::now() - t0;
            slowest = std::max(slowest, d.count());
            total += d.count();
            if (i >= kSamples - 500)
                late += d.count();
        }
        p.send(freehand, ToolEvent::Type::MouseUp, samples.back());
        state.PauseTiming();
        p.document.undoManager().undo();
        p.document.undoManager().removeAllActions();
        state.ResumeTiming();
    }
    state.counters["slowest_step_us"] = slowest;
    const double strokes = static_cast<double>(state.iterations());
    state.counters["mean_step_us"] = total / (strokes * (kSamples - 1));
    // The last 500 samples, where the path is longest.
    state.counters["late_step_us"] = late / (strokes * 500);
}
BENCHMARK(BM_FreehandStroke)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qv
