// Opening the busy page (10,000 shapes) in drawapp's document machinery, from
// the package on disk to the canvas's first painted frame: reading the
// package, loading the window with its menus, placing and showing it, and
// the first paint of the whole visible page. On the offscreen platform, so
// the figure leaves out the X server's own time to put the frame on screen.

#include "app/DocumentController.h"
#include "app/DocumentWindowController.h"
#include "bench/BusyPage.h"
#include "canvas/DrawView.h"
#include "document/DrawDocument.h"
#include "framework/foundation/UserDefaults.h"

#include "BenchApplication.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace qv {
namespace {

const QString& busyPackage() {
    static QTemporaryDir* dir = [] {
        bench::startApplication("bench_open");
        auto* d = new QTemporaryDir;
        DrawDocument document;
        document.setShapes(bench::busyPage());
        if (!document.writeToPackage(d->filePath(QStringLiteral("busy.qvdraw")).toStdString()))
            std::fprintf(stderr, "the busy page could not be written\n");
        return d;
    }();
    static const QString path = dir->filePath(QStringLiteral("busy.qvdraw"));
    return path;
}

void BM_OpenToFirstPaintedFrame(benchmark::State& state) {
    const QString& path = busyPackage();
    InMemoryUserDefaults defaults;
    bench::PaintCounter counter;
    qApp->installEventFilter(&counter);
    for (auto _ : state) {
        state.PauseTiming();
        auto documents = std::make_unique<DocumentController>(defaults);
        counter.paints = 0;
        state.ResumeTiming();

        DocumentWindowController* document = documents->openDocument(path);
        if (!document) {
            state.SkipWithError("the busy page did not open");
            break;
        }
        while (counter.paints == 0)
            QApplication::processEvents(QEventLoop::AllEvents);

        state.PauseTiming();
        benchmark::DoNotOptimize(document->document().shapes().size());
        documents.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    qApp->removeEventFilter(&counter);
}

BENCHMARK(BM_OpenToFirstPaintedFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace qv
