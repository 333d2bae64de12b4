// Shapes in files: each kind's element to the byte; every kind with random
// geometry and styles written, read and written again to the same bytes;
// absurd, hostile, missing and unknown values; long paths and deep groups;
// reading that stays quiet and its casts.

#include "ShapeTestSupport.h"

#include "document/RtfWriter.h"
#include "framework/foundation/Base64.h"
#include "shapes/BezierShape.h"
#include "shapes/ElementCast.h"
#include "shapes/FreehandShape.h"
#include "shapes/GroupShape.h"
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

const std::string kStyles = R"(<fill color="#FFFFFFFF"/><stroke style="1" color="#000000FF" )"
                            R"(width="1" cap-style="0" join-style="0"/><shadow color="none" )"
                            R"(width="0" height="-10" radius="10"/>)";

// The element of the first shape written, without line breaks, indentation,
// its closing tag and the default styles.
std::string ownElement(const ShapePtr& shape) {
    std::string xml;
    for (char c : writeShapes({shape}))
        if (c != '\n' && c != '\t')
            xml += c;
    const std::string name = *shape->elementName();
    xml = xml.substr(xml.find("<" + name), xml.rfind("</" + name + ">") - xml.find("<" + name));
    for (std::size_t at; (at = xml.find(kStyles)) != std::string::npos;)
        xml.erase(at, kStyles.size());
    return xml;
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

// From the shapes in memory, the only loss is the offset and radius of an
// invisible shadow: written, but a shadow read as "none" keeps its defaults.
// Written again, what was read gives the same bytes, and so do its copies.
TEST(ShapeFiles, EveryKindWithRandomGeometryAndStylesRoundTripsToIdenticalBytes) {
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
             const Point s = r.point(-1000, 1000);
             auto l = line(s, i % 10 ? r.point(-1000, 1000) : Point(s.x, r.real(-5, 5)));
             r.dress(*l);
             return l;
         }},
        {"arcs", 7, 150,
         [](Random& r, int i) {
             const Point c = r.point(-1000, 1000);
             const double radius = i % 15 ? r.real(0, 400) : 0;
             const double a1 = r.real(-720, 720), a2 = r.real(-720, 720);
             auto a = arc(c, radius, a1, a2, r.integer(0, 1));
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
        const std::string first = writeShapes(shapes);
        bool ok = false;
        const ShapeList read = readShapes(first, &ok);
        ASSERT_TRUE(ok);
        ASSERT_EQ(read.size(), shapes.size());
        const std::string second = writeShapes(read);
        EXPECT_EQ(writeShapes(readShapes(second)), second);
        std::istringstream a(first), b(second);
        for (std::string la, lb; std::getline(a, la) && std::getline(b, lb);)
            ASSERT_TRUE(la == lb || la.find("<shadow color=\"none\"") != std::string::npos)
                << la << "\n"
                << lb;
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
}

// Each kind's element to the byte, written back as read (when `in` is not
// given) or as `out` from absurd, missing or unknown values in `in`. Every
// shape read stays usable; what was written reads back alike, except that a
// size of 0 is written as such and read back as the minimum.
TEST(ShapeFiles, EachKindsElementAndWhatIsReadFromAbsurdOrMissingValues) {
    struct Row {
        const char* out;
        const char* in = nullptr;
    };
    const Row rows[] = {
        // clang-format off
        {R"(<roundrectangle><transform rotation="0"/><bounds x="1" y="2" w="3" h="4"/><cornerRadius w="5" h="6"/>)"},
        {R"(<regularpolygon sides="7" stellation="0.25"><transform rotation="0"/><bounds x="1" y="2" w="3" h="4"/>)"},
        {R"(<line><transform rotation="0"/><start x="1.5" y="-2"/><end x="30" y="40"/>)"},
        {R"(<arc><transform rotation="0"/><values x="1.5" y="-2" radius="7" angle1="30" angle2="300" clockwise="1"/>)"},
        {R"(<bezier><transform rotation="0"/><moveto x="1" y="2"/><lineto x="3" y="4"/><curveto x="5" y="6" c1-x="7" c1-y="8" c2-x="9" c2-y="10"/><closepath/>)"},
        {R"(<group><transform rotation="0"/><bounds x="1" y="2" w="3" h="4"/><oval><transform rotation="0"/><bounds x="1" y="2" w="3" h="4"/></oval>)"},
        // Absurd values are clamped; missing ones keep the defaults; unknown
        // children, and a line's or path's bounds, are skipped.
        {R"(<rectangle><transform rotation="296"/><bounds x="10000000" y="-10000000" w="10000000" h="0.1000000014901161"/>)", R"(<rectangle><transform rotation="1e308"/><bounds x="1e308" y="-1e999" w="1e999" h="-5"/></rectangle>)"},
        {R"(<roundrectangle><transform rotation="0"/><bounds x="0" y="0" w="10" h="10"/><cornerRadius w="0" h="10000000"/>)", R"(<roundrectangle><cornerRadius w="-4" h="1e400"/><bounds x="0" y="0" w="10" h="10"/></roundrectangle>)"},
        {R"(<oval><transform rotation="0"/><bounds x="5" y="6" w="7" h="8"/>)", R"(<oval><bounds x="5" y="6" w="7" h="8"/><unknown a="1"/></oval>)"},
        {R"(<roundrectangle><transform rotation="0"/><bounds x="1" y="2" w="3" h="4"/><cornerRadius w="10" h="10"/>)", R"(<roundrectangle><bounds x="1" y="2" w="3" h="4"/></roundrectangle>)"},
        {R"(<regularpolygon sides="3" stellation="0"><transform rotation="0"/><bounds x="0" y="0" w="0" h="0"/>)", R"(<regularpolygon/>)"},
        {R"(<oval><transform rotation="0"/><bounds x="0" y="0" w="0" h="0"/>)", R"(<oval/>)"},
        {R"(<regularpolygon sides="10000" stellation="1"><transform rotation="0"/><bounds x="0" y="0" w="0" h="0"/>)", R"(<regularpolygon sides="1099511627776" stellation="7"/>)"},
        {R"(<regularpolygon sides="3" stellation="0"><transform rotation="0"/><bounds x="0" y="0" w="0" h="0"/>)", R"(<regularpolygon sides="-99999999999999999999999" stellation="-1e999"/>)"},
        {R"(<regularpolygon sides="12" stellation="0"><transform rotation="0"/><bounds x="0" y="0" w="0" h="0"/>)", R"(<regularpolygon sides="12.9" stellation="nan"/>)"},
        {R"(<line><transform rotation="0"/><start x="10000000" y="0"/><end x="-10000000" y="10000000"/>)", R"(<line><start x="1e308" y="nan"/><end x="-1e999" y="1e999"/></line>)"},
        {R"(<line><transform rotation="0"/><start x="0" y="0"/><end x="5" y="0"/>)", R"(<line><end x="5"/></line>)"},
        {R"(<line><transform rotation="0"/><start x="1" y="2"/><end x="3" y="4"/>)", R"(<line><start x="1" y="2"/><end x="3" y="4"/><bounds x="99"/></line>)"},
        {R"(<arc><transform rotation="0"/><values x="1" y="2" radius="3" angle1="4" angle2="5" clockwise="0"/>)", R"(<arc><values x="1" y="2" radius="3" angle1="4" angle2="5"/></arc>)"},
        {R"(<arc><transform rotation="0"/><values x="10000000" y="0" radius="0" angle1="10000000" angle2="-10000000" clockwise="1"/>)", R"(<arc><values x="1e308" y="nan" radius="-5" angle1="1e999" angle2="-1e999" clockwise="7"/></arc>)"},
        {R"(<arc><transform rotation="0"/><values x="0" y="0" radius="10000000" angle1="10000000" angle2="-10000000" clockwise="0"/>)", R"(<arc><values radius="1e308" angle1="1e300" angle2="-1e300"/></arc>)"},
        {R"(<arc><transform rotation="0"/><values x="0" y="0" radius="0" angle1="0" angle2="0" clockwise="1"/>)", R"(<arc/>)"},
        {R"(<bezier><transform rotation="0"/><moveto x="0" y="10000000"/><lineto x="-10000000" y="0"/><curveto x="10000000" y="2" c1-x="-10000000" c1-y="0" c2-x="3" c2-y="0"/>)", R"(<bezier><moveto x="nan" y="1e999"/><lineto x="-1e999" y="inf"/><curveto x="1e308" y="2" c1-x="-1e400" c1-y="NaN" c2-x="3"/></bezier>)"},
        {R"(<polyline><transform rotation="0"/><moveto x="1" y="2"/><lineto x="5" y="9"/>)", R"(<polyline><moveto x="1" y="2"/><lineto x="5" y="9"/></polyline>)"},
        {R"(<freehand><transform rotation="0"/>)", R"(<freehand/>)"},
        {R"(<bezier><transform rotation="0"/><moveto x="0" y="0"/><curveto x="10" y="0" c1-x="0" c1-y="0" c2-x="0" c2-y="0"/><closepath/>)", R"(<bezier><bounds x="50" y="50" w="9" h="9"/><moveto x="0" y="0"/><curveto x="10" y="0"/><closepath/><unknown/></bezier>)"},
        {R"(<group><transform rotation="30"/><bounds x="5" y="5" w="100" h="100"/><rectangle><transform rotation="0"/><bounds x="1" y="2" w="3" h="4"/></rectangle>)", R"(<group><transform rotation="30"/><bounds x="5" y="5" w="100" h="100"/><rectangle><bounds x="1" y="2" w="3" h="4"/></rectangle><unknown/></group>)"},
        {R"(<group><transform rotation="0"/><bounds x="0" y="0" w="0" h="0"/>)", R"(<group/>)"},
        // clang-format on
    };
    for (const Row& row : rows) {
        const std::string out = row.out;
        const std::string name = out.substr(1, out.find_first_of(" >") - 1);
        const std::string in = row.in ? row.in : out + "</" + name + ">";
        SCOPED_TRACE(in);
        bool ok = false;
        const ShapeList read = readShapes("<d>" + in + "</d>", &ok);
        ASSERT_TRUE(ok);
        ASSERT_EQ(read.size(), 1u);
        const ShapePtr& s = read[0];
        EXPECT_EQ(ownElement(s), out);
        if (out.find("w=\"0\"") == std::string::npos) {
            EXPECT_EQ(ownElement(readShapes(writeShapes(read)).at(0)), out);
        }
        const Rect b = s->transformedBounds();
        EXPECT_TRUE(std::isfinite(b.x()) && std::isfinite(b.width()) && std::isfinite(b.height()));
        EXPECT_TRUE(std::isfinite(s->visibleBoundsInView(nullptr).height()));
        EXPECT_LT(s->rotation(), 360);
        s->hitTestPoint({1, 1});
        s->hitTestRect({0, 0, 5, 5});
        RecordingGraphicsContext gc;
        s->drawInView(gc, nullptr);
        s->drawSelectionHandlesInView(gc, nullptr);
        s->flip(0);
        EXPECT_EQ(gc.gstateDepth(), 0);
    }
}

// RTF in character data or, winning over it, in the data attribute; no
// "rtf" child keeps the empty text, an empty one holds no text.
TEST(ShapeFiles, TextIsReadFromCharacterDataOrTheDataAttribute) {
    const RichText words = RichText::fromPlainText("Accents: \xC3\xA9t\xC3\xA9, euro \xE2\x82\xAC");
    const std::string rtf = rtfFromRichText(words);
    const std::string data = base64Encoding(ByteBuffer(rtf.begin(), rtf.end()), 72);
    std::string line = data;
    std::erase(line, '\n');
    for (const std::string& xml : {"<rtf>" + data + "</rtf>", R"(<rtf data=")" + line + R"("/>)",
                                   R"(<rtf data=")" + line + R"(">e1xydGYxIHdyb25nfQ==</rtf>)"}) {
        auto t = std::static_pointer_cast<TextShape>(
            readShapes("<d><text>" + xml + "</text></d>").at(0));
        ASSERT_TRUE(t->text()) << xml;
        EXPECT_EQ(t->text()->richText(), words) << xml;
    }
    auto text = [](const char* xml) {
        return static_cast<const TextShape&>(*readShapes(xml).at(0)).text();
    };
    EXPECT_TRUE(text("<d><text/></d>")->richText().isEmpty());
    EXPECT_FALSE(text("<d><text><rtf/></text></d>"));
}

// Beyond the maximum length, path elements are dropped (reading a million
// is measured in bench/); other children still count.
TEST(ShapeFiles, LongPathsAreCutAtTheMaximumLength) {
    FreehandShape cut;
    auto element = QVGenericElement::elementNamed("moveto");
    cut.addElement(element);
    element = QVGenericElement::elementNamed("lineto");
    for (std::size_t i = 1; i < BezierShape::kMaximumElementCount + 3; ++i) {
        element->setPointAttribute({double(i % 1000), double(i / 1000)});
        cut.addElement(element);
    }
    EXPECT_EQ(cut.elementCount(), BezierShape::kMaximumElementCount);
    EXPECT_EQ(cut.bounds(), Rect(0, 0, 999, 999)); // up to element 999 999
    element = QVGenericElement::elementNamed("transform");
    element->setFloatAttribute(30, "rotation");
    cut.addElement(element);
    EXPECT_EQ(cut.rotation(), 30);
}

// Groups nested `depth` deep around one rectangle, as a file would hold them.
std::string nestedGroupsXml(std::size_t depth) {
    std::string xml = "<drawing>";
    for (std::size_t i = 0; i < depth; ++i)
        xml += "<group>";
    xml += R"(<rectangle><bounds x="0" y="0" w="10" h="10"/></rectangle>)";
    for (std::size_t i = 0; i < depth; ++i)
        xml += R"(<oval><bounds x="20" y="0" w="5" h="5"/></oval></group>)";
    return xml + "</drawing>";
}

// The deepest group works everywhere but cannot be grouped (read rather than
// grouped: grouping copies, so a deep chain would cost the square of its
// depth); deeper files are cut to the limit, or refused beyond the reader's.
TEST(ShapeFiles, DeepGroupsAreLimited) {
    constexpr std::size_t max = GroupShape::kMaxGroupDepth;
    auto deepest = std::static_pointer_cast<GroupShape>(readShapes(nestedGroupsXml(max)).at(0));
    EXPECT_EQ(GroupShape::groupDepth(*deepest), max);
    EXPECT_EQ(GroupShape::groupDepth(*deepest->shapes()[1]), 0u);
    EXPECT_FALSE(GroupShape::canGroupShapes({deepest}));
    EXPECT_TRUE(GroupShape::canGroupShapes({deepest->shapes()[0]}));
    auto refused = GroupShape::groupWithShapes({deepest, box<RectangleShape>({50, 50, 5, 5})});
    ASSERT_EQ(refused->shapes().size(),
              1u); // the member that would go too deep is left out
    EXPECT_EQ(refused->shapes()[0]->bounds(), Rect(50, 50, 5, 5));
    RecordingGraphicsContext gc;
    deepest->drawInView(gc, nullptr);
    EXPECT_EQ(gc.countOf(K::FillPath), 1 + max);
    EXPECT_TRUE(deepest->hitTestRect({4, 4, 20, 20}));
    EXPECT_EQ(deepest->shapeAtPoint({5, 5})->bounds(), Rect(0, 0, 10, 10));
    deepest->setValueForKeyPath(Value(Color(1, 0, 0, 1)), "fill.color");
    EXPECT_EQ(deepest->valueForKeyPath("fill.color"), Value(Color(1, 0, 0, 1)));
    deepest->rotate(10);
    deepest->flip(0);
    deepest->offset({1, 1});
    const std::string xml = writeShapes({deepest->copy()});
    const ShapeList again = readShapes(xml);
    EXPECT_EQ(GroupShape::groupDepth(*again.at(0)), max);
    EXPECT_EQ(writeShapes(again), xml);
    bool ok = false;
    const ShapeList cut = readShapes(nestedGroupsXml(QVParser::kMaxDepth - 4), &ok);
    ASSERT_TRUE(ok);
    EXPECT_LE(GroupShape::groupDepth(*cut.at(0)), max);
    EXPECT_GT(GroupShape::groupDepth(*cut.at(0)), 1u);
    std::optional<QVParserError> error;
    readShapes(nestedGroupsXml(10000), &ok, &error);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.value().message.find("nested deeper"), std::string::npos) << error->message;
}

// A shape being read announces nothing; afterwards it announces like any
// other, through the styles it read too. Reading's casts answer as
// dynamic_cast, also from what they remember.
TEST(ShapeFiles, ReadingIsQuietAndItsCastsAnswerAsDynamicCast) {
    int count = 0;
    auto& center = NotificationCenter::defaultCenter();
    for (const char* name : {QVShapeWillChangeNotification, QVShapeDidChangeNotification})
        center.addObserver(&count, name, nullptr, [&](const Notification&) { ++count; });
    const ShapePtr s =
        readShapes(R"(<d><rectangle><fill color="#3226DBFF"/><stroke style="2" color="#0E1467FF" )"
                   R"(width="3" cap-style="1" join-style="0"/></rectangle></d>)")
            .at(0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(std::as_const(*s).stroke().width(), 3);
    EXPECT_EQ(std::as_const(*s).fill().color(), Color::colorWithHexString("#3226DBFF"));
    KeyPathRecorder recorder;
    s->addObserver(&recorder, "stroke.width");
    s->addObserver(&recorder, "fill.color");
    s->setRotation(40);
    s->stroke().setWidth(4);
    s->fill().setColor(Color::black());
    s->shadow().setShadowBlurRadius(1);
    EXPECT_EQ(count, 8);
    center.removeObserver(&count);
    s->removeObserver(&recorder);
    ASSERT_EQ(recorder.changes.size(), 2u);
    EXPECT_EQ(recorder.changes[1].keyPath, "fill.color");

    const std::vector<ElementPtr> elements = {s,
                                              std::make_shared<GroupShape>(),
                                              std::make_shared<FreehandShape>(),
                                              std::make_shared<TextShape>(),
                                              std::make_shared<Fill>(),
                                              QVGenericElement::elementNamed("bounds")};
    for (int round = 0; round < 2; ++round) {
        for (const ElementPtr& e : elements) {
            QVSaveableElement* p = e.get();
            EXPECT_EQ(elementCast<Shape>(p), dynamic_cast<Shape*>(p));
            EXPECT_EQ(elementCast<RectangleShape>(p), dynamic_cast<RectangleShape*>(p));
            EXPECT_EQ(elementCast<GroupShape>(p), dynamic_cast<GroupShape*>(p));
            EXPECT_EQ(elementCast<BezierShape>(p), dynamic_cast<BezierShape*>(p));
            EXPECT_EQ(elementCast<const QVGenericElement>(p),
                      dynamic_cast<const QVGenericElement*>(p));
        }
    }
    EXPECT_EQ(elementCast<Shape>(static_cast<QVSaveableElement*>(nullptr)), nullptr);
}

} // namespace
} // namespace qv
