// Drawing through the QPainter surface: shadows are the costly part (an
// offscreen layer and a blur per shadowed shape).
#include "platform/qt/QtGraphicsContext.h"

#include <benchmark/benchmark.h>

namespace qv {
namespace {

void drawShadowedOvals(benchmark::State& state, bool shadow) {
    const double zoom = double(state.range(0));
    QImage image = QtImageContext::makeImage({400, 300}, zoom);
    for (auto _ : state) {
        QtImageContext context(image, zoom);
        GraphicsContext& gc = context.context();
        for (int i = 0; i < 10; ++i) {
            GStateSaver saver(gc);
            if (shadow) {
                const double f = gc.currentTransform().m11;
                gc.setShadow({0, -10 * f}, 10 * f, Color(0, 0, 0, 1.0 / 3));
                gc.beginTransparencyLayer();
            }
            gc.fillPath(BezierPath::bezierPathWithOvalInRect({20.0 + 35 * i, 40, 80, 120}),
                        Color(0.3, 0.5, 0.9));
            if (shadow)
                gc.endTransparencyLayer();
        }
        context.finish();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_TenOvals(benchmark::State& state) {
    drawShadowedOvals(state, false);
}
void BM_TenShadowedOvals(benchmark::State& state) {
    drawShadowedOvals(state, true);
}

BENCHMARK(BM_TenOvals)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenShadowedOvals)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qv
