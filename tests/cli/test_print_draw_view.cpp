// The render rectangle and drawing of the export view.
#include "document/ExportOptions.h"
#include "document/PrintDrawView.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

// A rectangle whose export bounds are exactly `bounds`: no stroke, no shadow.
ShapePtr plainRect(Rect bounds, Color fill = Color(1, 0, 0, 1)) {
    auto shape = std::make_shared<RectangleShape>();
    shape->setBounds(bounds);
    shape->stroke().setStyle(StrokeStyleNone);
    shape->fill().setStyle(FillStyleColor);
    shape->fill().setColor(fill);
    return shape;
}

} // namespace

TEST(ExportFormats, IndexedByExactExtension) {
    for (unsigned i = 0; i < 5; ++i) {
        EXPECT_EQ(exportFormatIndex(exportFormats()[i]), i);
        EXPECT_EQ(canExportTransparentBackground(i), exportFormats()[i] != "jpg");
    }
    // The export panel's menu names each format beside its extension.
    EXPECT_EQ(exportFormatDescriptions().at(exportFormatIndex("jpg").value()), "JPEG Image");
    for (const char* other : {"PNG", "jpeg", ""})
        EXPECT_FALSE(exportFormatIndex(other)) << other;
}

TEST(PrintDrawView, PageBoundaryIsPaperLessMargins) {
    PrintInfo info;
    PrintDrawView page({}, &info, std::nullopt);
    EXPECT_EQ(page.pageFrame(), Rect(0, 0, 540, 720));

    info.setPaperSize(Size(595, 842));
    info.setLeftMargin(10);
    info.setRightMargin(20.5);
    info.setTopMargin(30);
    info.setBottomMargin(0);
    // The shapes do not matter for the page boundary.
    PrintDrawView custom({plainRect(Rect(-500, -500, 2000, 2000))}, &info, Color::white());
    EXPECT_EQ(custom.pageFrame(), Rect(0, 0, 564.5, 812));
    EXPECT_EQ(custom.frame(), custom.bounds());
    int first = 0, count = 0;
    EXPECT_TRUE(custom.knowsPageRange(first, count));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(custom.rectForPage(7), custom.pageFrame());
}

TEST(PrintDrawView, DrawingBoundaryGrowsByFivePercentOfTheLargerSide) {
    // Two shapes whose union is (100, 50, 200, 80): d = 10.
    auto view = PrintDrawView::viewWithShapes(
        {plainRect(Rect(100, 50, 50, 80)), plainRect(Rect(250, 60, 50, 10))});
    EXPECT_EQ(view->pageFrame(), Rect(90, 40, 220, 100));
    EXPECT_FALSE(view->pageColor());

    // 30 × 10: 1.5 rounds away from zero to 2.
    EXPECT_EQ(PrintDrawView::drawingBoundary({plainRect(Rect(0, 0, 30, 10))}),
              Rect(-2, -2, 34, 14));
    // The single-precision factor: 0.05f × 10 is just above 0.5, so 1.
    EXPECT_EQ(PrintDrawView::drawingMargin(Size(10, 1)), 1);
    // Just under 1.5 with an exact 0.05, just over it with the widened float.
    EXPECT_EQ(PrintDrawView::drawingMargin(Size(29.9999999, 0)), 2);
    EXPECT_EQ(PrintDrawView::drawingMargin(Size(9, 9)), 0);
    EXPECT_EQ(PrintDrawView::drawingMargin(Size(1, 50)), 3);
    EXPECT_EQ(PrintDrawView::drawingMargin(Size(0, 0)), 0);
}

TEST(PrintDrawView, DrawingBoundaryUsesExportBoundsAndSkipsEmptyOnes) {
    auto stroked = std::make_shared<OvalShape>();
    stroked->setBounds(Rect(0, 0, 100, 100));
    stroked->stroke().setWidth(10);
    // Stroke half-width on every side: (-5, -5, 110, 110), d = round(5.5) = 6.
    EXPECT_EQ(PrintDrawView::drawingBoundary({stroked}), Rect(-11, -11, 122, 122));

    auto shadowed = plainRect(Rect(0, 0, 100, 100));
    shadowed->shadow().setVisible(true);
    shadowed->shadow().setShadowOffset(Size(10, -20));
    shadowed->shadow().setShadowBlurRadius(5);
    const Rect expected = shadowed->visibleBoundsForExport();
    EXPECT_EQ(expected, Rect(0, 0, 115, 125));
    EXPECT_EQ(PrintDrawView::drawingBoundary({shadowed}), Rect(-6, -6, 127, 137));

    // An unstroked horizontal line has no area and adds nothing; no shapes
    // give the zero rectangle.
    auto flat = std::make_shared<LineShape>();
    flat->setStart(Point(0, 0));
    flat->setEnd(Point(100, 0));
    flat->stroke().setStyle(StrokeStyleNone);
    ASSERT_TRUE(flat->visibleBoundsForExport().isEmpty());
    EXPECT_EQ(PrintDrawView::drawingBoundary({flat, plainRect(Rect(40, 40, 20, 20))}),
              Rect(39, 39, 22, 22));
    EXPECT_EQ(PrintDrawView::drawingBoundary({}), Rect());
}

// The exported pictures show the page colour under the shapes; what they do
// not show is that everything is clipped to the render rectangle.
TEST(PrintDrawView, DrawsClippedToThePage) {
    PrintInfo info;
    PrintDrawView view({plainRect(Rect(500, 700, 100, 100))}, &info, Color::white());
    RecordingGraphicsContext gc;
    view.draw(gc);
    ASSERT_EQ(gc.fills().size(), 2u);
    for (const DrawOperation& op : gc.fills())
        EXPECT_EQ(op.deviceClipBounds, Rect(0, 0, 540, 720));
    EXPECT_EQ(gc.gstateDepth(), 0);
}
