// Shapes in files: the element each kind writes, to the byte; every kind with
// random geometry and styles writes, reads back and writes again to the same
// bytes; readers survive absurd and hostile values.

#include "ShapeTestSupport.h"

#include "framework/foundation/RecordingGraphicsContext.h"
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

#include <cmath>
#include <sstream>

namespace qv {
namespace {

using namespace test;

// The file without the line breaks and indentation between elements.
std::string compact(const std::string& xml) {
    std::string out;
    for (char c : xml)
        if (c != '\n' && c != '\t')
            out += c;
    return out;
}

TEST(ShapeXml, EachKindWritesItsOwnChildrenAfterTheStyles) {
    auto round = std::make_shared<RoundRectangleShape>();
    round->setBounds({1, 2, 3, 4});
    round->setCornerRadius({5, 6});
    auto polygon = std::make_shared<RegularPolygonShape>();
    polygon->setBounds({1, 2, 3, 4});
    polygon->setNumberOfSides(7);
    polygon->setStellation(0.25);
    auto line = std::make_shared<LineShape>();
    line->setStart({1.5, -2});
    line->setEnd({30, 40});
    auto arc = std::make_shared<ArcShape>();
    arc->setCenter({1.5, -2});
    arc->setRadius(7);
    arc->setAngle1(30);
    arc->setAngle2(300);
    auto anticlockwise = std::static_pointer_cast<ArcShape>(arc->copy());
    anticlockwise->setClockwise(false);
    BezierPath p;
    p.moveToPoint({1, 2});
    p.lineToPoint({3, 4});
    p.curveToPoint({5, 6}, {7, 8}, {9, 10});
    p.closePath();
    auto bezier = std::make_shared<BezierShape>();
    bezier->setPath(p);
    auto polyline = std::make_shared<PolylineShape>();
    polyline->setPath(BezierPath::bezierPathWithRect({0, 0, 1, 1}));
    auto oval = std::make_shared<OvalShape>();
    oval->setBounds({1, 2, 3, 4});
    auto group = GroupShape::groupWithShapes({oval});

    const std::string styles = "<fill color=\"#FFFFFFFF\"/><stroke style=\"1\" color=\"#000000FF\" "
                               "width=\"1\" cap-style=\"0\" join-style=\"0\"/><shadow "
                               "color=\"none\" width=\"0\" height=\"-10\" radius=\"10\"/>";
    const std::string plain = styles + "<transform rotation=\"0\"/>";
    const std::string ovalXml =
        "<oval>" + plain + "<bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/></oval>";
    const std::pair<ShapePtr, std::string> cases[] = {
        {round, "<roundrectangle>" + plain +
                    "<bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/><cornerRadius w=\"5\" h=\"6\"/>"},
        {polygon, "<regularpolygon sides=\"7\" stellation=\"0.25\">" + plain +
                      "<bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/>"},
        // A line has no bounds of its own: its ends decide them.
        {line, "<line>" + plain + "<start x=\"1.5\" y=\"-2\"/><end x=\"30\" y=\"40\"/>"},
        {arc, "<arc>" + plain +
                  "<values x=\"1.5\" y=\"-2\" radius=\"7\" angle1=\"30\" angle2=\"300\" "
                  "clockwise=\"1\"/>"},
        {anticlockwise, "<arc>" + plain +
                            "<values x=\"1.5\" y=\"-2\" radius=\"7\" angle1=\"30\" angle2=\"300\" "
                            "clockwise=\"0\"/>"},
        {bezier, "<bezier>" + plain +
                     "<moveto x=\"1\" y=\"2\"/><lineto x=\"3\" y=\"4\"/><curveto x=\"5\" y=\"6\" "
                     "c1-x=\"7\" c1-y=\"8\" c2-x=\"9\" c2-y=\"10\"/><closepath/>"},
        {polyline, "<polyline>" + plain +
                       "<moveto x=\"0\" y=\"0\"/><lineto x=\"1\" y=\"0\"/><lineto x=\"1\" y=\"1\"/>"
                       "<lineto x=\"0\" y=\"1\"/><closepath/>"},
        {group, "<group>" + plain + "<bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/>" + ovalXml},
    };
    for (const auto& [shape, own] : cases) {
        const std::string xml = compact(writeShapes(ShapeList{shape}));
        const std::string name = *shape->elementName();
        const std::size_t start = xml.find("<" + name), end = xml.rfind("</" + name + ">");
        ASSERT_NE(end, std::string::npos) << xml;
        EXPECT_EQ(xml.substr(start, end - start), own) << name;
    }
}

// From the shapes in memory, the only loss is the offset and radius of an
// invisible shadow: they are written, but a shadow read as "none" keeps its
// defaults. Written again, what was read gives the same bytes.
void expectRoundTrip(const ShapeList& shapes) {
    const std::string first = writeShapes(shapes);
    bool ok = false;
    const ShapeList read = readShapes(first, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(read.size(), shapes.size());
    const std::string second = writeShapes(read);
    EXPECT_EQ(writeShapes(readShapes(second)), second);
    std::istringstream a(first), b(second);
    std::string la, lb;
    while (std::getline(a, la) && std::getline(b, lb)) {
        ASSERT_TRUE(la == lb || la.find("<shadow color=\"none\"") != std::string::npos)
            << la << "\n"
            << lb;
    }
    // The values themselves come back, not just the text; copies write alike.
    ShapeList copies;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        ASSERT_EQ(typeid(*read[i]), typeid(*shapes[i]));
        const std::optional<BezierPath> was = shapes[i]->transformedPath();
        const std::optional<BezierPath> is = read[i]->transformedPath();
        ASSERT_EQ(was.has_value(), is.has_value());
        if (was) {
            const std::vector<Point> pa = allPoints(*was), pb = allPoints(*is);
            ASSERT_EQ(pa.size(), pb.size());
            for (std::size_t k = 0; k < pa.size(); ++k)
                expectNear(pb[k], pa[k], 1e-9);
        }
        copies.push_back(read[i]->copy());
    }
    EXPECT_EQ(writeShapes(copies), second);
}

RichText randomText(Random& r) {
    const char* words[] = {"alpha",        "b\xC3\xA9ta", "{brace}",          "back\\slash",
                           "\xE2\x82\xAC", "tab\t",       "\xF0\x9F\x98\x80", "<&>"};
    const char* families[] = {"Helvetica", "Times", "Courier New", "DejaVu Sans"};
    std::vector<TextParagraph> paragraphs(static_cast<std::size_t>(r.integer(1, 4)));
    for (TextParagraph& p : paragraphs) {
        p.alignment = static_cast<TextAlignment>(r.integer(0, 3));
        for (int n = r.integer(1, 4); n > 0; --n) {
            TextAttributes a;
            a.fontFamily = families[r.integer(0, 3)];
            a.fontSize = r.real(4, 64);
            a.bold = r.integer(0, 1);
            a.italic = r.real(0, 1) < 0.3;
            a.underline = r.real(0, 1) < 0.2;
            a.color = {r.real(0, 1), r.real(0, 1), r.real(0, 1), 1};
            p.runs.push_back({words[r.integer(0, 7)], a});
        }
    }
    return RichText(paragraphs);
}

ShapePtr randomNode(Random& r, int depth) {
    ShapePtr s;
    const double k = r.real(0, 1);
    if (depth > 0 && k >= 0.3) {
        ShapeList members;
        for (int n = r.integer(1, 4); n > 0; --n)
            members.push_back(randomNode(r, depth - 1));
        auto g = GroupShape::groupWithShapes(members);
        g->rotate(r.real(0, 360));
        if (r.integer(0, 1))
            g->flip(r.integer(0, 1));
        s = g;
    } else if (k < 0.1) {
        auto t = std::make_shared<TextShape>();
        t->setRichText(randomText(r));
        s = t;
    } else {
        s = k < 0.2 ? ShapePtr(std::make_shared<RectangleShape>())
                    : ShapePtr(std::make_shared<OvalShape>());
    }
    r.dress(*s, true); // a group's bounds move and scale its members
    return s;
}

TEST(ShapeXml, EveryKindWithRandomGeometryAndStylesRoundTripsToIdenticalBytes) {
    struct Kind {
        const char* name;
        unsigned seed;
        int count;
        std::function<ShapePtr(Random&, int)> make;
    };
    const Kind kinds[] = {
        {"boxes", 2024, 200,
         [](Random& r, int i) {
             const ShapePtr shapes[] = {
                 std::make_shared<RectangleShape>(), std::make_shared<OvalShape>(),
                 std::make_shared<RoundRectangleShape>(), std::make_shared<RegularPolygonShape>()};
             r.dress(*shapes[i % 4], true);
             return shapes[i % 4];
         }},
        {"lines", 99, 150,
         [](Random& r, int i) {
             auto l = std::make_shared<LineShape>();
             l->setStart(r.point(-1000, 1000));
             l->setEnd(i % 10 ? r.point(-1000, 1000) : Point(l->start().x, r.real(-5, 5)));
             r.dress(*l);
             return l;
         }},
        {"arcs", 7, 150,
         [](Random& r, int i) {
             auto a = std::make_shared<ArcShape>();
             a->setCenter(r.point(-1000, 1000));
             a->setRadius(i % 15 ? r.real(0, 400) : 0);
             a->setAngle1(r.real(-720, 720));
             a->setAngle2(r.real(-720, 720));
             a->setClockwise(r.integer(0, 1));
             r.dress(*a);
             return a;
         }},
        {"paths", 99, 90,
         [](Random& r, int i) {
             const std::shared_ptr<BezierShape> kinds[] = {std::make_shared<BezierShape>(),
                                                           std::make_shared<FreehandShape>(),
                                                           std::make_shared<PolylineShape>()};
             kinds[i % 3]->setPath(r.path(1 + i % 4));
             r.dress(*kinds[i % 3]);
             return kinds[i % 3];
         }},
        {"texts", 17, 40,
         [](Random& r, int) {
             auto t = std::make_shared<TextShape>();
             t->setRichText(randomText(r));
             r.dress(*t, true);
             return t;
         }},
        {"nested groups", 99, 12, [](Random& r, int) { return randomNode(r, 4); }},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        Random random(kind.seed);
        ShapeList shapes;
        for (int i = 0; i < kind.count; ++i)
            shapes.push_back(kind.make(random, i));
        expectRoundTrip(shapes);
    }
}

// Clamped values read back to the same bytes, and everything derived from
// them stays finite and usable.
void expectUsable(const ShapeList& shapes, std::size_t rewritten) {
    for (const ShapePtr& s : shapes) {
        const Rect b = s->transformedBounds();
        EXPECT_TRUE(std::isfinite(b.x()) && std::isfinite(b.width()));
        EXPECT_TRUE(std::isfinite(s->visibleBoundsInView(nullptr).height()));
        s->hitTestPoint({1, 1});
        s->hitTestRect({0, 0, 5, 5});
        RecordingGraphicsContext gc;
        s->drawInView(gc, nullptr);
        s->drawSelectionHandlesInView(gc, nullptr);
    }
    const std::string once = writeShapes(ShapeList(shapes.begin(), shapes.begin() + rewritten));
    EXPECT_EQ(writeShapes(readShapes(once)), once);
    for (const ShapePtr& s : shapes)
        s->flip(0);
}

TEST(ShapeXml, MissingAndAbsurdValuesAreClampedAndTheRestIsKept) {
    const ShapeList shapes =
        readShapes("<d><rectangle><transform rotation=\"1e308\"/>"
                   "<bounds x=\"1e308\" y=\"-1e999\" w=\"1e999\" h=\"-5\"/></rectangle>"
                   "<roundrectangle><cornerRadius w=\"-4\" h=\"1e400\"/>"
                   "<bounds x=\"0\" y=\"0\" w=\"10\" h=\"10\"/></roundrectangle>"
                   "<oval><bounds x=\"5\" y=\"6\" w=\"7\" h=\"8\"/><unknown a=\"1\"/></oval>"
                   "<roundrectangle><bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/></roundrectangle>"
                   "<regularpolygon/><oval/>"
                   "<regularpolygon sides=\"1099511627776\" stellation=\"7\"/>"
                   "<regularpolygon sides=\"-99999999999999999999999\" stellation=\"-1e999\"/>"
                   "<regularpolygon sides=\"12.9\" stellation=\"nan\"/></d>");
    ASSERT_EQ(shapes.size(), 9u);
    constexpr double kMax = Shape::kMaximumCoordinate;
    EXPECT_EQ(shapes[0]->bounds(), Rect(kMax, -kMax, kMax, 0.10000000149011612));
    EXPECT_GE(shapes[0]->rotation(), 0);
    EXPECT_LT(shapes[0]->rotation(), 360);
    EXPECT_EQ(Size(shapes[1]->cornerRadiusWidth(), shapes[1]->cornerRadiusHeight()), Size(0, kMax));
    EXPECT_EQ(shapes[2]->bounds(), Rect(5, 6, 7, 8));
    // Missing children and attributes leave the defaults.
    EXPECT_EQ(shapes[3]->bounds(), Rect(1, 2, 3, 4));
    EXPECT_EQ(Size(shapes[3]->cornerRadiusWidth(), shapes[3]->cornerRadiusHeight()), Size(10, 10));
    EXPECT_EQ(shapes[3]->rotation(), 0);
    EXPECT_EQ(shapes[3]->fill().style(), 1);
    EXPECT_EQ(shapes[5]->bounds(), Rect());
    // A polygon's sides are clamped (none read is 0, which becomes 3), and
    // its stellation to 0...1.
    const std::pair<std::int64_t, double> polygons[] = {
        {3, 0}, {RegularPolygonShape::kMaximumSides, 1}, {3, 0}, {12, 0}};
    for (std::size_t i = 0; i < 4; ++i) {
        const Shape& polygon = *shapes[i == 0 ? 4 : 5 + i];
        EXPECT_EQ(polygon.numberOfSides(), polygons[i].first) << i;
        EXPECT_EQ(polygon.stellation(), polygons[i].second) << i;
    }
    // Without a bounds element the size stays 0, which is written as such and
    // read back as the minimum: only the shapes with bounds come back alike.
    expectUsable(shapes, 4);
}

TEST(ShapeXml, AbsurdLineAndArcValuesAreReadSafely) {
    const ShapeList shapes = readShapes(
        "<d><line><start x=\"1e308\" y=\"nan\"/><end x=\"-1e999\" y=\"1e999\"/></line>"
        "<line><end x=\"5\"/></line>"
        "<line><start x=\"1\" y=\"2\"/><end x=\"3\" y=\"4\"/><bounds x=\"99\"/></line>"
        "<arc><values x=\"1\" y=\"2\" radius=\"3\" angle1=\"4\" angle2=\"5\"/></arc>"
        "<arc><values x=\"1e308\" y=\"nan\" radius=\"-5\" angle1=\"1e999\" angle2=\"-1e999\""
        " clockwise=\"7\"/></arc>"
        "<arc><values radius=\"1e308\" angle1=\"1e300\" angle2=\"-1e300\"/></arc><arc/></d>");
    ASSERT_EQ(shapes.size(), 7u);
    constexpr double kMax = Shape::kMaximumCoordinate;
    auto line = [&](std::size_t i) { return static_cast<LineShape*>(shapes[i].get()); };
    EXPECT_EQ(line(0)->start(), Point(kMax, 0));
    EXPECT_EQ(line(0)->end(), Point(-kMax, kMax));
    EXPECT_EQ(line(1)->start(), Point(0, 0));
    EXPECT_EQ(line(1)->end(), Point(5, 0));
    // A bounds child is not part of a line; the points decide.
    EXPECT_EQ(shapes[2]->bounds(), Rect(1, 2, 2, 2));
    auto arc = [&](std::size_t i) { return static_cast<ArcShape*>(shapes[i].get()); };
    EXPECT_EQ(arc(3)->center(), Point(1, 2));
    EXPECT_EQ(arc(3)->radius(), 3);
    EXPECT_FALSE(arc(3)->clockwise()); // absent: through decreasing angles
    EXPECT_EQ(arc(4)->center(), Point(kMax, 0));
    EXPECT_EQ(arc(4)->radius(), 0);
    EXPECT_EQ(arc(4)->angle1(), kMax);
    EXPECT_EQ(arc(4)->angle2(), -kMax);
    EXPECT_TRUE(arc(4)->clockwise());
    EXPECT_EQ(arc(5)->radius(), kMax);
    EXPECT_EQ(arc(6)->radius(), 0);
    EXPECT_TRUE(arc(6)->clockwise()); // no values at all: the defaults
    expectUsable(shapes, shapes.size());
}

} // namespace
} // namespace qv
