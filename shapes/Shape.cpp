#include "shapes/Shape.h"

#include "document/QVGenericElement.h"
#include "framework/foundation/GraphicsContext.h"
#include "framework/foundation/NotificationCenter.h"
#include "shapes/ElementCast.h"
#include "styles/Fill.h"
#include "styles/FillCache.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"

#include <cmath>
#include <mutex>
#include <numbers>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace qv {
namespace {

// Single-precision constants, widened.
constexpr double kMinimumSide = static_cast<double>(0.1f);

// Sides below the minimum (NaN too) are raised to it.
Rect withMinimumSides(Rect r) {
    if (!(r.size.width >= kMinimumSide))
        r.size.width = kMinimumSide;
    if (!(r.size.height >= kMinimumSide))
        r.size.height = kMinimumSide;
    return r;
}

constexpr double kLineTolerance = static_cast<double>(0.00001f);
constexpr Color kHandleOuterColor{static_cast<double>(0.47f), static_cast<double>(0.67f),
                                  static_cast<double>(0.76f), 1.0};
constexpr Color kHandleInnerColor{static_cast<double>(0.69f), static_cast<double>(0.89f),
                                  static_cast<double>(1.0f), 1.0};

constexpr double kRedrawMargin = 100;
constexpr double kDropHighlightExtraWidth = 8;
constexpr double kRotateMarkerArm = 7;

double zoomOf(const ShapeView* view) {
    if (!view)
        return 1.0;
    const double z = view->zoom();
    // A view that reports nonsense still gets drawn at a usable scale.
    return (z > 0 && std::isfinite(z)) ? z : 1.0;
}

// The local point of handle (h, v) of a rectangle.
Point handlePoint(const Rect& b, int h, int v) {
    const double x = h == 0 ? b.minX() : h == 1 ? b.midX() : b.maxX();
    const double y = v == 0 ? b.minY() : v == 1 ? b.midY() : b.maxY();
    return {x, y};
}

bool within(double v, double a, double b) {
    return v >= std::min(a, b) && v <= std::max(a, b);
}

} // namespace

// The light blue of selected text on a light desktop; also used without a view.
constexpr Color kSelectedTextBackgroundColor{static_cast<double>(0.7f), static_cast<double>(0.84f),
                                             1.0, 1.0};

Color ShapeView::selectedTextBackgroundColor() const {
    return kSelectedTextBackgroundColor;
}

// ---------------------------------------------------------------------------
// Lifecycle

Shape::Shape()
    : m_Stroke(std::make_shared<Stroke>()), m_Fill(std::make_shared<Fill>()),
      m_Shadow(std::make_shared<Shadow>()) {
    // Nobody can watch an object under construction: the default styles go
    // in without announcements.
    m_Stroke->setShape(this);
    m_Fill->setShape(this);
    m_Shadow->setShape(this);
}

Shape::~Shape() {
    // The styles may outlive the shape through someone's reference; they must
    // not announce through a shape that is gone.
    if (m_Stroke)
        m_Stroke->setShape(nullptr);
    if (m_Fill)
        m_Fill->setShape(nullptr);
    if (m_Shadow)
        m_Shadow->setShape(nullptr);
}

ShapePtr Shape::copy() const {
    ShapePtr s = newInstance();
    s->setBounds(m_Bounds);
    s->setRotation(m_Rotation);
    s->setStroke(*m_Stroke);
    s->setFill(*m_Fill);
    s->setShadow(*m_Shadow);
    return s;
}

double Shape::sanitizedCoordinate(double v) {
    if (std::isnan(v))
        return 0;
    return std::clamp(v, -kMaximumCoordinate, kMaximumCoordinate);
}

Rect Shape::sanitizedRect(const Rect& r) {
    return {sanitizedCoordinate(r.x()), sanitizedCoordinate(r.y()), sanitizedCoordinate(r.width()),
            sanitizedCoordinate(r.height())};
}

// ---------------------------------------------------------------------------
// Geometry

void Shape::setBounds(const Rect& bounds) {
    const Rect r = withMinimumSides(bounds);
    if (r == m_Bounds)
        return;
    willChange();
    willChangeValueForKeyPath("bounds");
    m_Bounds = r;
    didChangeValueForKeyPath("bounds");
    didChange();
}

Shape::DerivedGeometryChange::DerivedGeometryChange(Shape& shape,
                                                    std::initializer_list<const char*> keys)
    : m_Shape(shape), m_Keys(keys), m_Outermost(shape.m_DerivedChangeDepth++ == 0) {
    if (!m_Outermost)
        return;
    for (const char* key : m_Keys)
        m_Shape.willChangeValueForKeyPath(key);
    m_Shape.willChangeValueForKeyPath("bounds");
}

Shape::DerivedGeometryChange::~DerivedGeometryChange() {
    --m_Shape.m_DerivedChangeDepth;
    if (!m_Outermost)
        return;
    m_Shape.didChangeValueForKeyPath("bounds");
    for (auto it = m_Keys.rbegin(); it != m_Keys.rend(); ++it)
        m_Shape.didChangeValueForKeyPath(*it);
}

void Shape::storeDerivedBounds(const Rect& bounds) {
    const Rect r = withMinimumSides(bounds);
    if (r == m_Bounds)
        return;
    willChange();
    const bool announce = m_DerivedChangeDepth == 0;
    if (announce)
        willChangeValueForKeyPath("bounds");
    m_Bounds = r;
    if (announce)
        didChangeValueForKeyPath("bounds");
    didChange();
}

double Shape::normalizedRotation(double degrees) {
    if (!std::isfinite(degrees))
        return 0;
    // fmod gives the same remainder as subtracting 360 repeatedly (each step is
    // exact), without looping for ever on huge angles.
    double r = std::fmod(degrees, 360.0);
    if (r < 0)
        r += 360.0;
    // A tiny negative angle rounds up to 360 when 360 is added.
    if (r >= 360.0)
        r = 0;
    return r + 0.0; // no negative zero
}

void Shape::setRotation(double degrees) {
    const double r = normalizedRotation(degrees);
    if (r == m_Rotation)
        return;
    willChange();
    willChangeValueForKeyPath("rotation");
    m_Rotation = r;
    didChangeValueForKeyPath("rotation");
    didChange();
}

Point Shape::position() const {
    return m_Bounds.center();
}

std::optional<BezierPath> Shape::path() const {
    return std::nullopt;
}

AffineTransform Shape::transform() const {
    AffineTransform t;
    if (m_Rotation == 0)
        return t;
    t.rotateByDegrees(m_Rotation, position());
    return t;
}

std::optional<BezierPath> Shape::transformedPath() const {
    std::optional<BezierPath> p = path();
    if (p && m_Rotation != 0)
        p->transformUsingAffineTransform(transform());
    return p;
}

Rect Shape::transformedBounds() const {
    const std::optional<BezierPath> p = transformedPath();
    return p ? p->bounds() : Rect();
}

AffineTransform Shape::gradientTransform() const {
    AffineTransform t(m_Bounds.width(), 0, 0, m_Bounds.height(), m_Bounds.x(), m_Bounds.y());
    t.append(transform());
    return t;
}

Point Shape::gradientStart() const {
    return gradientTransform().transformPoint(m_Fill->gradientStart());
}

Point Shape::gradientEnd() const {
    return gradientTransform().transformPoint(m_Fill->gradientEnd());
}

namespace {

// Moves one end of the gradient to `documentPoint`, kept in the unit frame of
// the bounds. A shape without area has no gradient frame to measure it in.
void setGradientPoint(Shape& shape, void (Fill::*set)(Point), Point documentPoint) {
    AffineTransform t = shape.gradientTransform();
    if (!t.invert())
        return;
    shape.willChange();
    (shape.fill().*set)(t.transformPoint(documentPoint));
    shape.clearFillCache();
    shape.didChange();
}

} // namespace

void Shape::setGradientStart(Point documentPoint) {
    setGradientPoint(*this, &Fill::setGradientStart, documentPoint);
}

void Shape::setGradientEnd(Point documentPoint) {
    setGradientPoint(*this, &Fill::setGradientEnd, documentPoint);
}

// ---------------------------------------------------------------------------
// Edits

void Shape::offset(Size delta) {
    setBounds(m_Bounds.offsetBy(delta.width, delta.height));
}

void Shape::rotate(double degrees) {
    setRotation(m_Rotation + degrees);
}

void Shape::flip(int axis) {
    setRotation(360 - m_Rotation);
    // Gradient points live in the unmirrored unit frame of the bounds, so they
    // are mirrored by hand; the outline of the base shapes is symmetric.
    if (m_Fill->style() != FillStyleGradient)
        return;
    Point s = m_Fill->gradientStart();
    Point e = m_Fill->gradientEnd();
    if (axis == 0) {
        s.x = 1 - s.x;
        e.x = 1 - e.x;
    } else {
        s.y = 1 - s.y;
        e.y = 1 - e.y;
    }
    m_Fill->setGradientStart(s);
    m_Fill->setGradientEnd(e);
}

void Shape::beginResize() {
    m_OldBounds = m_Bounds;
}

void Shape::endResize() {}

void Shape::resizeToPoint(Point point, int hHandle, int vHandle, Point origin,
                          unsigned modifierFlags) {
    const AffineTransform t = transform();
    const AffineTransform inverse = t.inverseTransform();
    const Rect b = m_Bounds;
    Point p = inverse.transformPoint(point);
    const Point o = inverse.transformPoint(origin);

    if ((modifierFlags & ShiftKeyMask) && hHandle != 1 && vHandle != 1) {
        // The starting aspect ratio; without a recorded start (no beginResize)
        // the current one, so that the result is never undefined.
        const Rect& start = (m_OldBounds.width() > 0 && m_OldBounds.height() > 0) ? m_OldBounds : b;
        const double r = start.width() / start.height();
        const double sx = p.x >= o.x ? 1 : -1;
        const double sy = p.y >= o.y ? 1 : -1;
        const double dx = std::fabs(p.x - o.x);
        const double dy = std::fabs(p.y - o.y);
        if (r * dy > dx)
            p = {o.x + sx * dx, o.y + sy * dx / r};
        else
            p = {o.x + sx * r * dy, o.y + sy * dy};
    }

    Rect n = b;
    if (hHandle != 1) {
        n.origin.x = std::min(o.x, p.x);
        n.size.width = std::fabs(p.x - o.x);
    }
    if (vHandle != 1) {
        n.origin.y = std::min(o.y, p.y);
        n.size.height = std::fabs(p.y - o.y);
    }

    // The rotation is about the centre, which moves with the resize: put the
    // new centre where the old transform shows it, so the fixed side stays put.
    const Point c = n.center();
    const Point shown = t.transformPoint(c);
    n = n.offsetBy(shown.x - c.x, shown.y - c.y);
    setBounds(n);
}

// ---------------------------------------------------------------------------
// Styles

template <class S, class Make>
void Shape::installStyle(std::shared_ptr<S>& slot, const char* key, Make&& make) {
    willChange();
    willChangeValueForKeyPath(key);
    if (slot)
        slot->setShape(nullptr);
    slot = make();
    slot->setShape(this);
    if constexpr (std::is_same_v<S, Fill>)
        m_FillCache.clear();
    didChangeValueForKeyPath(key);
    didChange();
}

void Shape::setStroke(const Stroke& stroke) {
    installStyle(m_Stroke, "stroke", [&] { return std::make_shared<Stroke>(stroke); });
}

void Shape::setFill(const Fill& fill) {
    installStyle(m_Fill, "fill", [&] { return std::make_shared<Fill>(fill); });
}

void Shape::setShadow(const Shadow& shadow) {
    installStyle(m_Shadow, "shadow", [&] { return std::make_shared<Shadow>(shadow); });
}

template <class S>
void Shape::readStyle(std::shared_ptr<S>& slot, const char* key, const ElementPtr& child) {
    S* style = elementCast<S>(child.get());
    if (!style)
        return;
    // A style of exactly this class that the reader made for this shape and
    // holds nowhere else is taken over as it stands: a copy of it would be
    // the same. Any other is copied, as the setters do.
    if (m_Reading && child.use_count() == 1 && typeid(*style) == typeid(S) &&
        style->shape() == nullptr) {
        installStyle(slot, key, [&] { return std::shared_ptr<S>(child, style); });
        return;
    }
    installStyle(slot, key, [&] { return std::make_shared<S>(*style); });
}

void Shape::clearFillCache() {
    m_FillCache.clear();
}

void Shape::preloadFillCache(GraphicsContext& gc) {
    m_FillCache.preload(*m_Fill, m_Bounds.size, gc, ImageCache::imageCache());
}

std::optional<ImageCacheError> Shape::addFileWrapperTo(FileWrapperMap& files,
                                                       const ImageCache& cache) const {
    if (m_Fill->style() != FillStyleImage)
        return std::nullopt;
    return cache.addFileWrapperTo(files, m_Fill->imageName());
}

// ---------------------------------------------------------------------------
// Change announcement and undo

void Shape::willChange() {
    if (!m_Reading)
        NotificationCenter::defaultCenter().postNotification(QVShapeWillChangeNotification, this);
}

void Shape::didChange() {
    if (!m_Reading)
        NotificationCenter::defaultCenter().postNotification(QVShapeDidChangeNotification, this);
}

void Shape::styleWillChangeKeyPath(std::string_view keyPath) {
    willChangeValueForKeyPath(keyPath);
}

void Shape::styleDidChangeKeyPath(std::string_view keyPath) {
    didChangeValueForKeyPath(keyPath);
}

std::vector<std::string> Shape::undoableProperties() const {
    return {"bounds",
            "rotation",
            "fill.style",
            "fill.color",
            "fill.gradientStyle",
            "fill.gradientColor",
            "fill.gradientStart",
            "fill.gradientEnd",
            "fill.imageName",
            "fill.imagePlacement",
            "stroke.color",
            "stroke.width",
            "stroke.capStyle",
            "stroke.joinStyle",
            "stroke.style",
            "stroke.arrowStartStyle",
            "stroke.arrowStartSize",
            "stroke.arrowEndStyle",
            "stroke.arrowEndSize",
            "shadow.visible",
            "shadow.shadowOffset",
            "shadow.shadowBlurRadius",
            "shadow.shadowColor"};
}

KeyPathList Shape::undoableKeyPaths() const {
    // Every class answers the same list for all of its shapes, so it is made
    // and interned once per class.
    static std::mutex mutex;
    static std::vector<std::pair<const std::type_info*, KeyPathList>> lists;
    const std::type_info& type = typeid(*this);
    {
        std::lock_guard lock(mutex);
        for (const auto& [t, list] : lists)
            if (*t == type)
                return list;
    }
    KeyPathList list = internKeyPathList(undoableProperties());
    std::lock_guard lock(mutex);
    lists.emplace_back(&type, list);
    return list;
}

// ---------------------------------------------------------------------------
// Key-value coding

Value Shape::valueForKey(std::string_view key) const {
    if (key == "bounds")
        return Value(m_Bounds);
    if (key == "rotation")
        return Value(m_Rotation);
    if (key == "position")
        return Value(position());
    if (key == "cornerRadiusWidth")
        return Value(cornerRadiusWidth());
    if (key == "cornerRadiusHeight")
        return Value(cornerRadiusHeight());
    if (key == "numberOfSides")
        return Value(numberOfSides());
    if (key == "stellation")
        return Value(stellation());
    if (key == "viewIdentifier")
        return Value(viewIdentifier());
    if (key == "usesStroke")
        return Value(usesStroke());
    if (key == "usesFill")
        return Value(usesFill());
    if (key == "usesShadow")
        return Value(usesShadow());
    if (key == "canConvertToBezier")
        return Value(canConvertToBezier());
    return {};
}

bool Shape::setValueForKey(const Value& value, std::string_view key) {
    if (key == "bounds") {
        if (value.kind() != Value::Kind::Rect)
            return false;
        setBounds(value.toRect());
        return true;
    }
    // The geometry-pane keys are accepted by every shape so that one binding
    // serves any selection; shapes without them ignore the value.
    if (key == "rotation" || key == "cornerRadiusWidth" || key == "cornerRadiusHeight" ||
        key == "stellation" || key == "numberOfSides") {
        if (!value.isNumber())
            return false;
        if (key == "rotation")
            setRotation(value.toDouble());
        else if (key == "cornerRadiusWidth")
            setCornerRadiusWidth(value.toDouble());
        else if (key == "cornerRadiusHeight")
            setCornerRadiusHeight(value.toDouble());
        else if (key == "stellation")
            setStellation(value.toDouble());
        else
            setNumberOfSides(value.toInt());
        return true;
    }
    return false;
}

bool Shape::restoreValueForKeyPath(const Value& value, std::string_view keyPath) {
    return setValueForKeyPath(value, keyPath);
}

KeyValueCoding* Shape::childForKey(std::string_view key) const {
    if (key == "fill")
        return m_Fill.get();
    if (key == "stroke")
        return m_Stroke.get();
    if (key == "shadow")
        return m_Shadow.get();
    return nullptr;
}

// ---------------------------------------------------------------------------
// Element vocabulary

AttributeMap Shape::elementAttributes() const {
    return {};
}

ElementList Shape::elementChildren() const {
    auto transformElement = QVGenericElement::elementNamed("transform");
    transformElement->setFloatAttribute(m_Rotation, "rotation");
    return {m_Fill, m_Stroke, m_Shadow, transformElement};
}

void Shape::setElementAttributes(const AttributeMap&) {}

void Shape::addElement(const ElementPtr& child) {
    if (!child)
        return;
    const std::optional<std::string> name = child->elementName();
    if (!name)
        return;
    // A child of the right name but not of the style class (a file read without
    // the style registrations) leaves the default style in place.
    if (*name == "fill") {
        readStyle(m_Fill, "fill", child);
    } else if (*name == "stroke") {
        readStyle(m_Stroke, "stroke", child);
    } else if (*name == "shadow") {
        readStyle(m_Shadow, "shadow", child);
    } else if (*name == "transform") {
        if (auto* generic = elementCast<QVGenericElement>(child.get()))
            setRotation(generic->floatAttributeForKey("rotation"));
    }
}

// ---------------------------------------------------------------------------
// Drawing

std::optional<AffineTransform> Shape::tweakLineWidth(double width, double zoom,
                                                     bool drawingToScreen) {
    if (!drawingToScreen || !(zoom > 0))
        return std::nullopt;
    const double px = 1 / zoom;
    const double n = width / px;
    if (!std::isfinite(n) || n != std::floor(n))
        return std::nullopt;
    const double half = n / 2;
    if (half - std::floor(half) != 0.5)
        return std::nullopt;
    return AffineTransform::translation(px / 2, px / 2);
}

void Shape::drawInView(GraphicsContext& gc, const ShapeView* view, bool dragTarget) {
    std::optional<BezierPath> outline = path();
    const double zoom = zoomOf(view);
    const std::optional<AffineTransform> tweak =
        tweakLineWidth(m_Stroke->width(), zoom, gc.isDrawingToScreen());

    // Saves the state and, for a visible shadow, opens the transparency layer
    // in which fill, stroke and arrow heads cast one shadow together. It comes
    // before the shape's transform, so the shadow does not turn with the shape.
    ShadowScope shadowScope(gc, *m_Shadow);

    gc.concatCTM(transform());
    if (tweak)
        gc.concatCTM(*tweak);

    if (outline) {
        // The cached picture is placed at the bounds' origin mapped through the
        // tweak, like the outline it is clipped to.
        const Size offset = tweak ? Size(tweak->tX, tweak->tY) : Size();
        m_Fill->fillPath(gc, *outline, m_Bounds, m_FillCache, zoom, FillCache::deviceScale(gc),
                         ImageCache::imageCache(), offset);

        if (dragTarget) {
            GStateSaver inner(gc);
            BezierPath band = *outline;
            band.setLineWidth(m_Stroke->visible() ? m_Stroke->width() + kDropHighlightExtraWidth
                                                  : kDropHighlightExtraWidth);
            // Clipped to the outline, only the inner half of the band shows.
            gc.clipToPath(*outline);
            gc.strokePath(band, view ? view->selectedTextBackgroundColor()
                                     : kSelectedTextBackgroundColor);
        }

        if (m_Stroke->visible())
            m_Stroke->strokePath(gc, *outline);
    }
}

Rect Shape::handleRectAtPoint(Point p, const ShapeView* view) {
    const double px = 1 / zoomOf(view);
    return {p.x - 4 * px, p.y - 4 * px, 9 * px, 9 * px};
}

Rect Shape::gradientHandleRectAtPoint(Point p, const ShapeView* view) {
    const double px = 1 / zoomOf(view);
    return {p.x - 10 * px, p.y - 10 * px, 21 * px, 21 * px};
}

void Shape::drawSelectionHandleAtPoint(GraphicsContext& gc, Point p, const ShapeView* view) {
    const double px = 1 / zoomOf(view);
    const Rect r = handleRectAtPoint(p, view);
    gc.fillPath(BezierPath::bezierPathWithOvalInRect(r), kHandleOuterColor);
    gc.fillPath(BezierPath::bezierPathWithOvalInRect(r.insetBy(px, px)), kHandleInnerColor);
}

void Shape::drawRotateMarkerAtPoint(GraphicsContext& gc, Point p, const ShapeView* view) {
    const double px = 1 / zoomOf(view);
    // Centred on a device pixel so that the 1 px core is crisp.
    const Point c{std::round(p.x / px) * px + px / 2, std::round(p.y / px) * px + px / 2};
    const double arm = kRotateMarkerArm * px;
    BezierPath cross;
    cross.moveToPoint({c.x - arm, c.y});
    cross.lineToPoint({c.x + arm, c.y});
    cross.moveToPoint({c.x, c.y - arm});
    cross.lineToPoint({c.x, c.y + arm});
    cross.setLineCapStyle(LineCapStyle::Square);
    cross.setLineWidth(3 * px);
    gc.strokePath(cross, kHandleOuterColor);
    cross.setLineWidth(px);
    gc.strokePath(cross, kHandleInnerColor);
}

void Shape::drawSelectionHandlesInView(GraphicsContext& gc, const ShapeView* view) {
    GStateSaver saver(gc);
    gc.concatCTM(transform());
    for (int h = 0; h <= 2; ++h)
        for (int v = 0; v <= 2; ++v)
            if (h != 1 || v != 1)
                drawSelectionHandleAtPoint(gc, handlePoint(m_Bounds, h, v), view);
}

void Shape::drawGradientControlsInView(GraphicsContext& gc, const ShapeView* view) {
    const double p = 1 / zoomOf(view);
    const Point s = gradientStart();
    const Point e = gradientEnd();
    Rect startRect = gradientHandleRectAtPoint(s, view);
    Rect endRect = gradientHandleRectAtPoint(e, view);

    BezierPath axis;
    axis.moveToPoint({s.x + p / 2, s.y + p / 2});
    axis.lineToPoint({e.x + p / 2, e.y + p / 2});
    axis.setLineWidth(3 * p);
    gc.strokePath(axis, Color::white());
    gc.fillPath(BezierPath::bezierPathWithOvalInRect(startRect), Color::white());
    gc.fillPath(BezierPath::bezierPathWithOvalInRect(endRect), Color::white());

    startRect = startRect.insetBy(p, p);
    endRect = endRect.insetBy(p, p);
    axis.setLineWidth(p);
    gc.strokePath(axis, Color::black());
    gc.fillPath(BezierPath::bezierPathWithOvalInRect(startRect), Color::black());
    gc.fillPath(BezierPath::bezierPathWithOvalInRect(endRect), Color::black());

    startRect = startRect.insetBy(p, p);
    endRect = endRect.insetBy(p, p);
    gc.fillPath(BezierPath::bezierPathWithOvalInRect(startRect), m_Fill->color());
    gc.fillPath(BezierPath::bezierPathWithOvalInRect(endRect), m_Fill->gradientColor());
}

Rect Shape::visibleBoundsInView(const ShapeView* view) const {
    Rect r = m_Bounds;
    if (const std::optional<BezierPath> p = path())
        r = m_Bounds.unionWith(p->controlPointBounds());
    if (r.isEmpty())
        r = m_Bounds;
    r = transform().transformRect(r);
    if (m_Fill->style() == FillStyleGradient) {
        r = r.unionWith(gradientHandleRectAtPoint(gradientStart(), view));
        r = r.unionWith(gradientHandleRectAtPoint(gradientEnd(), view));
    }
    return r.insetBy(-kRedrawMargin, -kRedrawMargin);
}

Rect Shape::visibleBoundsForExport() const {
    Rect r = transformedBounds();
    if (m_Stroke->visible()) {
        const double half = m_Stroke->width() / 2;
        r = r.insetBy(-half, -half);
    }
    if (m_Shadow->visible()) {
        const Size offset = m_Shadow->shadowOffset();
        const double blur = m_Shadow->shadowBlurRadius();
        // A positive offset height moves the shadow up the page.
        r = r.unionWith(r.offsetBy(offset.width, -offset.height).insetBy(-blur, -blur));
    }
    return r;
}

// ---------------------------------------------------------------------------
// Hit testing

bool Shape::hitTestPoint(Point p) const {
    const std::optional<BezierPath> outline = transformedPath();
    return outline && outline->containsPoint(p);
}

bool Shape::hitTestRect(const Rect& r) const {
    return pathIntersectsRect(r);
}

bool Shape::pathIntersectsRect(const Rect& r) const {
    const std::optional<BezierPath> outline = transformedPath();
    if (!outline)
        return false;
    // Closing segments are part of the flattened outline; open subpaths are
    // not closed.
    for (const LineSegment& s : outline->flattenedSegments())
        if (rectIntersectsLine(r, s.a, s.b))
            return true;
    return false;
}

bool Shape::rectIntersectsLine(const Rect& r, Point lineStart, Point lineEnd) {
    if (r.containsPoint(lineStart) || r.containsPoint(lineEnd))
        return true;
    const Point tl{r.minX(), r.minY()}, tr{r.maxX(), r.minY()};
    const Point br{r.maxX(), r.maxY()}, bl{r.minX(), r.maxY()};
    return linesIntersect(lineStart, lineEnd, tl, tr) ||
           linesIntersect(lineStart, lineEnd, tr, br) ||
           linesIntersect(lineStart, lineEnd, br, bl) || linesIntersect(lineStart, lineEnd, bl, tl);
}

bool Shape::hitTestSelectionHandle(Point p, int& hHandle, int& vHandle, Point& origin,
                                   const ShapeView* view) const {
    const AffineTransform t = transform();
    for (int h = 0; h <= 2; ++h) {
        for (int v = 0; v <= 2; ++v) {
            if (h == 1 && v == 1)
                continue;
            const Point handle = t.transformPoint(handlePoint(m_Bounds, h, v));
            if (handleRectAtPoint(handle, view).containsPoint(p)) {
                hHandle = h;
                vHandle = v;
                origin = t.transformPoint(handlePoint(m_Bounds, 2 - h, 2 - v));
                return true;
            }
        }
    }
    return false;
}

bool Shape::hitTestGradientControl(Point p, bool& isGradientStart, const ShapeView* view) const {
    if (m_Fill->style() != FillStyleGradient)
        return false;
    // The start control wins where the two overlap.
    if (gradientHandleRectAtPoint(gradientStart(), view).containsPoint(p)) {
        isGradientStart = true;
        return true;
    }
    if (gradientHandleRectAtPoint(gradientEnd(), view).containsPoint(p)) {
        isGradientStart = false;
        return true;
    }
    return false;
}

bool coordsOverlap(double a1, double a2, double b1, double b2) {
    const double aLo = std::min(a1, a2), aHi = std::max(a1, a2);
    const double bLo = std::min(b1, b2), bHi = std::max(b1, b2);
    return within(aLo, bLo, bHi) || within(aHi, bLo, bHi) || (bLo >= aLo && bHi <= aHi);
}

bool linesIntersect(Point a1, Point a2, Point b1, Point b2) {
    const bool aVertical = std::fabs(a1.x - a2.x) < kLineTolerance;
    const bool bVertical = std::fabs(b1.x - b2.x) < kLineTolerance;
    if (aVertical && bVertical) {
        if (std::fabs(a1.x - b1.x) < kLineTolerance)
            return coordsOverlap(a1.y, a2.y, b1.y, b2.y);
        return false;
    }
    if (aVertical || bVertical) {
        const Point v1 = aVertical ? a1 : b1, v2 = aVertical ? a2 : b2;
        const Point o1 = aVertical ? b1 : a1, o2 = aVertical ? b2 : a2;
        const double m = (o2.y - o1.y) / (o2.x - o1.x);
        const double c = o1.y - o1.x * m;
        const double y = m * v1.x + c;
        return within(y, v1.y, v2.y) && within(v1.x, o1.x, o2.x);
    }
    const double ma = (a2.y - a1.y) / (a2.x - a1.x);
    const double mb = (b2.y - b1.y) / (b2.x - b1.x);
    const double ca = a1.y - a1.x * ma;
    const double cb = b1.y - b1.x * mb;
    if (std::fabs(ma - mb) < kLineTolerance && std::fabs(ca - cb) < kLineTolerance)
        return coordsOverlap(a1.x, a2.x, b1.x, b2.x);
    const double x = (cb - ca) / (ma - mb);
    return within(x, a1.x, a2.x) && within(x, b1.x, b2.x);
}

// ---------------------------------------------------------------------------
// Constrained drags

Point QVTransform::transformShiftedShapeFromStart(Point start, Point end) {
    const double dx = end.x - start.x;
    const double dy = end.y - start.y;
    const double d = std::min(std::fabs(dx), std::fabs(dy));
    const double sx = dx > 0 ? 1 : -1;
    const double sy = dy > 0 ? 1 : -1;
    return {start.x + sx * d, start.y + sy * d};
}

Point QVTransform::transformShiftedLineFromStart(Point start, Point end) {
    constexpr double pi = std::numbers::pi;
    constexpr double sector = pi / 6;
    // Upwards y difference: angles run counter-clockwise as seen on screen.
    double a = std::atan2(start.y - end.y, end.x - start.x);
    if (a < 0)
        a += 2 * pi;
    if (a < sector)
        return {end.x, start.y};
    if (a < 2 * sector)
        return {end.x, start.y - (end.x - start.x)};
    if (a < 4 * sector)
        return {start.x, end.y};
    if (a < 5 * sector)
        return {end.x, start.y + (end.x - start.x)};
    if (a < 7 * sector)
        return {end.x, start.y};
    if (a < 8 * sector)
        return {end.x, start.y + (start.x - end.x)};
    if (a < 10 * sector)
        return {start.x, end.y};
    if (a < 11 * sector)
        return {end.x, start.y + (end.x - start.x)};
    return {end.x, start.y};
}

} // namespace qv
