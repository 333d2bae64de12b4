// Recovery copies of the busy page (10,000 shapes) in drawapp's document
// machinery, on the offscreen platform:
//   CopyMainThread   what a copy holds up the window for: serialising the
//                    document and handing the bytes to the writer thread
//                    (target: 50 ms at most)
//   CopyWhole        the same until the copy is on disk (the writer's time
//                    included, fsync and all)
//   RecoverAtStartUp from finding the copy of an ended process to the
//                    recovered window's first painted frame: taking the copy
//                    over, reading it, loading, showing and painting the
//                    window (target: 1 s at most)

#include "app/DocumentController.h"
#include "app/DocumentWindowController.h"
#include "app/RecoveryController.h"
#include "bench/BusyPage.h"
#include "canvas/DrawView.h"
#include "document/DrawDocument.h"
#include "document/RecoveryStore.h"
#include "framework/foundation/UserDefaults.h"

#include "BenchApplication.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace qv {
namespace {

QTemporaryDir& stateFolder() {
    static QTemporaryDir* dir = [] {
        bench::startApplication("bench_recovery");
        return new QTemporaryDir;
    }();
    return *dir;
}

std::string recoveryFolder() {
    return stateFolder().filePath(QStringLiteral("recovery")).toStdString();
}

ProcessIdentity endedProcess() {
    ProcessIdentity p;
    p.bootId = std::string(32, 'e');
    p.pid = 4242;
    p.startTime = 77;
    return p;
}

void copyBusyPage(benchmark::State& state, bool untilOnDisk) {
    stateFolder();
    InMemoryUserDefaults defaults;
    DocumentController documents(defaults);
    RecoveryController recovery(
        documents, RecoveryStore(recoveryFolder(), ProcessIdentity::current()), 3600 * 1000);
    DocumentWindowController* document = documents.newDocument();
    document->document().setShapes(bench::busyPage());
    QApplication::processEvents();
    for (auto _ : state) {
        if (!recovery.writeCopyNow(document)) {
            state.SkipWithError("the document is not followed");
            break;
        }
        if (!untilOnDisk)
            state.PauseTiming();
        recovery.waitForWrites();
        if (!untilOnDisk)
            state.ResumeTiming();
    }
    if (recovery.copyPathOf(document).isEmpty())
        state.SkipWithError("no copy was written");
    document->closeWithoutAsking();
    QApplication::processEvents();
}

void BM_RecoveryCopyMainThread(benchmark::State& state) {
    copyBusyPage(state, false);
}

void BM_RecoveryCopyWhole(benchmark::State& state) {
    copyBusyPage(state, true);
}

void BM_RecoverAtStartUp(benchmark::State& state) {
    stateFolder();
    const std::string ended = recoveryCopyName(endedProcess(), 1);
    {
        DrawDocument busy;
        busy.setShapes(bench::busyPage());
        PackageFiles files;
        RecoveryStore store(recoveryFolder(), endedProcess());
        if (!busy.fileWrapperRepresentation(files) ||
            !store.writeCopy(ended, {"", "Busy", 1, endedProcess()}, files)) {
            state.SkipWithError("the copy could not be written");
            return;
        }
    }
    InMemoryUserDefaults defaults;
    bench::PaintCounter counter;
    qApp->installEventFilter(&counter);
    for (auto _ : state) {
        state.PauseTiming();
        auto documents = std::make_unique<DocumentController>(defaults);
        auto recovery = std::make_unique<RecoveryController>(
            *documents, RecoveryStore(recoveryFolder(), ProcessIdentity::current()), 3600 * 1000);
        recovery->setAutomaticAnswer(RecoveryController::Answer::Recover, false);
        counter.paints = 0;
        state.ResumeTiming();

        const std::vector<DocumentWindowController*> opened = recovery->recoverAtStartUp();
        if (opened.size() != 1) {
            state.SkipWithError("the copy was not recovered");
            break;
        }
        while (counter.paints == 0)
            QApplication::processEvents(QEventLoop::AllEvents);

        state.PauseTiming();
        benchmark::DoNotOptimize(opened[0]->document().shapes().size());
        const QString taken = recovery->copyPathOf(opened[0]);
        // The program ends without closing the window: the copy stays, and
        // goes back to the ended process for the next round.
        recovery.reset();
        documents.reset();
        QApplication::processEvents();
        QDir().rename(taken, QString::fromStdString(recoveryFolder() + "/" + ended));
        state.ResumeTiming();
    }
    qApp->removeEventFilter(&counter);
}

BENCHMARK(BM_RecoveryCopyMainThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RecoveryCopyWhole)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RecoverAtStartUp)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace qv
