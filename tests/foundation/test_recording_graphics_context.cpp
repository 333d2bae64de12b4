#include "framework/foundation/RecordingGraphicsContext.h"

#include "PathTestSupport.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

BezierPath square(double x, double y, double side) {
    return BezierPath::bezierPathWithRect({x, y, side, side});
}

// The recording keeps, for each painting call, the device-space state it was
// made in: transform, device path, clip, shadow and layer depth, all of
// which end with the state they were set in.
TEST(RecordingGraphicsContextTest, PaintingKeepsTheDeviceStateItWasMadeIn) {
    RecordingGraphicsContext gc(true, AffineTransform::scaling(2, 2));
    gc.restoreGState(); // unbalanced: ignored
    gc.saveGState();
    gc.concatCTM(AffineTransform::translation(10, 0));
    gc.concatCTM(AffineTransform::rotationByDegrees(90));
    // The last concatenation applies first: rotate, translate, then zoom.
    EXPECT_LT(test::distance(gc.currentTransform().transformPoint({1, 0}), {20, 2}), 1e-12);
    gc.clipToRect({0, 0, 5, 50});
    gc.clipToPath(BezierPath::bezierPathWithOvalInRect({-5, 1, 50, 50}));
    gc.setShadow({0, -10}, 10, Color(0, 0, 0, 0.5));
    gc.beginTransparencyLayer();
    gc.fillPath(square(0, 0, 1), Color::white());
    EXPECT_EQ(gc.layerDepth(), 1);
    gc.endTransparencyLayer();
    gc.restoreGState();
    BezierPath outline = square(0, 0, 1);
    outline.setLineWidth(3);
    gc.strokePath(outline, Color::black());

    EXPECT_EQ(gc.kinds(true),
              (std::vector<DrawOpKind>{DrawOpKind::FillPath, DrawOpKind::StrokePath}));
    EXPECT_EQ(gc.fillColors(), std::vector<Color>{Color::white()});
    EXPECT_EQ(gc.strokeColors(), std::vector<Color>{Color::black()});
    ASSERT_EQ(gc.clips().size(), 2u);
    const DrawOperation fill = gc.fills().at(0), stroke = gc.strokes().at(0);
    EXPECT_EQ(fill.transform, gc.operationsOfKind(DrawOpKind::ConcatCTM).back().transform);
    EXPECT_EQ(fill.devicePath, square(0, 0, 1).transformedBy(fill.transform));
    EXPECT_EQ(fill.gstateDepth, 1);
    EXPECT_EQ(fill.layerDepth, 1);
    // Through the transform the rectangle covers (-80, 0)-(20, 10) on the
    // device and the oval's box (-82, -10)-(18, 90): they meet in between.
    EXPECT_TRUE(fill.clipped && fill.shadow.active);
    EXPECT_LT(test::gap(fill.deviceClipBounds, Rect(-80, 0, 98, 10)), 1e-9);
    EXPECT_EQ(fill.shadow.offset, Size(0, -10));
    EXPECT_EQ(fill.shadow.blurRadius, 10);
    EXPECT_EQ(stroke.transform, AffineTransform::scaling(2, 2));
    EXPECT_EQ(stroke.devicePath.bounds(), Rect(0, 0, 2, 2));
    EXPECT_EQ(stroke.lineWidth(), 3);
    EXPECT_FALSE(stroke.clipped || stroke.shadow.active);
    EXPECT_EQ(stroke.layerDepth, 0);

    // Left open: the depths show it, and clearing starts afresh.
    gc.saveGState();
    gc.beginTransparencyLayer();
    EXPECT_EQ(gc.gstateDepth(), 1);
    EXPECT_EQ(gc.layerDepth(), 1);
    gc.clear();
    EXPECT_TRUE(gc.operations().empty());
    EXPECT_EQ(gc.gstateDepth(), 0);
    EXPECT_EQ(gc.layerDepth(), 0);
}

TEST(RecordingGraphicsContextTest, GradientsAreSampledAndMadePicturesHoldTheirOwnRecording) {
    RecordingGraphicsContext gc(false, AffineTransform::scaling(3, 3));
    auto colors = [](double t) { return Color(1 - t, 0, t, 1); };
    gc.drawLinearGradient({0, 0}, {10, 0}, colors, true, false);
    gc.drawRadialGradient({5, 5}, 0.1, {5, 5}, 20, colors, true, true);
    for (const DrawOpKind kind : {DrawOpKind::LinearGradient, DrawOpKind::RadialGradient}) {
        const DrawOperation gradient = gc.operationsOfKind(kind).at(0);
        ASSERT_EQ(gradient.gradientColors.size(), std::size_t(DrawOperation::kGradientSamples));
        EXPECT_EQ(gradient.gradientColors.front(), Color(1, 0, 0, 1));
        EXPECT_EQ(gradient.gradientColors[5], Color(0.5, 0, 0.5, 1));
        EXPECT_EQ(gradient.gradientColors.back(), Color(0, 0, 1, 1));
    }

    ImagePtr image = gc.makeImage({10, 5}, 2, [](GraphicsContext& sub) {
        EXPECT_EQ(sub.currentTransform(), AffineTransform::scaling(2, 2));
        sub.fillPath(square(0, 0, 5), Color(0, 1, 0));
    });
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelsWide(), 20);
    EXPECT_EQ(image->pixelsHigh(), 10);
    // Nothing of the sub-drawing shows in the outer recording but the picture.
    EXPECT_TRUE(gc.fills().empty());
    gc.drawImage(*image, {1, 2, 10, 5});
    const DrawOperation draw = gc.operationsOfKind(DrawOpKind::DrawImage).at(0);
    EXPECT_EQ(draw.image, image.get());
    ASSERT_TRUE(draw.madeImage);
    ASSERT_EQ(draw.madeImage->operations().size(), 1u);
    EXPECT_EQ(draw.madeImage->operations()[0].color, Color(0, 1, 0));
    EXPECT_FALSE(gc.description().empty());
}

} // namespace
} // namespace qv
