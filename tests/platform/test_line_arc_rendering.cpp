// Reference pictures of lines and arcs drawn through Qt: strokes with dashes,
// caps and arrow heads, slices in both directions with plain and gradient
// fills, shadows, rotations and zooms, and their handles on top.

#include "tests/platform/ReferenceImage.h"
#include "tests/platform/RenderSupport.h"

#include "shapes/ArcShape.h"
#include "shapes/LineShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <QImage>

namespace qv {
namespace {

using test::render;

std::shared_ptr<LineShape> line(Point s, Point e) {
    auto l = std::make_shared<LineShape>();
    l->setStart(s);
    l->setEnd(e);
    return l;
}

std::shared_ptr<ArcShape> arc(Point c, double r, double a1, double a2, bool clockwise) {
    auto a = std::make_shared<ArcShape>();
    a->setCenter(c);
    a->setRadius(r);
    a->setAngle1(a1);
    a->setAngle2(a2);
    a->setClockwise(clockwise);
    return a;
}

std::vector<ShapePtr> lines() {
    auto hairline = line({10, 10}, {150, 10}); // width 1: centred on a pixel row
    auto dashed = line({10, 30}, {150, 30});
    dashed->stroke().setStyle(2);
    dashed->stroke().setWidth(3);
    dashed->stroke().setCapStyle(1);
    dashed->stroke().setColor({0.8, 0.1, 0.1, 1});
    auto arrows = line({20, 60}, {140, 110});
    arrows->stroke().setWidth(2);
    arrows->stroke().setArrowStartStyle(5);
    arrows->stroke().setArrowEndStyle(1);
    arrows->stroke().setArrowEndSize(2);
    arrows->stroke().setColor({0.1, 0.3, 0.8, 1});
    auto thick = line({180, 20}, {300, 120});
    thick->stroke().setWidth(10);
    thick->stroke().setCapStyle(2);
    thick->stroke().setColor({0.2, 0.6, 0.2, 0.8});
    auto vertical = line({170, 20}, {170, 130});
    vertical->stroke().setStyle(4); // dotted with round caps: dots
    vertical->stroke().setCapStyle(1);
    vertical->stroke().setWidth(4);
    auto shadowed = line({200, 140}, {300, 140});
    shadowed->stroke().setWidth(5);
    shadowed->stroke().setStyle(6);
    shadowed->stroke().setArrowEndStyle(3);
    shadowed->shadow().setVisible(true);
    shadowed->shadow().setShadowOffset({3, -3});
    shadowed->shadow().setShadowBlurRadius(3);
    return {hairline, dashed, arrows, thick, vertical, shadowed};
}

std::vector<ShapePtr> arcs() {
    auto quarter = arc({50, 50}, 40, 0, 90, true);
    quarter->fill().setColor({0.95, 0.6, 0.2, 1});
    auto rest = arc({150, 50}, 40, 0, 90, false);
    rest->fill().setColor({0.3, 0.6, 0.9, 1});
    rest->stroke().setWidth(2);
    rest->stroke().setJoinStyle(1);
    auto gradient = arc({250, 50}, 40, -60, 200, true);
    gradient->fill().setStyle(2);
    gradient->fill().setColor({1, 1, 0.5, 1});
    gradient->fill().setGradientColor({0.6, 0.1, 0.6, 1});
    gradient->stroke().setStyle(2);
    auto open = arc({50, 140}, 35, 200, 340, true);
    open->fill().setStyle(0);
    open->stroke().setWidth(4);
    open->stroke().setColor({0.1, 0.5, 0.3, 1});
    auto radial = arc({150, 140}, 35, 30, 330, true);
    radial->fill().setStyle(2);
    radial->fill().setGradientStyle(1);
    radial->fill().setGradientStart({0.5, 0.5});
    radial->fill().setGradientEnd({1, 0.5});
    radial->fill().setColor({1, 0.9, 0.2, 1});
    radial->fill().setGradientColor({0.9, 0.3, 0.1, 1});
    radial->stroke().setStyle(0);
    auto shadowed = arc({250, 140}, 35, 45, 135, false);
    shadowed->fill().setColor({0.5, 0.8, 0.5, 0.8});
    shadowed->shadow().setVisible(true);
    shadowed->shadow().setShadowOffset({4, -4});
    shadowed->shadow().setShadowBlurRadius(4);
    return {quarter, rest, gradient, open, radial, shadowed};
}

TEST(LineArcRendering, LinesAtZoomOne) {
    const std::vector<ShapePtr> shapes = lines();
    const QImage image = render({320, 160}, 1, [&](GraphicsContext& gc, const ShapeView& view) {
        for (const ShapePtr& s : shapes)
            s->drawInView(gc, &view);
    });
    EXPECT_TRUE(test::matchesReference(image, "lines_zoom1"));
}

TEST(LineArcRendering, ArcsAtZoomOne) {
    const std::vector<ShapePtr> shapes = arcs();
    const QImage image = render({300, 190}, 1, [&](GraphicsContext& gc, const ShapeView& view) {
        for (const ShapePtr& s : shapes)
            s->drawInView(gc, &view);
    });
    EXPECT_TRUE(test::matchesReference(image, "arcs_zoom1"));
}

TEST(LineArcRendering, RotatedAndFlippedAtZoomTwo) {
    std::vector<ShapePtr> shapes = lines();
    shapes[1]->setRotation(20);
    shapes[2]->flip(0);
    shapes[3]->setRotation(45);
    shapes[5]->setRotation(330);
    for (ShapePtr& a : arcs()) {
        a->offset({0, 170});
        shapes.push_back(a);
    }
    shapes[6]->setRotation(90);
    shapes[8]->setRotation(200);
    shapes[9]->flip(1);
    shapes[10]->setRotation(60);
    shapes[11]->setRotation(180);
    const QImage image = render({640, 720}, 2, [&](GraphicsContext& gc, const ShapeView& view) {
        for (const ShapePtr& s : shapes)
            s->drawInView(gc, &view);
    });
    EXPECT_TRUE(test::matchesReference(image, "lines_arcs_rotated_zoom2"));
}

TEST(LineArcRendering, HandlesAtZoomOneAndAHalf) {
    std::vector<ShapePtr> shapes = lines();
    shapes[2]->setRotation(30);
    for (ShapePtr& a : arcs()) {
        a->offset({0, 170});
        shapes.push_back(a);
    }
    shapes[8]->setRotation(40);
    shapes[8]->setBounds({200, 170, 100, 100}); // larger: radius 50
    const QImage image = render({480, 540}, 1.5, [&](GraphicsContext& gc, const ShapeView& view) {
        for (const ShapePtr& s : shapes)
            s->drawInView(gc, &view);
        shapes[7]->drawInView(gc, &view, true); // the target of a drag
        for (const ShapePtr& s : shapes)
            s->drawSelectionHandlesInView(gc, &view);
    });
    EXPECT_TRUE(test::matchesReference(image, "lines_arcs_handles_zoom1_5"));
}

} // namespace
} // namespace qv
