// Reference pictures of the rectangle family drawn through Qt: every kind with
// a mix of fills, strokes, shadows, rotations and zooms, and the selection
// decorations on top.

#include "tests/platform/ReferenceImage.h"
#include "tests/platform/RenderSupport.h"

#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/ShapeRegistry.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <QImage>

namespace qv {
namespace {

using test::render;

std::vector<ShapePtr> rectangleFamily() {
    auto rect = std::make_shared<RectangleShape>();
    rect->setBounds({10, 10, 80, 50});
    rect->fill().setColor({0.9, 0.3, 0.2, 1});
    rect->stroke().setWidth(3);
    rect->stroke().setJoinStyle(1);

    auto oval = std::make_shared<OvalShape>();
    oval->setBounds({110, 10, 90, 50});
    oval->fill().setColor({0.2, 0.6, 0.9, 1});
    oval->stroke().setStyle(2); // dashed
    oval->stroke().setWidth(2);

    auto round = std::make_shared<RoundRectangleShape>();
    round->setBounds({220, 10, 90, 60});
    round->setCornerRadius({20, 12});
    round->fill().setStyle(0);
    round->stroke().setStyle(4); // dotted, round caps: dots
    round->stroke().setCapStyle(1);
    round->stroke().setWidth(4);
    round->stroke().setColor({0.1, 0.5, 0.1, 1});

    auto hexagon = std::make_shared<RegularPolygonShape>();
    hexagon->setBounds({10, 90, 80, 80});
    hexagon->fill().setColor({1, 0.85, 0.2, 1});
    hexagon->stroke().setStyle(5); // dash-dot
    hexagon->stroke().setWidth(1.5);

    auto star = std::make_shared<RegularPolygonShape>();
    star->setBounds({110, 90, 90, 80});
    star->setNumberOfSides(5);
    star->setStellation(0.5);
    star->fill().setColor({0.6, 0.2, 0.8, 0.7});
    star->stroke().setJoinStyle(0);
    star->stroke().setWidth(2);

    auto triangle = std::make_shared<RegularPolygonShape>();
    triangle->setBounds({220, 90, 90, 80});
    triangle->setNumberOfSides(3);
    triangle->fill().setColor({0.3, 0.8, 0.6, 1});
    triangle->stroke().setStyle(0);
    return {rect, oval, round, hexagon, star, triangle};
}

TEST(ShapeRendering, RectangleFamilyAtZoomOne) {
    const std::vector<ShapePtr> shapes = rectangleFamily();
    const QImage image = render({320, 180}, 1, [&](GraphicsContext& gc, const ShapeView& view) {
        for (const ShapePtr& s : shapes)
            s->drawInView(gc, &view);
    });
    EXPECT_TRUE(test::matchesReference(image, "shapes_rectangle_family"));
}

TEST(ShapeRendering, RotatedWithShadowsAndGradientsAtZoomTwo) {
    std::vector<ShapePtr> shapes = rectangleFamily();
    shapes[0]->setRotation(30);
    shapes[0]->shadow().setVisible(true);
    shapes[0]->shadow().setShadowOffset({4, -4});
    shapes[0]->shadow().setShadowBlurRadius(4);
    shapes[1]->setRotation(90);
    shapes[1]->fill().setStyle(2); // linear gradient
    shapes[1]->fill().setGradientColor({0.1, 0.1, 0.5, 1});
    shapes[2]->setRotation(200);
    shapes[2]->fill().setStyle(2);
    shapes[2]->fill().setGradientStyle(1); // radial
    shapes[2]->fill().setColor({1, 1, 0.6, 1});
    shapes[2]->fill().setGradientStart({0.5, 0.5});
    shapes[2]->fill().setGradientEnd({1, 0.5});
    shapes[3]->setRotation(15);
    shapes[4]->setRotation(340);
    shapes[4]->shadow().setVisible(true);
    shapes[5]->setRotation(180);
    shapes[5]->fill().setStyle(2);
    shapes[5]->fill().setGradientStart({0, 0});
    shapes[5]->fill().setGradientEnd({1, 1});
    const QImage image = render({640, 360}, 2, [&](GraphicsContext& gc, const ShapeView& view) {
        for (const ShapePtr& s : shapes)
            s->drawInView(gc, &view);
    });
    EXPECT_TRUE(test::matchesReference(image, "shapes_rotated_zoom2"));
}

TEST(ShapeRendering, SelectionDecorationsAtZoomOneAndAHalf) {
    std::vector<ShapePtr> shapes = rectangleFamily();
    shapes[0]->setRotation(20);
    shapes[1]->fill().setStyle(2);
    shapes[4]->setRotation(10);
    const QImage image = render({480, 270}, 1.5, [&](GraphicsContext& gc, const ShapeView& view) {
        for (const ShapePtr& s : shapes)
            s->drawInView(gc, &view);
        // The canvas draws a dragged-over shape with its band, gradient
        // controls before the handles, and the rotation marker last.
        shapes[5]->drawInView(gc, &view, true);
        shapes[1]->drawGradientControlsInView(gc, &view);
        for (const ShapePtr& s : shapes)
            s->drawSelectionHandlesInView(gc, &view);
        Shape::drawRotateMarkerAtPoint(gc, shapes[0]->position(), &view);
    });
    EXPECT_TRUE(test::matchesReference(image, "shapes_selection_zoom1_5"));
}

} // namespace
} // namespace qv

namespace qv {
namespace {

// Absurd numbers in a file must neither crash nor stall the renderer.
TEST(ShapeRendering, AbsurdValuesFromAFileDrawWithoutTrouble) {
    QVParser parser;
    parser.registerElementClass(Fill::kElementName, [] { return std::make_shared<Fill>(); });
    parser.registerElementClass(Stroke::kElementName, [] { return std::make_shared<Stroke>(); });
    parser.registerElementClass(Shadow::kElementName, [] { return std::make_shared<Shadow>(); });
    registerShapeClasses(parser);
    ASSERT_TRUE(parser.parseData(std::string_view(
        "<d><regularpolygon sides=\"1099511627776\" stellation=\"0.5\">"
        "<fill color=\"#FF0000FF\" grad-color=\"#0000FFFF\" grad=\"1\" grad-start-x=\"1e308\" "
        "grad-start-y=\"-1e308\" grad-end-x=\"1e999\" grad-end-y=\"0\"/>"
        "<stroke style=\"2\" color=\"#000000FF\" width=\"1e308\" cap-style=\"1\" join-style=\"9\" "
        "arrow-start-style=\"999\" arrow-start-size=\"1e308\"/>"
        "<shadow color=\"#00000080\" width=\"1e308\" height=\"-1e308\" radius=\"1e308\"/>"
        "<transform rotation=\"1e308\"/><bounds x=\"1e308\" y=\"-1e308\" w=\"1e308\" h=\"1e308\"/>"
        "</regularpolygon>"
        "<roundrectangle><cornerRadius w=\"-1e308\" h=\"1e308\"/>"
        "<shadow color=\"#00000080\" width=\"0\" height=\"0\" radius=\"-5\"/>"
        "<bounds x=\"10\" y=\"10\" w=\"1e-300\" h=\"40\"/></roundrectangle></d>")));
    auto root = std::dynamic_pointer_cast<QVGenericElement>(parser.rootElement());
    ASSERT_TRUE(root);
    std::vector<ShapePtr> shapes;
    for (const ElementPtr& child : root->children())
        if (auto s = std::dynamic_pointer_cast<Shape>(child))
            shapes.push_back(s);
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_EQ(shapes[0]->numberOfSides(), RegularPolygonShape::kMaximumSides);
    const QImage image = render({200, 100}, 1, [&](GraphicsContext& gc, const ShapeView& view) {
        for (const ShapePtr& s : shapes) {
            s->drawInView(gc, &view);
            s->drawSelectionHandlesInView(gc, &view);
            s->drawGradientControlsInView(gc, &view);
        }
    });
    EXPECT_EQ(image.size(), QSize(200, 100));
}

} // namespace
} // namespace qv
