// Reads any bytes as a file of shapes with their styles. Every shape read must
// answer its geometry, hit tests, resizing and drawing without crashing or
// hanging, and what we write must read back to the same bytes. (The first
// write of a hand-made file may still differ from the second: a shape without
// a bounds child keeps zero bounds, which read back as the 0.1 minimum, and an
// invisible shadow's numbers are written but not read.)
#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "shapes/Shape.h"
#include "shapes/ShapeRegistry.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace qv;

class View : public ShapeView {
public:
    double zoom() const override { return 2; }
};

std::vector<ShapePtr> readShapes(const ByteBuffer& data) {
    QVParser parser;
    parser.registerElementClass(Fill::kElementName, [] { return std::make_shared<Fill>(); });
    parser.registerElementClass(Stroke::kElementName, [] { return std::make_shared<Stroke>(); });
    parser.registerElementClass(Shadow::kElementName, [] { return std::make_shared<Shadow>(); });
    registerShapeClasses(parser);
    std::vector<ShapePtr> shapes;
    if (!parser.parseData(data))
        return shapes;
    if (auto s = std::dynamic_pointer_cast<Shape>(parser.rootElement()))
        shapes.push_back(s);
    if (auto root = std::dynamic_pointer_cast<QVGenericElement>(parser.rootElement()))
        for (const ElementPtr& child : root->children())
            if (auto s = std::dynamic_pointer_cast<Shape>(child))
                shapes.push_back(s);
    return shapes;
}

ByteBuffer writeShapes(const std::vector<ShapePtr>& shapes) {
    auto root = QVGenericElement::elementNamed("d");
    for (const ShapePtr& s : shapes)
        root->addElement(s);
    return QVWriter::writer().dataWithElement(root);
}

void exercise(Shape& s) {
    const View view;
    volatile double sink = 0;
    sink = sink + s.transformedBounds().width() + s.visibleBoundsInView(&view).width() +
           s.visibleBoundsForExport().width();
    const Point c = s.position();
    sink = sink + s.hitTestPoint(c) + s.hitTestRect({c.x - 1, c.y - 1, 2, 2});
    int h = 0, v = 0;
    Point origin;
    bool isStart = false;
    sink = sink + s.hitTestSelectionHandle(s.bounds().origin, h, v, origin, &view) +
           s.hitTestGradientControl(s.gradientStart(), isStart, &view);
    RecordingGraphicsContext gc(true, AffineTransform::scaling(2, 2));
    s.drawInView(gc, &view, true);
    s.drawSelectionHandlesInView(gc, &view);
    if (s.fill().style() == FillStyleGradient)
        s.drawGradientControlsInView(gc, &view);
    ShapePtr copy = s.copy();
    copy->beginResize();
    copy->resizeToPoint({c.x + 10, c.y + 10}, 2, 2, s.bounds().origin, ShiftKeyMask);
    copy->endResize();
    copy->flip(0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* bytes, std::size_t size) {
    const ByteBuffer data(bytes, bytes + size);
    const std::vector<ShapePtr> shapes = readShapes(data);
    if (shapes.empty())
        return 0;
    for (const ShapePtr& s : shapes)
        exercise(*s);
    const std::vector<ShapePtr> once = readShapes(writeShapes(shapes));
    if (once.size() != shapes.size()) {
        std::fprintf(stderr, "shapes lost on reading back: %zu of %zu\n", once.size(),
                     shapes.size());
        std::abort();
    }
    const ByteBuffer second = writeShapes(once);
    if (writeShapes(readShapes(second)) != second) {
        std::fprintf(stderr, "writing what was read is not stable\n");
        std::abort();
    }
    return 0;
}
