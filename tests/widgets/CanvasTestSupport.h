#pragma once
// A document window on a drawing, with its viewport sized exactly, and the
// shapes and mouse events the canvas's widget tests share.

#include "canvas/DrawScrollView.h"
#include "canvas/DrawView.h"
#include "canvas/DrawWindow.h"
#include "canvas/ShapesController.h"
#include "document/DrawDocument.h"
#include "document/RichText.h"
#include "shapes/RectangleShape.h"
#include "shapes/TextShape.h"
#include "tools/Toolbox.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>
#include <optional>

namespace qv::test {

inline ShapePtr rectangleAt(double x, double y, double w, double h) {
    auto s = std::make_shared<RectangleShape>();
    s->setBounds({x, y, w, h});
    return s;
}

inline std::shared_ptr<TextShape> textShape(const char* text, Rect bounds = {50, 50, 200, 40}) {
    auto s = std::make_shared<TextShape>();
    s->setBounds(bounds);
    s->setRichText(RichText::fromPlainText(text));
    return s;
}

// Counts its drawings, to see which shapes a repaint visits.
class CountingRectangle : public RectangleShape {
public:
    void drawInView(GraphicsContext& gc, const ShapeView* view, bool dragTarget) override {
        ++draws;
        RectangleShape::drawInView(gc, view, dragTarget);
    }
    static inline int draws = 0;
};

// A mouse event as the window system sends it: a move names no button, only
// those held; a release holds none unless told.
inline void sendMouse(QWidget& w, QEvent::Type type, QPointF pos,
                      Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = {},
                      std::optional<Qt::MouseButtons> held = std::nullopt, ulong time = 0) {
    QMouseEvent event(
        type, pos, w.mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button,
        held.value_or(type == QEvent::MouseButtonRelease ? Qt::NoButton : button), modifiers);
    if (time)
        event.setTimestamp(time);
    QApplication::sendEvent(&w, &event);
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
    QPointF at(Point p) { return view().viewportPointForDrawingPoint(p); }
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
