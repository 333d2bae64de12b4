// The canvas's mouse handling under awkward event orders: clicks counted by
// the events' own times, releases that never arrive, gestures of two windows,
// and panning against tool gestures.
#include "CanvasTestSupport.h"

#include "document/Grid.h"
#include "shapes/PolylineShape.h"
#include "tools/Tool.h"

#include <QGuiApplication>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>

namespace qv::test {
namespace {

void sendMouse(QWidget& w, QEvent::Type type, QPointF pos, Qt::MouseButton button,
               Qt::MouseButtons held, ulong timestamp = 0) {
    QMouseEvent event(type, pos, w.mapToGlobal(pos), button, held, {});
    event.setTimestamp(timestamp);
    QApplication::sendEvent(&w, &event);
}

// A second drawing in a window of its own.
struct SecondWindow {
    SecondWindow() : controller(&document) {
        window.view()->bind(document, controller);
        window.show();
    }
    DrawDocument document;
    ShapesController controller;
    DrawWindow window;
};

class CanvasEventTest : public CanvasTest {
protected:
    CanvasEventTest() {
        document.grid().setSnap(false);
        install({});
    }
    ~CanvasEventTest() override { Toolbox::sharedToolbox().setSelectedToolIndex(0); }
    QPointF at(Point p) { return view().viewportPointForDrawingPoint(p); }
    void press(DrawView& v, Point p, ulong time = 0, Qt::MouseButton b = Qt::LeftButton) {
        sendMouse(v, QEvent::MouseButtonPress, v.viewportPointForDrawingPoint(p), b, b, time);
    }
    void release(DrawView& v, Point p, ulong time = 0, Qt::MouseButton b = Qt::LeftButton) {
        sendMouse(v, QEvent::MouseButtonRelease, v.viewportPointForDrawingPoint(p), b, {}, time);
    }
    void move(DrawView& v, Point p, Qt::MouseButtons held) {
        sendMouse(v, QEvent::MouseMove, v.viewportPointForDrawingPoint(p), Qt::NoButton, held);
    }
};

TEST_F(CanvasEventTest, ClicksAreCountedByTheEventsTimes) {
    // A polyline ends on a double click: whether two clicks count as one
    // depends only on their times, not on when they are handled.
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    struct Case {
        ulong gap;
        bool waitBetween;
        bool ends;
    };
    for (const Case& c : {Case{ulong(interval) + 1, false, false}, Case{50, true, true}}) {
        Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::PolylineToolIndex);
        install({});
        press(view(), {100, 100}, 1000);
        release(view(), {100, 100}, 1010);
        press(view(), {200, 100}, 2000);
        release(view(), {200, 100}, 2010);
        if (c.waitBetween)
            QTest::qWait(interval + 50); // a slow handler in between
        press(view(), {200, 100}, 2010 + c.gap);
        release(view(), {200, 100}, 2020 + c.gap);
        EXPECT_EQ(view().toolIsTracking(), !c.ends) << c.gap;
        EXPECT_EQ(controller.count(), c.ends ? 1u : 0u) << c.gap;
        view().endToolGesture();
    }
}

TEST_F(CanvasEventTest, ALostReleaseReachesTheToolBeforeTheNextEvent) {
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::RectangleToolIndex);
    // Released elsewhere, then a move with no button held; then a press
    // while the canvas still thinks the button is down.
    press(view(), {100, 100});
    move(view(), {150, 140}, Qt::LeftButton);
    move(view(), {300, 300}, Qt::NoButton);
    ASSERT_EQ(controller.count(), 1u);
    EXPECT_EQ(controller.arrangedObjects()[0]->bounds(), Rect(100, 100, 50, 40));
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::RectangleToolIndex);
    press(view(), {200, 200});
    move(view(), {260, 230}, Qt::LeftButton);
    press(view(), {400, 400});
    ASSERT_EQ(controller.count(), 2u);
    EXPECT_EQ(controller.arrangedObjects()[1]->bounds(), Rect(200, 200, 60, 30));
    // The new press started a gesture of its own.
    EXPECT_TRUE(view().toolIsTracking());
    release(view(), {400, 400});
}

TEST_F(CanvasEventTest, AGestureBelongsToTheWindowItStartedIn) {
    SecondWindow other;
    other.document.grid().setSnap(false);
    DrawView& second = *other.window.view();
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::PolylineToolIndex);
    press(view(), {100, 100});
    release(view(), {100, 100});
    press(view(), {200, 100});
    release(view(), {200, 100});
    ASSERT_TRUE(view().toolIsTracking());
    EXPECT_FALSE(second.toolIsTracking());
    // The other window neither ends nor feeds this gesture.
    second.endToolGesture();
    move(second, {300, 300}, Qt::NoButton);
    EXPECT_TRUE(view().toolIsTracking());
    EXPECT_EQ(other.controller.count(), 0u);
    // A press there ends it here, where it belongs, and starts its own.
    press(second, {50, 50});
    EXPECT_EQ(controller.count(), 1u);
    EXPECT_EQ(other.controller.count(), 0u);
    EXPECT_FALSE(view().toolIsTracking());
    EXPECT_TRUE(second.toolIsTracking());
    release(second, {50, 50});
    second.endToolGesture();
}

TEST_F(CanvasEventTest, PanningAndToolGesturesExcludeEachOther) {
    view().setZoom(4); // the canvas scrolls both ways
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::RectangleToolIndex);
    const Point o = view().documentVisibleRect().origin;
    auto p = [o](double dx, double dy) { return Point{o.x + dx, o.y + dy}; };
    auto scrolled = [this] {
        return QPoint(view().scrollView()->horizontalScrollBar()->value(),
                      view().scrollView()->verticalScrollBar()->value());
    };
    // A left press during a pan is ignored, also once the pan has ended.
    press(view(), p(20, 20), 0, Qt::MiddleButton);
    sendMouse(view(), QEvent::MouseButtonPress, at(p(30, 30)), Qt::LeftButton,
              Qt::LeftButton | Qt::MiddleButton);
    EXPECT_FALSE(view().toolIsTracking());
    move(view(), p(25, 25), Qt::LeftButton | Qt::MiddleButton);
    release(view(), p(25, 25), 0, Qt::MiddleButton);
    sendMouse(view(), QEvent::MouseButtonRelease, at(p(25, 25)), Qt::LeftButton, {});
    EXPECT_EQ(controller.count(), 0u);

    // No pan in the middle of a gesture.
    const Point start = view().documentVisibleRect().origin;
    auto q = [start](double dx, double dy) { return Point{start.x + dx, start.y + dy}; };
    press(view(), q(20, 20));
    move(view(), q(30, 30), Qt::LeftButton);
    const QPoint before = scrolled();
    sendMouse(view(), QEvent::MouseButtonPress, at(q(30, 30)), Qt::MiddleButton,
              Qt::LeftButton | Qt::MiddleButton);
    move(view(), q(50, 40), Qt::LeftButton | Qt::MiddleButton);
    EXPECT_EQ(scrolled(), before);
    release(view(), q(50, 40));
    ASSERT_EQ(controller.count(), 1u);
    EXPECT_EQ(controller.arrangedObjects()[0]->bounds(), Rect(start.x + 20, start.y + 20, 30, 20));
}

} // namespace
} // namespace qv::test
