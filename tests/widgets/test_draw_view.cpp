// The canvas in a real window on the offscreen platform: geometry, zoom,
// redrawing, keys, mouse routing to the tools, in-place editing, rulers and
// the zoom control.
#include "CanvasTestSupport.h"

#include "canvas/DrawRulerView.h"
#include "canvas/ModifierKeys.h"
#include "canvas/TextEditorOverlay.h"
#include "canvas/ZoomPopup.h"
#include "document/Grid.h"
#include "framework/foundation/UserDefaults.h"
#include "shapes/BezierShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/TextShape.h"
#include "tools/qt/ToolCursors.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace qv::test {
namespace {

std::shared_ptr<TextShape> textShape(const char* text, Rect bounds = {50, 50, 200, 40}) {
    auto s = std::make_shared<TextShape>();
    s->setBounds(bounds);
    s->setRichText(RichText::fromPlainText(text));
    return s;
}

std::string plainText(const TextShape& s) {
    return s.text() ? s.text()->richText().plainText() : "<none>";
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

void sendMouse(QWidget& w, QEvent::Type type, Qt::MouseButton button, QPointF pos,
               Qt::KeyboardModifiers modifiers = {}) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, pos, w.mapToGlobal(pos),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, modifiers);
    QApplication::sendEvent(&w, &event);
}

TEST_F(CanvasTest, PageIsCentredOnTheCanvasAtTheDocumentedOffset) {
    setPaper({612, 792});
    EXPECT_EQ(window.scrollView()->canvasSize(), QSize(1000, 792));
    EXPECT_EQ(view().viewportPointForDrawingPoint({0, 0}), QPointF(194, 0));
    EXPECT_EQ(view().documentVisibleRect(), Rect(-194, 0, 1000, 600));
}

TEST_F(CanvasTest, ZoomCommandsStopAtTheLimitsWithABeepAndAReason) {
    QSignalSpy beeps(&view(), &DrawView::beeped);
    QSignalSpy zooms(&view(), &DrawView::zoomChanged);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(view().performCommand("zoomIn"));
    EXPECT_EQ(view().zoom(), 16);
    EXPECT_EQ(zooms.count(), 4);
    EXPECT_EQ(beeps.count(), 0);
    MenuItemState state;
    ASSERT_TRUE(view().validateCommand("zoomIn", state));
    EXPECT_FALSE(state.enabled);
    view().zoomIn();
    EXPECT_EQ(beeps.count(), 1);
    EXPECT_FALSE(beeps.last().at(0).toString().isEmpty());

    // The zoom tool's click at the limit only centres on the point.
    view().zoomOnPoint({100, 80}, false);
    EXPECT_EQ(view().zoom(), 16);
    EXPECT_NEAR(view().documentVisibleRect().midX(), 100, 1.0 / 16);
    EXPECT_NEAR(view().documentVisibleRect().midY(), 80, 1.0 / 16);

    view().zoomActualSize();
    view().zoomActualSize();
    EXPECT_EQ(beeps.count(), 2);
    view().zoomOut();
    view().zoomOut();
    view().zoomOut();
    EXPECT_EQ(view().zoom(), 0.25);
    EXPECT_EQ(beeps.count(), 3);
    EXPECT_FALSE(view().performCommand("group"));
}

TEST_F(CanvasTest, ZoomToSelectionZoomsOnAFlatLineAndBeepsWithoutSelection) {
    QSignalSpy beeps(&view(), &DrawView::beeped);
    view().zoomToSelection();
    EXPECT_EQ(beeps.count(), 1);
    auto line = std::make_shared<LineShape>();
    line->setStart({100, 200});
    line->setEnd({300, 200});
    install({line});
    controller.selectAll();
    view().zoomToSelection();
    EXPECT_EQ(beeps.count(), 1);
    EXPECT_GT(view().zoom(), 4);
    EXPECT_TRUE(std::isfinite(view().zoom()));
    EXPECT_NEAR(view().documentVisibleRect().midX(), 200, 1);
}

TEST_F(CanvasTest, RedrawAreasSnapAtFractionalZoomsOnly) {
    for (double zoom : {1.5, 2.0}) {
        view().setZoom(zoom);
        view().centerOnRect({10, 10, 5, 5});
        view().displayIfNeeded();
        ASSERT_TRUE(view().pendingRedraw().isEmpty());
        view().setNeedsDisplayInRect({10, 10, 5, 5});
        const QPointF o = view().viewportPointForDrawingPoint({0, 0});
        // Zoom 1.5 marks (28/3, 28/3, 20/3, 20/3): 14 to 24 pixels from the corner.
        const Rect expected = zoom == 1.5 ? Rect(o.x() + 14, o.y() + 14, 10, 10)
                                          : Rect(o.x() + 20, o.y() + 20, 10, 10);
        const Rect got = view().pendingRedraw().bounds();
        EXPECT_NEAR(got.x(), expected.x(), 1e-9);
        EXPECT_NEAR(got.y(), expected.y(), 1e-9);
        EXPECT_NEAR(got.width(), expected.width(), 1e-9);
        EXPECT_NEAR(got.height(), expected.height(), 1e-9);
    }
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
    const QPoint corner =
        view().viewportPointForDrawingPoint(shapes[55]->bounds().origin).toPoint();
    const QRgb handle = view().grab().toImage().pixel(corner);
    EXPECT_GT(qBlue(handle), qRed(handle) + 40);
    controller.deselectAll();
    view().displayIfNeeded();
    EXPECT_LT(qBlue(view().grab().toImage().pixel(corner)), 100);
}

TEST_F(CanvasTest, GroupMembersRedrawThroughTheirGroupAndAfterUngrouping) {
    install({GroupShape::groupWithShapes(
        {rectangleAt(100, 100, 20, 20), rectangleAt(200, 100, 20, 20)})});
    auto group = std::static_pointer_cast<GroupShape>(controller.arrangedObjects()[0]);
    // Dark where the shape's outline runs, at its top-left corner.
    auto drawnAt = [&](const Shape& s) {
        view().displayIfNeeded();
        const QPoint corner = view().viewportPointForDrawingPoint(s.bounds().origin).toPoint();
        return qRed(view().grab().toImage().pixel(corner)) < 100;
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

TEST_F(CanvasTest, ArrowKeysNudgeDeleteRemovesOtherKeysDoNothing) {
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
}

TEST_F(CanvasTest, LetterKeysChooseToolsButNotWithCtrl) {
    Toolbox& toolbox = Toolbox::sharedToolbox();
    QTest::keyClick(&view(), Qt::Key_R);
    EXPECT_EQ(toolbox.selectedToolIndex(), 2u);
    QTest::keyClick(&view(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(toolbox.selectedToolIndex(), 2u);
    QTest::keyClick(&view(), Qt::Key_B, Qt::ShiftModifier);
    EXPECT_EQ(toolbox.selectedToolIndex(), 10u);
    QTest::keyClick(&view(), Qt::Key_S);
    EXPECT_EQ(toolbox.selectedToolIndex(), 0u);
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

TEST_F(CanvasTest, MouseGesturesReachTheSelectedToolInDrawingCoordinates) {
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::RectangleToolIndex);
    const QPointF from = view().viewportPointForDrawingPoint({90, 90});
    const QPointF to = view().viewportPointForDrawingPoint({180, 144});
    sendMouse(view(), QEvent::MouseButtonPress, Qt::LeftButton, from);
    ASSERT_TRUE(view().toolIsTracking());
    // No menu shortcut fires into a gesture.
    QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_Z, Qt::ControlModifier);
    shortcut.ignore();
    QApplication::sendEvent(&view(), &shortcut);
    EXPECT_TRUE(shortcut.isAccepted());
    sendMouse(view(), QEvent::MouseMove, Qt::LeftButton, to);
    sendMouse(view(), QEvent::MouseButtonRelease, Qt::LeftButton, to);
    ASSERT_EQ(controller.count(), 1u);
    EXPECT_EQ(controller.arrangedObjects()[0]->bounds(), Rect(90, 90, 90, 54));

    // A right click with the zoom tool zooms out, as an Option-click.
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::ZoomToolIndex);
    const QPointF c = view().viewportPointForDrawingPoint({200, 200});
    sendMouse(view(), QEvent::MouseButtonPress, Qt::RightButton, c);
    sendMouse(view(), QEvent::MouseButtonRelease, Qt::RightButton, c);
    EXPECT_EQ(view().zoom(), 0.5);
    sendMouse(view(), QEvent::MouseButtonPress, Qt::LeftButton, c);
    sendMouse(view(), QEvent::MouseButtonRelease, Qt::LeftButton, c);
    EXPECT_EQ(view().zoom(), 1);
}

TEST_F(CanvasTest, CtrlWheelZoomsAboutThePointerAndMiddleDragPans) {
    const QPointF pointer(520, 320);
    const Point under = view().drawingPointForViewportPoint(pointer);
    QWheelEvent wheel(pointer, view().mapToGlobal(pointer), {}, {0, 240}, Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view(), &wheel);
    EXPECT_EQ(view().zoom(), 2);
    const Point after = view().drawingPointForViewportPoint(pointer);
    EXPECT_NEAR(after.x, under.x, 0.5);
    EXPECT_NEAR(after.y, under.y, 0.5);
    EXPECT_EQ(window.scrollView()->zoomPopup()->comboBox()->currentText(), "200 %");

    // The wheel scrolls down, with Shift sideways.
    QPoint start = window.scrollView()->scrollPosition();
    for (Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
        QWheelEvent scrollWheel(pointer, view().mapToGlobal(pointer), {}, {0, -120}, Qt::NoButton,
                                modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view(), &scrollWheel);
    }
    const QPoint moved = window.scrollView()->scrollPosition() - start;
    EXPECT_GT(moved.x(), 0);
    EXPECT_GT(moved.y(), 0);

    start = window.scrollView()->scrollPosition();
    sendMouse(view(), QEvent::MouseButtonPress, Qt::MiddleButton, {500, 300});
    sendMouse(view(), QEvent::MouseMove, Qt::MiddleButton, {540, 320});
    sendMouse(view(), QEvent::MouseButtonRelease, Qt::MiddleButton, {540, 320});
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
    EXPECT_EQ(plainText(*existing), "S");
    QTest::keyClick(view().textEditor(), Qt::Key_Escape);
    EXPECT_FALSE(view().editingShape());
    EXPECT_FALSE(controller.isEditing());
    EXPECT_EQ(controller.arrangedObjects(), ShapeList{existing});
    EXPECT_EQ(plainText(*existing), "S");
    // The edit is one undo step.
    document.undoManager().endEventGroup();
    document.undoManager().undo();
    EXPECT_EQ(plainText(*existing), "Hi");

    // A new shape: Escape removes it, Ctrl+Return keeps it with its text.
    const auto fresh = textShape("");
    controller.addObject(fresh);
    view().beginEditingShape(fresh, true);
    QTest::keyClick(view().textEditor(), Qt::Key_X);
    QTest::keyClick(view().textEditor(), Qt::Key_Period, Qt::ControlModifier);
    EXPECT_EQ(controller.arrangedObjects(), ShapeList{existing});
    controller.addObject(fresh);
    view().beginEditingShape(fresh, true);
    QTest::keyClick(view().textEditor(), Qt::Key_X);
    QTest::keyClick(view().textEditor(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(controller.count(), 2u);

    // Emptied and committed with the keypad's Enter: gone.
    view().beginEditingShape(existing, true, false);
    QTest::keyClick(view().textEditor(), Qt::Key_Backspace);
    QTest::keyClick(view().textEditor(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(controller.arrangedObjects(), ShapeList{fresh});
}

TEST_F(CanvasTest, EditSelectedShapeEditsPathsAndTextsByTheirTitles) {
    const ShapePtr path = rectangleAt(10, 10, 50, 50)->bezierShape();
    install({path, textShape("T")});
    MenuItemState state;
    controller.setSelectionIndexes({0});
    view().validateCommand("editSelectedShape", state);
    EXPECT_EQ(state.title, "Edit Path");
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::LineToolIndex);
    ASSERT_TRUE(view().performCommand("editSelectedShape"));
    EXPECT_EQ(view().editingShape(), path.get());
    EXPECT_EQ(Toolbox::sharedToolbox().selectedToolIndex(), 0u);
    view().validateCommand("editSelectedShape", state);
    EXPECT_FALSE(state.enabled);
    EXPECT_TRUE(view().commitEditing());
    EXPECT_FALSE(view().commitEditing());
    controller.setSelectionIndexes({1});
    view().validateCommand("editSelectedShape", state);
    EXPECT_EQ(state.title, "Edit Text");
}

TEST_F(CanvasTest, TextCommandsReachGroupedTextAndNeverRemoveAText) {
    const auto group = GroupShape::groupWithShapes({textShape(""), rectangleAt(0, 0, 5, 5)});
    const auto unreadable = std::make_shared<TextShape>();
    unreadable->setBounds({300, 300, 50, 20});
    unreadable->setTextData("not RTF at all");
    ASSERT_FALSE(unreadable->text());
    const auto plain = textShape("Hi");
    install({group, unreadable, plain});
    controller.selectAll();
    ASSERT_TRUE(view().performCommand("underline"));
    TextCommand bigger;
    bigger.kind = TextCommand::Kind::Bigger;
    view().applyTextCommand(bigger);
    EXPECT_EQ(controller.arrangedObjects(), (ShapeList{group, unreadable, plain}));
    EXPECT_EQ(group->shapes().size(), 2u);
    EXPECT_TRUE(plain->text()->richText().paragraphs()[0].runs[0].attributes.underline);
    const auto* member = dynamic_cast<const TextShape*>(group->shapes()[0].get());
    ASSERT_TRUE(member && member->text());
}

TEST_F(CanvasTest, RulersGrowAndShrinkTheWindowUnlessMaximised) {
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

    window.showMaximized();
    QApplication::processEvents();
    const QRect maximised = window.geometry();
    document.grid().setRulersVisible(true);
    QApplication::processEvents();
    EXPECT_EQ(window.geometry(), maximised);
}

TEST_F(CanvasTest, ZoomControlSitsInTheScrollBarAndClampsTypedValues) {
    ZoomPopup* popup = window.scrollView()->zoomPopup();
    QScrollBar* bar = window.scrollView()->horizontalScrollBar();
    EXPECT_EQ(popup->width(), DrawScrollView::kPopupWidth);
    EXPECT_EQ(popup->mapTo(&window, QPoint(0, 0)).x() + DrawScrollView::kPopupWidth,
              bar->mapTo(&window, QPoint(0, 0)).x());
    EXPECT_EQ(popup->height(), bar->height());

    QLineEdit* field = popup->comboBox()->lineEdit();
    field->setText("5000");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(view().zoom(), 16);
    EXPECT_EQ(field->text(), "1600 %");
    field->setText("eighty");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(view().zoom(), 16);
    field->setText("87.5%");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(view().zoom(), 0.875);

    const int fitPage = popup->comboBox()->findText("Fit Page");
    ASSERT_GE(fitPage, 0);
    emit popup->comboBox()->activated(fitPage);
    EXPECT_DOUBLE_EQ(view().zoom(), (600.0 - 8) / 720); // 540 × 720 in 1000 × 600
    EXPECT_EQ(ZoomPopup::zoomText(0.25), "25 %");
}

} // namespace
} // namespace qv::test
