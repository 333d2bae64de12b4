// Reading, writing and hit-testing generated drawings of every kind of shape.
//
// Throughput is counted in bytes of "Shapes.xml". Memory per shape
// (counter "heap/shape") is the heap still in use after reading, with the
// file's bytes and the parse's temporaries released, divided by the count;
// reading plain rectangles and installing them fails past a per-shape budget.

#include "canvas/ShapesController.h"
#include "document/DrawDocument.h"
#include "tests/document/DrawingGenerator.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <map>

using namespace qv;
namespace fs = std::filesystem;

namespace {

fs::path benchDirectory() {
    // Never destroyed: the clean-up at exit still needs it.
    static const fs::path* dir = new fs::path([] {
        // A folder named by QV_BENCH_DIR is kept and its packages reused, so
        // that a heap profiler can watch a run that only reads.
        if (const char* keep = std::getenv("QV_BENCH_DIR")) {
            fs::create_directories(keep);
            return fs::path(keep);
        }
        std::string templ = (fs::temp_directory_path() / "qvbenchXXXXXX").string();
        if (!::mkdtemp(templ.data()))
            std::abort();
        std::atexit([] { fs::remove_all(benchDirectory()); });
        return fs::path(templ);
    }());
    return *dir;
}

ShapeList rectangles(std::size_t count) {
    testing::DrawingGenerator gen(11);
    ShapeList shapes;
    shapes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        auto r = std::make_shared<RectangleShape>();
        r->setBounds(gen.rect());
        shapes.push_back(std::move(r));
    }
    return shapes;
}

ShapeList drawing(std::size_t count) {
    return testing::DrawingGenerator(5).drawing(count);
}

// One saved package per kind and size, made on first use.
const std::string& package(bool plainRectangles, std::size_t count) {
    static std::map<std::pair<bool, std::size_t>, std::string> made;
    auto& path = made[{plainRectangles, count}];
    if (path.empty()) {
        path = (benchDirectory() /
                ((plainRectangles ? "rects-" : "mixed-") + std::to_string(count) + ".qvdraw"))
                   .string();
        if (!fs::exists(fs::path(path) / "Shapes.xml")) {
            DrawDocument doc;
            doc.setShapes(plainRectangles ? rectangles(count) : drawing(count));
            if (!doc.writeToPackage(path))
                std::abort();
        }
    }
    return path;
}

std::size_t shapesFileSize(const std::string& path) {
    return static_cast<std::size_t>(fs::file_size(fs::path(path) / "Shapes.xml"));
}

// Heap per plain rectangle read and installed. To see where it goes:
//   QV_BENCH_DIR=/tmp/qvbench bench_document --benchmark_filter=ReadRectangles/  (makes the file)
//   QV_BENCH_DIR=/tmp/qvbench heaptrack bench_document --benchmark_filter=Installed
//   heaptrack_print -f heaptrack.bench_document.*.zst --print-peaks
constexpr double kInstalledRectangleBudget = 1024;

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

void read(benchmark::State& state, bool plainRectangles, bool install) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const std::string& path = package(plainRectangles, count);
    double perShape = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t before = heapInUse();
        state.ResumeTiming();
        auto doc = std::make_unique<DrawDocument>();
        if (!doc->readFromPackage(path))
            state.SkipWithError("read failed");
        if (install)
            doc->installLoadedShapes();
        state.PauseTiming();
        perShape = double(heapInUse() - before) / double(count);
        doc.reset();
        state.ResumeTiming();
        benchmark::ClobberMemory();
    }
    // The document observes every installed shape for undo; that must stay
    // small beside the shape itself.
    if (plainRectangles && install && perShape > kInstalledRectangleBudget)
        state.SkipWithError("an installed rectangle takes more than 1 KiB of heap");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * shapesFileSize(path)));
    state.counters["heap/shape"] = perShape;
    state.counters["MB"] = double(shapesFileSize(path)) / 1e6;
}

void BM_ReadMixed(benchmark::State& state) {
    read(state, false, false);
}
void BM_ReadRectangles(benchmark::State& state) {
    read(state, true, false);
}
// Reading and installing, as the window does: every shape is then observed.
void BM_ReadRectanglesInstalled(benchmark::State& state) {
    read(state, true, true);
}

// Serialising "Shapes.xml" (what the write rate is about) and the whole
// atomic save with its flushes to disk.
void serialize(benchmark::State& state, bool plainRectangles) {
    const auto count = static_cast<std::size_t>(state.range(0));
    DrawDocument doc;
    doc.setShapes(plainRectangles ? rectangles(count) : drawing(count));
    std::size_t bytes = 0;
    for (auto _ : state) {
        ByteBuffer data = doc.dataWithSelectionOnly(false);
        bytes = data.size();
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_SerializeMixed(benchmark::State& state) {
    serialize(state, false);
}
void BM_SerializeRectangles(benchmark::State& state) {
    serialize(state, true);
}

void BM_SaveMixedPackage(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    DrawDocument doc;
    doc.setShapes(drawing(count));
    const std::string path = (benchDirectory() / "saved.qvdraw").string();
    for (auto _ : state) {
        if (!doc.writeToPackage(path))
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * shapesFileSize(path)));
}

// Back-to-front hit testing over a full drawing, at points spread over it.
void BM_ShapeAtPoint(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    DrawDocument doc;
    doc.setShapes(drawing(count));
    ShapesController controller(&doc);
    testing::DrawingGenerator gen(99);
    std::vector<Point> points;
    for (int i = 0; i < 256; ++i)
        points.emplace_back(gen.real(0, 2300), gen.real(0, 2300));
    std::size_t i = 0, hits = 0;
    for (auto _ : state) {
        hits += controller.shapeAtPoint(points[i++ % points.size()]) != nullptr;
    }
    state.counters["hit rate"] = double(hits) / double(state.iterations());
}

} // namespace

BENCHMARK(BM_ReadMixed)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRectangles)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRectanglesInstalled)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerializeMixed)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerializeRectangles)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveMixedPackage)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShapeAtPoint)->Arg(10000)->Unit(benchmark::kMicrosecond);
