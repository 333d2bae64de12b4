// The canvas on the busy page (10,000 shapes, bench/BusyPage.h) at 100 % in a
// document window whose viewport is 1000 × 800, on the offscreen platform.
// Each iteration makes a change the way the application does and then lets
// Qt deliver what it posted (our queued redraw, then the update request), so
// the time includes finding the shapes, painting them into the window's
// backing store and flushing it. Per-frame medians are reported as
// "median_ms" beside the means.
//
//   repaint after one shape moved   a different shape each frame, 1 point
//   scroll by 100 pixels            at 400 %, into content not drawn yet, and
//                                   after a pause in which the canvas drew
//                                   the content around the viewport
//   full repaint                    the whole viewport, page and grid included
//   select all + arrow-key nudge    both repaints, through the key event
//   PNG export of the same page     for comparison with the full repaint

#include "BenchApplication.h"
#include "BusyPage.h"

#include "canvas/DrawScrollView.h"
#include "canvas/DrawView.h"
#include "canvas/DrawWindow.h"
#include "canvas/ShapesController.h"
#include "document/DrawDocument.h"
#include "framework/foundation/UndoManager.h"
#include "platform/qt/Export.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace qv {
namespace {

struct Canvas {
    DrawDocument document;
    ShapesController controller{&document};
    DrawWindow window;
    DrawView& view() { return *window.view(); }
};

// Delivers what a change posted: the queued redraw, then Qt's update request.
void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::sendPostedEvents();
}

Canvas& busyCanvas() {
    static Canvas* canvas = [] {
        bench::startApplication("bench_canvas");
        auto* c = new Canvas;
        c->document.setShapes(bench::busyPage());
        c->document.undoManager().removeAllActions();
        c->view().bind(c->document, c->controller);
        c->window.show();
        for (int i = 0; i < 3 && c->view().size() != QSize(1000, 800); ++i) {
            c->window.resize(c->window.size() + QSize(1000, 800) - c->view().size());
            QApplication::processEvents();
        }
        if (c->view().size() != QSize(1000, 800))
            std::fprintf(stderr, "viewport is %dx%d\n", c->view().width(), c->view().height());
        c->view().centerOnRect({0, 0, 540, 720});
        c->view().update();
        settle();
        return c;
    }();
    return *canvas;
}

class FrameTimes {
public:
    template <class F> void time(F&& f) {
        const auto start = std::chrono::steady_clock::now();
        f();
        m_Ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    void report(benchmark::State& state, const std::string& prefix = "") {
        if (m_Ms.empty())
            return;
        std::sort(m_Ms.begin(), m_Ms.end());
        state.counters[prefix + "median_ms"] = m_Ms[m_Ms.size() / 2];
        if (prefix.empty())
            state.counters["max_ms"] = m_Ms.back();
    }

private:
    std::vector<double> m_Ms;
};

void BM_RepaintAfterOneShapeMoved(benchmark::State& state) {
    Canvas& c = busyCanvas();
    const ShapeList shapes = c.document.shapes();
    FrameTimes frames;
    std::size_t i = 0;
    for (auto _ : state) {
        const ShapePtr& shape = shapes[(i * 7919) % shapes.size()];
        const double dx = (i / shapes.size()) % 2 ? -1 : 1;
        frames.time([&] {
            shape->offset({dx, 0});
            settle();
        });
        ++i;
    }
    c.document.undoManager().removeAllActions();
    frames.report(state);
}

// Zoom 4 gives a canvas of 2160 × 2880 to scroll down and up in.
void scrollFrames(benchmark::State& state, bool prepared) {
    Canvas& c = busyCanvas();
    DrawScrollView& scroll = *c.window.scrollView();
    c.view().setZoom(4);
    scroll.scrollToPosition({500, 0});
    settle();
    FrameTimes frames;
    int step = 100;
    for (auto _ : state) {
        state.PauseTiming();
        const QPoint at = scroll.scrollPosition();
        if (at.y() + step < 0 || at.y() + step > scroll.verticalScrollBar()->maximum())
            step = -step;
        if (prepared) {
            // The canvas left alone: the content around the viewport is drawn.
            while (!c.view().contentPrefetched())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        } else {
            // Nothing beyond the viewport is ready.
            c.view().setNeedsDisplay();
            settle();
        }
        state.ResumeTiming();
        frames.time([&] {
            scroll.scrollToPosition(at + QPoint(0, step));
            settle();
        });
    }
    c.view().setZoom(1);
    c.view().centerOnRect({0, 0, 540, 720});
    settle();
    frames.report(state);
}

void BM_Scroll100PixelsIntoUndrawnContent(benchmark::State& state) {
    scrollFrames(state, false);
}

void BM_Scroll100PixelsAfterAPause(benchmark::State& state) {
    scrollFrames(state, true);
}

void BM_FullRepaint(benchmark::State& state) {
    Canvas& c = busyCanvas();
    FrameTimes frames;
    for (auto _ : state)
        frames.time([&] {
            // Everything, the cached picture of the shapes included.
            c.view().setNeedsDisplay();
            settle();
        });
    frames.report(state);
}

void BM_SelectAllAndNudge(benchmark::State& state) {
    Canvas& c = busyCanvas();
    FrameTimes frames, selecting, nudging;
    int key = Qt::Key_Right;
    for (auto _ : state) {
        frames.time([&] {
            selecting.time([&] {
                c.controller.selectAll();
                settle();
            });
            nudging.time([&] {
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
                QApplication::sendEvent(&c.view(), &press);
                settle();
            });
        });
        state.PauseTiming();
        key = key == Qt::Key_Right ? Qt::Key_Left : Qt::Key_Right;
        c.controller.deselectAll();
        settle();
        c.document.undoManager().removeAllActions();
        state.ResumeTiming();
    }
    frames.report(state);
    // The two frames apart: handles over the kept picture, then everything.
    selecting.report(state, "select_");
    nudging.report(state, "nudge_");
}

void BM_ExportPNGOfTheSamePage(benchmark::State& state) {
    Canvas& c = busyCanvas();
    FrameTimes frames;
    for (auto _ : state)
        frames.time([&] {
            ExportResult r = dataForType(c.document, "png", 0, 0, false);
            benchmark::DoNotOptimize(r.data);
        });
    frames.report(state);
}

BENCHMARK(BM_RepaintAfterOneShapeMoved)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Scroll100PixelsIntoUndrawnContent)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Scroll100PixelsAfterAPause)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SelectAllAndNudge)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportPNGOfTheSamePage)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace qv
