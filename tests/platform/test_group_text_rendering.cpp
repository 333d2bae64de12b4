// Reference pictures of groups and text boxes drawn through Qt: a group turned,
// flipped and scaled with its members, nested groups, text with alignment,
// styles, rotation and shadow at two zooms, and the editing decoration.

#include "tests/platform/ReferenceImage.h"
#include "tests/platform/RenderSupport.h"

#include "shapes/GroupShape.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <QImage>

namespace qv {
namespace {

// Pages here are tinted, so that text boxes show where they leave the page
// colour to their fill.
constexpr Color kPageColor{1, 1, 0.9, 1};

QImage render(QSize size, double zoom, const Shape* editing, const test::DrawInView& draw) {
    return test::render(size, test::CanvasView(zoom, editing, kPageColor), draw);
}

// A house of three shapes: walls, roof and door.
std::shared_ptr<GroupShape> house(Point at) {
    auto walls = std::make_shared<RectangleShape>();
    walls->setBounds({at.x, at.y + 30, 60, 40});
    walls->fill().setColor({0.95, 0.8, 0.5, 1});
    walls->stroke().setWidth(2);
    auto roof = std::make_shared<RegularPolygonShape>();
    roof->setBounds({at.x - 5, at.y, 70, 32});
    roof->setNumberOfSides(3);
    roof->fill().setColor({0.8, 0.2, 0.2, 1});
    roof->stroke().setWidth(1.5);
    auto door = std::make_shared<OvalShape>();
    door->setBounds({at.x + 35, at.y + 45, 14, 25});
    door->setRotation(20);
    door->fill().setColor({0.3, 0.5, 0.9, 1});
    door->stroke().setStyle(0);
    return GroupShape::groupWithShapes({walls, roof, door});
}

TEST(GroupRendering, TurnedFlippedScaledAndNestedGroups) {
    auto plain = house({10, 10});
    auto turned = house({100, 10});
    turned->setRotation(25);
    auto flipped = house({190, 10});
    flipped->flip(0);
    flipped->flip(1);
    auto scaled = house({10, 100});
    scaled->setBounds({10, 100, 120, 50});
    // A group of a group with a shadow on every member, turned as a whole.
    auto nested = GroupShape::groupWithShapes({house({160, 100}), house({230, 110})});
    nested->setValueForKeyPath(Value(true), "shadow.visible");
    nested->setValueForKeyPath(Value(Size(3, -3)), "shadow.shadowOffset");
    nested->setValueForKeyPath(Value(3.0), "shadow.shadowBlurRadius");
    nested->rotate(-10);
    const std::vector<ShapePtr> shapes = {plain, turned, flipped, scaled, nested};
    const QImage image =
        render({320, 200}, 1, nullptr, [&](GraphicsContext& gc, const ShapeView& v) {
            for (const ShapePtr& s : shapes)
                s->drawInView(gc, &v);
            turned->drawSelectionHandlesInView(gc, &v);
        });
    EXPECT_TRUE(test::matchesReference(image, "group_transforms_zoom1"));
}

RichText sampleText(TextAlignment alignment) {
    TextAttributes title;
    title.fontFamily = "DejaVu Sans";
    title.fontSize = 14;
    title.bold = true;
    title.color = {0.1, 0.2, 0.6, 1};
    TextAttributes body;
    body.fontFamily = "DejaVu Serif";
    body.fontSize = 10;
    TextAttributes emphasis = body;
    emphasis.italic = true;
    emphasis.underline = true;
    emphasis.color = {0.7, 0.1, 0.1, 1};
    return RichText({{alignment, {{"A text box", title}}},
                     {alignment,
                      {{"wraps its words inside the bounds, with ", body},
                       {"styled runs", emphasis},
                       {" and accents: \xC3\xA9t\xC3\xA9.", body}}}});
}

std::vector<std::shared_ptr<TextShape>> textBoxes() {
    auto left = std::make_shared<TextShape>();
    left->setBounds({10, 10, 140, 80});
    left->setRichText(sampleText(TextAlignment::Left));
    auto centred = std::make_shared<TextShape>();
    centred->setBounds({170, 10, 140, 80});
    centred->setRichText(sampleText(TextAlignment::Center));
    centred->shadow().setVisible(true);
    centred->shadow().setShadowOffset({2, -2});
    centred->shadow().setShadowBlurRadius(2);
    auto turned = std::make_shared<TextShape>();
    turned->setBounds({40, 100, 150, 70});
    turned->setRichText(sampleText(TextAlignment::Right));
    turned->setRotation(350);
    return {left, centred, turned};
}

TEST(TextRendering, BoxesWithStylesShadowAndRotationAtZoomOne) {
    const auto boxes = textBoxes();
    const QImage image =
        render({320, 190}, 1, nullptr, [&](GraphicsContext& gc, const ShapeView& v) {
            for (const auto& t : boxes)
                t->drawInView(gc, &v);
        });
    EXPECT_TRUE(test::matchesReference(image, "text_boxes_zoom1"));
}

TEST(TextRendering, EditedBoxShowsOnlyItsDecorationAtZoomTwo) {
    const auto boxes = textBoxes();
    // A rectangle beneath the edited box is dimmed by the veil.
    auto below = std::make_shared<RectangleShape>();
    below->setBounds({150, 40, 60, 80});
    below->fill().setColor({0.2, 0.7, 0.3, 1});
    const Shape* edited = boxes[1].get();
    const QImage image =
        render({640, 380}, 2, edited, [&](GraphicsContext& gc, const ShapeView& v) {
            below->drawInView(gc, &v);
            for (const auto& t : boxes)
                t->drawInView(gc, &v);
            boxes[1]->drawEditDecoractionInView(gc, &v);
        });
    EXPECT_TRUE(test::matchesReference(image, "text_edited_zoom2"));
}

TEST(GroupRendering, GroupOfTextAndShapesTurnedAtZoomOneAndAHalf) {
    auto caption = std::make_shared<TextShape>();
    caption->setBounds({20, 90, 120, 40});
    caption->setRichText(sampleText(TextAlignment::Center));
    auto group = GroupShape::groupWithShapes({house({40, 10}), caption});
    group->rotate(15);
    const QImage image =
        render({270, 240}, 1.5, nullptr, [&](GraphicsContext& gc, const ShapeView& v) {
            group->drawInView(gc, &v);
            group->drawSelectionHandlesInView(gc, &v);
        });
    EXPECT_TRUE(test::matchesReference(image, "group_with_text_zoom1_5"));
}

} // namespace
} // namespace qv
