// Reading long paths from a file, writing them back, and dragging a point of
// a long path with the reshape tool.
#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "shapes/BezierShape.h"
#include "shapes/FreehandShape.h"
#include "shapes/ShapeRegistry.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

using namespace qv;

namespace {

// A file with one freehand stroke of `elements` pointer samples.
std::string freehandFile(std::size_t elements) {
    std::string xml = "<d><freehand><moveto x=\"0\" y=\"0\"/>";
    xml.reserve(elements * 40);
    for (std::size_t i = 1; i < elements; ++i) {
        xml += "<lineto x=\"";
        xml += std::to_string(double(i) * 0.25);
        xml += "\" y=\"";
        xml += std::to_string(100 * std::sin(double(i) * 0.01));
        xml += "\"/>";
    }
    xml += "</freehand></d>";
    return xml;
}

void BM_ReadLongPath(benchmark::State& state) {
    const std::string xml = freehandFile(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        QVParser parser;
        parser.registerElementClass(Fill::kElementName, [] { return std::make_shared<Fill>(); });
        parser.registerElementClass(Stroke::kElementName,
                                    [] { return std::make_shared<Stroke>(); });
        parser.registerElementClass(Shadow::kElementName,
                                    [] { return std::make_shared<Shadow>(); });
        registerShapeClasses(parser);
        benchmark::DoNotOptimize(parser.parseData(std::string_view(xml)));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadLongPath)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

std::shared_ptr<FreehandShape> longStroke(int elements) {
    auto s = std::make_shared<FreehandShape>();
    BezierPath p;
    p.moveToPoint({0, 0});
    for (int i = 1; i < elements; ++i) {
        if (i % 2)
            p.lineToPoint({i * 0.25, 100 * std::sin(i * 0.01)});
        else
            p.curveToPoint({i * 0.25, 100 * std::sin(i * 0.01)}, {i * 0.25 - 0.2, 90},
                           {i * 0.25 - 0.1, -90});
    }
    s->setPath(p);
    s->setRotation(30);
    return s;
}

void BM_WriteLongPath(benchmark::State& state) {
    const auto s = longStroke(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(QVWriter::writer().dataWithElement(*s));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteLongPath)->Arg(10'000)->Unit(benchmark::kMillisecond);

// One drag event of the reshape tool on a rotated stroke.
void BM_ReshapeLongPath(benchmark::State& state) {
    const auto s = longStroke(static_cast<int>(state.range(0)));
    const std::size_t middle = s->elementCount() / 2;
    double d = 0;
    for (auto _ : state) {
        d = d > 10 ? 0 : d + 0.5;
        s->reshapeToPoint({100 + d, 50 - d}, middle, 2, 0);
    }
}
BENCHMARK(BM_ReshapeLongPath)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMicrosecond);

} // namespace
