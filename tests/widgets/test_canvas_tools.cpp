// The tools on the real canvas: clicks counted by the canvas, the key that
// acts as Option, keys and focus changes in the middle of a gesture, and the
// toolbox's preferences.
#include "CanvasTestSupport.h"
#include "DocumentTestSupport.h"

#include "app/PreferencesDialog.h"
#include "canvas/ModifierKeys.h"
#include "canvas/TextEditorOverlay.h"
#include "document/Grid.h"
#include "shapes/BezierShape.h"
#include "tools/qt/ToolboxPalette.h"
#include "tools/qt/ToolboxPreferencesPane.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTabWidget>
#include <QTest>

namespace qv::test {
namespace {

TEST_F(CanvasTest, ADoubleClickOnATextEditsItAndATripleClickIsSwallowed) {
    const auto text = textShape("Hello there", {100, 100, 200, 40});
    install({text});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Clicks routed by the window system to whatever lies there, counted by
    // the canvas from the events' times (QTest spaces separate clicks beyond
    // the double-click interval, its double click within it).
    const QPoint inWindow = view().mapTo(&window, at({150, 115}).toPoint());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, inWindow);
    EXPECT_EQ(view().editingShape(), nullptr);
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {}, inWindow);
    ASSERT_EQ(view().editingShape(), text.get());
    EXPECT_TRUE(view().textEditor()->isVisible());
    view().commitEditing();

    // The third press of a triple click reaches the text tool, which takes
    // it and does nothing: no commit, no move, no marquee.
    const QPointF corner = at({290, 136});
    for (int press = 1; press <= 3; ++press) {
        sendMouse(view(), QEvent::MouseButtonPress, corner);
        EXPECT_EQ(view().editingShape(), press == 1 ? nullptr : text.get()) << press;
        if (press < 3)
            sendMouse(view(), QEvent::MouseButtonRelease, corner);
    }
    EXPECT_FALSE(view().toolIsTracking());
    sendMouse(view(), QEvent::MouseMove, corner + QPointF(20, 20));
    sendMouse(view(), QEvent::MouseButtonRelease, corner + QPointF(20, 20));
    EXPECT_EQ(view().editingShape(), text.get());
    EXPECT_EQ(text->bounds(), Rect(100, 100, 200, 40));
    EXPECT_EQ(controller.selectedObjects(), ShapeList{text});
}

TEST_F(CanvasTest, OptionDragWithTheMoveToolDuplicatesWithEitherOptionKey) {
    struct Case {
        OptionKey setting;
        Qt::KeyboardModifier option, other;
        Qt::Key key;
    };
    for (const Case& c : {Case{OptionKey::Alt, Qt::AltModifier, Qt::MetaModifier, Qt::Key_Alt},
                          Case{OptionKey::Meta, Qt::MetaModifier, Qt::AltModifier, Qt::Key_Meta}}) {
        setOptionKey(c.setting);
        document.grid().setSnap(false);
        // Held from the press; the other key; pressed once the button is down.
        for (int way = 0; way < 3; ++way) {
            install({rectangleAt(100, 100, 80, 60)});
            const Qt::KeyboardModifier none = Qt::NoModifier;
            const Qt::KeyboardModifier atPress = way == 0 ? c.option : way == 1 ? c.other : none;
            const Qt::KeyboardModifier later = way == 1 ? c.other : c.option;
            const QPointF from = at({140, 130});
            sendMouse(view(), QEvent::MouseButtonPress, from, Qt::LeftButton, atPress);
            if (way == 2)
                QTest::keyPress(&view(), c.key);
            for (int step = 1; step <= 3; ++step)
                sendMouse(view(), QEvent::MouseMove, from + QPointF(10 * step, 0), Qt::LeftButton,
                          later);
            sendMouse(view(), QEvent::MouseButtonRelease, from + QPointF(30, 0), Qt::LeftButton,
                      later);
            if (way == 2)
                QTest::keyRelease(&view(), c.key, c.option);
            const bool duplicates = way != 1;
            ASSERT_EQ(controller.count(), duplicates ? 2u : 1u) << int(c.setting) << " " << way;
            EXPECT_EQ(controller.arrangedObjects().back()->bounds(), Rect(130, 100, 80, 60));
            EXPECT_EQ(document.undoManager().undoActionName(), duplicates ? "Duplicate" : "Move");
        }
    }
    setOptionKey(OptionKey::Alt);
}

class CanvasGestureTest : public DocumentTest {
protected:
    void SetUp() override {
        document = documents->newDocument();
        document->document().grid().setSnap(false);
        document->window()->activateWindow();
        QApplication::setActiveWindow(document->window());
        ASSERT_TRUE(QTest::qWaitForWindowActive(document->window()));
    }
    void TearDown() override { Toolbox::sharedToolbox().setSelectedToolIndex(0); }

    DrawView& view() { return *document->view(); }
    std::size_t shapeCount() { return document->shapesController().count(); }
    void click(Point p) {
        const QPointF at = view().viewportPointForDrawingPoint(p);
        sendMouse(view(), QEvent::MouseMove, at);
        sendMouse(view(), QEvent::MouseButtonPress, at);
        sendMouse(view(), QEvent::MouseButtonRelease, at);
        settle();
    }
    void key(int k, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&view(), Qt::Key(k), modifiers);
        settle();
    }

    DocumentWindowController* document = nullptr;
};

TEST_F(CanvasGestureTest, ShortcutsWaitForAGestureWhichEndsWhenTheKeyboardOrTheToolChanges) {
    Toolbox& toolbox = Toolbox::sharedToolbox();
    // A rectangle drawn with the mouse, shown while it is drawn.
    toolbox.setSelectedToolIndex(Toolbox::RectangleToolIndex);
    sendMouse(view(), QEvent::MouseButtonPress, view().viewportPointForDrawingPoint({400, 50}));
    sendMouse(view(), QEvent::MouseMove, view().viewportPointForDrawingPoint({440, 80}));
    settle();
    view().repaint();
    sendMouse(view(), QEvent::MouseMove, view().viewportPointForDrawingPoint({470, 100}));
    sendMouse(view(), QEvent::MouseButtonRelease, view().viewportPointForDrawingPoint({470, 100}));
    settle();
    ASSERT_EQ(shapeCount(), 1u);
    toolbox.setSelectedToolIndex(Toolbox::PolylineToolIndex);
    click({200, 200});
    click({300, 200});
    ASSERT_TRUE(view().toolIsTracking());
    // Ctrl+Z reaches the gesture, which ignores it; nothing is undone.
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(shapeCount(), 1u);
    EXPECT_TRUE(view().toolIsTracking());
    key(Qt::Key_Escape);
    EXPECT_FALSE(view().toolIsTracking());
    EXPECT_EQ(shapeCount(), 1u);

    click({200, 300});
    click({300, 300});
    sendMouse(view(), QEvent::MouseMove, view().viewportPointForDrawingPoint({300, 400}));
    key(Qt::Key_Return);
    ASSERT_EQ(shapeCount(), 2u);
    EXPECT_EQ(document->shapesController().arrangedObjects().back()->bounds(),
              Rect(200, 300, 100, 100));
    // Once the gesture is over the same shortcut undoes it, as one step.
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(shapeCount(), 1u);

    toolbox.setSelectedToolIndex(Toolbox::BezierToolIndex);
    click({100, 100});
    click({200, 150});
    ASSERT_TRUE(view().toolIsTracking());
    // The preferences window takes the keyboard: the curve is added.
    documents->performMenuCommand("showPreferences");
    ASSERT_TRUE(QTest::qWaitForWindowActive(documents->preferences()));
    EXPECT_FALSE(view().toolIsTracking());
    ASSERT_EQ(shapeCount(), 2u);
    EXPECT_TRUE(
        dynamic_cast<BezierShape*>(document->shapesController().arrangedObjects()[1].get()));
    documents->preferences()->close();
    document->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(document->window()));

    // A palette button clicked while a polyline is drawn: the polyline keeps
    // its fixed segments and the new tool starts afresh.
    ToolboxPalette palette(toolbox);
    documents->setToolboxPalette(&palette);
    toolbox.setSelectedToolIndex(Toolbox::PolylineToolIndex);
    click({100, 300});
    click({200, 300});
    click({200, 400});
    ASSERT_TRUE(view().toolIsTracking());
    palette.buttonForTool(Toolbox::RectangleToolIndex)->click();
    EXPECT_EQ(toolbox.selectedToolIndex(), std::size_t(Toolbox::RectangleToolIndex));
    ASSERT_EQ(shapeCount(), 3u);
    EXPECT_EQ(document->shapesController().arrangedObjects()[2]->bounds(),
              Rect(100, 300, 100, 100));
    toolbox.setSelectedToolIndex(Toolbox::PolylineToolIndex);
    EXPECT_FALSE(view().toolIsTracking());
    documents->setToolboxPalette(nullptr);
}

TEST_F(CanvasGestureTest, ThePreferencesSetTheClickOptionAndTheOptionKey) {
    documents->performMenuCommand("showPreferences");
    PreferencesDialog* preferences = documents->preferences();
    ASSERT_NE(preferences, nullptr);
    EXPECT_EQ(preferences->tabs()->tabText(0), "Toolbox");
    ToolboxPreferencesPane* pane = preferences->toolboxPane();
    EXPECT_TRUE(pane->clickOptionButton(0)->isChecked());
    EXPECT_EQ(pane->optionKeyBox()->currentText(), "Alt");

    pane->clickOptionButton(Toolbox::ToolUsedOnce)->click();
    EXPECT_EQ(defaults.integerForKey(Toolbox::kClickOptionKey), 2);
    QTest::keyClick(pane->optionKeyBox(), Qt::Key_Down);
    EXPECT_EQ(defaults.stringForKey(kOptionKeyDefaultsKey), "meta");
    EXPECT_EQ(optionKey(), OptionKey::Meta);

    // A pane made later shows what is stored; an unknown number keeps the tool.
    defaults.setInteger(7, Toolbox::kClickOptionKey);
    ToolboxPreferencesPane again(defaults);
    EXPECT_TRUE(again.clickOptionButton(0)->isChecked());
    EXPECT_EQ(again.optionKeyBox()->currentText(), "Super (Meta)");
    QTest::keyClick(pane->optionKeyBox(), Qt::Key_Up);
    EXPECT_EQ(optionKey(), OptionKey::Alt);
    EXPECT_EQ(defaults.stringForKey(kOptionKeyDefaultsKey), "alt");
}

} // namespace
} // namespace qv::test
