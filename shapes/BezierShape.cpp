#include "shapes/BezierShape.h"

#include "shapes/ElementCast.h"

#include "document/QVGenericElement.h"
#include "framework/foundation/GraphicsContext.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <cmath>
#include <optional>

namespace qv {
namespace {

constexpr double kMinimumSide = static_cast<double>(0.1f);
// Tangent angles are turned into degrees with the single-precision pi.
constexpr double kSinglePi = static_cast<double>(3.14159265358979f);
constexpr Color kReshapeGrey{0.5, 0.5, 0.5, 1};

double zoomOf(const ShapeView* view) {
    if (!view)
        return 1.0;
    const double z = view->zoom();
    return (z > 0 && std::isfinite(z)) ? z : 1.0;
}

bool isFinite(const Rect& r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

Point offsetPoint(Point p, Size d) {
    return {p.x + d.width, p.y + d.height};
}

Size delta(Point to, Point from) {
    return {to.x - from.x, to.y - from.y};
}

// The degrees that turn the direction from a to `from` into the direction
// from a to `to`; none when either point is the centre itself.
std::optional<double> turnAbout(Point a, Point from, Point to) {
    if (from == a || to == a)
        return std::nullopt;
    return (std::atan2(to.y - a.y, to.x - a.x) - std::atan2(from.y - a.y, from.x - a.x)) * 180 /
           kSinglePi;
}

const char* childNameOf(PathElementType type) {
    switch (type) {
    case PathElementType::MoveTo:
        return "moveto";
    case PathElementType::LineTo:
        return "lineto";
    case PathElementType::CurveTo:
        return "curveto";
    case PathElementType::ClosePath:
        return "closepath";
    }
    return "closepath";
}

std::optional<PathElementType> elementTypeNamed(const std::string& name) {
    if (name == "moveto")
        return PathElementType::MoveTo;
    if (name == "lineto")
        return PathElementType::LineTo;
    if (name == "curveto")
        return PathElementType::CurveTo;
    if (name == "closepath")
        return PathElementType::ClosePath;
    return std::nullopt;
}

Point readPoint(const AttributeMap& a, const char* xKey, const char* yKey) {
    return {Shape::sanitizedCoordinate(a.floatValueForKey(xKey)),
            Shape::sanitizedCoordinate(a.floatValueForKey(yKey))};
}

} // namespace

// One edit of the path, announced as a change of the shape. Edits nest (a
// reshape writes several elements); only the outermost one reports "path" and
// "bounds" to key-value observers, so that the old values they record are
// those from before the whole edit — the same rule as for every shape whose
// bounds follow from its parameters.
class BezierShape::PathChange {
public:
    explicit PathChange(BezierShape& shape) : m_Shape(shape) {
        m_Shape.willChange();
        m_Change.emplace(m_Shape, std::initializer_list<const char*>{"path"});
    }
    ~PathChange() {
        m_Change.reset();
        m_Shape.didChange();
    }
    PathChange(const PathChange&) = delete;
    PathChange& operator=(const PathChange&) = delete;

private:
    BezierShape& m_Shape;
    std::optional<DerivedGeometryChange> m_Change;
};

BezierShape::BezierShape() {
    m_Path.setWindingRule(WindingRule::EvenOdd);
}

// ---------------------------------------------------------------------------
// Building

void BezierShape::moveToPoint(Point p) {
    PathChange change(*this);
    m_Path.moveToPoint(p);
    updateBounds();
}

void BezierShape::lineToPoint(Point p) {
    PathChange change(*this);
    m_Path.lineToPoint(p);
    updateBounds();
}

void BezierShape::curveToPoint(Point end, Point control1, Point control2) {
    PathChange change(*this);
    m_Path.curveToPoint(end, control1, control2);
    updateBounds();
}

void BezierShape::closePath() {
    PathChange change(*this);
    m_Path.closePath();
    updateBounds();
}

void BezierShape::addPoint(Point p, bool isCurve) {
    PathChange change(*this);
    if (m_Path.isEmpty())
        m_Path.moveToPoint(p);
    else if (isCurve)
        m_Path.curveToPoint(p, m_TempControl, p);
    else
        m_Path.lineToPoint(p);
    m_TempControl = p;
    updateBounds();
}

void BezierShape::setLastControl(Point q) {
    PathChange change(*this);
    m_TempControl = q;
    const std::size_t n = m_Path.elementCount();
    if (n >= 2) {
        for (std::size_t i = n - 1; i >= 1; --i) {
            PathElement e = m_Path.elementAtIndex(i);
            if (e.type != PathElementType::CurveTo)
                continue;
            // The mirror image through the anchor: both tangents on one line,
            // of equal length.
            const Point end = e.points[2];
            e.points[1] = {2 * end.x - q.x, 2 * end.y - q.y};
            m_Path.setAssociatedPoints(e.points.data(), i);
            break;
        }
    }
    updateBounds();
}

void BezierShape::setFirstControl(Point q) {
    if (m_Path.elementCount() <= 1 || m_Path.elementAtIndex(1).type != PathElementType::CurveTo)
        return;
    PathChange change(*this);
    PathElement e = m_Path.elementAtIndex(1);
    e.points[0] = q;
    m_Path.setAssociatedPoints(e.points.data(), 1);
    updateBounds();
}

void BezierShape::setLastPoint(Point q) {
    const std::size_t n = m_Path.elementCount();
    if (n <= 1 || m_Path.elementAtIndex(n - 1).type != PathElementType::LineTo)
        return;
    PathChange change(*this);
    m_Path.setAssociatedPoints(&q, n - 1);
    updateBounds();
}

void BezierShape::removeLastElement() {
    if (m_Path.isEmpty())
        return;
    BezierPath shorter;
    const std::vector<PathElement>& elements = m_Path.elements();
    for (std::size_t i = 0; i + 1 < elements.size(); ++i) {
        const PathElement& e = elements[i];
        switch (e.type) {
        case PathElementType::MoveTo:
            shorter.moveToPoint(e.points[0]);
            break;
        case PathElementType::LineTo:
            shorter.lineToPoint(e.points[0]);
            break;
        case PathElementType::CurveTo:
            shorter.curveToPoint(e.points[2], e.points[0], e.points[1]);
            break;
        case PathElementType::ClosePath:
            shorter.closePath();
            break;
        }
    }
    setPath(shorter);
}

// ---------------------------------------------------------------------------
// Access

void BezierShape::setPath(const BezierPath& path) {
    PathChange change(*this);
    // Through a copy: the argument may be the stored path itself.
    BezierPath copy = path;
    copy.setWindingRule(WindingRule::EvenOdd);
    m_Path = std::move(copy);
    updateBounds();
}

PathElementType BezierShape::elementAtIndex(std::size_t index, Point* points) const {
    if (index >= m_Path.elementCount())
        return PathElementType::ClosePath;
    const PathElement& e = m_Path.elementAtIndex(index);
    if (points)
        for (int i = 0; i < e.pointCount(); ++i)
            points[i] = e.points[i];
    return e.type;
}

void BezierShape::setAssociatedPoints(const Point* points, std::size_t index) {
    if (!points || index >= m_Path.elementCount())
        return;
    PathChange change(*this);
    const AffineTransform before = transform();
    m_Path.setAssociatedPoints(points, index);
    updateBounds();
    // The rotation is about the centre of the bounds, which the edit may have
    // moved: put the new centre where the old transform shows it, and every
    // untouched point stays where it was on the canvas.
    const Rect b = m_Bounds;
    const Point c = b.center();
    const Point shown = before.transformPoint(c);
    setBounds(b.offsetBy(shown.x - c.x, shown.y - c.y));
    clearFillCache();
}

void BezierShape::updateBounds() {
    m_Read.valid = false;
    // An empty path leaves the bounds as they were.
    if (m_Path.isEmpty())
        return;
    storeDerivedBounds(m_Path.bounds());
}

// ---------------------------------------------------------------------------
// Moving, scaling and mirroring

void BezierShape::setBounds(const Rect& bounds) {
    // The box it already has: moving the path onto itself could only round
    // its points (a zero translation turns -0 into 0). This is also what makes
    // replaying recorded bounds after the restored path a no-op.
    if (bounds == m_Bounds)
        return;
    PathChange change(*this);
    // A request that is not a place (from a hostile binding value) would turn
    // every point of the path into NaN.
    if (m_Path.isEmpty() || !isFinite(bounds))
        return;
    const Rect old = m_Bounds;
    AffineTransform t;
    if (bounds.size == old.size) {
        t = AffineTransform::translation(bounds.x() - old.x(), bounds.y() - old.y());
    } else {
        Rect r = bounds;
        r.size.width = std::max(r.size.width, kMinimumSide);
        r.size.height = std::max(r.size.height, kMinimumSide);
        t.translateAndScaleFromRect(old, r);
    }
    m_Path.transformUsingAffineTransform(t);
    updateBounds();
}

void BezierShape::flip(int axis) {
    if (m_Path.isEmpty())
        return;
    PathChange change(*this);
    const Rect box = m_Bounds;
    BezierPath mirrored = m_Path;
    mirrored.transformUsingAffineTransform(axis == 0 ? AffineTransform::scaling(-1, 1)
                                                     : AffineTransform::scaling(1, -1));
    setPath(mirrored);
    Shape::flip(axis);
    // Back into the box it came from.
    setBounds(box);
}

// ---------------------------------------------------------------------------
// Reshaping

Point BezierShape::pointOf(std::size_t index, int pointIndex) const {
    return m_Path.elementAtIndex(index).points[static_cast<std::size_t>(pointIndex)];
}

void BezierShape::movePoints(std::size_t index, std::initializer_list<int> pointIndices, Size d) {
    PathElement e = m_Path.elementAtIndex(index);
    for (int k : pointIndices)
        e.points[static_cast<std::size_t>(k)] =
            offsetPoint(e.points[static_cast<std::size_t>(k)], d);
    setAssociatedPoints(e.points.data(), index);
}

void BezierShape::rotateControl(std::size_t index, int pointIndex, Point centre, double degrees) {
    PathElement e = m_Path.elementAtIndex(index);
    AffineTransform turn;
    turn.rotateByDegrees(degrees, centre);
    Point& p = e.points[static_cast<std::size_t>(pointIndex)];
    p = turn.transformPoint(p);
    setAssociatedPoints(e.points.data(), index);
}

bool BezierShape::hitTestReshapeControl(Point p, std::size_t& elementIndex, int& pointIndex,
                                        const ShapeView* view) const {
    const Point local = transform().inverseTransform().transformPoint(p);
    const Rect reach = handleRectAtPoint(local, view);
    const std::vector<PathElement>& elements = m_Path.elements();
    const std::size_t n = elements.size();
    for (std::size_t i = 0; i < n; ++i) {
        const PathElement& e = elements[i];
        switch (e.type) {
        case PathElementType::MoveTo:
            // A trailing move-to draws nothing and has no handle.
            if (i + 1 == n)
                break;
            [[fallthrough]];
        case PathElementType::LineTo:
            if (reach.containsPoint(e.points[0])) {
                elementIndex = i;
                pointIndex = 0;
                return true;
            }
            break;
        case PathElementType::CurveTo:
            for (int k = 0; k < 3; ++k) {
                if (reach.containsPoint(e.points[static_cast<std::size_t>(k)])) {
                    elementIndex = i;
                    pointIndex = k;
                    return true;
                }
            }
            break;
        case PathElementType::ClosePath:
            break;
        }
    }
    return false;
}

void BezierShape::reshapeToPoint(Point p, std::size_t elementIndex, int pointIndex,
                                 unsigned modifierFlags) {
    if (elementIndex >= m_Path.elementCount())
        return;
    PathChange change(*this);
    const Point local = transform().inverseTransform().transformPoint(p);
    switch (m_Path.elementAtIndex(elementIndex).type) {
    case PathElementType::MoveTo:
    case PathElementType::LineTo:
        reshapePointToPoint(local, elementIndex, modifierFlags);
        break;
    case PathElementType::CurveTo:
        if (pointIndex == 0)
            reshapeControl1ToPoint(local, elementIndex, modifierFlags);
        else if (pointIndex == 1)
            reshapeControl2ToPoint(local, elementIndex, modifierFlags);
        else if (pointIndex == 2)
            reshapePointToPoint(local, elementIndex, modifierFlags);
        break;
    case PathElementType::ClosePath:
        break;
    }
    setPath(m_Path);
}

void BezierShape::reshapePointToPoint(Point p, std::size_t index, unsigned) {
    const std::size_t n = m_Path.elementCount();
    if (index >= n)
        return;
    PathElement e = m_Path.elementAtIndex(index);
    if (e.type == PathElementType::ClosePath)
        return;
    PathChange change(*this);
    Size d;
    if (e.type == PathElementType::CurveTo) {
        // The incoming tangent travels with its anchor.
        d = delta(p, e.points[2]);
        e.points[1] = offsetPoint(e.points[1], d);
        e.points[2] = p;
    } else {
        d = delta(p, e.points[0]);
        e.points[0] = p;
    }
    setAssociatedPoints(e.points.data(), index);

    if (e.type == PathElementType::MoveTo) {
        if (index == 0 && n > 1 && m_Path.elementAtIndex(n - 1).type == PathElementType::MoveTo)
            movePoints(n - 1, {0}, d);
        // A closed subpath whose last segment is a curve ends at this point:
        // its end and incoming tangent move too.
        for (std::size_t j = index + 1; j < n; ++j) {
            const PathElementType t = m_Path.elementAtIndex(j).type;
            if (t == PathElementType::MoveTo)
                break;
            if (t == PathElementType::ClosePath) {
                if (m_Path.elementAtIndex(j - 1).type == PathElementType::CurveTo)
                    movePoints(j - 1, {1, 2}, d);
                break;
            }
        }
    }
    // The outgoing tangent travels with its anchor.
    if (index + 1 < n && m_Path.elementAtIndex(index + 1).type == PathElementType::CurveTo)
        movePoints(index + 1, {0}, d);
}

void BezierShape::reshapeControl2ToPoint(Point p, std::size_t index, unsigned modifierFlags) {
    const std::size_t n = m_Path.elementCount();
    if (index >= n || m_Path.elementAtIndex(index).type != PathElementType::CurveTo)
        return;
    PathChange change(*this);

    // The partner is the outgoing tangent on the other side of the anchor.
    std::optional<std::size_t> partner;
    std::size_t anchorElement = index;
    int anchorPoint = 2;
    if (!(modifierFlags & AlternateKeyMask) && index + 1 < n) {
        if (m_Path.elementAtIndex(index + 1).type == PathElementType::ClosePath) {
            // The closing joint: the anchor is the subpath's start and the
            // partner the first segment after its move-to.
            for (std::size_t j = index + 1; j-- > 0;) {
                if (m_Path.elementAtIndex(j).type == PathElementType::MoveTo) {
                    partner = j + 1;
                    anchorElement = j;
                    anchorPoint = 0;
                    break;
                }
            }
        } else {
            partner = index + 1;
        }
    }

    PathElement e = m_Path.elementAtIndex(index);
    const Point old = e.points[1];
    const Point anchor = pointOf(anchorElement, anchorPoint);
    e.points[1] = p;
    setAssociatedPoints(e.points.data(), index);

    if (!partner || m_Path.elementAtIndex(*partner).type != PathElementType::CurveTo)
        return;
    if (const std::optional<double> degrees = turnAbout(anchor, old, p))
        // About the anchor as it is now: writing the element may have moved
        // the whole path in its frame.
        rotateControl(*partner, 0, pointOf(anchorElement, anchorPoint), *degrees);
}

void BezierShape::reshapeControl1ToPoint(Point p, std::size_t index, unsigned modifierFlags) {
    const std::size_t n = m_Path.elementCount();
    if (index >= n || m_Path.elementAtIndex(index).type != PathElementType::CurveTo)
        return;
    PathChange change(*this);

    // The partner is the incoming tangent on the other side of the anchor.
    std::optional<std::size_t> partner;
    if (!(modifierFlags & AlternateKeyMask) && index > 0) {
        const PathElementType before = m_Path.elementAtIndex(index - 1).type;
        if (before == PathElementType::CurveTo) {
            partner = index - 1;
        } else if (before == PathElementType::MoveTo) {
            // At a subpath's start: the closing curve, when the subpath is closed.
            for (std::size_t j = index + 1; j < n; ++j) {
                const PathElementType t = m_Path.elementAtIndex(j).type;
                if (t == PathElementType::MoveTo)
                    break;
                if (t == PathElementType::ClosePath) {
                    if (m_Path.elementAtIndex(j - 1).type == PathElementType::CurveTo)
                        partner = j - 1;
                    break;
                }
            }
        }
    }

    PathElement e = m_Path.elementAtIndex(index);
    const Point old = e.points[0];
    const std::optional<Point> anchor =
        partner ? std::optional<Point>(pointOf(*partner, 2)) : std::nullopt;
    e.points[0] = p;
    setAssociatedPoints(e.points.data(), index);

    if (!partner)
        return;
    if (const std::optional<double> degrees = turnAbout(*anchor, old, p))
        rotateControl(*partner, 1, pointOf(*partner, 2), *degrees);
}

// ---------------------------------------------------------------------------
// Reshape handles

void BezierShape::drawReshapeHandleAtPoint(GraphicsContext& gc, Point p, bool solid,
                                           const ShapeView* view) {
    const double px = 1 / zoomOf(view);
    Rect r = handleRectAtPoint(p, view);
    gc.fillPath(BezierPath::bezierPathWithOvalInRect(r), Color::white());
    r = r.insetBy(px, px);
    gc.fillPath(BezierPath::bezierPathWithOvalInRect(r), kReshapeGrey);
    if (!solid)
        gc.fillPath(BezierPath::bezierPathWithOvalInRect(r.insetBy(px, px)), Color::white());
}

void BezierShape::drawReshapeLineFromPoint(GraphicsContext& gc, Point from, Point to,
                                           const ShapeView* view) {
    const double px = 1 / zoomOf(view);
    BezierPath line;
    // On pixel centres, so that the 1 px core is crisp.
    line.moveToPoint({from.x + px / 2, from.y + px / 2});
    line.lineToPoint({to.x + px / 2, to.y + px / 2});
    line.setLineWidth(3 * px);
    gc.strokePath(line, Color::white());
    line.setLineWidth(px);
    gc.strokePath(line, kReshapeGrey);
}

void BezierShape::drawReshapeHandlesInView(GraphicsContext& gc, const ShapeView* view) const {
    const BezierPath placed = m_Path.transformedBy(transform());
    const std::vector<PathElement>& elements = placed.elements();
    const std::size_t n = elements.size();
    Point previous;
    for (std::size_t i = 0; i < n; ++i) {
        const PathElement& e = elements[i];
        switch (e.type) {
        case PathElementType::MoveTo:
            if (i + 1 < n)
                drawReshapeHandleAtPoint(gc, e.points[0], true, view);
            previous = e.points[0];
            break;
        case PathElementType::LineTo:
            drawReshapeHandleAtPoint(gc, e.points[0], true, view);
            previous = e.points[0];
            break;
        case PathElementType::CurveTo:
            drawReshapeLineFromPoint(gc, previous, e.points[0], view);
            drawReshapeLineFromPoint(gc, e.points[1], e.points[2], view);
            drawReshapeHandleAtPoint(gc, previous, true, view);
            drawReshapeHandleAtPoint(gc, e.points[2], true, view);
            drawReshapeHandleAtPoint(gc, e.points[0], false, view);
            drawReshapeHandleAtPoint(gc, e.points[1], false, view);
            previous = e.points[2];
            break;
        case PathElementType::ClosePath:
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Undo, copying and key-value coding

std::vector<std::string> BezierShape::undoableProperties() const {
    std::vector<std::string> keys{"path"};
    const std::vector<std::string> base = Shape::undoableProperties();
    keys.insert(keys.end(), base.begin(), base.end());
    return keys;
}

ShapePtr BezierShape::copy() const {
    ShapePtr s = Shape::copy();
    static_cast<BezierShape&>(*s).setPath(m_Path);
    return s;
}

Value BezierShape::valueForKey(std::string_view key) const {
    if (key == "path")
        return Value(m_Path);
    return Shape::valueForKey(key);
}

bool BezierShape::setValueForKey(const Value& value, std::string_view key) {
    if (key == "path") {
        const BezierPath* path = value.bezierPath();
        if (!path)
            return false;
        setPath(*path);
        return true;
    }
    return Shape::setValueForKey(value, key);
}

// ---------------------------------------------------------------------------
// Element vocabulary

ElementList BezierShape::elementChildren() const {
    ElementList children = Shape::elementChildren();
    children.reserve(children.size() + m_Path.elementCount());
    for (const PathElement& e : m_Path.elements()) {
        auto child = QVGenericElement::elementNamed(childNameOf(e.type));
        switch (e.type) {
        case PathElementType::MoveTo:
        case PathElementType::LineTo:
            child->setPointAttribute(e.points[0]);
            break;
        case PathElementType::CurveTo:
            child->setPointAttribute(e.points[2]);
            child->setPointAttribute(e.points[0], "c1");
            child->setPointAttribute(e.points[1], "c2");
            break;
        case PathElementType::ClosePath:
            break;
        }
        children.push_back(std::move(child));
    }
    return children;
}

void BezierShape::addElement(const ElementPtr& child) {
    if (!child)
        return;
    // Path elements arrive by the million: generic children lend their name
    // and attributes without copies.
    const auto* generic = elementCast<const QVGenericElement>(child.get());
    std::optional<PathElementType> type;
    if (generic) {
        type = elementTypeNamed(generic->name());
    } else if (const std::optional<std::string> name = child->elementName()) {
        type = elementTypeNamed(*name);
    }
    if (!type) {
        Shape::addElement(child);
        return;
    }
    if (m_Path.elementCount() >= kMaximumElementCount)
        return;
    AttributeMap copied;
    if (!generic)
        copied = child->elementAttributes();
    const AttributeMap* attributes = generic ? &generic->attributes() : &copied;

    // Coordinates are clamped like every coordinate read (NaN reads 0), so
    // that the geometry derived from them stays finite.
    PathElement e;
    e.type = *type;
    switch (*type) {
    case PathElementType::MoveTo:
    case PathElementType::LineTo:
        e.points[0] = readPoint(*attributes, "x", "y");
        break;
    case PathElementType::CurveTo:
        e.points[0] = readPoint(*attributes, "c1-x", "c1-y");
        e.points[1] = readPoint(*attributes, "c2-x", "c2-y");
        e.points[2] = readPoint(*attributes, "x", "y");
        break;
    case PathElementType::ClosePath:
        break;
    }
    appendReadElement(e);
}

void BezierShape::appendReadElement(const PathElement& e) {
    ReadCursor& r = m_Read;
    if (!r.valid) {
        // Catch up with what the path holds already.
        r = ReadCursor();
        r.valid = true;
        for (const PathElement& old : m_Path.elements()) {
            if (old.type == PathElementType::ClosePath) {
                r.current = r.start;
                continue;
            }
            const Point end = old.type == PathElementType::CurveTo ? old.points[2] : old.points[0];
            if (old.type == PathElementType::MoveTo || !r.started) {
                r.start = old.type == PathElementType::MoveTo ? end : old.points[0];
                r.started = true;
            }
            r.current = end;
        }
        if (!m_Path.isEmpty()) {
            const Rect b = m_Path.bounds();
            r.any = true;
            r.minX = b.minX();
            r.minY = b.minY();
            r.maxX = b.maxX();
            r.maxY = b.maxY();
        }
    }

    const auto add = [&r](Point p) {
        if (!r.any) {
            r.minX = r.maxX = p.x;
            r.minY = r.maxY = p.y;
            r.any = true;
            return;
        }
        r.minX = std::min(r.minX, p.x);
        r.maxX = std::max(r.maxX, p.x);
        r.minY = std::min(r.minY, p.y);
        r.maxY = std::max(r.maxY, p.y);
    };
    const auto inside = [&r](Point p) {
        return r.any && p.x >= r.minX && p.x <= r.maxX && p.y >= r.minY && p.y <= r.maxY;
    };

    // The box of the path grows by the box of the new segment alone.
    switch (e.type) {
    case PathElementType::MoveTo:
        m_Path.moveToPoint(e.points[0]);
        add(e.points[0]);
        r.start = r.current = e.points[0];
        r.started = true;
        break;
    case PathElementType::LineTo:
        m_Path.lineToPoint(e.points[0]);
        if (!r.started) {
            r.start = r.current = e.points[0];
            r.started = true;
        }
        add(r.current);
        add(e.points[0]);
        r.current = e.points[0];
        break;
    case PathElementType::CurveTo: {
        m_Path.curveToPoint(e.points[2], e.points[0], e.points[1]);
        if (!r.started) {
            r.start = r.current = e.points[0];
            r.started = true;
        }
        add(r.current);
        add(e.points[2]);
        // A curve lies within the hull of its points: only one whose control
        // points stick out of the box can widen it beyond its end points.
        if (!inside(e.points[0]) || !inside(e.points[1])) {
            BezierPath segment;
            segment.moveToPoint(r.current);
            segment.curveToPoint(e.points[2], e.points[0], e.points[1]);
            const Rect b = segment.bounds();
            add({b.minX(), b.minY()});
            add({b.maxX(), b.maxY()});
        }
        r.current = e.points[2];
        break;
    }
    case PathElementType::ClosePath:
        m_Path.closePath();
        r.current = r.start;
        break;
    }
    storeDerivedBounds(Rect(r.minX, r.minY, r.maxX - r.minX, r.maxY - r.minY));
}

// ---------------------------------------------------------------------------
// Conversion (declared by the base class)

std::shared_ptr<BezierShape> Shape::bezierShape() const {
    auto result = std::make_shared<BezierShape>();
    result->setRotation(m_Rotation);
    result->setStroke(*m_Stroke);
    result->setFill(*m_Fill);
    result->setShadow(*m_Shadow);
    const std::optional<BezierPath> outline = path();
    if (!outline)
        return result;
    result->setPath(*outline);
    // The new shape turns about the centre of its outline's box, which need
    // not be the centre this shape turns about (a star, an arc): move it so
    // that the outline stays where it was shown.
    const Rect b = result->bounds();
    const Point c = b.center();
    const Point shown = transform().transformPoint(c);
    const double tolerance = 1e-9 * (1 + std::fabs(c.x) + std::fabs(c.y));
    if (std::fabs(shown.x - c.x) > tolerance || std::fabs(shown.y - c.y) > tolerance)
        result->setBounds(b.offsetBy(shown.x - c.x, shown.y - c.y));
    return result;
}

} // namespace qv
