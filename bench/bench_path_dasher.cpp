// Dashing the strokes of a busy page: the ovals of bench_qt_export (2-point
// strokes, 6 on 4 off) and one long wavy freehand ring.
#include "framework/foundation/PathDasher.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>

using namespace qv;

namespace {

std::vector<BezierPath> ovals(int count) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<double> x(0, 520), y(0, 700), side(6, 40);
    std::vector<BezierPath> out;
    for (int i = 0; i < count; ++i)
        out.push_back(BezierPath::bezierPathWithOvalInRect(
            Rect(x(random), y(random), side(random), side(random))));
    return out;
}

BezierPath wavyRing(int elements) {
    BezierPath path;
    const Point c(500, 500);
    auto at = [&](double t, double r) {
        const double a = t * 2 * std::numbers::pi;
        return Point(c.x + r * std::cos(a), c.y + r * std::sin(a));
    };
    path.moveToPoint(at(0, 400));
    for (int i = 1; i < elements; ++i) {
        const double t = double(i) / elements;
        path.curveToPoint(at(t, 400), at(t - 0.6 / elements, 440), at(t - 0.3 / elements, 360));
    }
    path.closePath();
    return path;
}

void BM_DashOvals(benchmark::State& state) {
    const std::vector<BezierPath> paths = ovals(5000);
    std::size_t elements = 0;
    for (auto _ : state) {
        for (const BezierPath& p : paths) {
            const std::optional<BezierPath> dashed = dashedPath(p, {6, 4}, 0);
            elements += dashed->elementCount();
            benchmark::DoNotOptimize(dashed->elements().data());
        }
    }
    state.counters["elements"] =
        benchmark::Counter(double(elements), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DashOvals)->Unit(benchmark::kMillisecond);

void BM_DashWavyRing(benchmark::State& state) {
    const BezierPath ring = wavyRing(1000);
    const double on = double(state.range(0)) / 10;
    for (auto _ : state) {
        const std::optional<BezierPath> dashed = dashedPath(ring, {on, on}, 0);
        benchmark::DoNotOptimize(dashed->elements().data());
    }
}
BENCHMARK(BM_DashWavyRing)->Arg(5)->Arg(60)->Unit(benchmark::kMicrosecond);

} // namespace
