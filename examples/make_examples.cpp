// Writes the example drawings through the model, so that they always show what
// the current file format writes: every shape kind, stroke style, cap, join
// and arrow head, every fill kind (a picture fill in all four placements,
// with a small picture made here) and drop shadows.
//
//   make_examples OUTDIR

#include "document/DrawDocument.h"
#include "document/ImageCache.h"
#include "document/RichText.h"
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
#include "shapes/TextShape.h"
#include "styles/Arrow.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <string>

using namespace qv;

namespace {

constexpr const char* kPictureName = "checker.png";

// A 32 × 32 pixel picture: a checkerboard of two blues with an orange disc,
// transparent in the corners.
ByteBuffer checkerPicture() {
    QImage image(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool dark = ((x / 8) + (y / 8)) % 2 == 0;
            QRgb c = dark ? qRgb(0x2B, 0x59, 0xC3) : qRgb(0x9E, 0xC5, 0xFE);
            const double dx = x - 15.5, dy = y - 15.5;
            const double r = std::sqrt(dx * dx + dy * dy);
            if (r < 9)
                c = qRgb(0xFF, 0x8C, 0x1A);
            else if (r > 19)
                c = qRgba(0, 0, 0, 0);
            image.setPixel(x, y, c);
        }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.write(image);
    return ByteBuffer(bytes.begin(), bytes.end());
}

Color rgb(int r, int g, int b, int a = 255) {
    return Color(r / 255.0, g / 255.0, b / 255.0, a / 255.0);
}

template <class T> std::shared_ptr<T> boxShape(Rect bounds, double rotation = 0) {
    auto shape = std::make_shared<T>();
    shape->setBounds(bounds);
    shape->setRotation(rotation);
    return shape;
}

void styleFill(Shape& s, const Color& color) {
    s.fill().setStyle(FillStyleColor);
    s.fill().setColor(color);
}

void styleStroke(Shape& s, double width, const Color& color,
                 std::int32_t style = StrokeStyleSolid) {
    s.stroke().setStyle(style);
    s.stroke().setWidth(width);
    s.stroke().setColor(color);
}

void addShadow(Shape& s, Size offset, double blur, const Color& color = Shadow::kDefaultColor) {
    s.shadow().setVisible(true);
    s.shadow().setShadowOffset(offset);
    s.shadow().setShadowBlurRadius(blur);
    s.shadow().setShadowColor(color);
}

std::shared_ptr<TextShape> textShape(Rect bounds, const std::string& text, double size,
                                     bool bold = false, const Color& color = Color::black(),
                                     TextAlignment alignment = TextAlignment::Left) {
    auto shape = boxShape<TextShape>(bounds);
    TextAttributes attributes;
    attributes.fontSize = size;
    attributes.bold = bold;
    attributes.color = color;
    shape->setRichText(RichText::fromPlainText(text, attributes, alignment));
    return shape;
}

std::shared_ptr<LineShape> line(Point a, Point b) {
    auto shape = std::make_shared<LineShape>();
    shape->setStart(a);
    shape->setEnd(b);
    return shape;
}

std::shared_ptr<ArcShape> arc(Point center, double radius, double a1, double a2, bool clockwise) {
    auto shape = std::make_shared<ArcShape>();
    shape->setCenter(center);
    shape->setRadius(radius);
    shape->setAngle1(a1);
    shape->setAngle2(a2);
    shape->setClockwise(clockwise);
    return shape;
}

bool save(DrawDocument& document, const ShapeList& shapes, const std::string& path) {
    document.setShapes(shapes);
    const DocumentResult result = document.writeToPackage(path);
    if (!result) {
        std::fprintf(stderr, "make_examples: %s: %s\n", path.c_str(), result.error.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

// A greeting that uses a little of everything.
ShapeList welcome() {
    ShapeList shapes;
    auto banner = boxShape<RoundRectangleShape>(Rect(40, 40, 460, 110));
    banner->setCornerRadius(Size(18, 18));
    banner->fill().setStyle(FillStyleGradient);
    banner->fill().setColor(rgb(0x3A, 0x7B, 0xD5));
    banner->fill().setGradientColor(rgb(0x8E, 0x44, 0xAD));
    banner->fill().setGradientStart(Point(0, 0.5));
    banner->fill().setGradientEnd(Point(1, 0.5));
    styleStroke(*banner, 0, Color::black(), StrokeStyleNone);
    addShadow(*banner, Size(4, -6), 8);
    shapes.push_back(banner);
    shapes.push_back(textShape(Rect(60, 62, 420, 40), "Welcome to Quorvik Draw", 28, true,
                               Color::white(), TextAlignment::Center));
    shapes.push_back(textShape(Rect(60, 106, 420, 30), "Shapes, strokes, arrows, fills and shadows",
                               14, false, Color::white(), TextAlignment::Center));

    auto star = boxShape<RegularPolygonShape>(Rect(60, 200, 140, 140), 12);
    star->setNumberOfSides(5);
    star->setStellation(0.5);
    styleFill(*star, rgb(0xF4, 0xD0, 0x3F));
    styleStroke(*star, 3, rgb(0xC0, 0x8A, 0x00));
    star->stroke().setJoinStyle(1);
    addShadow(*star, Size(3, -3), 5);
    shapes.push_back(star);

    auto picture = boxShape<OvalShape>(Rect(230, 200, 140, 140));
    picture->fill().setStyle(FillStyleImage);
    picture->fill().setImageName(kPictureName);
    picture->fill().setImagePlacement(ImagePlacementTile);
    styleStroke(*picture, 2, rgb(0x2B, 0x59, 0xC3));
    shapes.push_back(picture);

    auto pie = arc(Point(460, 270), 70, 30, 300, true);
    pie->fill().setStyle(FillStyleGradient);
    pie->fill().setGradientStyle(GradientStyleRadial);
    pie->fill().setColor(rgb(0xFF, 0xFF, 0xFF));
    pie->fill().setGradientColor(rgb(0xE7, 0x4C, 0x3C));
    pie->fill().setGradientStart(Point(0.5, 0.5));
    pie->fill().setGradientEnd(Point(1, 0.5));
    styleStroke(*pie, 2, rgb(0x96, 0x28, 0x1B));
    shapes.push_back(pie);

    auto arrow = line(Point(80, 420), Point(460, 420));
    styleStroke(*arrow, 3, rgb(0x27, 0xAE, 0x60), StrokeStyleDash);
    arrow->stroke().setArrowStartStyle(6);
    arrow->stroke().setArrowEndStyle(1);
    arrow->stroke().setArrowEndSize(4);
    arrow->stroke().setArrowStartSize(3);
    shapes.push_back(arrow);

    auto wave = std::make_shared<BezierShape>();
    wave->moveToPoint(Point(80, 520));
    wave->curveToPoint(Point(200, 520), Point(120, 460), Point(160, 580));
    wave->curveToPoint(Point(320, 520), Point(240, 460), Point(280, 580));
    wave->curveToPoint(Point(440, 520), Point(360, 460), Point(400, 580));
    styleStroke(*wave, 4, rgb(0x16, 0xA0, 0x85));
    wave->stroke().setCapStyle(1);
    wave->stroke().setArrowEndStyle(3);
    wave->fill().setStyle(FillStyleNone);
    shapes.push_back(wave);

    shapes.push_back(textShape(Rect(60, 620, 420, 60),
                               "Open this drawing with drawapp, or try\nqvdraw export "
                               "examples/welcome.qvdraw welcome.png",
                               12, false, rgb(0x44, 0x44, 0x44)));
    return shapes;
}

// One of every shape kind.
ShapeList shapeKinds() {
    ShapeList shapes;
    shapes.push_back(textShape(Rect(20, 10, 500, 30), "Every kind of shape", 20, true));

    auto rect = boxShape<RectangleShape>(Rect(30, 60, 120, 80));
    styleFill(*rect, rgb(0xAE, 0xD6, 0xF1));
    shapes.push_back(rect);
    auto turned = boxShape<RectangleShape>(Rect(200, 60, 120, 80), 30);
    styleFill(*turned, rgb(0xF5, 0xB7, 0xB1));
    shapes.push_back(turned);
    auto rounded = boxShape<RoundRectangleShape>(Rect(370, 60, 140, 80));
    rounded->setCornerRadius(Size(24, 16));
    styleFill(*rounded, rgb(0xA9, 0xDF, 0xBF));
    shapes.push_back(rounded);

    auto oval = boxShape<OvalShape>(Rect(30, 180, 140, 90));
    styleFill(*oval, rgb(0xFA, 0xD7, 0xA0));
    shapes.push_back(oval);
    auto hexagon = boxShape<RegularPolygonShape>(Rect(200, 175, 100, 100));
    styleFill(*hexagon, rgb(0xD7, 0xBD, 0xE2));
    shapes.push_back(hexagon);
    auto star = boxShape<RegularPolygonShape>(Rect(360, 170, 110, 110), 18);
    star->setNumberOfSides(7);
    star->setStellation(0.6);
    styleFill(*star, rgb(0xF9, 0xE7, 0x9F));
    shapes.push_back(star);

    auto slice = arc(Point(90, 360), 60, 0, 270, false);
    styleFill(*slice, rgb(0x85, 0xC1, 0xE9));
    shapes.push_back(slice);
    auto thin = arc(Point(250, 360), 60, 200, 340, true);
    styleFill(*thin, rgb(0xF0, 0xB2, 0x7A));
    shapes.push_back(thin);
    auto diagonal = line(Point(360, 310), Point(500, 410));
    styleStroke(*diagonal, 2, Color::black());
    shapes.push_back(diagonal);

    auto bezier = std::make_shared<BezierShape>();
    bezier->moveToPoint(Point(40, 470));
    bezier->curveToPoint(Point(160, 470), Point(70, 420), Point(130, 520));
    bezier->lineToPoint(Point(160, 540));
    bezier->curveToPoint(Point(40, 540), Point(120, 580), Point(80, 500));
    bezier->closePath();
    styleFill(*bezier, rgb(0xAB, 0xEB, 0xC6));
    shapes.push_back(bezier);

    auto freehand = std::make_shared<FreehandShape>();
    freehand->moveToPoint(Point(200, 500));
    for (int i = 1; i <= 24; ++i) {
        const double t = i / 24.0;
        freehand->lineToPoint(Point(200 + 120 * t, 500 + 30 * std::sin(t * 6.283185307179586 * 2)));
    }
    styleStroke(*freehand, 2, rgb(0x8E, 0x44, 0xAD));
    freehand->fill().setStyle(FillStyleNone);
    shapes.push_back(freehand);

    auto polyline = std::make_shared<PolylineShape>();
    polyline->moveToPoint(Point(360, 540));
    polyline->lineToPoint(Point(400, 460));
    polyline->lineToPoint(Point(440, 530));
    polyline->lineToPoint(Point(480, 450));
    polyline->lineToPoint(Point(510, 520));
    styleStroke(*polyline, 3, rgb(0xC0, 0x39, 0x2B));
    polyline->stroke().setJoinStyle(2);
    polyline->fill().setStyle(FillStyleNone);
    shapes.push_back(polyline);

    auto a = boxShape<RectangleShape>(Rect(40, 600, 60, 60));
    styleFill(*a, rgb(0x5D, 0xAD, 0xE2));
    auto b = boxShape<OvalShape>(Rect(80, 620, 60, 60));
    styleFill(*b, rgb(0xEC, 0x70, 0x63));
    auto group = GroupShape::groupWithShapes({a, b});
    group->setRotation(10);
    shapes.push_back(group);

    shapes.push_back(textShape(Rect(200, 600, 300, 90),
                               "A text box holds rich text:\nfonts, sizes, colours and "
                               "alignment.",
                               14));
    return shapes;
}

// Every stroke style, cap and join, and every arrow head of the catalogue.
ShapeList strokes() {
    ShapeList shapes;
    shapes.push_back(textShape(Rect(20, 10, 500, 30), "Strokes and arrow heads", 20, true));
    for (std::int32_t style = 0; style <= StrokeStyleLongDashDot; ++style) {
        auto l = line(Point(30, 60 + style * 24.0), Point(250, 60 + style * 24.0));
        styleStroke(*l, 3, Color::black(), style);
        shapes.push_back(l);
    }
    for (std::uint64_t cap = 0; cap < 3; ++cap) {
        auto l = line(Point(300, 70 + cap * 30.0), Point(480, 70 + cap * 30.0));
        styleStroke(*l, 12, rgb(0x34, 0x49, 0x5E));
        l->stroke().setCapStyle(cap);
        shapes.push_back(l);
    }
    for (std::uint64_t join = 0; join < 3; ++join) {
        auto p = std::make_shared<PolylineShape>();
        const double x = 300 + join * 70.0;
        p->moveToPoint(Point(x, 230));
        p->lineToPoint(Point(x + 25, 170));
        p->lineToPoint(Point(x + 50, 230));
        styleStroke(*p, 10, rgb(0x76, 0x44, 0x8A));
        p->stroke().setJoinStyle(join);
        p->fill().setStyle(FillStyleNone);
        shapes.push_back(p);
    }
    // Arrow 0 is "None"; the others in two columns, a start and an end head.
    for (std::int64_t i = 1; i < Arrow::kCount; ++i) {
        const std::int64_t row = (i - 1) % 9, column = (i - 1) / 9;
        const double x = 40 + column * 250.0, y = 290 + row * 45.0;
        auto l = line(Point(x, y), Point(x + 200, y));
        styleStroke(*l, 2, rgb(0xC0, 0x39, 0x2B));
        l->stroke().setArrowStartStyle(i);
        l->stroke().setArrowEndStyle(i);
        l->stroke().setArrowStartSize(5);
        l->stroke().setArrowEndSize(7);
        shapes.push_back(l);
    }
    auto dashed = boxShape<OvalShape>(Rect(30, 240, 220, 30));
    styleStroke(*dashed, 2, rgb(0x1F, 0x61, 0x8D), StrokeStyleDashDot);
    dashed->fill().setStyle(FillStyleNone);
    shapes.push_back(dashed);
    return shapes;
}

// Every fill kind and picture placement, with shadows.
ShapeList fills() {
    ShapeList shapes;
    shapes.push_back(textShape(Rect(20, 10, 500, 30), "Fills and shadows", 20, true));
    auto none = boxShape<RectangleShape>(Rect(30, 60, 140, 100));
    none->fill().setStyle(FillStyleNone);
    styleStroke(*none, 2, Color::black(), StrokeStyleDash);
    shapes.push_back(none);
    auto solid = boxShape<RectangleShape>(Rect(200, 60, 140, 100));
    styleFill(*solid, rgb(0x48, 0xC9, 0xB0, 200));
    shapes.push_back(solid);
    auto linear = boxShape<RectangleShape>(Rect(370, 60, 140, 100), 15);
    linear->fill().setStyle(FillStyleGradient);
    linear->fill().setColor(rgb(0xF3, 0x9C, 0x12));
    linear->fill().setGradientColor(rgb(0xE7, 0x4C, 0x3C));
    shapes.push_back(linear);
    auto radial = boxShape<OvalShape>(Rect(30, 190, 140, 140));
    radial->fill().setStyle(FillStyleGradient);
    radial->fill().setGradientStyle(GradientStyleRadial);
    radial->fill().setColor(Color::white());
    radial->fill().setGradientColor(rgb(0x29, 0x80, 0xB9));
    radial->fill().setGradientStart(Point(0.35, 0.35));
    radial->fill().setGradientEnd(Point(1, 1));
    addShadow(*radial, Size(6, -6), 10);
    shapes.push_back(radial);
    for (std::int32_t placement = 0; placement <= ImagePlacementTile; ++placement) {
        auto p = boxShape<RectangleShape>(
            Rect(200 + (placement % 2) * 160.0, 190 + (placement / 2) * 130.0, 140, 110));
        p->fill().setStyle(FillStyleImage);
        p->fill().setImageName(kPictureName);
        p->fill().setImagePlacement(placement);
        styleStroke(*p, 1, rgb(0x7F, 0x8C, 0x8D));
        shapes.push_back(p);
    }
    auto shadowed = boxShape<RoundRectangleShape>(Rect(40, 480, 200, 120));
    styleFill(*shadowed, rgb(0xFD, 0xFE, 0xFE));
    addShadow(*shadowed, Size(8, -10), 12, rgb(0, 0, 0, 128));
    shapes.push_back(shadowed);
    auto coloured = boxShape<RegularPolygonShape>(Rect(300, 470, 150, 150));
    coloured->setNumberOfSides(8);
    styleFill(*coloured, rgb(0xF7, 0xDC, 0x6F));
    addShadow(*coloured, Size(-6, 6), 4, rgb(0xC0, 0x39, 0x2B, 160));
    shapes.push_back(coloured);
    return shapes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_examples OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!imageCache().addImageData(checkerPicture(), kPictureName)) {
        std::fprintf(stderr, "make_examples: the picture could not be stored\n");
        return 1;
    }
    bool ok = true;
    {
        DrawDocument document;
        ok = save(document, welcome(), dir + "/welcome.qvdraw") && ok;
    }
    {
        DrawDocument document;
        ok = save(document, shapeKinds(), dir + "/shapes.qvdraw") && ok;
    }
    {
        DrawDocument document;
        ok = save(document, strokes(), dir + "/strokes.qvdraw") && ok;
    }
    {
        DrawDocument document;
        document.page().setColor(rgb(0xFB, 0xF6, 0xE9));
        ok = save(document, fills(), dir + "/fills.qvdraw") && ok;
    }
    return ok ? 0 : 1;
}
