#pragma once
// A document with its shapes controller, and small helpers for the
// controller's tests.

#include "canvas/ShapesController.h"
#include "document/DrawDocument.h"
#include "framework/foundation/UndoManager.h"
#include "shapes/RectangleShape.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qv::testing {

inline ShapePtr rectangle(double x, double y, double w, double h) {
    auto s = std::make_shared<RectangleShape>();
    s->setBounds(Rect(x, y, w, h));
    return s;
}

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest() : controller(&document) {
        controller.setBeepHook([this] { ++beeps; });
    }

    UndoManager& undo() { return document.undoManager(); }
    // Installs the shapes without an undo step.
    void install(const ShapeList& shapes) {
        document.setShapes(shapes);
        undo().removeAllActions();
    }
    ShapeList installRectangles(int n) {
        ShapeList shapes;
        for (int i = 0; i < n; ++i)
            shapes.push_back(rectangle(10.0 * i, 10.0 * i, 20, 20));
        install(shapes);
        return shapes;
    }
    // Runs a command as the event loop would: the step closes with the event.
    void run(std::string_view command) {
        ASSERT_TRUE(controller.performCommand(command)) << command;
        undo().endEventGroup();
    }
    std::string lastActionName() { return undo().undoActionName(); }

    DrawDocument document;
    ShapesController controller;
    int beeps = 0;
};

} // namespace qv::testing
