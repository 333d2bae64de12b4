// Shapes in files: every kind with random styles writes, reads back and writes
// again to the same bytes; readers survive absurd and hostile values.

#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/ShapeRegistry.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

namespace qv {
namespace {

std::string text(const ByteBuffer& b) {
    return std::string(b.begin(), b.end());
}

// The first line where two files differ, for a readable failure.
std::string firstDifference(const std::string& a, const std::string& b) {
    std::size_t line = 1, start = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i]) {
            const std::size_t endA = a.find('\n', i), endB = b.find('\n', i);
            return "line " + std::to_string(line) + ":\n  " + a.substr(start, endA - start) +
                   "\n  " + b.substr(start, endB - start);
        }
        if (a[i] == '\n') {
            ++line;
            start = i + 1;
        }
    }
    return a.size() == b.size() ? std::string() : "lengths differ";
}

QVParser shapeParser() {
    QVParser parser;
    parser.registerElementClass(Fill::kElementName, [] { return std::make_shared<Fill>(); });
    parser.registerElementClass(Stroke::kElementName, [] { return std::make_shared<Stroke>(); });
    parser.registerElementClass(Shadow::kElementName, [] { return std::make_shared<Shadow>(); });
    registerShapeClasses(parser);
    return parser;
}

// Reads a file whose root holds shapes; the root itself stays generic.
std::vector<ShapePtr> readShapes(const std::string& xml, bool* ok = nullptr) {
    QVParser parser = shapeParser();
    const bool parsed = parser.parseData(std::string_view(xml));
    if (ok)
        *ok = parsed;
    std::vector<ShapePtr> shapes;
    auto root = std::dynamic_pointer_cast<QVGenericElement>(parser.rootElement());
    if (!root)
        return shapes;
    for (const ElementPtr& child : root->children())
        if (auto s = std::dynamic_pointer_cast<Shape>(child))
            shapes.push_back(s);
    return shapes;
}

std::string writeShapes(const std::vector<ShapePtr>& shapes) {
    auto root = QVGenericElement::elementNamed("drawing");
    for (const ShapePtr& s : shapes)
        root->addElement(s);
    return text(QVWriter::writer().dataWithElement(root));
}

class RandomStyles {
public:
    explicit RandomStyles(unsigned seed) : m_Rng(seed) {}

    double real(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(m_Rng);
    }
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_Rng); }
    Color color() { return {real(0, 1), real(0, 1), real(0, 1), real(0, 1)}; }

    void dress(Shape& s) {
        s.setBounds({real(-500, 500), real(-500, 500), real(0, 400), real(0, 400)});
        s.setRotation(integer(0, 1) ? 0 : real(-720, 720));
        Stroke& st = s.stroke();
        st.setStyle(integer(0, 7));
        st.setWidth(real(0, 20));
        st.setColor(color());
        st.setCapStyle(integer(0, 2));
        st.setJoinStyle(integer(0, 2));
        st.setArrowStartStyle(integer(0, 3) ? 0 : integer(1, 18));
        st.setArrowStartSize(real(1, 10));
        st.setArrowEndStyle(integer(0, 18));
        st.setArrowEndSize(real(1, 10));
        Fill& f = s.fill();
        f.setStyle(integer(0, 3));
        f.setColor(color());
        f.setGradientColor(color());
        f.setGradientStyle(integer(0, 1));
        f.setGradientStart({real(-1, 2), real(-1, 2)});
        f.setGradientEnd({real(-1, 2), real(-1, 2)});
        f.setImageName("picture " + std::to_string(integer(0, 99)) + " & <co>.png");
        f.setImagePlacement(integer(0, 3));
        Shadow& sh = s.shadow();
        sh.setVisible(integer(0, 1));
        sh.setShadowOffset({real(-20, 20), real(-20, 20)});
        sh.setShadowBlurRadius(real(0, 30));
        sh.setShadowColor(color());
        s.setCornerRadiusWidth(real(0, 60));
        s.setCornerRadiusHeight(real(0, 60));
        s.setNumberOfSides(integer(3, 40));
        s.setStellation(integer(0, 1) ? 0 : real(0, 1));
    }

private:
    std::mt19937 m_Rng;
};

TEST(ShapeXml, EveryKindWithRandomStylesRoundTripsToIdenticalBytes) {
    RandomStyles random(2024);
    std::vector<ShapePtr> shapes;
    for (int i = 0; i < 200; ++i) {
        ShapePtr s;
        switch (i % 4) {
        case 0:
            s = std::make_shared<RectangleShape>();
            break;
        case 1:
            s = std::make_shared<OvalShape>();
            break;
        case 2:
            s = std::make_shared<RoundRectangleShape>();
            break;
        default:
            s = std::make_shared<RegularPolygonShape>();
            break;
        }
        random.dress(*s);
        shapes.push_back(s);
    }
    const std::string first = writeShapes(shapes);
    bool ok = false;
    const std::vector<ShapePtr> read = readShapes(first, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(read.size(), shapes.size());
    const std::string second = writeShapes(read);
    const std::vector<ShapePtr> again = readShapes(second);
    EXPECT_EQ(firstDifference(writeShapes(again), second), "");
    // From the shapes in memory, the only loss is the offset and radius of an
    // invisible shadow: they are written but a shadow read as "none" keeps
    // its defaults.
    std::istringstream a(first), b(second);
    std::string la, lb;
    while (std::getline(a, la) && std::getline(b, lb)) {
        if (la == lb)
            continue;
        EXPECT_NE(la.find("<shadow color=\"none\""), std::string::npos) << la << "\n" << lb;
    }

    // The values themselves come back, not just the text.
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        EXPECT_EQ(*read[i]->elementName(), *shapes[i]->elementName());
        EXPECT_EQ(typeid(*read[i]), typeid(*shapes[i]));
        EXPECT_EQ(read[i]->numberOfSides(), shapes[i]->numberOfSides());
        EXPECT_EQ(read[i]->stroke().style() == 0, shapes[i]->stroke().style() == 0);
        EXPECT_EQ(read[i]->shadow().visible(), shapes[i]->shadow().visible());
        EXPECT_NEAR(read[i]->rotation(), shapes[i]->rotation(), 1e-12);
        EXPECT_NEAR(read[i]->bounds().width(), shapes[i]->bounds().width(), 1e-12);
    }
}

TEST(ShapeXml, RoundRectangleWritesCornerRadiusAfterBounds) {
    RoundRectangleShape s;
    s.setBounds({1, 2, 3, 4});
    s.setCornerRadius({5, 6});
    const std::string xml = writeShapes({std::make_shared<RoundRectangleShape>()});
    const ElementList children = s.elementChildren();
    ASSERT_EQ(children.size(), 6u);
    EXPECT_EQ(children[4]->elementName(), "bounds");
    EXPECT_EQ(children[5]->elementName(), "cornerRadius");
    EXPECT_EQ(children[5]->elementAttributes().floatValueForKey("w"), 5);
    EXPECT_EQ(children[5]->elementAttributes().floatValueForKey("h"), 6);
    EXPECT_NE(xml.find("<cornerRadius w=\"10\" h=\"10\""), std::string::npos) << xml;
}

TEST(ShapeXml, MissingChildrenAndAttributesLeaveDefaults) {
    const std::vector<ShapePtr> shapes = readShapes(
        "<drawing><roundrectangle><bounds x=\"1\" y=\"2\" w=\"3\" h=\"4\"/></roundrectangle>"
        "<regularpolygon/><oval><unknown a=\"1\"/></oval></drawing>");
    ASSERT_EQ(shapes.size(), 3u);
    EXPECT_EQ(shapes[0]->bounds(), Rect(1, 2, 3, 4));
    EXPECT_EQ(shapes[0]->cornerRadiusWidth(), 10);
    EXPECT_EQ(shapes[0]->cornerRadiusHeight(), 10);
    EXPECT_EQ(shapes[0]->rotation(), 0);
    EXPECT_EQ(shapes[0]->fill().style(), 1);
    // A polygon without attributes reads 0 sides, which becomes 3.
    EXPECT_EQ(shapes[1]->numberOfSides(), 3);
    EXPECT_EQ(shapes[1]->stellation(), 0);
    EXPECT_EQ(shapes[2]->bounds(), Rect());
}

TEST(ShapeXml, PolygonAttributesAreWrittenAndClampedWhenRead) {
    RegularPolygonShape p;
    p.setNumberOfSides(7);
    p.setStellation(0.25);
    const AttributeMap a = p.elementAttributes();
    EXPECT_EQ(a.intValueForKey("sides"), 7);
    EXPECT_EQ(a.floatValueForKey("stellation"), 0.25);
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a.begin()->first, "sides");

    const std::vector<ShapePtr> shapes =
        readShapes("<d><regularpolygon sides=\"1099511627776\" stellation=\"7\"/>"
                   "<regularpolygon sides=\"-99999999999999999999999\" stellation=\"-1e999\"/>"
                   "<regularpolygon sides=\"12.9\" stellation=\"nan\"/></d>");
    ASSERT_EQ(shapes.size(), 3u);
    EXPECT_EQ(shapes[0]->numberOfSides(), RegularPolygonShape::kMaximumSides);
    EXPECT_EQ(shapes[0]->stellation(), 1);
    EXPECT_EQ(shapes[1]->numberOfSides(), 3);
    EXPECT_EQ(shapes[1]->stellation(), 0);
    EXPECT_EQ(shapes[2]->numberOfSides(), 12);
    EXPECT_EQ(shapes[2]->stellation(), 0);
}

TEST(ShapeXml, AbsurdNumbersAreClampedAndTheRestIsKept) {
    const std::vector<ShapePtr> shapes =
        readShapes("<d><rectangle><transform rotation=\"1e308\"/>"
                   "<bounds x=\"1e308\" y=\"-1e999\" w=\"1e999\" h=\"-5\"/></rectangle>"
                   "<roundrectangle><cornerRadius w=\"-4\" h=\"1e400\"/>"
                   "<bounds x=\"0\" y=\"0\" w=\"10\" h=\"10\"/></roundrectangle>"
                   "<oval><bounds x=\"5\" y=\"6\" w=\"7\" h=\"8\"/></oval></d>");
    ASSERT_EQ(shapes.size(), 3u);
    const Shape& r = *shapes[0];
    EXPECT_EQ(r.bounds(), Rect(Shape::kMaximumCoordinate, -Shape::kMaximumCoordinate,
                               Shape::kMaximumCoordinate, 0.10000000149011612));
    EXPECT_GE(r.rotation(), 0);
    EXPECT_LT(r.rotation(), 360);
    EXPECT_EQ(shapes[1]->cornerRadiusWidth(), 0);
    EXPECT_EQ(shapes[1]->cornerRadiusHeight(), Shape::kMaximumCoordinate);
    EXPECT_EQ(shapes[2]->bounds(), Rect(5, 6, 7, 8));
    // Everything derived stays finite and usable.
    for (const ShapePtr& s : shapes) {
        const Rect b = s->transformedBounds();
        EXPECT_TRUE(std::isfinite(b.x()) && std::isfinite(b.width()));
        EXPECT_TRUE(std::isfinite(s->visibleBoundsInView(nullptr).width()));
        s->hitTestPoint({1, 1});
        s->hitTestRect({0, 0, 5, 5});
    }
    // Written again, the clamped values read back to the same bytes.
    const std::string once = writeShapes(shapes);
    EXPECT_EQ(writeShapes(readShapes(once)), once);
}

} // namespace
} // namespace qv
