#pragma once
// What the benchmarks of the canvas and the document machinery share: one
// QApplication (offscreen unless the caller chose a platform) and a count of
// the canvases' paints.

#include "canvas/DrawView.h"

#include <QApplication>
#include <QEvent>
#include <QObject>

namespace qv::bench {

// Starts the application once, named for the benchmark.
inline void startApplication(const char* name) {
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(name), nullptr};
    new QApplication(argc, argv);
}

// Counts the paints of every canvas.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && qobject_cast<DrawView*>(watched))
            ++paints;
        return false;
    }
};

} // namespace qv::bench
