// Writing and reading a drawing-sized element tree.
#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "framework/foundation/Base64.h"

#include <benchmark/benchmark.h>

using namespace qv;

namespace {

// A document of n shapes, each with bounds, a stroke and a fill, like a saved drawing.
std::shared_ptr<QVGenericElement> drawing(int n) {
    auto doc = QVGenericElement::elementNamed("qvdrawdocument");
    doc->setIntAttribute(1, "version");
    for (int i = 0; i < n; ++i) {
        auto shape = QVGenericElement::elementNamed("rect");
        shape->setFloatAttribute(i * 0.75, "rotation");
        auto bounds = QVGenericElement::elementNamed("bounds");
        bounds->setRectAttribute(Rect(i, i * 2.5, 100.0 / 3.0, 42));
        shape->addElement(bounds);
        auto stroke = QVGenericElement::elementNamed("stroke");
        stroke->setIntAttribute(1, "style");
        stroke->attributes().setStringValue("#FF8000FF", "color");
        stroke->setFloatAttribute(1.5, "width");
        shape->addElement(stroke);
        auto fill = QVGenericElement::elementNamed("fill");
        fill->attributes().setStringValue("#00FF00FF", "color");
        shape->addElement(fill);
        doc->addElement(shape);
    }
    auto info = QVGenericElement::elementNamed("printinfo");
    info->setStringData(base64Encoding(ByteBuffer(2000, 0x5A), 72));
    doc->addElement(info);
    return doc;
}

void BM_WriteDrawing(benchmark::State& state) {
    const auto doc = drawing(static_cast<int>(state.range(0)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const ByteBuffer data = QVWriter::writer().dataWithElement(*doc);
        bytes += data.size();
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WriteDrawing)->Arg(100)->Arg(10000);

void BM_ParseDrawing(benchmark::State& state) {
    const ByteBuffer data =
        QVWriter::writer().dataWithElement(*drawing(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        QVParser parser;
        benchmark::DoNotOptimize(parser.parseData(data));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_ParseDrawing)->Arg(100)->Arg(10000);

} // namespace
