// What shapes draw, seen through the recording context: fill then stroke in
// the shape's transform, the shadow layer, the drop band, the crisp-line
// offset, the gradient picture, selection and reshape handles, the polygon's
// circle, the rotation marker, gradient controls and the text's decoration.

#include "ShapeTestSupport.h"

#include "shapes/BezierShape.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/TextShape.h"

namespace qv {
namespace {

using namespace test;

const Color kOuter{static_cast<double>(0.47f), static_cast<double>(0.67f),
                   static_cast<double>(0.76f), 1};
const Color kInner{static_cast<double>(0.69f), static_cast<double>(0.89f), 1, 1};

TEST(ShapeDrawing, FillThenStrokeInTheTransformWithTheShadowLayerAroundThem) {
    auto r = box<RectangleShape>({0, 0, 100, 50}, 90);
    r->stroke().setWidth(2);
    RecordingGraphicsContext gc;
    r->drawInView(gc, nullptr);
    EXPECT_EQ(gc.kinds(), (std::vector<K>{K::SaveGState, K::ConcatCTM, K::FillPath, K::StrokePath,
                                          K::RestoreGState}));
    EXPECT_EQ(gc.fills().at(0).color, Color::white());
    EXPECT_EQ(gc.fills().at(0).path, *r->path());
    EXPECT_EQ(gc.fills().at(0).transform, r->transform());
    EXPECT_EQ(gc.strokes().at(0).lineWidth(), 2);
    // The shadow is set while the transform is still the untouched one.
    r->shadow().setVisible(true);
    gc.clear();
    r->drawInView(gc, nullptr);
    EXPECT_EQ(gc.kinds(), (std::vector<K>{K::SaveGState, K::SetShadow, K::BeginTransparencyLayer,
                                          K::ConcatCTM, K::FillPath, K::StrokePath,
                                          K::EndTransparencyLayer, K::RestoreGState}));
    EXPECT_TRUE(gc.operationsOfKind(K::SetShadow).at(0).transform.isIdentity());
    EXPECT_EQ(gc.layerDepth(), 0);
    // Invisible styles draw nothing at all.
    r->fill().setStyle(0);
    r->stroke().setStyle(0);
    r->shadow().setVisible(false);
    gc.clear();
    r->drawInView(gc, nullptr);
    EXPECT_TRUE(gc.paintingOperations().empty()) << gc.description();

    // A drop target's band lies between fill and stroke, inner half only,
    // 8 wide plus the stroke's width.
    auto target = box<RectangleShape>({0, 0, 100, 50});
    target->stroke().setWidth(3);
    const ZoomView one(1);
    gc.clear();
    target->drawInView(gc, &one, true);
    ASSERT_EQ(gc.kinds(true), (std::vector<K>{K::FillPath, K::StrokePath, K::StrokePath}));
    EXPECT_EQ(gc.strokes()[0].color, Color(0, 1, 0, 1));
    EXPECT_EQ(gc.strokes()[0].lineWidth(), 11);
    EXPECT_TRUE(gc.strokes()[0].clipped);
    EXPECT_FALSE(gc.strokes()[1].clipped);
    target->stroke().setStyle(0);
    gc.clear();
    target->drawInView(gc, &one, true);
    EXPECT_EQ(gc.strokes().at(0).lineWidth(), 8);
    EXPECT_EQ(gc.gstateDepth(), 0);
}

TEST(ShapeDrawing, OddPixelLinesAreCentredOnScreenOnly) {
    auto r = box<RectangleShape>({0, 0, 10, 10});
    RecordingGraphicsContext screen(true), print(false);
    r->drawInView(screen, nullptr);
    EXPECT_EQ(screen.strokes().at(0).transform, AffineTransform::translation(0.5, 0.5));
    r->drawInView(print, nullptr);
    EXPECT_TRUE(print.strokes().at(0).transform.isIdentity());
    // At zoom 2 a 1-point line is two pixels wide and is not moved.
    const ZoomView two(2);
    RecordingGraphicsContext zoomed(true, AffineTransform::scaling(2, 2));
    r->drawInView(zoomed, &two);
    EXPECT_EQ(zoomed.operationsOfKind(K::ConcatCTM).size(), 1u);
    const std::pair<std::tuple<double, double, bool>, double> tweaks[] = {
        {{1, 1, true}, 0.5}, {{1.5, 2, true}, 0.25}, {{3, 1, true}, 0.5}, {{2, 1, true}, 0},
        {{1, 1.5, true}, 0}, {{1, 1, false}, 0},     {{0, 1, true}, 0},   {{1, 0, true}, 0}};
    for (const auto& [in, shift] : tweaks) {
        const auto t = Shape::tweakLineWidth(std::get<0>(in), std::get<1>(in), std::get<2>(in));
        EXPECT_EQ(t.value_or(AffineTransform()), AffineTransform::translation(shift, shift));
        EXPECT_EQ(t.has_value(), shift != 0);
    }
}

// Rebuilding the picture for a zoom is the fill cache's rule (its own tests);
// the shape keeps it when moved and drops it when its fill changes.
TEST(ShapeDrawing, GradientFillDrawsTheCachedPictureClippedToTheOutline) {
    auto o = box<OvalShape>({10, 20, 100, 50});
    o->fill().setStyle(2);
    RecordingGraphicsContext gc(true);
    o->drawInView(gc, nullptr);
    const std::vector<DrawOperation> images = gc.operationsOfKind(K::DrawImage);
    ASSERT_EQ(images.size(), 1u) << gc.description();
    EXPECT_TRUE(images[0].clipped);
    EXPECT_EQ(images[0].rect, Rect(10.5, 20.5, 100, 50)); // with the crisp-line offset
    EXPECT_EQ(images[0].imageSize, Size(100, 50));
    EXPECT_EQ(gc.kinds(true).back(), K::StrokePath);
    EXPECT_FALSE(gc.strokes().back().clipped);
    EXPECT_EQ(gc.countOf(K::MakeImage), 1u);
    const std::pair<std::function<void()>, std::size_t> edits[] = {
        {[&] { o->offset(Size(5, 5)); }, 0},
        {[&] { o->fill().setGradientColor(Color(1, 0, 0, 1)); }, 1}};
    for (const auto& [edit, made] : edits) {
        edit();
        gc.clear();
        o->drawInView(gc, nullptr);
        EXPECT_EQ(gc.countOf(K::MakeImage), made);
    }
}

// Each handle is a rim of 9 px and a core of 7 px in the handle colours, half
// a device pixel off its point on the turned outline: the eight of a box, the
// two ends of a line, an arc's centre and angle points (all on the centre
// when the radius is 0). A polygon draws its dashed circle first.
TEST(ShapeDrawing, SelectionHandlesSitOnTheTurnedOutline) {
    auto rect = box<RectangleShape>({0, 0, 100, 50}, 90);
    std::vector<Point> corners;
    for (int h = 0; h <= 2; ++h)
        for (int v = 0; v <= 2; ++v)
            if (h != 1 || v != 1)
                corners.push_back(rect->transform().transformPoint({h * 50 + 0.25, v * 25 + 0.25}));
    auto turnedLine = line({0, 0}, {100, 0});
    turnedLine->setRotation(90); // about the middle of the 0.1-high bounds
    auto turnedArc = arc({100, 100}, 50, 0, 90);
    turnedArc->setRotation(90);
    const std::tuple<ShapePtr, double, std::vector<Point>> rows[] = {
        {rect, 2, corners},
        {turnedLine, 2, {{50.3, -49.7}, {50.3, 50.3}}},
        {turnedArc, 2, {{100.25, 100.25}, {100.25, 150.25}, {50.25, 100.25}}},
        {arc({5, 5}, 0, 10, 200), 1, {{5.5, 5.5}, {5.5, 5.5}, {5.5, 5.5}}}};
    for (const auto& [shape, zoom, centres] : rows) {
        SCOPED_TRACE(*shape->elementName());
        RecordingGraphicsContext gc;
        const ZoomView view(zoom);
        shape->drawSelectionHandlesInView(gc, &view);
        const std::vector<DrawOperation> fills = gc.fills();
        ASSERT_EQ(fills.size(), 2 * centres.size());
        const double px = 1 / zoom;
        for (std::size_t i = 0; i < centres.size(); ++i) {
            EXPECT_EQ(fills[2 * i].color, kOuter);
            EXPECT_EQ(fills[2 * i + 1].color, kInner);
            EXPECT_NEAR(fills[2 * i].path.bounds().width(), 9 * px, 1e-9);
            EXPECT_NEAR(fills[2 * i + 1].path.bounds().width(), 7 * px, 1e-9);
            expectNear(fills[2 * i].devicePath.bounds().center(), centres[i], 1e-6);
        }
        EXPECT_EQ(gc.gstateDepth(), 0);
    }
    auto polygon = box<RegularPolygonShape>({0, 0, 80, 40}, 45);
    const ZoomView two(2);
    RecordingGraphicsContext gc;
    polygon->drawSelectionHandlesInView(gc, &two);
    ASSERT_EQ(gc.kinds(true).size(), 17u);
    const DrawOperation circle = gc.strokes().at(0);
    EXPECT_EQ(gc.kinds(true)[0], K::StrokePath);
    EXPECT_EQ(circle.lineWidth(), 0.5);
    EXPECT_EQ(circle.dash(), (std::vector<double>{0.5, 1.0}));
    EXPECT_EQ(circle.transform, polygon->transform());
    expectNear(circle.path.bounds(), {0, 0, 80, 40});
}

// Anchors are solid handles (two ovals), controls hollow ones (three) with
// guide lines from their anchors, white 3 px under grey 1 px, on pixel
// centres; on a turned shape they sit on the turned outline.
TEST(ShapeDrawing, ReshapeHandlesAndGuideLines) {
    BezierShape s;
    BezierPath p;
    p.moveToPoint({0, 0});
    p.lineToPoint({40, 0});
    p.curveToPoint({100, 0}, {50, -30}, {90, -30});
    p.closePath();
    p.moveToPoint({500, 500}); // trailing: no handle
    s.setPath(p);
    const ZoomView two(2);
    RecordingGraphicsContext gc;
    s.drawReshapeHandlesInView(gc, &two);
    const double px = 0.5;
    const std::vector<DrawOperation> fills = gc.fills(), strokes = gc.strokes();
    ASSERT_EQ(fills.size(), 4u * 2 + 2 * 3);
    ASSERT_EQ(strokes.size(), 4u);
    const Point centres[] = {{0, 0}, {40, 0}, {40, 0}, {100, 0}, {50, -30}, {90, -30}};
    std::size_t f = 0;
    for (int h = 0; h < 6; ++h) {
        for (int o = 0; o < (h < 4 ? 2 : 3); ++o, ++f) {
            const Rect b = fills[f].path.bounds();
            expectNear(b.center(), Point(centres[h].x + px / 2, centres[h].y + px / 2));
            EXPECT_NEAR(b.width(), (9 - 2 * o) * px, 1e-9);
            EXPECT_EQ(fills[f].color, o == 1 ? Color(0.5, 0.5, 0.5, 1) : Color::white()) << h;
        }
    }
    EXPECT_EQ(gc.kinds(true)[4], K::StrokePath); // guide lines come first in the curve's part
    EXPECT_EQ(strokes[0].color, Color::white());
    EXPECT_EQ(strokes[0].lineWidth(), 3 * px);
    EXPECT_EQ(strokes[1].lineWidth(), px);
    EXPECT_EQ(strokes[0].path.elementAtIndex(0).points[0], Point(40 + px / 2, px / 2));
    EXPECT_EQ(strokes[0].path.elementAtIndex(1).points[0], Point(50 + px / 2, -30 + px / 2));
    EXPECT_EQ(strokes[3].path.elementAtIndex(1).points[0], Point(100 + px / 2, px / 2));
    s.setPath(BezierPath::bezierPathWithRect({0, 0, 100, 100}));
    s.setRotation(90);
    gc.clear();
    s.drawReshapeHandlesInView(gc, nullptr);
    ASSERT_EQ(gc.fills().size(), 8u);
    expectNear(gc.fills()[2].path.bounds().center(), {100.5, 100.5}); // local (100, 0)
}

TEST(ShapeDrawing, RotationMarkerAndGradientControls) {
    const ZoomView two(2);
    RecordingGraphicsContext gc;
    Shape::drawRotateMarkerAtPoint(gc, {10.2, 20.9}, &two);
    ASSERT_EQ(gc.strokes().size(), 2u);
    EXPECT_EQ(gc.strokes()[0].color, kOuter);
    EXPECT_EQ(gc.strokes()[0].lineWidth(), 1.5);
    EXPECT_EQ(gc.strokes()[1].color, kInner);
    EXPECT_EQ(gc.strokes()[1].lineWidth(), 0.5);
    EXPECT_EQ(gc.strokes()[0].lineCap(), LineCapStyle::Square);
    // round(10.2 / 0.5) · 0.5 + 0.25 = 10.25; round(20.9 / 0.5) · 0.5 + 0.25 = 21.25.
    expectNear(gc.strokes()[0].path.bounds(), {6.75, 17.75, 7, 7});

    auto r = box<RectangleShape>({0, 0, 100, 100});
    r->fill().setStyle(2);
    r->fill().setColor({1, 0, 0, 1});
    r->fill().setGradientColor({0, 0, 1, 1});
    r->fill().setGradientStart({0, 0});
    r->fill().setGradientEnd({1, 1});
    gc.clear();
    r->drawGradientControlsInView(gc, nullptr);
    const std::vector<DrawOperation> strokes = gc.strokes(), fills = gc.fills();
    EXPECT_EQ(strokes[0].color, Color::white());
    EXPECT_EQ(strokes[0].lineWidth(), 3);
    EXPECT_EQ(strokes[1].color, Color::black());
    EXPECT_EQ(strokes[1].lineWidth(), 1);
    EXPECT_EQ(strokes[0].path.elementAtIndex(0).points[0], Point(0.5, 0.5));
    EXPECT_EQ(strokes[0].path.elementAtIndex(1).points[0], Point(100.5, 100.5));
    EXPECT_EQ(gc.fillColors(), (std::vector<Color>{Color::white(),
                                                   Color::white(),
                                                   Color::black(),
                                                   Color::black(),
                                                   {1, 0, 0, 1},
                                                   {0, 0, 1, 1}}));
    for (std::size_t i = 0; i < 6; i += 2)
        EXPECT_NEAR(fills[i].path.bounds().width(), 21 - double(i), 1e-9);
    expectNear(fills[5].path.bounds().center(), {100.5, 100.5});
}

// A text draws in its turned frame, with the shadow (scaled by the view's
// transform, no layer), nothing in the view that edits it; while edited, a
// dashed frame over a page-coloured veil, not turned.
TEST(ShapeDrawing, TextAndItsEditDecoration) {
    TextShape t;
    t.setRichText(RichText::fromPlainText("words"));
    t.setBounds({10, 20, 100, 50});
    t.setRotation(30);
    RecordingGraphicsContext gc;
    t.drawInView(gc, nullptr, true);
    EXPECT_EQ(gc.kinds(),
              (std::vector<K>{K::SaveGState, K::ConcatCTM, K::DrawRichText, K::RestoreGState}));
    const DrawOperation text = gc.operationsOfKind(K::DrawRichText).at(0);
    EXPECT_EQ(text.rect, t.bounds());
    EXPECT_EQ(text.transform, t.transform());
    EXPECT_EQ(text.text, &t.text()->richText());
    EXPECT_FALSE(text.shadow.active);
    t.shadow().setVisible(true);
    t.shadow().setShadowOffset({3, -4});
    t.shadow().setShadowBlurRadius(5);
    const ZoomView two(2), editing(1, &t);
    RecordingGraphicsContext zgc(false, AffineTransform::scaling(2, 2));
    t.drawInView(zgc, &two);
    const DrawOperation shadowed = zgc.operationsOfKind(K::DrawRichText).at(0);
    EXPECT_TRUE(shadowed.shadow.active);
    EXPECT_EQ(shadowed.shadow.offset, Size(6, -8));
    EXPECT_EQ(shadowed.shadow.blurRadius, 10);
    EXPECT_EQ(shadowed.shadow.color, t.shadow().shadowColor());
    EXPECT_EQ(zgc.countOf(K::BeginTransparencyLayer) + zgc.countOf(K::FillPath), 0u);
    zgc.clear();
    t.drawInView(zgc, &editing);
    EXPECT_TRUE(zgc.operations().empty());

    t.setRotation(45);
    gc.clear();
    t.drawEditDecoractionInView(gc, &two);
    ASSERT_EQ(gc.kinds(true), (std::vector<K>{K::StrokePath, K::FillPath}));
    const DrawOperation frame = gc.strokes().at(0), veil = gc.fills().at(0);
    EXPECT_EQ(frame.path.bounds(), t.bounds());
    EXPECT_EQ(frame.color, Color::black());
    EXPECT_EQ(frame.lineWidth(), 0.5);
    EXPECT_EQ(frame.dash(), (std::vector<double>{0.5, 1}));
    EXPECT_EQ(frame.dashPhase(), 0.5);
    EXPECT_EQ(veil.path.bounds(), t.bounds());
    EXPECT_EQ(veil.color, Color(0.9, 0.8, 0.7, 0.75));
}

} // namespace
} // namespace qv
