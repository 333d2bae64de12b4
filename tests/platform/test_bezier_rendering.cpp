// Reference pictures of Bézier, freehand and polyline shapes drawn through Qt:
// smooth closed curves, open strokes with arrow heads, dashed polylines,
// even-odd holes, gradient fills, shadows, rotations and zooms, and the
// reshape handles on top.

#include "tests/platform/ReferenceImage.h"
#include "tests/platform/RenderSupport.h"

#include "shapes/BezierShape.h"
#include "shapes/FreehandShape.h"
#include "shapes/PolylineShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <QImage>

#include <cmath>

namespace qv {
namespace {

using test::render;

// A smooth closed blob built the way the Bézier tool builds it.
std::shared_ptr<BezierShape> blob(Point origin) {
    auto b = std::make_shared<BezierShape>();
    const Point anchors[] = {{0, 30}, {50, 0}, {90, 40}, {40, 70}};
    const Point drags[] = {{10, 0}, {80, 5}, {80, 70}, {10, 75}};
    auto at = [&](Point p) { return Point{origin.x + p.x, origin.y + p.y}; };
    b->moveToPoint(at(anchors[0]));
    b->setLastControl(at(drags[0]));
    Point lastControl = at(drags[0]);
    for (int i = 1; i < 4; ++i) {
        b->curveToPoint(at(anchors[i]), lastControl, at(anchors[i]));
        b->setLastControl(at(drags[i]));
        lastControl = at(drags[i]);
    }
    b->curveToPoint(at(anchors[0]), lastControl, at(anchors[0]));
    // Dragged along the way out of the start, so the closing joint is smooth.
    b->setLastControl(at({10, 10}));
    b->setFirstControl(at({10, 10}));
    b->closePath();
    b->fill().setColor({0.95, 0.55, 0.2, 1});
    b->stroke().setWidth(2.5);
    b->stroke().setJoinStyle(1);
    return b;
}

// A freehand zig-zag of pointer samples, left open, with arrow heads.
std::shared_ptr<FreehandShape> scribble(Point origin) {
    auto f = std::make_shared<FreehandShape>();
    f->moveToPoint(origin);
    for (int i = 1; i <= 24; ++i)
        f->lineToPoint({origin.x + i * 4, origin.y + 20 * std::sin(i * 0.5) + i});
    f->fill().setStyle(0);
    f->stroke().setWidth(2);
    f->stroke().setColor({0.1, 0.3, 0.8, 1});
    f->stroke().setCapStyle(1);
    f->stroke().setArrowStartStyle(3);
    f->stroke().setArrowEndStyle(1);
    f->stroke().setArrowEndSize(2);
    return f;
}

// A closed polyline with a dashed stroke.
std::shared_ptr<PolylineShape> zigzag(Point origin) {
    auto p = std::make_shared<PolylineShape>();
    const Point pts[] = {{0, 60}, {20, 0}, {45, 45}, {70, 5}, {95, 60}};
    p->moveToPoint({origin.x + pts[0].x, origin.y + pts[0].y});
    for (int i = 1; i < 5; ++i)
        p->lineToPoint({origin.x + pts[i].x, origin.y + pts[i].y});
    p->closePath();
    p->fill().setColor({0.3, 0.75, 0.45, 0.8});
    p->stroke().setStyle(2); // dashed
    p->stroke().setWidth(2);
    p->stroke().setColor({0.1, 0.35, 0.15, 1});
    return p;
}

// Two nested squares and a ring of curves: the even-odd rule leaves holes.
std::shared_ptr<BezierShape> framed(Point origin) {
    BezierPath path = BezierPath::bezierPathWithRect({origin.x, origin.y, 90, 70});
    path.appendBezierPath(BezierPath::bezierPathWithRect({origin.x + 15, origin.y + 12, 60, 46}));
    path.appendBezierPath(
        BezierPath::bezierPathWithOvalInRect({origin.x + 30, origin.y + 22, 30, 26}));
    auto b = std::make_shared<BezierShape>();
    b->setPath(path);
    b->fill().setColor({0.55, 0.25, 0.75, 1});
    b->stroke().setWidth(1);
    return b;
}

std::vector<std::shared_ptr<BezierShape>> pathShapes() {
    return {blob({10, 10}),    scribble({130, 30}), zigzag({250, 15}),
            framed({10, 100}), blob({130, 100}),    zigzag({240, 105})};
}

TEST(BezierRendering, PathKindsAtZoomOne) {
    const auto shapes = pathShapes();
    const QImage image = render({360, 190}, 1, [&](GraphicsContext& gc, const ShapeView& view) {
        for (const auto& s : shapes)
            s->drawInView(gc, &view);
    });
    EXPECT_TRUE(test::matchesReference(image, "paths_zoom1"));
}

TEST(BezierRendering, RotatedFlippedWithShadowsAndGradientsAtZoomTwo) {
    auto shapes = pathShapes();
    shapes[0]->setRotation(25);
    shapes[0]->shadow().setVisible(true);
    shapes[0]->shadow().setShadowOffset({4, -4});
    shapes[0]->shadow().setShadowBlurRadius(3);
    shapes[1]->setRotation(330);
    shapes[1]->flip(1);
    shapes[2]->setRotation(90);
    shapes[2]->fill().setStyle(2); // linear gradient
    shapes[2]->fill().setGradientColor({0.1, 0.1, 0.5, 1});
    shapes[3]->setRotation(10);
    shapes[3]->fill().setStyle(2);
    shapes[3]->fill().setGradientStyle(1); // radial
    shapes[3]->fill().setColor({1, 1, 0.6, 1});
    shapes[3]->fill().setGradientStart({0.5, 0.5});
    shapes[3]->fill().setGradientEnd({1, 0.5});
    shapes[4]->flip(0);
    shapes[4]->setRotation(200);
    shapes[5]->shadow().setVisible(true);
    shapes[5]->shadow().setShadowOffset({-3, -5});
    shapes[5]->shadow().setShadowBlurRadius(6);
    const QImage image = render({720, 400}, 2, [&](GraphicsContext& gc, const ShapeView& view) {
        gc.concatCTM(AffineTransform::translation(0, 8));
        for (const auto& s : shapes)
            s->drawInView(gc, &view);
    });
    EXPECT_TRUE(test::matchesReference(image, "paths_rotated_zoom2"));
}

TEST(BezierRendering, ReshapeHandlesAtZoomOneAndAHalf) {
    auto shapes = pathShapes();
    // Drags a point by (dx, dy) on the canvas from where it is shown.
    auto drag = [](BezierShape& s, std::size_t element, int point, double dx, double dy,
                   unsigned flags) {
        const Point local =
            s.bezierPath().elementAtIndex(element).points[static_cast<std::size_t>(point)];
        const Point shown = s.transform().transformPoint(local);
        s.reshapeToPoint({shown.x + dx, shown.y + dy}, element, point, flags);
    };
    shapes[0]->setRotation(30);
    // A corner made with Option beside a smooth joint.
    drag(*shapes[0], 2, 0, -5, 25, AlternateKeyMask);
    shapes[4]->setRotation(300);
    drag(*shapes[4], 1, 2, 12, -8, 0);
    drag(*shapes[4], 3, 1, -10, 10, 0);
    const QImage image = render({570, 315}, 1.5, [&](GraphicsContext& gc, const ShapeView& view) {
        gc.concatCTM(AffineTransform::translation(10, 15));
        for (const auto& s : shapes)
            s->drawInView(gc, &view);
        for (const auto& s : shapes)
            s->drawReshapeHandlesInView(gc, &view);
        shapes[2]->drawSelectionHandlesInView(gc, &view);
    });
    EXPECT_TRUE(test::matchesReference(image, "paths_handles_zoom1_5"));
}

} // namespace
} // namespace qv
