// Hit testing through the shapes controller: the frontmost shape under a
// point in drawings of 10,000 shapes of every kind.

#include "../tests/canvas/RandomDrawing.h"
#include "canvas/ShapesController.h"
#include "document/DrawDocument.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace qv;

struct Drawing {
    explicit Drawing(std::size_t count) : controller(&document) {
        qv::testing::RandomDrawing random(42);
        document.setShapes(random.drawing(count));
        document.undoManager().removeAllActions();
        for (int i = 0; i < 256; ++i)
            points.emplace_back(random.coordinate(0, 1200), random.coordinate(0, 1200));
    }
    DrawDocument document;
    ShapesController controller;
    std::vector<Point> points;
};

Drawing& drawing(std::size_t count) {
    static Drawing d(count);
    return d;
}

// Points spread over the drawing; most hit a shape somewhere down the list.
void BM_ShapeAtPoint(benchmark::State& state) {
    Drawing& d = drawing(static_cast<std::size_t>(state.range(0)));
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(d.controller.shapeAtPoint(d.points[i++ % d.points.size()]));
}
BENCHMARK(BM_ShapeAtPoint)->Arg(10000)->Unit(benchmark::kMicrosecond);

// A point off the drawing: every shape is looked at and none is hit.
void BM_ShapeAtPointMiss(benchmark::State& state) {
    Drawing& d = drawing(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(d.controller.shapeAtPoint(Point(-5000, -5000)));
}
BENCHMARK(BM_ShapeAtPointMiss)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The first query after a shape changed: that shape's box is made again and
// the others are taken over.
void BM_ShapeAtPointAfterAChange(benchmark::State& state) {
    Drawing& d = drawing(static_cast<std::size_t>(state.range(0)));
    const ShapePtr moved = d.document.shapes()[d.document.shapes().size() / 2];
    double dx = 1;
    for (auto _ : state) {
        state.PauseTiming();
        moved->offset(Size(dx, 0));
        dx = -dx;
        state.ResumeTiming();
        benchmark::DoNotOptimize(d.controller.shapeAtPoint(Point(-5000, -5000)));
    }
}
BENCHMARK(BM_ShapeAtPointAfterAChange)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Every shape's exact test with no quick rejection, for comparison.
void BM_HitTestEveryShape(benchmark::State& state) {
    Drawing& d = drawing(static_cast<std::size_t>(state.range(0)));
    const ShapeList& shapes = d.document.shapes();
    for (auto _ : state) {
        bool any = false;
        for (auto it = shapes.rbegin(); it != shapes.rend() && !any; ++it)
            any = (*it)->hitTestPoint(Point(-5000, -5000));
        benchmark::DoNotOptimize(any);
    }
}
BENCHMARK(BM_HitTestEveryShape)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace
