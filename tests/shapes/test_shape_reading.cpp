// Shapes built by the reader: quiet while they are read, ordinary shapes
// afterwards; the casts and the per-class undo path lists that reading uses
// give what their plain forms give.

#include "ShapeTestSupport.h"

#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "framework/foundation/NotificationCenter.h"
#include "shapes/ArcShape.h"
#include "shapes/BezierShape.h"
#include "shapes/ElementCast.h"
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
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv {
namespace {

using namespace test;

constexpr const char* kRectangle =
    "<rectangle><fill color=\"#3226DBFF\"/>"
    "<stroke style=\"2\" color=\"#0E1467FF\" width=\"3\" cap-style=\"1\" join-style=\"0\"/>"
    "<shadow color=\"#00000080\" width=\"2\" height=\"-4\" radius=\"6\"/>"
    "<transform rotation=\"30\"/>"
    "<bounds x=\"10\" y=\"20\" w=\"30.5\" h=\"40.25\"/></rectangle>";

// Counts the shape notifications of every object.
class AllShapeNotifications {
public:
    AllShapeNotifications() {
        auto& center = NotificationCenter::defaultCenter();
        center.addObserver(this, QVShapeWillChangeNotification, nullptr,
                           [this](const Notification&) { ++count; });
        center.addObserver(this, QVShapeDidChangeNotification, nullptr,
                           [this](const Notification&) { ++count; });
    }
    ~AllShapeNotifications() { NotificationCenter::defaultCenter().removeObserver(this); }
    int count = 0;
};

std::vector<ShapePtr> oneOfEachClass() {
    return {std::make_shared<RectangleShape>(), std::make_shared<RoundRectangleShape>(),
            std::make_shared<OvalShape>(),      std::make_shared<RegularPolygonShape>(),
            std::make_shared<ArcShape>(),       std::make_shared<BezierShape>(),
            std::make_shared<FreehandShape>(),  std::make_shared<PolylineShape>(),
            std::make_shared<GroupShape>(),     std::make_shared<LineShape>(),
            std::make_shared<TextShape>()};
}

} // namespace

TEST(ShapeReading, ReadQuietlyThenAnnouncesLikeAnyShapeThroughItsOwnStyles) {
    AllShapeNotifications all;
    const ShapeList read = readShapes(std::string("<d>") + kRectangle + "</d>");
    ASSERT_EQ(read.size(), 1u);
    const ShapePtr shape = read[0];
    EXPECT_EQ(all.count, 0);
    EXPECT_EQ(shape->bounds(), Rect(10, 20, 30.5, 40.25));
    EXPECT_EQ(shape->rotation(), 30);
    EXPECT_EQ(shape->stroke().width(), 3);
    EXPECT_EQ(shape->stroke().style(), 2);
    EXPECT_EQ(shape->fill().color(), Color::colorWithHexString("#3226DBFF"));
    EXPECT_TRUE(shape->shadow().visible());
    EXPECT_EQ(shape->shadow().shadowOffset(), Size(2, -4));
    EXPECT_EQ(shape->stroke().shape(), shape.get());
    EXPECT_EQ(shape->fill().shape(), shape.get());
    EXPECT_EQ(shape->shadow().shape(), shape.get());

    // Edits after the read, of the shape and through each style, announce
    // and are observed through the shape's key paths.
    KeyPathRecorder recorder;
    shape->addObserver(&recorder, "stroke.width");
    shape->addObserver(&recorder, "fill.color");
    shape->setRotation(40);
    EXPECT_EQ(all.count, 2);
    shape->stroke().setWidth(4);
    shape->fill().setColor(Color::black());
    shape->shadow().setShadowBlurRadius(1);
    EXPECT_EQ(all.count, 8);
    shape->removeObserver(&recorder);
    EXPECT_EQ(recorder.keyPaths(), (std::vector<std::string>{"stroke.width", "fill.color"}));
}

TEST(ShapeReading, ElementCastAnswersAsDynamicCast) {
    const std::vector<ShapePtr> shapes = oneOfEachClass();
    std::vector<ElementPtr> elements(shapes.begin(), shapes.end());
    elements.push_back(std::make_shared<Fill>());
    elements.push_back(std::make_shared<Stroke>());
    elements.push_back(std::make_shared<Shadow>());
    elements.push_back(QVGenericElement::elementNamed("bounds"));
    // Twice: the second round answers from what the first remembered.
    for (int round = 0; round < 2; ++round) {
        for (const ElementPtr& e : elements) {
            QVSaveableElement* p = e.get();
            EXPECT_EQ(elementCast<Shape>(p), dynamic_cast<Shape*>(p));
            EXPECT_EQ(elementCast<RectangleShape>(p), dynamic_cast<RectangleShape*>(p));
            EXPECT_EQ(elementCast<GroupShape>(p), dynamic_cast<GroupShape*>(p));
            EXPECT_EQ(elementCast<Fill>(p), dynamic_cast<Fill*>(p));
            EXPECT_EQ(elementCast<const QVGenericElement>(p),
                      dynamic_cast<const QVGenericElement*>(p));
        }
        for (const ShapePtr& s : shapes) {
            EXPECT_EQ(elementCast<GroupShape>(s.get()), dynamic_cast<GroupShape*>(s.get()));
            EXPECT_EQ(elementCast<BezierShape>(s.get()), dynamic_cast<BezierShape*>(s.get()));
        }
    }
    EXPECT_EQ(elementCast<Shape>(static_cast<QVSaveableElement*>(nullptr)), nullptr);
}

} // namespace qv
