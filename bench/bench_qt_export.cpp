// Exporting a busy page: 10,000 shapes on 540 × 720 points, half of them
// turned rectangles with 1-point strokes, half ovals with dashed 2-point
// strokes, all filled. PNG at one pixel per point and PDF, each with and
// without the encoding step.
//
// With QV_EXPORT_BENCH_OUT=DIR the drawing is also written as DIR/busy.qvdraw
// and as the equivalent DIR/busy.svg, to time `qvdraw export` and
// `rsvg-convert` on the same page.
#include "BusyPage.h"
#include "document/DrawDocument.h"
#include "platform/qt/Export.h"
#include "platform/qt/PngEncoder.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace qv {
namespace {

using bench::busyPage;

void ensureApplication() {
    if (QGuiApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_qt_export";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

DrawDocument& busyDocument() {
    static DrawDocument* document = [] {
        ensureApplication();
        auto* d = new DrawDocument;
        std::string svg;
        d->setShapes(busyPage(&svg));
        if (const char* dir = std::getenv("QV_EXPORT_BENCH_OUT")) {
            std::ofstream(std::string(dir) + "/busy.svg") << svg;
            if (!d->writeToPackage(std::string(dir) + "/busy.qvdraw"))
                std::fprintf(stderr, "could not write %s/busy.qvdraw\n", dir);
        }
        return d;
    }();
    return *document;
}

void BM_ExportPNG(benchmark::State& state) {
    DrawDocument& document = busyDocument();
    for (auto _ : state) {
        ExportResult r = dataForType(document, "png", 0, 0, false);
        if (!r)
            state.SkipWithError("export failed");
        benchmark::DoNotOptimize(r.data->data());
    }
}

void BM_RenderBitmap(benchmark::State& state) {
    DrawDocument& document = busyDocument();
    const PrintDrawView view = exportViewFor(document, 0, 0, false);
    for (auto _ : state) {
        QImage image = imageForView(view, 72);
        benchmark::DoNotOptimize(image.constBits());
    }
}

// The PNG encoding alone, on the opaque busy page; bytes is the file size.
void BM_EncodePNG(benchmark::State& state) {
    DrawDocument& document = busyDocument();
    const QImage image = imageForView(exportViewFor(document, 0, 0, false), 72);
    qsizetype size = 0;
    for (auto _ : state) {
        std::optional<QByteArray> png = encodePng(image, 72);
        if (!png)
            state.SkipWithError("encoding failed");
        size = png->size();
        benchmark::DoNotOptimize(png->data());
    }
    state.counters["bytes"] = double(size);
}

// Qt's writer at zlib level 1 on the same picture, for comparison.
void BM_EncodePNGQtWriter(benchmark::State& state) {
    DrawDocument& document = busyDocument();
    const QImage image = imageForView(exportViewFor(document, 0, 0, false), 72)
                             .convertToFormat(QImage::Format_ARGB32);
    qsizetype size = 0;
    for (auto _ : state) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setCompression(20);
        if (!writer.write(image))
            state.SkipWithError("encoding failed");
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = double(size);
}

void BM_ExportPDF(benchmark::State& state) {
    DrawDocument& document = busyDocument();
    for (auto _ : state) {
        ExportResult r = dataForType(document, "pdf", 0, 0, false);
        if (!r)
            state.SkipWithError("export failed");
        benchmark::DoNotOptimize(r.data->data());
    }
}

BENCHMARK(BM_RenderBitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodePNGQtWriter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPDF)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qv
