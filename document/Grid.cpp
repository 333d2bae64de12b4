#include "document/Grid.h"

#include "framework/foundation/GraphicsContext.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

// More lines than this along one axis cannot be told apart on any screen or
// page; such a lattice (absurd subdivisions read from a file) is left out
// instead of filling memory. The closing frame is still drawn.
constexpr double kMaxLinesPerAxis = 100000;

bool latticeFits(double extent, double step) {
    return std::isfinite(extent) && step > 0 && std::isfinite(step) &&
           extent / step <= kMaxLinesPerAxis;
}

double clampComponent(double c) {
    return std::clamp(c, 0.0, 1.0);
}

} // namespace

Grid::Grid(const Grid& other)
    : KeyValueObservable(), QVSaveableElement(), m_RulersVisible(other.m_RulersVisible),
      m_Visible(other.m_Visible), m_Snap(other.m_Snap), m_Spacing(other.m_Spacing),
      m_MinorTicks(other.m_MinorTicks) {}

void Grid::setRulersVisible(bool visible) {
    if (visible == m_RulersVisible)
        return;
    KeyValueChangeScope change(this, "rulersVisible");
    m_RulersVisible = visible;
}

void Grid::setVisible(bool visible) {
    if (visible == m_Visible)
        return;
    KeyValueChangeScope change(this, "visible");
    m_Visible = visible;
}

void Grid::setSnap(bool snap) {
    if (snap == m_Snap)
        return;
    KeyValueChangeScope change(this, "snap");
    m_Snap = snap;
}

void Grid::setSpacing(double spacing) {
    if (!(spacing >= 1))
        spacing = 72;
    if (spacing == m_Spacing)
        return;
    KeyValueChangeScope change(this, "spacing");
    m_Spacing = spacing;
    clearCache();
}

void Grid::setMinorTicks(std::int64_t ticks) {
    if (ticks < 1)
        ticks = 1;
    if (ticks == m_MinorTicks)
        return;
    KeyValueChangeScope change(this, "minorTicks");
    m_MinorTicks = ticks;
    clearCache();
}

Point Grid::snapPoint(Point p) const {
    const double m = minorSpacing();
    return {std::round(p.x / m) * m, std::round(p.y / m) * m};
}

void Grid::cacheGridInRect(const Rect& rect) {
    m_MajorGrid = BezierPath();
    if (m_MinorTicks > 1)
        m_MinorGrid = BezierPath();
    else
        m_MinorGrid.reset();

    const double m = minorSpacing();
    const double x = rect.x(), y = rect.y();
    const double right = x + rect.width(), bottom = y + rect.height();
    auto pathFor = [&](std::int64_t index) -> BezierPath& {
        return (index % m_MinorTicks == 0) ? *m_MajorGrid : *m_MinorGrid;
    };

    if (latticeFits(rect.width(), m)) {
        std::int64_t i = 0;
        for (double X = x; X < right; X += m, ++i) {
            BezierPath& path = pathFor(i);
            path.moveToPoint({X, y});
            path.lineToPoint({X, bottom});
        }
    }
    if (latticeFits(rect.height(), m)) {
        std::int64_t j = 0;
        for (double Y = y; Y < bottom; Y += m, ++j) {
            BezierPath& path = pathFor(j);
            path.moveToPoint({x, Y});
            path.lineToPoint({right, Y});
        }
    }
    m_MajorGrid->moveToPoint({x, bottom});
    m_MajorGrid->lineToPoint({right, bottom});
    m_MajorGrid->lineToPoint({right, y});
    m_CacheRect = rect;
}

void Grid::clearCache() {
    m_MajorGrid.reset();
    m_MinorGrid.reset();
    m_CacheRect = Rect();
}

Grid::LineColors Grid::lineColorsForPage(const Color& page) {
    const double r = page.red, g = page.green, b = page.blue;
    const bool bluePage = r < 0.5 && g < 0.5 && b > 0.5;
    const double s = (page.brightness() <= 0.5 || bluePage) ? 1.0 : -1.0;
    auto shifted = [&](float factor) {
        const double d = static_cast<double>(factor) * s;
        // A light blue page lightened past white is drawn white.
        return Color(clampComponent(r + d), clampComponent(g + d), clampComponent(b + d), 1);
    };
    return {shifted(0.15f), shifted(0.3f)};
}

void Grid::drawInRect(GraphicsContext& gc, const Rect& rect, const Color& pageColor, double zoom) {
    if (rect != m_CacheRect)
        clearCache();
    if (!m_MajorGrid)
        cacheGridInRect(rect);
    // A zoom that is not positive would give infinite line widths.
    if (!(zoom > 0) || !std::isfinite(zoom))
        zoom = 1;

    const LineColors colors = lineColorsForPage(pageColor);
    GStateSaver saver(gc);
    // Lines sit on the centres of device pixels.
    gc.concatCTM(AffineTransform::translation(0.5 / zoom, 0.5 / zoom));
    if (m_MinorGrid) {
        BezierPath minor = *m_MinorGrid;
        minor.setLineWidth(1 / zoom);
        gc.strokePath(minor, colors.minor);
    }
    BezierPath major = *m_MajorGrid;
    major.setLineWidth(1 / zoom);
    gc.strokePath(major, colors.major);
}

Value Grid::valueForKey(std::string_view key) const {
    if (key == "rulersVisible")
        return Value(m_RulersVisible);
    if (key == "visible")
        return Value(m_Visible);
    if (key == "snap")
        return Value(m_Snap);
    if (key == "spacing")
        return Value(m_Spacing);
    if (key == "minorTicks")
        return Value(m_MinorTicks);
    return {};
}

bool Grid::setValueForKey(const Value& value, std::string_view key) {
    if (!value.isNumber())
        return false;
    if (key == "rulersVisible")
        setRulersVisible(value.toBool());
    else if (key == "visible")
        setVisible(value.toBool());
    else if (key == "snap")
        setSnap(value.toBool());
    else if (key == "spacing")
        setSpacing(value.toDouble());
    else if (key == "minorTicks")
        setMinorTicks(value.toInt());
    else
        return false;
    return true;
}

AttributeMap Grid::elementAttributes() const {
    AttributeMap attributes;
    attributes.setBoolValue(m_RulersVisible, "show-rulers");
    attributes.setBoolValue(m_Visible, "visible");
    attributes.setBoolValue(m_Snap, "snap");
    attributes.setFloatValue(m_Spacing, "spacing");
    attributes.setIntValue(m_MinorTicks, "minor-ticks");
    return attributes;
}

void Grid::setElementAttributes(const AttributeMap& attributes) {
    setRulersVisible(attributes.boolValueForKey("show-rulers"));
    setVisible(attributes.boolValueForKey("visible"));
    setSnap(attributes.boolValueForKey("snap"));
    setSpacing(attributes.floatValueForKey("spacing"));
    setMinorTicks(attributes.intValueForKey("minor-ticks"));
}

} // namespace qv
