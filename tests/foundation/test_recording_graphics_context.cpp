#include "framework/foundation/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

BezierPath square(double x, double y, double side) {
    return BezierPath::bezierPathWithRect({x, y, side, side});
}

TEST(RecordingGraphicsContextTest, RecordsPaintingInOrderWithColours) {
    RecordingGraphicsContext gc;
    gc.fillPath(square(0, 0, 10), Color::white());
    BezierPath outline = square(0, 0, 10);
    outline.setLineWidth(3);
    outline.setLineDash({4, 2}, 1);
    outline.setLineCapStyle(LineCapStyle::Round);
    outline.setLineJoinStyle(LineJoinStyle::Bevel);
    gc.strokePath(outline, Color::black());
    gc.fillPath(square(5, 5, 2), Color(1, 0, 0));

    EXPECT_EQ(gc.kinds(true), (std::vector<DrawOpKind>{DrawOpKind::FillPath, DrawOpKind::StrokePath,
                                                       DrawOpKind::FillPath}));
    EXPECT_EQ(gc.fillColors(), (std::vector<Color>{Color::white(), Color(1, 0, 0)}));
    EXPECT_EQ(gc.strokeColors(), (std::vector<Color>{Color::black()}));
    const DrawOperation stroke = gc.strokes().at(0);
    EXPECT_EQ(stroke.lineWidth(), 3);
    EXPECT_EQ(stroke.dash(), (std::vector<double>{4, 2}));
    EXPECT_EQ(stroke.dashPhase(), 1);
    EXPECT_EQ(stroke.lineCap(), LineCapStyle::Round);
    EXPECT_EQ(stroke.lineJoin(), LineJoinStyle::Bevel);
    EXPECT_EQ(stroke.path, outline);
}

TEST(RecordingGraphicsContextTest, TransformsNestAndRestoreWithTheState) {
    RecordingGraphicsContext gc(true, AffineTransform::scaling(2, 2));
    EXPECT_TRUE(gc.isDrawingToScreen());
    gc.saveGState();
    gc.concatCTM(AffineTransform::translation(10, 0));
    gc.concatCTM(AffineTransform::rotationByDegrees(90));
    // The last concatenation applies first: rotate, translate, then zoom.
    EXPECT_NEAR(gc.currentTransform().transformPoint({1, 0}).x, 20, 1e-12);
    EXPECT_NEAR(gc.currentTransform().transformPoint({1, 0}).y, 2, 1e-12);
    gc.fillPath(square(0, 0, 1), Color::black());
    gc.restoreGState();
    gc.fillPath(square(0, 0, 1), Color::black());

    const auto fills = gc.fills();
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].transform, gc.operationsOfKind(DrawOpKind::ConcatCTM).back().transform);
    EXPECT_EQ(fills[0].devicePath, square(0, 0, 1).transformedBy(fills[0].transform));
    EXPECT_EQ(fills[0].gstateDepth, 1);
    EXPECT_EQ(fills[1].transform, AffineTransform::scaling(2, 2));
    EXPECT_EQ(fills[1].devicePath.bounds(), Rect(0, 0, 2, 2));
    EXPECT_EQ(gc.gstateDepth(), 0);
}

TEST(RecordingGraphicsContextTest, ClipsIntersectInDeviceSpaceAndEndWithTheState) {
    RecordingGraphicsContext gc(false, AffineTransform::scaling(2, 2));
    gc.saveGState();
    gc.clipToRect({0, 0, 50, 50});
    gc.clipToPath(BezierPath::bezierPathWithOvalInRect({25, 25, 50, 50}));
    gc.fillPath(square(0, 0, 100), Color::black());
    gc.restoreGState();
    gc.fillPath(square(0, 0, 100), Color::black());

    ASSERT_EQ(gc.clips().size(), 2u);
    EXPECT_EQ(gc.clips()[0].kind, DrawOpKind::ClipToRect);
    EXPECT_EQ(gc.clips()[0].rect, Rect(0, 0, 50, 50));
    const auto fills = gc.fills();
    EXPECT_TRUE(fills[0].clipped);
    EXPECT_NEAR(fills[0].deviceClipBounds.x(), 50, 1e-9);
    EXPECT_NEAR(fills[0].deviceClipBounds.maxX(), 100, 1e-9);
    EXPECT_FALSE(fills[1].clipped);
}

TEST(RecordingGraphicsContextTest, ShadowsAndLayersAreStateToo) {
    RecordingGraphicsContext gc;
    gc.saveGState();
    gc.setShadow({0, -10}, 10, Color(0, 0, 0, 0.5));
    gc.beginTransparencyLayer();
    gc.fillPath(square(0, 0, 10), Color::white());
    gc.endTransparencyLayer();
    gc.restoreGState();
    gc.fillPath(square(0, 0, 10), Color::white());

    const auto fills = gc.fills();
    EXPECT_EQ(fills[0].layerDepth, 1);
    EXPECT_TRUE(fills[0].shadow.active);
    EXPECT_EQ(fills[0].shadow.offset, Size(0, -10));
    EXPECT_EQ(fills[0].shadow.blurRadius, 10);
    EXPECT_EQ(fills[1].layerDepth, 0);
    EXPECT_FALSE(fills[1].shadow.active);
    EXPECT_EQ(gc.kinds(),
              (std::vector<DrawOpKind>{DrawOpKind::SaveGState, DrawOpKind::SetShadow,
                                       DrawOpKind::BeginTransparencyLayer, DrawOpKind::FillPath,
                                       DrawOpKind::EndTransparencyLayer, DrawOpKind::RestoreGState,
                                       DrawOpKind::FillPath}));
    EXPECT_EQ(gc.layerDepth(), 0);
}

TEST(RecordingGraphicsContextTest, ImbalancesStayVisible) {
    RecordingGraphicsContext gc;
    gc.restoreGState(); // ignored
    gc.saveGState();
    gc.beginTransparencyLayer();
    EXPECT_EQ(gc.gstateDepth(), 1);
    EXPECT_EQ(gc.layerDepth(), 1);
    gc.clear();
    EXPECT_TRUE(gc.operations().empty());
    EXPECT_EQ(gc.gstateDepth(), 0);
    EXPECT_EQ(gc.layerDepth(), 0);
}

TEST(RecordingGraphicsContextTest, GradientsKeepTheirGeometryAndSampledColours) {
    RecordingGraphicsContext gc;
    auto colors = [](double t) { return Color(1 - t, 0, t, 1); };
    gc.drawLinearGradient({0, 0}, {10, 0}, colors, true, false);
    gc.drawRadialGradient({5, 5}, 0.1, {5, 5}, 20, colors, true, true);
    const DrawOperation linear = gc.operationsOfKind(DrawOpKind::LinearGradient).at(0);
    EXPECT_EQ(linear.end, Point(10, 0));
    EXPECT_TRUE(linear.extendStart);
    EXPECT_FALSE(linear.extendEnd);
    ASSERT_EQ(linear.gradientColors.size(), std::size_t(DrawOperation::kGradientSamples));
    EXPECT_EQ(linear.gradientColors.front(), Color(1, 0, 0, 1));
    EXPECT_EQ(linear.gradientColors[5], Color(0.5, 0, 0.5, 1));
    EXPECT_EQ(linear.gradientColors.back(), Color(0, 0, 1, 1));
    const DrawOperation radial = gc.operationsOfKind(DrawOpKind::RadialGradient).at(0);
    EXPECT_EQ(radial.startRadius, 0.1);
    EXPECT_EQ(radial.endRadius, 20);
}

TEST(RecordingGraphicsContextTest, MadePicturesHoldTheirOwnRecording) {
    RecordingGraphicsContext gc(false, AffineTransform::scaling(3, 3));
    ImagePtr image = gc.makeImage({10, 5}, 2, [](GraphicsContext& sub) {
        EXPECT_EQ(sub.currentTransform(), AffineTransform::scaling(2, 2));
        sub.fillPath(square(0, 0, 5), Color(0, 1, 0));
    });
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), Size(10, 5));
    EXPECT_EQ(image->pixelsWide(), 20);
    EXPECT_EQ(image->pixelsHigh(), 10);
    auto recorded = std::dynamic_pointer_cast<const RecordedImage>(image);
    ASSERT_TRUE(recorded);
    ASSERT_EQ(recorded->operations().size(), 1u);
    EXPECT_EQ(recorded->operations()[0].color, Color(0, 1, 0));
    // Nothing of the sub-drawing shows in the outer recording but the picture.
    EXPECT_TRUE(gc.fills().empty());
    gc.drawImage(*image, {1, 2, 10, 5});
    const DrawOperation draw = gc.operationsOfKind(DrawOpKind::DrawImage).at(0);
    EXPECT_EQ(draw.image, image.get());
    EXPECT_EQ(draw.rect, Rect(1, 2, 10, 5));
    ASSERT_TRUE(draw.madeImage);
    EXPECT_EQ(draw.madeImage->operations().size(), 1u);
    EXPECT_FALSE(gc.description().empty());
}

} // namespace
} // namespace qv
