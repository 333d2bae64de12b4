// Every kind of shape drawn on the canvas through Qt against its reference
// picture: styles, arrow heads, dashes, image fills, gradients, shadows,
// rotations, flips, zooms, groups, text, and the handles and decorations.
#include "tests/platform/ReferenceImage.h"

#include "document/ImageCache.h"
#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "platform/qt/PngEncoder.h"
#include "platform/qt/QtGraphicsContext.h"
#include "platform/qt/QtImageCodec.h"
#include "shapes/ArcShape.h"
#include "shapes/BezierShape.h"
#include "shapes/FreehandShape.h"
#include "shapes/GroupShape.h"
#include "shapes/LineShape.h"
#include "shapes/OvalShape.h"
#include "shapes/PolylineShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/ShapeRegistry.h"
#include "shapes/TextShape.h"
#include "styles/Arrow.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <cmath>
#include <sstream>

namespace qv {
namespace {

using Draw = std::function<void(GraphicsContext&, const ShapeView&)>;
using Shapes = std::vector<ShapePtr>;

// The canvas as the shapes see it: its zoom, the shape edited in place and the page colour.
class CanvasView : public ShapeView {
public:
    CanvasView(double zoom, const Shape* editing, Color page)
        : m_Zoom(zoom), m_Editing(editing), m_Page(page) {}
    double zoom() const override { return m_Zoom; }
    const Shape* editingShape() const override { return m_Editing; }
    Color pageColor() const override { return m_Page; }

private:
    double m_Zoom;
    const Shape* m_Editing;
    Color m_Page;
};

// `draw` on a white canvas of w × h points at `zoom` pixels per point.
QImage render(double w, double h, double zoom, const Draw& draw, const Shape* editing = nullptr,
              Color page = Color::white()) {
    QImage image = QtImageContext::makeImage({w, h}, zoom);
    image.fill(Qt::white);
    QtImageContext context(image, zoom, true);
    draw(context.context(), CanvasView(zoom, editing, page));
    context.finish();
    return image;
}

// The shapes in order, then `after` (handles and other decorations).
template <class List> Draw all(const List& shapes, const Draw& after = {}) {
    return [=](GraphicsContext& gc, const ShapeView& view) {
        for (const auto& s : shapes)
            s->drawInView(gc, &view);
        if (after)
            after(gc, view);
    };
}

// Sets key paths on a shape or style from "key value..., key value...": a
// number, two (a point, or a size for an offset) or four (a colour).
template <class P> P with(P object, const std::string& settings) {
    std::istringstream in(settings);
    for (std::string item; std::getline(in, item, ',');) {
        std::istringstream words(item);
        std::string key;
        std::vector<double> n;
        words >> key;
        for (double d; words >> d;)
            n.push_back(d);
        const Value value = n.size() == 4             ? Value(Color(n[0], n[1], n[2], n[3]))
                            : n.size() == 1           ? Value(n.at(0))
                            : key.ends_with("Offset") ? Value(Size(n.at(0), n.at(1)))
                                                      : Value(Point(n.at(0), n.at(1)));
        EXPECT_TRUE(object->setValueForKeyPath(value, key)) << key;
    }
    return object;
}
template <class S> std::shared_ptr<S> make(Rect bounds, const std::string& settings = "") {
    auto shape = std::make_shared<S>();
    shape->setBounds(bounds);
    return with(shape, settings);
}
void turn(const Shapes& shapes, std::initializer_list<std::pair<int, double>> turns) {
    for (const auto& [index, degrees] : turns)
        shapes[std::size_t(index)]->setRotation(degrees);
}

BezierPath line(Point a, Point b) {
    BezierPath path;
    path.moveToPoint(a);
    path.lineToPoint(b);
    return path;
}

// Arrow heads 1 to 18 in three columns of 190 × 60 cells, each on the start
// of an upper line and the end of a lower one, both drawn left to right; with
// `reversed` the lines run right to left and the heads swap ends.
Draw arrowHeads(bool reversed) {
    return [reversed](GraphicsContext& gc, const ShapeView&) {
        for (std::int64_t arrow = 1; arrow < Arrow::kCount; ++arrow)
            for (int row = 0; row < 2; ++row) {
                const double x = double((arrow - 1) % 3) * 190;
                const double y = double((arrow - 1) / 3) * 60 + 18 + row * 24;
                const std::string end = (row == 0) != reversed ? "arrowStart" : "arrowEnd";
                Stroke stroke;
                with(&stroke, "width 2, color 0.1 0.2 0.6 1, " + end + "Size 5, " + end + "Style " +
                                  std::to_string(arrow));
                const Point left{x + 30, y}, right{x + 160, y};
                stroke.strokePath(gc, reversed ? line(right, left) : line(left, right));
            }
    };
}

// Dash styles 0 (none) to 6 top to bottom, butt caps left and round caps
// right, each on a run and a bend so that the pattern follows it.
void dashStyles(GraphicsContext& gc, const ShapeView&) {
    for (int style = 0; style <= StrokeStyleLongDashDot; ++style)
        for (int cap = 0; cap < 2; ++cap) {
            Stroke stroke;
            with(&stroke, "style " + std::to_string(style) + ", capStyle " + std::to_string(cap) +
                              ", width 5, joinStyle 1, color 0.6 0.1 0.1 1");
            const double x = 20 + cap * 280, y = 20 + style * 35;
            BezierPath path = line({x, y}, {x + 200, y});
            path.lineToPoint({x + 240, y + 20});
            stroke.strokePath(gc, path);
        }
}

// Stretch, cover, centre and tile of a 40 × 30 picture in 100 × 100 bounds,
// then centred in bounds smaller than it, so that it is cut on every side.
// The picture's quarters are red, green, blue and yellow, split 12 pixels from
// the left so that stretching and covering differ, in a black frame.
QImage imagePlacements() {
    QImage picture(40, 30, QImage::Format_ARGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            picture.setPixel(x, y,
                             x == 0 || y == 0 || x == 39 || y == 29 ? qRgb(0, 0, 0)
                             : y < 15 ? (x < 12 ? qRgb(220, 40, 40) : qRgb(40, 180, 60))
                                      : (x < 12 ? qRgb(40, 70, 220) : qRgb(240, 210, 40)));
    const QByteArray png = encodePng(picture, 72).value_or(QByteArray());
    const QtImageCodec codec;
    const ImageCodec* previous = ImageCodec::shared();
    ImageCodec::setShared(&codec);
    const std::optional<std::string> name = ImageCache::imageCache().addImageData(
        ByteBuffer(png.begin(), png.end()), "placement-corners-72dpi.png");
    EXPECT_TRUE(name);
    Shapes cells;
    for (int placement = 0; placement <= 4; ++placement) {
        const bool small = placement == 4;
        auto cell = make<RectangleShape>(
            {20 + placement * 115.0, 20, small ? 24.0 : 100.0, small ? 20.0 : 100.0});
        cell->stroke().setWidth(1);
        cell->stroke().setColor({0.5, 0.5, 0.5, 1});
        cell->fill().setStyle(FillStyleImage);
        cell->fill().setImageName(name.value_or(""));
        cell->fill().setImagePlacement(small ? ImagePlacementCentre : placement);
        cells.push_back(cell);
    }
    const QImage image = render(600, 140, 1, all(cells));
    ImageCodec::setShared(previous);
    return image;
}

Shapes rectangleFamily() {
    return {make<RectangleShape>({10, 10, 80, 50},
                                 "fill.color 0.9 0.3 0.2 1, stroke.width 3, stroke.joinStyle 1"),
            make<OvalShape>({110, 10, 90, 50},
                            "fill.color 0.2 0.6 0.9 1, stroke.style 2, stroke.width 2"),
            make<RoundRectangleShape>({220, 10, 90, 60},
                                      "cornerRadiusWidth 20, cornerRadiusHeight 12, fill.style 0, "
                                      "stroke.style 4, stroke.capStyle 1, stroke.width 4, "
                                      "stroke.color 0.1 0.5 0.1 1"),
            make<RegularPolygonShape>({10, 90, 80, 80},
                                      "fill.color 1 0.85 0.2 1, stroke.style 5, stroke.width 1.5"),
            make<RegularPolygonShape>({110, 90, 90, 80},
                                      "numberOfSides 5, stellation 0.5, fill.color 0.6 0.2 0.8 "
                                      "0.7, stroke.joinStyle 0, stroke.width 2"),
            make<RegularPolygonShape>({220, 90, 90, 80},
                                      "numberOfSides 3, fill.color 0.3 0.8 0.6 1, stroke.style 0")};
}

std::shared_ptr<LineShape> lineShape(Point start, Point end, const std::string& settings = "") {
    auto l = std::make_shared<LineShape>();
    l->setStart(start);
    l->setEnd(end);
    return with(l, settings);
}

Shapes lines() {
    return {lineShape({10, 10}, {150, 10}), // width 1: centred on a pixel row
            lineShape({10, 30}, {150, 30},
                      "stroke.style 2, stroke.width 3, stroke.capStyle 1, "
                      "stroke.color 0.8 0.1 0.1 1"),
            lineShape({20, 60}, {140, 110},
                      "stroke.width 2, stroke.arrowStartStyle 5, stroke.arrowEndStyle 1, "
                      "stroke.arrowEndSize 2, stroke.color 0.1 0.3 0.8 1"),
            lineShape({180, 20}, {300, 120},
                      "stroke.width 10, stroke.capStyle 2, stroke.color 0.2 0.6 0.2 0.8"),
            lineShape({170, 20}, {170, 130}, "stroke.style 4, stroke.capStyle 1, stroke.width 4"),
            lineShape({200, 140}, {300, 140},
                      "stroke.width 5, stroke.style 6, stroke.arrowEndStyle 3, shadow.visible 1, "
                      "shadow.shadowOffset 3 -3, shadow.shadowBlurRadius 3")};
}

std::shared_ptr<ArcShape> arc(Point centre, double radius, double from, double to, bool clockwise,
                              const std::string& settings) {
    auto a = std::make_shared<ArcShape>();
    a->setCenter(centre);
    a->setRadius(radius);
    a->setAngle1(from);
    a->setAngle2(to);
    a->setClockwise(clockwise);
    return with(a, settings);
}

Shapes arcs() {
    return {arc({50, 50}, 40, 0, 90, true, "fill.color 0.95 0.6 0.2 1"),
            arc({150, 50}, 40, 0, 90, false,
                "fill.color 0.3 0.6 0.9 1, stroke.width 2, stroke.joinStyle 1"),
            arc({250, 50}, 40, -60, 200, true,
                "fill.style 2, fill.color 1 1 0.5 1, fill.gradientColor 0.6 0.1 0.6 1, "
                "stroke.style 2"),
            arc({50, 140}, 35, 200, 340, true,
                "fill.style 0, stroke.width 4, stroke.color 0.1 0.5 0.3 1"),
            arc({150, 140}, 35, 30, 330, true,
                "fill.style 2, fill.gradientStyle 1, fill.gradientStart 0.5 0.5, "
                "fill.gradientEnd 1 0.5, fill.color 1 0.9 0.2 1, fill.gradientColor 0.9 0.3 0.1 1, "
                "stroke.style 0"),
            arc({250, 140}, 35, 45, 135, false,
                "fill.color 0.5 0.8 0.5 0.8, shadow.visible 1, shadow.shadowOffset 4 -4, "
                "shadow.shadowBlurRadius 4")};
}

// Lines above, arcs 170 points lower.
Shapes linesAndArcs() {
    Shapes shapes = lines();
    for (const ShapePtr& a : arcs()) {
        a->offset({0, 170});
        shapes.push_back(a);
    }
    return shapes;
}

// A smooth closed blob built the way the Bézier tool builds it: each anchor
// dragged out, and the start dragged again on closing so the joint is smooth.
std::shared_ptr<BezierShape> blob(Point o) {
    auto at = [&](double x, double y) { return Point{o.x + x, o.y + y}; };
    const Point anchors[] = {at(0, 30), at(50, 0), at(90, 40), at(40, 70), at(0, 30)};
    const Point drags[] = {at(10, 0), at(80, 5), at(80, 70), at(10, 75), at(10, 10)};
    auto b = std::make_shared<BezierShape>();
    b->moveToPoint(anchors[0]);
    b->setLastControl(drags[0]);
    for (int i = 1; i < 5; ++i) {
        b->curveToPoint(anchors[i], drags[i - 1], anchors[i]);
        b->setLastControl(drags[i]);
    }
    b->setFirstControl(drags[4]);
    b->closePath();
    return with(b, "fill.color 0.95 0.55 0.2 1, stroke.width 2.5, stroke.joinStyle 1");
}

// Freehand pointer samples in a zig-zag, left open, with arrow heads.
std::shared_ptr<BezierShape> scribble(Point o) {
    auto f = std::make_shared<FreehandShape>();
    f->moveToPoint(o);
    for (int i = 1; i <= 24; ++i)
        f->lineToPoint({o.x + i * 4, o.y + 20 * std::sin(i * 0.5) + i});
    return with(f, "fill.style 0, stroke.width 2, stroke.color 0.1 0.3 0.8 1, stroke.capStyle 1, "
                   "stroke.arrowStartStyle 3, stroke.arrowEndStyle 1, stroke.arrowEndSize 2");
}

// A closed polyline with a dashed stroke.
std::shared_ptr<BezierShape> zigzag(Point o) {
    auto p = std::make_shared<PolylineShape>();
    p->moveToPoint({o.x, o.y + 60});
    for (const Point q : {Point{20, 0}, Point{45, 45}, Point{70, 5}, Point{95, 60}})
        p->lineToPoint({o.x + q.x, o.y + q.y});
    p->closePath();
    return with(p, "fill.color 0.3 0.75 0.45 0.8, stroke.style 2, stroke.width 2, "
                   "stroke.color 0.1 0.35 0.15 1");
}

// Two nested squares and an oval: the even-odd rule leaves holes.
std::shared_ptr<BezierShape> framed(Point o) {
    BezierPath path = BezierPath::bezierPathWithRect({o.x, o.y, 90, 70});
    path.appendBezierPath(BezierPath::bezierPathWithRect({o.x + 15, o.y + 12, 60, 46}));
    path.appendBezierPath(BezierPath::bezierPathWithOvalInRect({o.x + 30, o.y + 22, 30, 26}));
    auto b = std::make_shared<BezierShape>();
    b->setPath(path);
    return with(b, "fill.color 0.55 0.25 0.75 1, stroke.width 1");
}

std::vector<std::shared_ptr<BezierShape>> pathShapes() {
    return {blob({10, 10}),    scribble({130, 30}), zigzag({250, 15}),
            framed({10, 100}), blob({130, 100}),    zigzag({240, 105})};
}

// Drags a point of `b` by `by` on the canvas from where it is shown.
void drag(BezierShape& b, std::size_t element, int point, Size by, unsigned flags = 0) {
    const Point local = b.bezierPath().elementAtIndex(element).points[std::size_t(point)];
    const Point shown = b.transform().transformPoint(local);
    b.reshapeToPoint({shown.x + by.width, shown.y + by.height}, element, point, flags);
}

// Groups and text boxes are drawn on a tinted page, so that text boxes show
// where they leave the page colour to their fill.
constexpr Color kPage{1, 1, 0.9, 1};

// A house of three shapes: walls, roof and door.
std::shared_ptr<GroupShape> house(Point at) {
    return GroupShape::groupWithShapes(
        {make<RectangleShape>({at.x, at.y + 30, 60, 40},
                              "fill.color 0.95 0.8 0.5 1, stroke.width 2"),
         make<RegularPolygonShape>({at.x - 5, at.y, 70, 32},
                                   "numberOfSides 3, fill.color 0.8 0.2 0.2 1, stroke.width 1.5"),
         make<OvalShape>({at.x + 35, at.y + 45, 14, 25},
                         "rotation 20, fill.color 0.3 0.5 0.9 1, stroke.style 0")});
}

std::shared_ptr<TextShape> textBox(Rect bounds, TextAlignment alignment) {
    const TextAttributes title{"DejaVu Sans", 14, true, false, false, {0.1, 0.2, 0.6, 1}};
    const TextAttributes body{"DejaVu Serif", 10};
    const TextAttributes emphasis{"DejaVu Serif", 10, false, true, true, {0.7, 0.1, 0.1, 1}};
    auto box = make<TextShape>(bounds);
    box->setRichText(RichText({{alignment, {{"A text box", title}}},
                               {alignment,
                                {{"wraps its words inside the bounds, with ", body},
                                 {"styled runs", emphasis},
                                 {" and accents: \xC3\xA9t\xC3\xA9.", body}}}}));
    return box;
}

std::vector<std::shared_ptr<TextShape>> textBoxes() {
    auto turned = textBox({40, 100, 150, 70}, TextAlignment::Right);
    turned->setRotation(350);
    return {textBox({10, 10, 140, 80}, TextAlignment::Left),
            with(textBox({170, 10, 140, 80}, TextAlignment::Center),
                 "shadow.visible 1, shadow.shadowOffset 2 -2, shadow.shadowBlurRadius 2"),
            turned};
}

TEST(ShapePictures, MatchTheirReferences) {
    const std::pair<const char*, std::function<QImage()>> pictures[] = {
        {"style_arrow_heads", [] { return render(570, 360, 1, arrowHeads(false)); }},
        {"style_dash_caps", [] { return render(560, 260, 1, dashStyles); }},
        {"style_image_placements", imagePlacements},
        {"shapes_rectangle_family", [] { return render(320, 180, 1, all(rectangleFamily())); }},
        {"shapes_rotated_zoom2",
         [] {
             const Shapes s = rectangleFamily();
             turn(s, {{0, 30}, {1, 90}, {2, 200}, {3, 15}, {4, 340}, {5, 180}});
             with(s[0], "shadow.visible 1, shadow.shadowOffset 4 -4, shadow.shadowBlurRadius 4");
             with(s[1], "fill.style 2, fill.gradientColor 0.1 0.1 0.5 1");
             with(s[2], "fill.style 2, fill.gradientStyle 1, fill.color 1 1 0.6 1, "
                        "fill.gradientStart 0.5 0.5, fill.gradientEnd 1 0.5");
             s[4]->shadow().setVisible(true);
             with(s[5], "fill.style 2, fill.gradientStart 0 0, fill.gradientEnd 1 1");
             return render(320, 180, 2, all(s));
         }},
        {"shapes_selection_zoom1_5",
         [] {
             const Shapes s = rectangleFamily();
             turn(s, {{0, 20}, {4, 10}});
             with(s[1], "fill.style 2");
             // A dragged-over shape with its band, gradient controls before
             // the handles, and the rotation marker last, as the canvas does.
             return render(320, 180, 1.5, all(s, [s](GraphicsContext& gc, const ShapeView& v) {
                               s[5]->drawInView(gc, &v, true);
                               s[1]->drawGradientControlsInView(gc, &v);
                               for (const ShapePtr& shape : s)
                                   shape->drawSelectionHandlesInView(gc, &v);
                               Shape::drawRotateMarkerAtPoint(gc, s[0]->position(), &v);
                           }));
         }},
        {"lines_zoom1", [] { return render(320, 160, 1, all(lines())); }},
        {"arcs_zoom1", [] { return render(300, 190, 1, all(arcs())); }},
        {"lines_arcs_rotated_zoom2",
         [] {
             const Shapes s = linesAndArcs();
             turn(s, {{1, 20}, {3, 45}, {5, 330}, {6, 90}, {8, 200}, {10, 60}, {11, 180}});
             s[2]->flip(0);
             s[9]->flip(1);
             return render(320, 360, 2, all(s));
         }},
        {"lines_arcs_handles_zoom1_5",
         [] {
             const Shapes s = linesAndArcs();
             turn(s, {{2, 30}, {8, 40}});
             s[8]->setBounds({200, 170, 100, 100}); // larger: radius 50
             return render(320, 360, 1.5, all(s, [s](GraphicsContext& gc, const ShapeView& v) {
                               s[7]->drawInView(gc, &v, true); // the target of a drag
                               for (const ShapePtr& shape : s)
                                   shape->drawSelectionHandlesInView(gc, &v);
                           }));
         }},
        {"paths_zoom1", [] { return render(360, 190, 1, all(pathShapes())); }},
        {"paths_rotated_zoom2",
         [] {
             const auto s = pathShapes();
             with(s[0], "rotation 25, shadow.visible 1, shadow.shadowOffset 4 -4, "
                        "shadow.shadowBlurRadius 3");
             s[1]->setRotation(330);
             s[1]->flip(1);
             with(s[2], "rotation 90, fill.style 2, fill.gradientColor 0.1 0.1 0.5 1");
             with(s[3], "rotation 10, fill.style 2, fill.gradientStyle 1, fill.color 1 1 0.6 1, "
                        "fill.gradientStart 0.5 0.5, fill.gradientEnd 1 0.5");
             s[4]->flip(0);
             s[4]->setRotation(200);
             with(s[5], "shadow.visible 1, shadow.shadowOffset -3 -5, shadow.shadowBlurRadius 6");
             return render(360, 200, 2, [s](GraphicsContext& gc, const ShapeView& v) {
                 gc.concatCTM(AffineTransform::translation(0, 8));
                 all(s)(gc, v);
             });
         }},
        {"paths_handles_zoom1_5",
         [] {
             const auto s = pathShapes();
             s[0]->setRotation(30);
             drag(*s[0], 2, 0, {-5, 25}, AlternateKeyMask); // a corner beside a smooth joint
             s[4]->setRotation(300);
             drag(*s[4], 1, 2, {12, -8});
             drag(*s[4], 3, 1, {-10, 10});
             return render(380, 210, 1.5, [s](GraphicsContext& gc, const ShapeView& v) {
                 gc.concatCTM(AffineTransform::translation(10, 15));
                 all(s)(gc, v);
                 for (const auto& b : s)
                     b->drawReshapeHandlesInView(gc, &v);
                 s[2]->drawSelectionHandlesInView(gc, &v);
             });
         }},
        {"group_transforms_zoom1",
         [] {
             auto turned = house({100, 10}), flipped = house({190, 10}), scaled = house({10, 100});
             turned->setRotation(25);
             flipped->flip(0);
             flipped->flip(1);
             scaled->setBounds({10, 100, 120, 50});
             // A group of groups with a shadow on every member, turned as a whole.
             auto nested = with(GroupShape::groupWithShapes({house({160, 100}), house({230, 110})}),
                                "shadow.visible 1, shadow.shadowOffset 3 -3, "
                                "shadow.shadowBlurRadius 3");
             nested->rotate(-10);
             const Shapes s = {house({10, 10}), turned, flipped, scaled, nested};
             return render(320, 200, 1,
                           all(s,
                               [turned](GraphicsContext& gc, const ShapeView& v) {
                                   turned->drawSelectionHandlesInView(gc, &v);
                               }),
                           nullptr, kPage);
         }},
        {"text_boxes_zoom1", [] { return render(320, 190, 1, all(textBoxes()), nullptr, kPage); }},
        {"text_edited_zoom2",
         [] {
             const auto boxes = textBoxes();
             // A rectangle beneath the edited box is dimmed by the veil.
             const Shapes s = {make<RectangleShape>({150, 40, 60, 80}, "fill.color 0.2 0.7 0.3 1"),
                               boxes[0], boxes[1], boxes[2]};
             return render(320, 190, 2,
                           all(s,
                               [boxes](GraphicsContext& gc, const ShapeView& v) {
                                   boxes[1]->drawEditDecoractionInView(gc, &v);
                               }),
                           boxes[1].get(), kPage);
         }},
        {"group_with_text_zoom1_5",
         [] {
             auto group = GroupShape::groupWithShapes(
                 {house({40, 10}), textBox({20, 90, 120, 40}, TextAlignment::Center)});
             group->rotate(15);
             return render(180, 160, 1.5,
                           all(Shapes{group},
                               [group](GraphicsContext& gc, const ShapeView& v) {
                                   group->drawSelectionHandlesInView(gc, &v);
                               }),
                           nullptr, kPage);
         }},
    };
    for (const auto& [name, picture] : pictures) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(test::matchesReference(picture(), name));
    }
}

TEST(ShapePictures, AStartHeadLooksLikeTheEndHeadOfTheReversedLine) {
    const test::ImageComparison c = test::compareImages(render(570, 360, 1, arrowHeads(false)),
                                                        render(570, 360, 1, arrowHeads(true)), 8);
    EXPECT_TRUE(c.sameSize);
    EXPECT_LE(c.outliers, 4) << "largest difference " << c.maxDifference;
}

// Absurd numbers in a file must neither crash nor stall the renderer.
TEST(ShapePictures, AbsurdValuesFromAFileDrawWithoutTrouble) {
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
    Shapes shapes;
    for (const ElementPtr& child : root->children())
        if (auto s = std::dynamic_pointer_cast<Shape>(child))
            shapes.push_back(s);
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_EQ(shapes[0]->numberOfSides(), RegularPolygonShape::kMaximumSides);
    const QImage image =
        render(200, 100, 1, all(shapes, [&](GraphicsContext& gc, const ShapeView& v) {
                   for (const ShapePtr& s : shapes) {
                       s->drawSelectionHandlesInView(gc, &v);
                       s->drawGradientControlsInView(gc, &v);
                   }
               }));
    EXPECT_EQ(image.size(), QSize(200, 100));
}

} // namespace
} // namespace qv
