// The toolbox's palette window: buttons that follow and drive the toolbox,
// the kept-tool mark and the icons in light and dark themes, the saved place
// in y-up coordinates, and the tools' cursors.
#include "framework/foundation/UserDefaults.h"
#include "tools/Toolbox.h"
#include "tools/qt/ToolCursors.h"
#include "tools/qt/ToolResources.h"
#include "tools/qt/ToolboxPalette.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace qv::test {
namespace {

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
