#include "framework/foundation/BezierPath.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

using namespace qv;

namespace {

// A closed, wavy ring of about 1000 elements, alternating lines and curves, the
// size of a long freehand stroke.
BezierPath wavyRing(int elements) {
    BezierPath path;
    const Point c(500, 500);
    auto at = [&](double t, double r) {
        const double a = t * 2 * std::numbers::pi;
        return Point(c.x + r * std::cos(a), c.y + r * std::sin(a));
    };
    path.moveToPoint(at(0, 400));
    const int n = elements - 2;
    for (int i = 1; i <= n; ++i) {
        const double t = double(i) / n;
        const double r = 400 + ((i % 3) - 1) * 25;
        if (i % 2)
            path.lineToPoint(at(t, r));
        else
            path.curveToPoint(at(t, r), at(t - 0.6 / n, r + 40), at(t - 0.3 / n, r - 40));
    }
    path.closePath();
    return path;
}

void BM_ContainsPoint(benchmark::State& state) {
    BezierPath path = wavyRing(1000);
    path.setWindingRule(state.range(0) ? WindingRule::EvenOdd : WindingRule::NonZero);
    const Point probes[] = {{500, 500}, {110, 500}, {900, 480}, {20, 20}, {500, 95}};
    for (auto _ : state)
        for (const Point& p : probes)
            benchmark::DoNotOptimize(path.containsPoint(p));
    state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_ContainsPoint)->Arg(0)->Arg(1);

void BM_Bounds(benchmark::State& state) {
    const BezierPath path = wavyRing(1000);
    for (auto _ : state)
        benchmark::DoNotOptimize(path.bounds());
}
BENCHMARK(BM_Bounds);

void BM_ControlPointBounds(benchmark::State& state) {
    const BezierPath path = wavyRing(1000);
    for (auto _ : state)
        benchmark::DoNotOptimize(path.controlPointBounds());
}
BENCHMARK(BM_ControlPointBounds);

void BM_Flatten(benchmark::State& state) {
    const BezierPath path = wavyRing(1000);
    for (auto _ : state)
        benchmark::DoNotOptimize(path.flattenedSegments());
}
BENCHMARK(BM_Flatten);

} // namespace
