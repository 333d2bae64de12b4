// The tools on the real canvas: clicks counted by the canvas, the key that
// acts as Option, keys and focus changes in the middle of a gesture, the
// toolbox's preferences; and the toolbox's palette window with its icons,
// kept-tool mark and saved place, and the tools' cursors.
#include "CanvasTestSupport.h"
#include "DocumentTestSupport.h"

#include "app/PreferencesDialog.h"
#include "canvas/ModifierKeys.h"
#include "canvas/TextEditorOverlay.h"
#include "document/Grid.h"
#include "framework/foundation/UserDefaults.h"
#include "shapes/BezierShape.h"
#include "tools/Toolbox.h"
#include "tools/qt/ToolCursors.h"
#include "tools/qt/ToolResources.h"
#include "tools/qt/ToolboxPalette.h"
#include "tools/qt/ToolboxPreferencesPane.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include <set>

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

QPalette theme(QColor face, QColor text) {
    QPalette palette(face);
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(role, text);
    return palette;
}

// Mean difference of lightness, 0..255, between two pictures of one size.
double meanLightnessDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            sum += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    return sum / (a.width() * a.height());
}

// The colours of the fully painted pixels.
std::set<QRgb> solidColours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QRgb c = image.pixel(x, y); qAlpha(c) == 255)
                colours.insert(c);
    return colours;
}

class ToolboxPaletteTest : public ::testing::Test {
protected:
    ToolboxPaletteTest() {
        Toolbox::setUserDefaults(&defaults);
        toolbox.toolSingleClicked(Toolbox::ArrowToolIndex);
    }
    ~ToolboxPaletteTest() override {
        toolbox.toolSingleClicked(Toolbox::ArrowToolIndex);
        Toolbox::setUserDefaults(nullptr);
    }

    // Through the window, as the window system delivers clicks: a double
    // click arrives as press, release, double click, release.
    void click(std::size_t tool, bool twice = false) {
        if (!palette.isVisible()) {
            palette.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&palette));
        }
        QWidget* button = palette.buttonForTool(tool);
        const QPoint at = button->mapTo(&palette, button->rect().center());
        if (twice)
            QTest::mouseDClick(palette.windowHandle(), Qt::LeftButton, {}, at);
        else
            QTest::mouseClick(palette.windowHandle(), Qt::LeftButton, {}, at);
    }

    std::string savedPosition() const {
        const Value::Map record = defaults.dictionaryForKey(Toolbox::kDefaultsKey);
        const auto found = record.find(Toolbox::kPositionKey);
        return found == record.end() ? "" : found->second.toString();
    }

    InMemoryUserDefaults defaults;
    Toolbox& toolbox = Toolbox::sharedToolbox();
    ToolboxPalette palette{toolbox};
};

TEST_F(ToolboxPaletteTest, ButtonsSelectToolsAndFollowTheToolboxWithoutTakingTheKeyboard) {
    palette.show();
    click(Toolbox::RectangleToolIndex);
    EXPECT_EQ(toolbox.selectedToolIndex(), Toolbox::RectangleToolIndex);
    EXPECT_TRUE(palette.buttonForTool(Toolbox::RectangleToolIndex)->isChecked());

    // Chosen elsewhere, as by the canvas's letter keys.
    toolbox.setSelectedToolIndex(Toolbox::LineToolIndex);
    for (std::size_t i = 0; i < Toolbox::ToolCount; ++i)
        EXPECT_EQ(palette.buttonForTool(i)->isChecked(), i == Toolbox::LineToolIndex) << i;

    EXPECT_EQ(palette.buttonForTool(Toolbox::RectangleToolIndex)->toolTip(), "Rectangle (R)");
    EXPECT_TRUE(palette.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_EQ(palette.buttonForTool(Toolbox::RectangleToolIndex)->focusPolicy(), Qt::NoFocus);
    // The Window menu's action follows the window, closed by its own button too.
    EXPECT_TRUE(palette.toggleAction()->isChecked());
    palette.close();
    EXPECT_FALSE(palette.toggleAction()->isChecked());
    palette.toggleAction()->trigger();
    EXPECT_TRUE(palette.isVisible());
}

TEST_F(ToolboxPaletteTest, KeptToolMarkAndIconsShowInLightAndDarkThemes) {
    defaults.setInteger(Toolbox::DoubleClickKeepsTool, Toolbox::kClickOptionKey);
    palette.show();
    ToolboxButton* oval = palette.buttonForTool(Toolbox::OvalToolIndex);
    for (const QPalette& colours :
         {theme(QColor(239, 239, 239), Qt::black), theme(QColor(53, 53, 53), Qt::white)}) {
        SCOPED_TRACE(qGray(colours.color(QPalette::Button).rgb()));
        palette.setPalette(colours);
        const QImage icon = oval->icon().pixmap(QSize(24, 24), 2.0).toImage();
        EXPECT_EQ(icon.devicePixelRatio(), 2.0);
        EXPECT_EQ(solidColours(icon), std::set{colours.color(QPalette::ButtonText).rgb()});

        click(Toolbox::OvalToolIndex);
        EXPECT_FALSE(toolbox.toolIsSticky());
        const QImage plain = oval->grab().toImage();

        click(Toolbox::OvalToolIndex, true);
        EXPECT_TRUE(toolbox.isToolMarkedSticky(Toolbox::OvalToolIndex));
        EXPECT_TRUE(toolbox.toolIsSticky());
        EXPECT_TRUE(oval->isSticky());
        // Black at 50 % moves a dark theme's checked button by less than 40.
        EXPECT_GT(meanLightnessDifference(plain, oval->grab().toImage()), 55);

        click(Toolbox::OvalToolIndex);
        EXPECT_FALSE(oval->isSticky());
    }
}

TEST_F(ToolboxPaletteTest, PlaceIsSavedYUpRestoredAndAnOffScreenRecordFallsBackHome) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int bottom = screen->geometry().y() + screen->geometry().height();
    palette.move(120, 80);
    palette.show();
    palette.saveState();
    EXPECT_EQ(savedPosition(), "{120, " + std::to_string(bottom - 80) + "}");
    palette.move(200, 150); // a move is saved at once
    EXPECT_EQ(savedPosition(), "{200, " + std::to_string(bottom - 150) + "}");

    ToolboxPalette restored(toolbox);
    restored.restoreState();
    EXPECT_TRUE(restored.isVisible());
    EXPECT_EQ(restored.frameGeometry().topLeft(), QPoint(200, 150));

    defaults.setObject(Value(Value::Map{{Toolbox::kPositionKey, Value("{5000, -3000}")}}),
                       Toolbox::kDefaultsKey);
    ToolboxPalette homed(toolbox);
    homed.restoreState();
    EXPECT_EQ(homed.frameGeometry().topLeft(),
              screen->availableGeometry().topLeft() + QPoint(5, 5));

    // Where a window cannot learn its place, nothing it reports is saved.
    palette.setPlacesItself(false);
    const std::string before = savedPosition();
    palette.move(300, 310);
    palette.saveState();
    EXPECT_EQ(savedPosition(), before);
}

TEST(ToolIcons, EveryToolHasItsOwnIconInTheRequestedColourAndCursorsTheirHotSpots) {
    std::vector<QImage> icons;
    for (std::size_t i = 0; i < Toolbox::ToolCount; ++i) {
        for (const qreal ratio : {1.0, 2.0}) {
            const QImage icon = renderTintedSvgImage(ToolboxPalette::toolIconPath(i),
                                                     QColor(200, 30, 40), 24, ratio);
            ASSERT_FALSE(icon.isNull()) << i;
            EXPECT_EQ(icon.size(), QSize(24, 24) * ratio);
            EXPECT_EQ(solidColours(icon), std::set{QColor(200, 30, 40).rgb()}) << i;
            if (ratio == 1.0)
                icons.push_back(icon);
        }
    }
    for (std::size_t i = 0; i < icons.size(); ++i)
        for (std::size_t j = i + 1; j < icons.size(); ++j)
            EXPECT_NE(icons[i], icons[j]) << i << " " << j;

    // Drawn cursors have their hot spots on their pictures at both ratios.
    EXPECT_EQ(toolCursor(CursorKind::Arrow).shape(), Qt::ArrowCursor);
    EXPECT_EQ(toolCursor(CursorKind::Crosshair).shape(), Qt::CrossCursor);
    const bool xcb = QGuiApplication::platformName() == "xcb";
    const std::pair<CursorKind, QPoint> drawn[] = {{CursorKind::Pencil, {7, 20}},
                                                   {CursorKind::FreeRotate, {12, 12}},
                                                   {CursorKind::ZoomIn, {10, 9}},
                                                   {CursorKind::ZoomOut, {10, 9}}};
    for (const auto& [kind, hot] : drawn) {
        for (const int ratio : {1, 2}) {
            SCOPED_TRACE(int(kind) * 10 + ratio);
            const QCursor cursor = toolCursor(kind, qreal(ratio));
            EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
            EXPECT_EQ(cursor.hotSpot(), xcb ? hot * ratio : hot);
            const QImage picture = cursor.pixmap().toImage();
            EXPECT_EQ(picture.devicePixelRatio(), ratio);
            EXPECT_EQ(picture.size(), QSize(24, 24) * ratio);
            // The pointer clicks where its picture points.
            EXPECT_GT(qAlpha(picture.pixel(hot * ratio)), 100);
        }
    }
    // The pencil's tip ends at its hot spot.
    const QImage pencil = toolCursor(CursorKind::Pencil).pixmap().toImage();
    EXPECT_EQ(qAlpha(pencil.pixel(5, 22)), 0);
    EXPECT_NE(toolCursor(CursorKind::ZoomIn).pixmap().toImage(),
              toolCursor(CursorKind::ZoomOut).pixmap().toImage());
    EXPECT_EQ(cursorHotSpotForPlatform({7, 20}, 2, u"xcb"), QPoint(14, 40));
    EXPECT_EQ(cursorHotSpotForPlatform({7, 20}, 2, u"wayland"), QPoint(7, 20));
}
} // namespace
} // namespace qv::test
