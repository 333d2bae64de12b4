// The canvas in a real window on the offscreen platform: geometry, zoom,
// redrawing, keys, mouse routing to the tools under awkward event orders,
// in-place editing, rulers and the zoom control.
#include "CanvasTestSupport.h"

#include "canvas/DrawRulerView.h"
#include "canvas/ModifierKeys.h"
#include "canvas/TextEditorOverlay.h"
#include "canvas/ZoomPopup.h"
#include "canvas/model/CanvasGeometry.h"
#include "document/Grid.h"
#include "framework/foundation/UserDefaults.h"
#include "shapes/BezierShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "tools/Tool.h"
#include "tools/qt/ToolCursors.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>

#include <tuple>

namespace qv::test {
namespace {

std::string plainText(const TextShape& s) {
    return s.text() ? s.text()->richText().plainText() : "<none>";
}

TEST_F(CanvasTest, ZoomCommandsStopAtTheLimitsWithABeepAndAReason) {
    setPaper({612, 792});
    EXPECT_EQ(window.scrollView()->canvasSize(), QSize(1000, 792));
    EXPECT_EQ(view().documentVisibleRect(), Rect(-194, 0, 1000, 600));
    QSignalSpy beeps(&view(), &DrawView::beeped);
    QSignalSpy zooms(&view(), &DrawView::zoomChanged);
    view().zoomToSelection(); // nothing selected
    EXPECT_EQ(beeps.count(), 1);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(view().performCommand("zoomIn"));
    EXPECT_EQ(view().zoom(), 16);
    EXPECT_EQ(zooms.count(), 4);
    MenuItemState state;
    ASSERT_TRUE(view().validateCommand("zoomIn", state));
    EXPECT_FALSE(state.enabled);
    view().zoomIn();
    EXPECT_EQ(beeps.count(), 2);
    EXPECT_FALSE(beeps.last().at(0).toString().isEmpty());

    // The zoom tool's click at the limit only centres on the point.
    view().zoomOnPoint({100, 80}, false);
    EXPECT_EQ(view().zoom(), 16);
    EXPECT_NEAR(view().documentVisibleRect().midX(), 100, 1.0 / 16);
    EXPECT_NEAR(view().documentVisibleRect().midY(), 80, 1.0 / 16);

    view().zoomActualSize();
    view().zoomActualSize();
    EXPECT_EQ(beeps.count(), 3);
    for (int i = 0; i < 3; ++i)
        view().zoomOut();
    EXPECT_EQ(view().zoom(), 0.25);
    EXPECT_EQ(beeps.count(), 4);
    EXPECT_FALSE(view().performCommand("group"));

    // A flat line zooms in on its one positive side.
    auto line = std::make_shared<LineShape>();
    line->setStart({100, 200});
    line->setEnd({300, 200});
    install({line});
    controller.selectAll();
    view().zoomToSelection();
    EXPECT_EQ(beeps.count(), 4);
    EXPECT_GT(view().zoom(), 4);
    EXPECT_TRUE(std::isfinite(view().zoom()));
    EXPECT_NEAR(view().documentVisibleRect().midX(), 200, 1);
}

TEST_F(CanvasTest, ARepaintVisitsOnlyTheShapesThatMeetTheChangedArea) {
    ShapeList shapes;
    for (int i = 0; i < 100; ++i) {
        auto s = std::make_shared<CountingRectangle>();
        s->setBounds({10.0 + 60 * (i % 10), 10.0 + 60 * (i / 10), 20, 20});
        shapes.push_back(s);
    }
    const std::size_t observers = NotificationCenter::defaultCenter().observerCount();
    install(shapes);
    // One registration serves every shape.
    EXPECT_EQ(NotificationCenter::defaultCenter().observerCount(), observers);
    view().displayIfNeeded();
    CountingRectangle::draws = 0;
    shapes[44]->offset({5, 0});
    view().displayIfNeeded();
    EXPECT_EQ(CountingRectangle::draws, 1);
    // Selecting draws handles over the cached picture of the shapes.
    CountingRectangle::draws = 0;
    controller.setSelectionIndexes({55});
    view().displayIfNeeded();
    EXPECT_EQ(CountingRectangle::draws, 0);
    const QPoint corner = at(shapes[55]->bounds().origin).toPoint();
    const QRgb handle = view().grab().toImage().pixel(corner);
    EXPECT_GT(qBlue(handle), qRed(handle) + 40);
    controller.deselectAll();
    view().displayIfNeeded();
    EXPECT_LT(qBlue(view().grab().toImage().pixel(corner)), 100);

    // At a fractional zoom the area to redraw is snapped outwards to whole
    // screen points; at a whole zoom it is not.
    for (double zoom : {1.5, 2.0}) {
        view().setZoom(zoom);
        view().centerOnRect({10, 10, 5, 5});
        view().displayIfNeeded();
        ASSERT_TRUE(view().pendingRedraw().isEmpty());
        view().setNeedsDisplayInRect({10, 10, 5, 5});
        const Rect snapped = snappedInvalidationRect({10, 10, 5, 5}, zoom);
        const QPointF o = at({0, 0});
        EXPECT_NE(snapped == Rect(10, 10, 5, 5), zoom == 1.5);
        const Rect got = view().pendingRedraw().bounds();
        EXPECT_NEAR(got.x(), o.x() + snapped.x() * zoom, 1e-9);
        EXPECT_NEAR(got.width(), snapped.width() * zoom, 1e-9);
    }
}

TEST_F(CanvasTest, GroupMembersRedrawThroughTheirGroupAndAfterUngrouping) {
    install({GroupShape::groupWithShapes(
        {rectangleAt(100, 100, 20, 20), rectangleAt(200, 100, 20, 20)})});
    auto group = std::static_pointer_cast<GroupShape>(controller.arrangedObjects()[0]);
    // Dark where the shape's outline runs, at its top-left corner.
    auto drawnAt = [&](const Shape& s) {
        view().displayIfNeeded();
        return qRed(view().grab().toImage().pixel(at(s.bounds().origin).toPoint())) < 100;
    };
    Shape& member = *group->shapes()[1];
    ASSERT_TRUE(drawnAt(member));
    member.offset({0, 50});
    EXPECT_TRUE(drawnAt(member));
    controller.selectAll();
    controller.ungroup();
    ASSERT_EQ(controller.count(), 2u);
    controller.deselectAll(); // handles would cover the corner
    const ShapePtr former = controller.arrangedObjects()[1];
    former->offset({0, 40});
    EXPECT_TRUE(drawnAt(*former));
    document.undoManager().endEventGroup();
    document.undoManager().undo();
    EXPECT_EQ(controller.count(), 1u);
    controller.deselectAll();
    controller.arrangedObjects()[0]->offset({30, 0});
    EXPECT_TRUE(drawnAt(*controller.arrangedObjects()[0]));
}

TEST_F(CanvasTest, KeysNudgeRemoveAndChooseToolsAndOthersDoNothing) {
    const ShapePtr a = rectangleAt(100, 100, 20, 20), b = rectangleAt(300, 100, 20, 20);
    install({a, b});
    controller.setSelectionIndexes({0});
    QTest::keyClick(&view(), Qt::Key_Right);
    EXPECT_EQ(a->bounds().origin, Point(109, 100)); // the default grid's minor spacing
    QTest::keyClick(&view(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(a->bounds().origin, Point(109, 99));
    QSignalSpy beeps(&view(), &DrawView::beeped);
    QTest::keyClick(&view(), Qt::Key_F5);
    QTest::keyClick(&view(), Qt::Key_1);
    EXPECT_EQ(beeps.count(), 0);
    EXPECT_EQ(controller.count(), 2u);
    QTest::keyClick(&view(), Qt::Key_Delete);
    EXPECT_EQ(controller.arrangedObjects(), ShapeList{b});
    controller.selectAll();
    QTest::keyClick(&view(), Qt::Key_Backspace);
    EXPECT_EQ(controller.count(), 0u);

    // Letters choose tools, also with Shift, never with Ctrl.
    Toolbox& toolbox = Toolbox::sharedToolbox();
    const std::tuple<Qt::Key, Qt::KeyboardModifier, std::size_t> letters[] = {
        {Qt::Key_R, Qt::NoModifier, 2},
        {Qt::Key_S, Qt::ControlModifier, 2},
        {Qt::Key_B, Qt::ShiftModifier, 10},
        {Qt::Key_S, Qt::NoModifier, 0}};
    for (const auto& [key, modifier, tool] : letters) {
        QTest::keyClick(&view(), key, modifier);
        EXPECT_EQ(toolbox.selectedToolIndex(), tool) << key;
    }
    // The tools' drawn cursors, at the screen's density.
    toolbox.setSelectedToolIndex(Toolbox::ZoomToolIndex);
    const QCursor zoom = toolCursor(CursorKind::ZoomIn, view());
    EXPECT_EQ(view().cursor().pixmap().cacheKey(), zoom.pixmap().cacheKey());
    EXPECT_EQ(view().cursor().hotSpot(), zoom.hotSpot());
}

TEST(ModifierKeys, PhysicalLettersAndTheOptionKeySetting) {
    // XKB keycodes of the US positions, whatever the layout types there.
    const std::pair<unsigned, char> keys[] = {{27, 'R'}, {38, 'A'}, {52, 'Z'}, {24, 'Q'},
                                              {58, 'M'}, {46, 'L'}, {10, 0},   {66, 0}};
    for (const auto& [code, letter] : keys)
        EXPECT_EQ(letterForXkbKeycode(code), letter) << code;

    InMemoryUserDefaults defaults;
    EXPECT_EQ(optionKeyFromDefaults(defaults), OptionKey::Alt);
    defaults.setString(kOptionKeyMeta, kOptionKeyDefaultsKey);
    EXPECT_EQ(optionKeyFromDefaults(defaults), OptionKey::Meta);
    EXPECT_EQ(modelModifierFlags(Qt::AltModifier | Qt::ShiftModifier),
              AlternateKeyMask | ShiftKeyMask);
    setOptionKey(OptionKey::Meta);
    EXPECT_EQ(modelModifierFlags(Qt::AltModifier | Qt::ControlModifier), CommandKeyMask);
    EXPECT_EQ(modelModifierFlagsForKey(Qt::Key_Super_L, {}, true), AlternateKeyMask);
    setOptionKey(OptionKey::Alt);
    // X11 reports the modifiers from before the key's own change.
    EXPECT_EQ(modelModifierFlagsForKey(Qt::Key_Shift, {}, true), ShiftKeyMask);
    EXPECT_EQ(modelModifierFlagsForKey(Qt::Key_Control, Qt::ControlModifier, false), 0u);
}

TEST_F(CanvasTest, MouseWheelAndGesturesReachTheToolOrTheScrollView) {
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::RectangleToolIndex);
    sendMouse(view(), QEvent::MouseButtonPress, at({90, 90}));
    ASSERT_TRUE(view().toolIsTracking());
    // No menu shortcut fires into a gesture.
    QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_Z, Qt::ControlModifier);
    shortcut.ignore();
    QApplication::sendEvent(&view(), &shortcut);
    EXPECT_TRUE(shortcut.isAccepted());
    sendMouse(view(), QEvent::MouseMove, at({180, 144}));
    sendMouse(view(), QEvent::MouseButtonRelease, at({180, 144}));
    ASSERT_EQ(controller.count(), 1u);
    EXPECT_EQ(controller.arrangedObjects()[0]->bounds(), Rect(90, 90, 90, 54));

    // A right click with the zoom tool zooms out, as an Option-click.
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::ZoomToolIndex);
    const QPointF c = at({200, 200});
    for (Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) {
        sendMouse(view(), QEvent::MouseButtonPress, c, button);
        sendMouse(view(), QEvent::MouseButtonRelease, c, button);
        EXPECT_EQ(view().zoom(), button == Qt::RightButton ? 0.5 : 1);
    }

    // Ctrl+wheel zooms about the pointer.
    const QPointF pointer(520, 320);
    const Point under = view().drawingPointForViewportPoint(pointer);
    auto wheel = [&](int dy, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(pointer, view().mapToGlobal(pointer), {}, {0, dy}, Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view(), &event);
    };
    wheel(240, Qt::ControlModifier);
    EXPECT_EQ(view().zoom(), 2);
    const Point after = view().drawingPointForViewportPoint(pointer);
    EXPECT_NEAR(after.x, under.x, 0.5);
    EXPECT_NEAR(after.y, under.y, 0.5);
    EXPECT_EQ(window.scrollView()->zoomPopup()->comboBox()->currentText(), "200 %");

    // The wheel scrolls down, with Shift sideways; the middle button pans.
    QPoint start = window.scrollView()->scrollPosition();
    wheel(-120, Qt::NoModifier);
    wheel(-120, Qt::ShiftModifier);
    const QPoint moved = window.scrollView()->scrollPosition() - start;
    EXPECT_GT(moved.x(), 0);
    EXPECT_GT(moved.y(), 0);
    start = window.scrollView()->scrollPosition();
    sendMouse(view(), QEvent::MouseButtonPress, {500, 300}, Qt::MiddleButton);
    sendMouse(view(), QEvent::MouseMove, {540, 320}, Qt::MiddleButton);
    sendMouse(view(), QEvent::MouseButtonRelease, {540, 320}, Qt::MiddleButton);
    EXPECT_EQ(window.scrollView()->scrollPosition(), start - QPoint(40, 20));
}

TEST_F(CanvasTest, EditingTextEndsWithEscapeOrEnterAndKeepsWhatItShould) {
    const auto existing = textShape("Hi");
    install({existing});
    view().beginEditingShape(existing, true, false);
    EXPECT_TRUE(controller.isEditing());
    EXPECT_TRUE(view().textEditor()->isVisible());
    // "S" types into the text; it does not choose a tool.
    QTest::keyClicks(view().textEditor(), "S");
    EXPECT_EQ(Toolbox::sharedToolbox().selectedToolIndex(), 0u);
    QTest::keyClick(view().textEditor(), Qt::Key_Escape);
    EXPECT_FALSE(view().editingShape());
    EXPECT_FALSE(controller.isEditing());
    EXPECT_EQ(controller.arrangedObjects(), ShapeList{existing});
    EXPECT_EQ(plainText(*existing), "S");
    // The edit is one undo step.
    document.undoManager().endEventGroup();
    document.undoManager().undo();
    EXPECT_EQ(plainText(*existing), "Hi");

    // A new shape: Ctrl+period removes it, Ctrl+Return keeps it with its text.
    const auto fresh = textShape("");
    for (Qt::Key end : {Qt::Key_Period, Qt::Key_Return}) {
        controller.addObject(fresh);
        view().beginEditingShape(fresh, true);
        QTest::keyClick(view().textEditor(), Qt::Key_X);
        QTest::keyClick(view().textEditor(), end, Qt::ControlModifier);
        EXPECT_EQ(controller.count(), end == Qt::Key_Period ? 1u : 2u);
    }

    // Emptied and committed with the keypad's Enter: gone.
    view().beginEditingShape(existing, true, false);
    QTest::keyClick(view().textEditor(), Qt::Key_Backspace);
    QTest::keyClick(view().textEditor(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(controller.arrangedObjects(), ShapeList{fresh});
}

TEST_F(CanvasTest, EditShapeAndTextCommandsReachPathsAndGroupedTextAndNeverRemoveAText) {
    const ShapePtr path = rectangleAt(10, 10, 50, 50)->bezierShape();
    const auto group = GroupShape::groupWithShapes({textShape(""), rectangleAt(0, 0, 5, 5)});
    const auto unreadable = std::make_shared<TextShape>();
    unreadable->setBounds({300, 300, 50, 20});
    unreadable->setTextData("not RTF at all");
    ASSERT_FALSE(unreadable->text());
    const auto plain = textShape("Hi");
    install({path, plain, group, unreadable});
    // The titles are the canvas commands' table's; here the command acts.
    controller.setSelectionIndexes({0});
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::LineToolIndex);
    ASSERT_TRUE(view().performCommand("editSelectedShape"));
    EXPECT_EQ(view().editingShape(), path.get());
    EXPECT_EQ(Toolbox::sharedToolbox().selectedToolIndex(), 0u);
    MenuItemState state;
    view().validateCommand("editSelectedShape", state);
    EXPECT_FALSE(state.enabled);
    EXPECT_TRUE(view().commitEditing());
    EXPECT_FALSE(view().commitEditing());

    controller.setSelectionIndexes({1, 2, 3});
    ASSERT_TRUE(view().performCommand("underline"));
    TextCommand bigger;
    bigger.kind = TextCommand::Kind::Bigger;
    view().applyTextCommand(bigger);
    EXPECT_EQ(controller.arrangedObjects(), (ShapeList{path, plain, group, unreadable}));
    EXPECT_EQ(group->shapes().size(), 2u);
    EXPECT_TRUE(plain->text()->richText().paragraphs()[0].runs[0].attributes.underline);
    const auto* member = dynamic_cast<const TextShape*>(group->shapes()[0].get());
    ASSERT_TRUE(member && member->text());
}

TEST_F(CanvasTest, RulersGrowTheWindowUnlessMaximisedAndTheZoomControlClampsTypedValues) {
    const QRect before = window.geometry();
    const QSize canvas = view().size();
    document.grid().setRulersVisible(true);
    QApplication::processEvents();
    EXPECT_TRUE(window.scrollView()->rulersVisible());
    EXPECT_EQ(window.geometry(), before.adjusted(0, 0, 20, 20));
    EXPECT_EQ(view().size(), canvas);
    EXPECT_EQ(window.scrollView()->horizontalRuler()->geometry().bottom() + 1,
              view().geometry().top());
    document.grid().setRulersVisible(false);
    QApplication::processEvents();
    EXPECT_EQ(window.geometry(), before);

    // The zoom control sits at the left of the horizontal scroll bar.
    ZoomPopup* popup = window.scrollView()->zoomPopup();
    QScrollBar* bar = window.scrollView()->horizontalScrollBar();
    EXPECT_EQ(popup->width(), DrawScrollView::kPopupWidth);
    EXPECT_EQ(popup->mapTo(&window, QPoint(0, 0)).x() + DrawScrollView::kPopupWidth,
              bar->mapTo(&window, QPoint(0, 0)).x());
    EXPECT_EQ(popup->height(), bar->height());
    QLineEdit* field = popup->comboBox()->lineEdit();
    const std::tuple<const char*, double, const char*> typed[] = {
        {"5000", 16, "1600 %"}, {"eighty", 16, nullptr}, {"87.5%", 0.875, nullptr}};
    for (const auto& [text, zoom, shown] : typed) {
        field->setText(text);
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_EQ(view().zoom(), zoom) << text;
        if (shown) {
            EXPECT_EQ(field->text(), shown);
        }
    }
    const int fitPage = popup->comboBox()->findText("Fit Page");
    ASSERT_GE(fitPage, 0);
    emit popup->comboBox()->activated(fitPage);
    EXPECT_DOUBLE_EQ(view().zoom(), (600.0 - 8) / 720); // 540 × 720 in 1000 × 600
    EXPECT_EQ(ZoomPopup::zoomText(0.25), "25 %");

    window.showMaximized();
    QApplication::processEvents();
    const QRect maximised = window.geometry();
    document.grid().setRulersVisible(true);
    QApplication::processEvents();
    EXPECT_EQ(window.geometry(), maximised);
}

class CanvasEventTest : public CanvasTest {
protected:
    CanvasEventTest() { document.grid().setSnap(false); }
    void press(DrawView& v, Point p, ulong time = 0, Qt::MouseButton b = Qt::LeftButton,
               Qt::MouseButtons held = {}) {
        sendMouse(v, QEvent::MouseButtonPress, v.viewportPointForDrawingPoint(p), b, {}, held | b,
                  time);
    }
    void release(DrawView& v, Point p, ulong time = 0, Qt::MouseButton b = Qt::LeftButton) {
        sendMouse(v, QEvent::MouseButtonRelease, v.viewportPointForDrawingPoint(p), b, {}, {},
                  time);
    }
    void move(DrawView& v, Point p, Qt::MouseButtons held) {
        sendMouse(v, QEvent::MouseMove, v.viewportPointForDrawingPoint(p), Qt::NoButton, {}, held);
    }
    void click(DrawView& v, Point p, ulong time = 0) {
        press(v, p, time);
        release(v, p, time ? time + 10 : 0);
    }
};

TEST_F(CanvasEventTest, ClicksAreCountedByTheEventsTimes) {
    // A polyline ends on a double click: whether two clicks count as one
    // depends only on their times, not on when they are handled.
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    const std::pair<ulong, bool> cases[] = {{ulong(interval) + 1, false}, {50, true}};
    for (const auto& [gap, waitBetween] : cases) {
        Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::PolylineToolIndex);
        install({});
        click(view(), {100, 100}, 1000);
        click(view(), {200, 100}, 2000);
        if (waitBetween)
            QTest::qWait(interval + 50); // a slow handler in between
        click(view(), {200, 100}, 2010 + gap);
        EXPECT_EQ(view().toolIsTracking(), !waitBetween) << gap;
        EXPECT_EQ(controller.count(), waitBetween ? 1u : 0u) << gap;
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
    // A second drawing in a window of its own.
    DrawDocument otherDocument;
    ShapesController other(&otherDocument);
    DrawWindow otherWindow;
    otherWindow.view()->bind(otherDocument, other);
    otherWindow.show();
    otherDocument.grid().setSnap(false);
    DrawView& second = *otherWindow.view();
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::PolylineToolIndex);
    click(view(), {100, 100});
    click(view(), {200, 100});
    ASSERT_TRUE(view().toolIsTracking());
    EXPECT_FALSE(second.toolIsTracking());
    // The other window neither ends nor feeds this gesture.
    second.endToolGesture();
    move(second, {300, 300}, Qt::NoButton);
    EXPECT_TRUE(view().toolIsTracking());
    EXPECT_EQ(other.count(), 0u);
    // A press there ends it here, where it belongs, and starts its own.
    press(second, {50, 50});
    EXPECT_EQ(controller.count(), 1u);
    EXPECT_EQ(other.count(), 0u);
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
    // A left press during a pan is ignored, also once the pan has ended.
    press(view(), p(20, 20), 0, Qt::MiddleButton);
    press(view(), p(30, 30), 0, Qt::LeftButton, Qt::MiddleButton);
    EXPECT_FALSE(view().toolIsTracking());
    move(view(), p(25, 25), Qt::LeftButton | Qt::MiddleButton);
    release(view(), p(25, 25), 0, Qt::MiddleButton);
    release(view(), p(25, 25));
    EXPECT_EQ(controller.count(), 0u);

    // No pan in the middle of a gesture.
    const Point start = view().documentVisibleRect().origin;
    auto q = [start](double dx, double dy) { return Point{start.x + dx, start.y + dy}; };
    press(view(), q(20, 20));
    move(view(), q(30, 30), Qt::LeftButton);
    const QPoint before = view().scrollView()->scrollPosition();
    press(view(), q(30, 30), 0, Qt::MiddleButton, Qt::LeftButton);
    move(view(), q(50, 40), Qt::LeftButton | Qt::MiddleButton);
    EXPECT_EQ(window.scrollView()->scrollPosition(), before);
    release(view(), q(50, 40));
    ASSERT_EQ(controller.count(), 1u);
    EXPECT_EQ(controller.arrangedObjects()[0]->bounds(), Rect(start.x + 20, start.y + 20, 30, 20));
}
} // namespace
} // namespace qv::test
