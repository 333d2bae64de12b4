#include "styles/Stroke.h"

#include "framework/foundation/GraphicsContext.h"
#include "styles/Arrow.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

namespace qv {

std::string_view strokeStyleName(std::int64_t style) {
    static constexpr std::string_view names[] = {
        "stroke-none",   "stroke-solid",   "stroke-dash",        "stroke-longdash",
        "stroke-dotted", "stroke-dashdot", "stroke-longdashdot",
    };
    if (style < 0 || style > 6)
        return {};
    return names[style];
}

std::string_view capStyleName(std::uint64_t cap) {
    static constexpr std::string_view names[] = {"cap-butt", "cap-round", "cap-square"};
    return cap <= 2 ? names[cap] : std::string_view();
}

std::string_view joinStyleName(std::uint64_t join) {
    static constexpr std::string_view names[] = {"join-miter", "join-round", "join-bevel"};
    return join <= 2 ? names[join] : std::string_view();
}

Stroke::Stroke(const Stroke& other)
    : KeyValueCoding(), QVSaveableElement(), m_Shape(nullptr), m_Style(other.m_Style),
      m_Width(other.m_Width), m_Color(other.m_Color), m_CapStyle(other.m_CapStyle),
      m_JoinStyle(other.m_JoinStyle), m_ArrowStartStyle(other.m_ArrowStartStyle),
      m_ArrowStartSize(other.m_ArrowStartSize), m_ArrowEndStyle(other.m_ArrowEndStyle),
      m_ArrowEndSize(other.m_ArrowEndSize) {}

template <typename F> void Stroke::announce(std::string_view key, F&& store) {
    if (!m_Shape) {
        store();
        return;
    }
    const std::string path = std::string("stroke.") + std::string(key);
    const bool styleChange = key == "style";
    m_Shape->willChange();
    m_Shape->styleWillChangeKeyPath(path);
    if (styleChange)
        m_Shape->styleWillChangeKeyPath("stroke.visible");
    store();
    if (styleChange)
        m_Shape->styleDidChangeKeyPath("stroke.visible");
    m_Shape->styleDidChangeKeyPath(path);
    m_Shape->didChange();
}

void Stroke::setStyle(std::int32_t style) {
    if (style != m_Style)
        announce("style", [&] { m_Style = style; });
}

void Stroke::setWidth(double width) {
    if (width != m_Width)
        announce("width", [&] { m_Width = width; });
}

void Stroke::setColor(const Color& color) {
    announce("color", [&] { m_Color = color; });
}

void Stroke::setCapStyle(std::uint64_t cap) {
    if (cap != m_CapStyle)
        announce("capStyle", [&] { m_CapStyle = cap; });
}

void Stroke::setJoinStyle(std::uint64_t join) {
    if (join != m_JoinStyle)
        announce("joinStyle", [&] { m_JoinStyle = join; });
}

void Stroke::setArrowStartStyle(std::int64_t style) {
    if (style != m_ArrowStartStyle)
        announce("arrowStartStyle", [&] { m_ArrowStartStyle = style; });
}

void Stroke::setArrowStartSize(double size) {
    if (size != m_ArrowStartSize)
        announce("arrowStartSize", [&] { m_ArrowStartSize = size; });
}

void Stroke::setArrowEndStyle(std::int64_t style) {
    if (style != m_ArrowEndStyle)
        announce("arrowEndStyle", [&] { m_ArrowEndStyle = style; });
}

void Stroke::setArrowEndSize(double size) {
    if (size != m_ArrowEndSize)
        announce("arrowEndSize", [&] { m_ArrowEndSize = size; });
}

std::vector<double> Stroke::dashPatternForStyle(std::int64_t style, double w, std::uint64_t cap) {
    std::vector<double> pattern;
    switch (style) {
    case StrokeStyleDash:
        pattern = {3 * w, 2 * w};
        break;
    case StrokeStyleLongDash:
        pattern = {5 * w, 2 * w};
        break;
    case StrokeStyleDotted:
        pattern = {w, 2 * w};
        break;
    case StrokeStyleDashDot:
        pattern = {w, 2 * w, 3 * w, 2 * w};
        break;
    case StrokeStyleLongDashDot:
        pattern = {w, 2 * w, 5 * w, 2 * w};
        break;
    default:
        return {};
    }
    if (!(w > 0))
        return {};
    if (cap == 1 || cap == 2) {
        for (std::size_t i = 0; i < pattern.size(); ++i)
            pattern[i] += (i % 2 == 0) ? -w : w;
    }
    return pattern;
}

LineCapStyle Stroke::lineCapStyle() const {
    return m_CapStyle <= 2 ? static_cast<LineCapStyle>(m_CapStyle) : LineCapStyle::Butt;
}

LineJoinStyle Stroke::lineJoinStyle() const {
    return m_JoinStyle <= 2 ? static_cast<LineJoinStyle>(m_JoinStyle) : LineJoinStyle::Miter;
}

void Stroke::applyToPath(BezierPath& path) const {
    path.setLineWidth(m_Width);
    path.setLineCapStyle(lineCapStyle());
    path.setLineJoinStyle(lineJoinStyle());
    path.setLineDash(dashPattern(), 0);
}

void Stroke::strokePath(GraphicsContext& gc, const BezierPath& path) const {
    if (!visible())
        return;
    BezierPath styled = path;
    applyToPath(styled);
    gc.strokePath(styled, m_Color);
    drawArrowsForPath(gc, styled);
}

void Stroke::drawArrowsForPath(GraphicsContext& gc, const BezierPath& path) const {
    std::optional<std::size_t> first;
    std::optional<std::size_t> last;
    const std::size_t n = path.elementCount();
    for (std::size_t i = 0; i < n; ++i) {
        switch (path.elementAtIndex(i).type) {
        case PathElementType::MoveTo:
            if (first)
                drawArrowForPath(gc, path, *first, true);
            if (last)
                drawArrowForPath(gc, path, *last, false);
            first = i;
            last = i;
            break;
        case PathElementType::LineTo:
        case PathElementType::CurveTo:
            last = i;
            break;
        case PathElementType::ClosePath:
            first.reset();
            last.reset();
            break;
        }
    }
    if (first)
        drawArrowForPath(gc, path, *first, true);
    if (last)
        drawArrowForPath(gc, path, *last, false);
}

namespace {

double squaredDistance(Point a, Point b) {
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    return dx * dx + dy * dy;
}

// The point a path is at after element i. A close-path returns to the start
// of its subpath.
Point endPointOfElement(const BezierPath& path, std::size_t i) {
    const PathElement& e = path.elementAtIndex(i);
    switch (e.type) {
    case PathElementType::MoveTo:
    case PathElementType::LineTo:
        return e.points[0];
    case PathElementType::CurveTo:
        return e.points[2];
    case PathElementType::ClosePath:
        break;
    }
    for (std::size_t j = i; j-- > 0;) {
        const PathElement& m = path.elementAtIndex(j);
        if (m.type == PathElementType::MoveTo)
            return m.points[0];
    }
    return {};
}

} // namespace

void Stroke::drawArrowForPath(GraphicsContext& gc, const BezierPath& path, std::size_t element,
                              bool isStart) const {
    const std::int64_t style = isStart ? m_ArrowStartStyle : m_ArrowEndStyle;
    const double size = isStart ? m_ArrowStartSize : m_ArrowEndSize;
    if (style == 0 || element >= path.elementCount())
        return;
    const Arrow* arrow = Arrow::arrowAtIndex(style);
    if (!arrow)
        return;
    const double k = size * m_Width;
    const PathElement& e = path.elementAtIndex(element);
    Point tip;
    Point from;
    if (isStart) {
        if (e.type != PathElementType::MoveTo || element + 1 >= path.elementCount())
            return;
        const PathElement& next = path.elementAtIndex(element + 1);
        tip = e.points[0];
        if (next.type == PathElementType::LineTo) {
            from = next.points[0];
        } else if (next.type == PathElementType::CurveTo) {
            // A control point that sits under the arrow head gives no usable
            // direction; the second one does.
            from = k * k > squaredDistance(tip, next.points[0]) ? next.points[1] : next.points[0];
        } else {
            return;
        }
    } else {
        if (element == 0)
            return;
        if (e.type == PathElementType::CurveTo) {
            tip = e.points[2];
            from = k * k > squaredDistance(tip, e.points[1]) ? e.points[0] : e.points[1];
        } else if (e.type == PathElementType::LineTo) {
            tip = e.points[0];
            from = endPointOfElement(path, element - 1);
        } else {
            return;
        }
    }
    arrow->drawAtPoint(tip, from, *this, size, gc);
}

AttributeMap Stroke::elementAttributes() const {
    AttributeMap a;
    if (!visible()) {
        a.setStringValue("none", "color");
        return a;
    }
    a.setIntValue(m_Style, "style");
    a.setStringValue(m_Color.hexStringWithAlpha(), "color");
    a.setFloatValue(m_Width, "width");
    a.setIntValue(static_cast<std::int64_t>(m_CapStyle), "cap-style");
    a.setIntValue(static_cast<std::int64_t>(m_JoinStyle), "join-style");
    if (m_ArrowStartStyle != 0) {
        a.setIntValue(m_ArrowStartStyle, "arrow-start-style");
        a.setFloatValue(m_ArrowStartSize, "arrow-start-size");
    }
    if (m_ArrowEndStyle != 0) {
        a.setIntValue(m_ArrowEndStyle, "arrow-end-style");
        a.setFloatValue(m_ArrowEndSize, "arrow-end-size");
    }
    return a;
}

void Stroke::setElementAttributes(const AttributeMap& a) {
    const std::optional<std::string> color = a.stringValueForKey("color");
    if (!color || *color == "none") {
        setStyle(StrokeStyleNone);
        return;
    }
    setStyle(static_cast<std::int32_t>(a.intValueForKey("style")));
    setColor(Color::colorWithHexString(std::string_view(*color)));
    setWidth(a.floatValueForKey("width"));
    setCapStyle(static_cast<std::uint64_t>(a.intValueForKey("cap-style")));
    setJoinStyle(static_cast<std::uint64_t>(a.intValueForKey("join-style")));
    setArrowStartStyle(a.intValueForKey("arrow-start-style"));
    if (m_ArrowStartStyle != 0)
        setArrowStartSize(a.floatValueForKey("arrow-start-size"));
    setArrowEndStyle(a.intValueForKey("arrow-end-style"));
    if (m_ArrowEndStyle != 0)
        setArrowEndSize(a.floatValueForKey("arrow-end-size"));
}

} // namespace qv

namespace qv {

Value Stroke::valueForKey(std::string_view key) const {
    if (key == "style")
        return Value(m_Style);
    if (key == "width")
        return Value(m_Width);
    if (key == "color")
        return Value(m_Color);
    if (key == "capStyle")
        return Value(m_CapStyle);
    if (key == "joinStyle")
        return Value(m_JoinStyle);
    if (key == "arrowStartStyle")
        return Value(m_ArrowStartStyle);
    if (key == "arrowStartSize")
        return Value(m_ArrowStartSize);
    if (key == "arrowEndStyle")
        return Value(m_ArrowEndStyle);
    if (key == "arrowEndSize")
        return Value(m_ArrowEndSize);
    if (key == "visible")
        return Value(visible());
    return {};
}

bool Stroke::setValueForKey(const Value& value, std::string_view key) {
    if (value.isNull() || value.isMarker())
        return false;
    if (key == "color") {
        if (value.kind() != Value::Kind::Color)
            return false;
        setColor(value.toColor());
        return true;
    }
    if (key == "style") {
        const std::int64_t s = value.toInt();
        setStyle(static_cast<std::int32_t>(std::clamp<std::int64_t>(s, INT32_MIN, INT32_MAX)));
    } else if (key == "width") {
        setWidth(value.toDouble());
    } else if (key == "capStyle") {
        setCapStyle(static_cast<std::uint64_t>(value.toInt()));
    } else if (key == "joinStyle") {
        setJoinStyle(static_cast<std::uint64_t>(value.toInt()));
    } else if (key == "arrowStartStyle") {
        setArrowStartStyle(value.toInt());
    } else if (key == "arrowStartSize") {
        setArrowStartSize(value.toDouble());
    } else if (key == "arrowEndStyle") {
        setArrowEndStyle(value.toInt());
    } else if (key == "arrowEndSize") {
        setArrowEndSize(value.toDouble());
    } else {
        return false;
    }
    return true;
}

} // namespace qv
