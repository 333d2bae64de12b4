#include "styles/Arrow.h"

#include "framework/foundation/GraphicsContext.h"
#include "styles/Stroke.h"

#include <cmath>
#include <initializer_list>

namespace qv {
namespace {

void appendPolyline(BezierPath& path, std::initializer_list<Point> points, bool closed) {
    bool first = true;
    for (const Point& p : points) {
        if (first)
            path.moveToPoint(p);
        else
            path.lineToPoint(p);
        first = false;
    }
    if (closed)
        path.closePath();
}

BezierPath polygon(std::initializer_list<Point> points) {
    BezierPath path;
    appendPolyline(path, points, true);
    return path;
}

BezierPath polyline(std::initializer_list<Point> points) {
    BezierPath path;
    appendPolyline(path, points, false);
    return path;
}

std::unique_ptr<Arrow> makeArrow(std::string_view name, bool outline, bool opaque,
                                 std::optional<BezierPath> unitPath) {
    auto arrow = std::make_unique<Arrow>();
    arrow->setName(name);
    arrow->setOutline(outline);
    arrow->setOpaque(opaque);
    arrow->setUnitPath(std::move(unitPath));
    return arrow;
}

std::vector<std::unique_ptr<Arrow>> buildCatalogue() {
    const BezierPath triangle = polygon({{1.25, 0.5}, {0, 0}, {1.25, -0.5}});
    const BezierPath barbed = polygon({{1.25, 0.5}, {0, 0}, {1.25, -0.5}, {1, 0}});
    const BezierPath pronged = polyline({{1.25, 0.5}, {0, 0}, {1.25, -0.5}});
    const BezierPath circle = BezierPath::bezierPathWithOvalInRect(Rect(0, -0.5, 1, 1));
    const BezierPath square = BezierPath::bezierPathWithRect(Rect(0, -0.5, 1, 1));
    const BezierPath diamond = polygon({{0, 0}, {0.5, 0.5}, {1, 0}, {0.5, -0.5}});
    BezierPath feather;
    appendPolyline(feather, {{-0.25, -0.5}, {0, 0}, {-0.25, 0.5}}, false);
    appendPolyline(feather, {{0.25, -0.5}, {0.5, 0}, {0.25, 0.5}}, false);
    appendPolyline(feather, {{0.75, -0.5}, {1, 0}, {0.75, 0.5}}, false);
    const BezierPath solidFeather =
        polygon({{-0.25, -0.5}, {0, 0}, {-0.25, 0.5}, {0.75, 0.5}, {1, 0}, {0.75, -0.5}});
    const BezierPath slash = polyline({{-0.25, 0.5}, {0.25, -0.5}});
    BezierPath prongedLine;
    appendPolyline(prongedLine, {{0, 0.75}, {0, 0}, {1.25, 0.5}}, false);
    appendPolyline(prongedLine, {{0, -0.75}, {0, 0}, {1.25, -0.5}}, false);
    // Left open on purpose: filling it fills the triangle, stroking it also
    // draws the bar across the tip.
    const BezierPath triangleLine =
        polyline({{0, 0.75}, {0, 0}, {1.25, 0.5}, {1.25, -0.5}, {0, 0}, {0, -0.75}});

    std::vector<std::unique_ptr<Arrow>> a;
    a.reserve(Arrow::kCount);
    a.push_back(makeArrow("None", false, false, std::nullopt));
    a.push_back(makeArrow("Triangle (Solid)", false, true, triangle));
    a.push_back(makeArrow("Triangle (Outline)", true, true, triangle));
    a.push_back(makeArrow("Barbed (Solid)", false, true, barbed));
    a.push_back(makeArrow("Barbed (Outline)", true, true, barbed));
    a.push_back(makeArrow("Pronged", true, false, pronged));
    a.push_back(makeArrow("Circle (Solid)", false, true, circle));
    a.push_back(makeArrow("Circle (Outline)", true, true, circle));
    a.push_back(makeArrow("Square (Solid)", false, true, square));
    a.push_back(makeArrow("Square (Outline)", true, true, square));
    a.push_back(makeArrow("Diamond (Solid)", false, true, diamond));
    a.push_back(makeArrow("Diamond (Outline)", true, true, diamond));
    a.push_back(makeArrow("Feather", true, false, feather));
    a.push_back(makeArrow("Feather (Solid)", false, true, solidFeather));
    a.push_back(makeArrow("Feather (Outline)", true, true, solidFeather));
    a.push_back(makeArrow("Slash", true, false, slash));
    a.push_back(makeArrow("Pronged Line", true, false, prongedLine));
    a.push_back(makeArrow("Triangle Line (Solid)", false, true, triangleLine));
    a.push_back(makeArrow("Triangle Line (Outline)", true, true, triangleLine));
    return a;
}

} // namespace

const std::vector<std::unique_ptr<Arrow>>& Arrow::arrows() {
    static const std::vector<std::unique_ptr<Arrow>> catalogue = buildCatalogue();
    return catalogue;
}

const std::vector<std::string>& Arrow::arrowNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const auto& arrow : arrows())
            n.push_back(arrow->name());
        return n;
    }();
    return names;
}

Arrow* Arrow::arrowAtIndex(std::int64_t index) {
    if (index < 0 || index >= kCount)
        return nullptr;
    return arrows()[static_cast<std::size_t>(index)].get();
}

void Arrow::setUnitPath(std::optional<BezierPath> path) {
    m_UnitPath = std::move(path);
    m_StartImage.reset();
    m_EndImage.reset();
}

AffineTransform Arrow::placementTransform(Point tip, Point from, double unit) {
    const double dx = from.x - tip.x;
    const double dy = from.y - tip.y;
    const double angle = (dx == 0 && dy == 0) ? 0.0 : std::atan2(dy, dx);
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    AffineTransform t = AffineTransform::scaling(unit, unit);
    t.append(AffineTransform(c, s, -s, c, 0, 0));
    t.appendTranslation(tip.x, tip.y);
    return t;
}

void Arrow::drawAtPoint(Point tip, Point from, const Stroke& stroke, double size,
                        GraphicsContext& gc) const {
    if (!m_UnitPath)
        return;
    BezierPath path =
        m_UnitPath->transformedBy(placementTransform(tip, from, stroke.width() * size));
    path.setWindingRule(WindingRule::NonZero);
    if (m_Opaque)
        gc.fillPath(path, m_Outline ? Color::white() : stroke.color());
    path.setLineWidth(stroke.width());
    path.setLineCapStyle(stroke.lineCapStyle());
    path.setLineJoinStyle(stroke.lineJoinStyle());
    path.setLineDash({}, 0);
    gc.strokePath(path, stroke.color());
}

ImagePtr Arrow::makePickerImage(GraphicsContext& gc, Point tip, Point from) const {
    return gc.makeImage(kPickerImageSize, 1.0, [&](GraphicsContext& ig) {
        // The pictures are laid out with y upwards.
        ig.concatCTM(AffineTransform(1, 0, 0, -1, 0, kPickerImageSize.height));
        Stroke stroke;
        stroke.setWidth(2);
        BezierPath line;
        line.moveToPoint(tip);
        line.lineToPoint(from);
        line.setLineWidth(stroke.width());
        line.setLineCapStyle(stroke.lineCapStyle());
        ig.strokePath(line, stroke.color());
        drawAtPoint(tip, from, stroke, 5, ig);
    });
}

ImagePtr Arrow::pickerImageStart(GraphicsContext& gc) {
    if (!m_UnitPath)
        return nullptr;
    if (!m_StartImage)
        m_StartImage = makePickerImage(gc, {6, 8}, {46, 8});
    return m_StartImage;
}

ImagePtr Arrow::pickerImageEnd(GraphicsContext& gc) {
    if (!m_UnitPath)
        return nullptr;
    if (!m_EndImage)
        m_EndImage = makePickerImage(gc, {42, 8}, {2, 8});
    return m_EndImage;
}

} // namespace qv
