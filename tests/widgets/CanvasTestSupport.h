#pragma once
// A document window on a drawing, with its viewport sized exactly, for the
// canvas's widget tests.

#include "canvas/DrawScrollView.h"
#include "canvas/DrawView.h"
#include "canvas/DrawWindow.h"
#include "canvas/ShapesController.h"
#include "document/DrawDocument.h"
#include "shapes/RectangleShape.h"
#include "tools/Toolbox.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace qv::test {

inline ShapePtr rectangleAt(double x, double y, double w, double h) {
    auto s = std::make_shared<RectangleShape>();
    s->setBounds({x, y, w, h});
    return s;
}

class CanvasTest : public ::testing::Test {
protected:
    CanvasTest() : controller(&document) {
        view().bind(document, controller);
        window.show();
        setViewportSize({1000, 600});
    }
    ~CanvasTest() override { Toolbox::sharedToolbox().setSelectedToolIndex(0); }

    DrawView& view() { return *window.view(); }
    void setViewportSize(QSize size) {
        // The window's decorations and bars take the rest.
        for (int i = 0; i < 3 && view().size() != size; ++i) {
            window.resize(window.size() + size - view().size());
            QApplication::processEvents();
        }
        ASSERT_EQ(view().size(), size);
    }
    void install(const ShapeList& shapes) {
        document.setShapes(shapes);
        document.undoManager().removeAllActions();
    }
    // The page as the paper with no margins.
    void setPaper(Size paper) {
        PrintInfo info;
        info.setPaperSize(paper);
        info.setLeftMargin(0);
        info.setRightMargin(0);
        info.setTopMargin(0);
        info.setBottomMargin(0);
        document.setPrintInfo(info);
    }

    DrawDocument document;
    ShapesController controller;
    DrawWindow window;
};

} // namespace qv::test
