// What a shape draws, in which order and where, seen through the recording
// context: shadow layer, fill, drop band, dashed stroke, the
// crisp-line offset, selection handles, rotation marker and gradient controls.

#include "ShapeTestSupport.h"

#include "framework/foundation/RecordingGraphicsContext.h"
#include "shapes/ArcShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qv {
namespace {

using namespace test;

using K = DrawOpKind;

const Color kOuter{static_cast<double>(0.47f), static_cast<double>(0.67f),
                   static_cast<double>(0.76f), 1};
const Color kInner{static_cast<double>(0.69f), static_cast<double>(0.89f), 1, 1};

Point centreOf(const Rect& r) {
    return {r.midX(), r.midY()};
}

TEST(ShapeDrawing, PlainShapeFillsThenStrokesInItsTransform) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 50});
    r.setRotation(90);
    r.stroke().setWidth(2);
    RecordingGraphicsContext gc;
    r.drawInView(gc, nullptr);
    const std::vector<K> expected = {K::SaveGState, K::ConcatCTM, K::FillPath, K::StrokePath,
                                     K::RestoreGState};
    EXPECT_EQ(gc.kinds(), expected) << gc.description();
    EXPECT_EQ(gc.gstateDepth(), 0);
    const DrawOperation fill = gc.fills().at(0);
    EXPECT_EQ(fill.color, Color::white());
    EXPECT_EQ(fill.path, *r.path());
    EXPECT_EQ(fill.transform, r.transform());
    const DrawOperation stroke = gc.strokes().at(0);
    EXPECT_EQ(stroke.color, Color::black());
    EXPECT_EQ(stroke.lineWidth(), 2);
    EXPECT_TRUE(stroke.dash().empty());
}

TEST(ShapeDrawing, InvisibleStylesDrawNothing) {
    OvalShape o;
    o.setBounds({0, 0, 10, 10});
    o.fill().setStyle(0);
    o.stroke().setStyle(0);
    RecordingGraphicsContext gc;
    o.drawInView(gc, nullptr);
    EXPECT_TRUE(gc.paintingOperations().empty()) << gc.description();
    EXPECT_EQ(gc.gstateDepth(), 0);
}

TEST(ShapeDrawing, ShadowWrapsEverythingInOneLayerBeforeTheTransform) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 50});
    r.setRotation(30);
    r.shadow().setVisible(true);
    RecordingGraphicsContext gc;
    r.drawInView(gc, nullptr);
    const std::vector<K> expected = {
        K::SaveGState, K::SetShadow,  K::BeginTransparencyLayer, K::ConcatCTM,
        K::FillPath,   K::StrokePath, K::EndTransparencyLayer,   K::RestoreGState};
    EXPECT_EQ(gc.kinds(), expected) << gc.description();
    EXPECT_EQ(gc.fills().at(0).layerDepth, 1);
    EXPECT_EQ(gc.strokes().at(0).layerDepth, 1);
    // The shadow is set while the transform is still the untouched one.
    EXPECT_TRUE(gc.operationsOfKind(K::SetShadow).at(0).transform.isIdentity());
    EXPECT_EQ(gc.layerDepth(), 0);
}

TEST(ShapeDrawing, DropTargetBandSitsBetweenFillAndStroke) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 50});
    r.stroke().setWidth(3);
    const ZoomView view(1);
    RecordingGraphicsContext gc;
    r.drawInView(gc, &view, true);
    const std::vector<K> painting = gc.kinds(true);
    ASSERT_EQ(painting, (std::vector<K>{K::FillPath, K::StrokePath, K::StrokePath}))
        << gc.description();
    const std::vector<DrawOperation> strokes = gc.strokes();
    EXPECT_EQ(strokes[0].color, Color(0, 1, 0, 1));
    EXPECT_EQ(strokes[0].lineWidth(), 11);
    EXPECT_TRUE(strokes[0].clipped); // only the inner half shows
    EXPECT_EQ(strokes[1].color, Color::black());
    EXPECT_FALSE(strokes[1].clipped);
    // With no visible stroke the band is 8 wide.
    r.stroke().setStyle(0);
    gc.clear();
    r.drawInView(gc, &view, true);
    ASSERT_EQ(gc.strokes().size(), 1u);
    EXPECT_EQ(gc.strokes()[0].lineWidth(), 8);
}

TEST(ShapeDrawing, OddPixelLinesAreCentredOnScreenOnly) {
    RectangleShape r;
    r.setBounds({0, 0, 10, 10});
    RecordingGraphicsContext screen(true);
    r.drawInView(screen, nullptr);
    const std::vector<DrawOperation> concats = screen.operationsOfKind(K::ConcatCTM);
    ASSERT_EQ(concats.size(), 2u);
    EXPECT_EQ(concats[1].concatenated, AffineTransform::translation(0.5, 0.5));
    EXPECT_EQ(screen.strokes().at(0).transform, AffineTransform::translation(0.5, 0.5));

    RecordingGraphicsContext print(false);
    r.drawInView(print, nullptr);
    EXPECT_EQ(print.operationsOfKind(K::ConcatCTM).size(), 1u);
    EXPECT_TRUE(print.strokes().at(0).transform.isIdentity());

    // At zoom 2 (the view's zoom in the device transform) a 1-point line is two
    // pixels wide and is not moved.
    const ZoomView two(2);
    RecordingGraphicsContext zoomed(true, AffineTransform::scaling(2, 2));
    r.drawInView(zoomed, &two);
    EXPECT_EQ(zoomed.operationsOfKind(K::ConcatCTM).size(), 1u);
}

TEST(ShapeDrawing, GradientFillDrawsTheCachedPictureClippedToTheOutline) {
    OvalShape o;
    o.setBounds({10, 20, 100, 50});
    o.fill().setStyle(2);
    RecordingGraphicsContext gc(true);
    o.drawInView(gc, nullptr);
    const std::vector<DrawOperation> images = gc.operationsOfKind(K::DrawImage);
    ASSERT_EQ(images.size(), 1u) << gc.description();
    EXPECT_TRUE(images[0].clipped);
    EXPECT_EQ(images[0].opacity, 1);
    // The picture covers the bounds, moved by the crisp-line offset as well.
    EXPECT_EQ(images[0].rect, Rect(10.5, 20.5, 100, 50));
    EXPECT_EQ(images[0].imageSize, Size(100, 50));
    EXPECT_EQ(gc.countOf(K::MakeImage), 1u);
    // The painting after the picture is the stroke, outside the clip.
    const std::vector<K> painting = gc.kinds(true);
    EXPECT_EQ(painting.back(), K::StrokePath);
    EXPECT_FALSE(gc.strokes().back().clipped);

    // When it is rebuilt for a zoom or size is the fill cache's rule (its own
    // tests); the shape's part is to keep it when moved and drop it when its
    // fill changes.
    o.offset({5, 5});
    gc.clear();
    o.drawInView(gc, nullptr);
    EXPECT_EQ(gc.countOf(K::MakeImage), 0u);
    o.fill().setGradientColor({1, 0, 0, 1});
    gc.clear();
    o.drawInView(gc, nullptr);
    EXPECT_EQ(gc.countOf(K::MakeImage), 1u);
}

// Each handle is a rim of 9 px and a core of 7 px in the handle colours,
// half a device pixel off its point on the turned outline: the eight of a
// box, the two ends of a line, an arc's centre and angle points.
TEST(ShapeDrawing, SelectionHandlesSitOnTheTurnedOutline) {
    auto rect = std::make_shared<RectangleShape>();
    rect->setBounds({0, 0, 100, 50});
    rect->setRotation(90);
    std::vector<Point> corners;
    for (int h = 0; h <= 2; ++h)
        for (int v = 0; v <= 2; ++v)
            if (h != 1 || v != 1)
                corners.push_back(rect->transform().transformPoint({h * 50 + 0.25, v * 25 + 0.25}));
    auto line = std::make_shared<LineShape>();
    line->setEnd({100, 0});
    line->setRotation(90); // about the middle of the 0.1-high bounds
    auto arc = std::make_shared<ArcShape>();
    arc->setCenter({100, 100});
    arc->setRadius(50);
    arc->setAngle2(90);
    arc->setRotation(90);
    const std::pair<ShapePtr, std::vector<Point>> rows[] = {
        {rect, corners},
        {line, {{50.3, -49.7}, {50.3, 50.3}}},
        {arc, {{100.25, 100.25}, {100.25, 150.25}, {50.25, 100.25}}}};
    const ZoomView two(2);
    for (const auto& [shape, centres] : rows) {
        SCOPED_TRACE(*shape->elementName());
        RecordingGraphicsContext gc;
        shape->drawSelectionHandlesInView(gc, &two);
        const std::vector<DrawOperation> fills = gc.fills();
        ASSERT_EQ(fills.size(), 2 * centres.size());
        for (std::size_t i = 0; i < centres.size(); ++i) {
            const DrawOperation &rim = fills[2 * i], &core = fills[2 * i + 1];
            EXPECT_EQ(rim.color, kOuter);
            EXPECT_EQ(core.color, kInner);
            EXPECT_NEAR(rim.path.bounds().width(), 4.5, 1e-9);
            EXPECT_NEAR(core.path.bounds().width(), 3.5, 1e-9);
            expectNear(rim.devicePath.bounds().center(), centres[i], 1e-6);
        }
        EXPECT_EQ(gc.gstateDepth(), 0);
    }
}

TEST(ShapeDrawing, PolygonShowsItsDashedCircleBeforeTheHandles) {
    RegularPolygonShape p;
    p.setBounds({0, 0, 80, 40});
    p.setRotation(45);
    const ZoomView two(2);
    RecordingGraphicsContext gc;
    p.drawSelectionHandlesInView(gc, &two);
    const std::vector<K> painting = gc.kinds(true);
    ASSERT_EQ(painting.size(), 17u);
    EXPECT_EQ(painting[0], K::StrokePath);
    const DrawOperation circle = gc.strokes().at(0);
    EXPECT_EQ(circle.color, Color::black());
    EXPECT_EQ(circle.lineWidth(), 0.5);
    EXPECT_EQ(circle.dash(), (std::vector<double>{0.5, 1.0}));
    EXPECT_EQ(circle.transform, p.transform());
    const Rect b = circle.path.bounds();
    EXPECT_NEAR(b.width(), 80, 1e-9);
    EXPECT_NEAR(b.height(), 40, 1e-9);
}

TEST(ShapeDrawing, RotationMarkerIsACrossCentredOnADevicePixel) {
    const ZoomView two(2);
    RecordingGraphicsContext gc;
    Shape::drawRotateMarkerAtPoint(gc, {10.2, 20.9}, &two);
    const std::vector<DrawOperation> strokes = gc.strokes();
    ASSERT_EQ(strokes.size(), 2u);
    EXPECT_EQ(strokes[0].color, kOuter);
    EXPECT_EQ(strokes[0].lineWidth(), 1.5);
    EXPECT_EQ(strokes[1].color, kInner);
    EXPECT_EQ(strokes[1].lineWidth(), 0.5);
    EXPECT_EQ(strokes[0].lineCap(), LineCapStyle::Square);
    // round(10.2 / 0.5) · 0.5 + 0.25 = 10.25; round(20.9 / 0.5) · 0.5 + 0.25 = 21.25.
    const Rect b = strokes[0].path.bounds();
    expectNear(centreOf(b), {10.25, 21.25});
    EXPECT_NEAR(b.width(), 7, 1e-9);
    EXPECT_NEAR(b.height(), 7, 1e-9);
}

TEST(ShapeDrawing, GradientControlsLayerWhiteBlackAndTheTwoColours) {
    RectangleShape r;
    r.setBounds({0, 0, 100, 100});
    r.fill().setStyle(2);
    r.fill().setColor({1, 0, 0, 1});
    r.fill().setGradientColor({0, 0, 1, 1});
    r.fill().setGradientStart({0, 0});
    r.fill().setGradientEnd({1, 1});
    RecordingGraphicsContext gc;
    r.drawGradientControlsInView(gc, nullptr);
    const std::vector<DrawOperation> strokes = gc.strokes();
    EXPECT_EQ(strokes[0].color, Color::white());
    EXPECT_EQ(strokes[0].lineWidth(), 3);
    EXPECT_EQ(strokes[1].color, Color::black());
    EXPECT_EQ(strokes[1].lineWidth(), 1);
    EXPECT_EQ(strokes[0].path.elementAtIndex(0).points[0], Point(0.5, 0.5));
    EXPECT_EQ(strokes[0].path.elementAtIndex(1).points[0], Point(100.5, 100.5));
    const std::vector<Color> colors = gc.fillColors();
    EXPECT_EQ(colors, (std::vector<Color>{Color::white(), Color::white(), Color::black(),
                                          Color::black(), Color(1, 0, 0, 1), Color(0, 0, 1, 1)}));
    const std::vector<DrawOperation> fills = gc.fills();
    EXPECT_NEAR(fills[0].path.bounds().width(), 21, 1e-9);
    EXPECT_NEAR(fills[2].path.bounds().width(), 19, 1e-9);
    EXPECT_NEAR(fills[4].path.bounds().width(), 17, 1e-9);
    expectNear(centreOf(fills[5].path.bounds()), {100.5, 100.5});
}

} // namespace
} // namespace qv
