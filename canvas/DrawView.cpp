#include "canvas/DrawView.h"

#include "canvas/DrawRulerView.h"
#include "canvas/DrawScrollView.h"
#include "canvas/DrawWindow.h"
#include "canvas/ModifierKeys.h"
#include "canvas/OverlaySpriteContext.h"
#include "canvas/TextEditorOverlay.h"
#include "canvas/model/OcclusionMask.h"
#include "canvas/model/PaintExtent.h"
#include "canvas/model/TextCommand.h"
#include "canvas/model/WindowFrames.h"
#include "document/Grid.h"
#include "document/Page.h"
#include "framework/foundation/AffineTransform.h"
#include "framework/foundation/RecordingGraphicsContext.h"
#include "platform/qt/ClipboardMime.h"
#include "platform/qt/QtGraphicsContext.h"
#include "shapes/BezierShape.h"
#include "shapes/FreehandShape.h"
#include "shapes/GroupShape.h"
#include "shapes/OvalShape.h"
#include "shapes/PolylineShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RoundRectangleShape.h"
#include "shapes/TextShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"
#include "tools/Tool.h"
#include "tools/Toolbox.h"
#include "tools/qt/ToolCursors.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineF>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleHints>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <typeinfo>

namespace qv {
namespace {

// Groups nest at most this deep (GroupShape::kMaxGroupDepth); deeper members
// are not looked at.
constexpr std::size_t kMaxObservedDepth = GroupShape::kMaxGroupDepth + 1;
// Past this many shapes whose selection changed, one full redraw is cheaper
// than their areas one by one.
constexpr std::size_t kSelectionRedrawLimit = 256;
// Past this many rectangles a paint looks shapes up by the region's bounds.
constexpr int kMaximumPaintAreas = 16;
// Canvas pixels of content kept ready around the viewport for scrolling, and
// the size of the bands drawn into it while the event loop is idle.
constexpr int kContentMargin = 256;
constexpr int kPrefetchBand = 64;
constexpr int kPrefetchDelayMs = 40;
constexpr int kAutoscrollIntervalMs = 100;
// Ctrl+wheel: two notches double the zoom.
constexpr double kWheelNotchesPerDoubling = 2;

Color toColor(const QColor& c) {
    const QColor rgb = c.toRgb();
    return Color(rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF());
}

bool overlapsAny(const Rect& r, const std::vector<Rect>& areas) {
    for (const Rect& a : areas)
        if (r.minX() < a.maxX() && a.minX() < r.maxX() && r.minY() < a.maxY() &&
            a.minY() < r.maxY())
            return true;
    return false;
}

// The key's first character ignoring modifiers, as tools expect it.
char32_t toolCharacter(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Return:
        return 13;
    case Qt::Key_Enter:
        return 3;
    case Qt::Key_Backspace:
        return 127;
    case Qt::Key_Delete:
        return 0xF728; // the forward-delete function key
    case Qt::Key_Tab:
        return 9;
    default:
        break;
    }
    const QString text = event.text();
    if (!text.isEmpty() && text.at(0).isPrint())
        return text.toUcs4().value(0);
    if (event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
        return static_cast<char32_t>('a' + (event.key() - Qt::Key_A));
    return 0;
}

// A picture over part of `image` (device pixels `area`) that draws into its
// pixels.
QImage pixelsOf(QImage& image, const QRect& area) {
    QImage part(image.bits() + qsizetype(area.y()) * image.bytesPerLine() + qsizetype(area.x()) * 4,
                area.width(), area.height(), image.bytesPerLine(), image.format());
    part.setDevicePixelRatio(image.devicePixelRatio());
    return part;
}

// Moves the picture's pixels by (dx, dy) device pixels; those coming in
// from beyond the edge keep what they held.
void shiftPixels(QImage& image, int dx, int dy) {
    const int w = image.width(), h = image.height();
    if ((dx == 0 && dy == 0) || std::abs(dx) >= w || std::abs(dy) >= h)
        return;
    const qsizetype line = image.bytesPerLine();
    uchar* bits = image.bits();
    const std::size_t bytes = std::size_t(w - std::abs(dx)) * 4;
    const qsizetype from = qsizetype(std::max(0, -dx)) * 4, to = qsizetype(std::max(0, dx)) * 4;
    auto moveRow = [&](int y) {
        std::memmove(bits + y * line + to, bits + (y - dy) * line + from, bytes);
    };
    if (dy > 0)
        for (int y = h - 1; y >= dy; --y)
            moveRow(y);
    else
        for (int y = 0; y < h + dy; ++y)
            moveRow(y);
}

// Of the valid pixels, those still valid once the shapes' picture moved by
// (dx, dy) canvas pixels: each must have come from a valid pixel. A move by
// a fraction of a canvas pixel (whole device pixels at a ratio of 2) counts
// both neighbours.
QRegion validAfterMove(const QRegion& valid, double dx, double dy) {
    QRegion kept = valid;
    for (const double x : {std::floor(dx), std::ceil(dx)})
        for (const double y : {std::floor(dy), std::ceil(dy)})
            kept &= valid.translated(int(x), int(y));
    return kept;
}

bool isWhole(double v) {
    return std::fabs(v - std::round(v)) < 1e-6;
}

// The shapes whose selection handles are Shape's own: the eight of the
// bounds, each drawn by drawSelectionHandleAtPoint through the shape's
// transform. Others (lines, arcs, polygons) draw theirs.
bool hasStandardSelectionHandles(const Shape& shape) {
    const std::type_info& type = typeid(shape);
    return type == typeid(RectangleShape) || type == typeid(RoundRectangleShape) ||
           type == typeid(OvalShape) || type == typeid(BezierShape) ||
           type == typeid(FreehandShape) || type == typeid(PolylineShape) ||
           type == typeid(GroupShape) || type == typeid(TextShape);
}

// A selection handle as Shape draws it at the point (0, 0): concentric
// filled circles around `center`, in drawing units. Empty when it draws
// anything else; the shapes then draw their handles themselves.
struct HandleLook {
    Point center;
    std::vector<std::pair<double, Color>> rings;
};

HandleLook handleLook(const ShapeView& view) {
    RecordingGraphicsContext recording(true);
    Shape::drawSelectionHandleAtPoint(recording, {0, 0}, &view);
    HandleLook look;
    for (const DrawOperation& op : recording.operations()) {
        const std::optional<OverlaySpriteContext::Circle> circle =
            op.kind == DrawOpKind::FillPath && !op.clipped && !op.shadow.active &&
                    op.layerDepth == 0
                ? OverlaySpriteContext::circleOf(op.path, op.transform)
                : std::nullopt;
        const double tolerance = 1e-9 * (1 + std::fabs(look.center.x) + std::fabs(look.center.y));
        if (!circle ||
            (!look.rings.empty() && (std::fabs(circle->center.x - look.center.x) > tolerance ||
                                     std::fabs(circle->center.y - look.center.y) > tolerance)))
            return {};
        look.center = circle->center;
        look.rings.emplace_back(circle->radius, op.color);
    }
    return look;
}

// Pixels of an opaque fill's edge that may be left uncovered: antialiasing,
// curves drawn as chords, and the half-pixel shift of crisp thin lines.
constexpr double kOccluderMargin = 2;

// Adds the pixels that the shape's fill paints opaque, for the plain shapes
// whose fill is their bounds or the oval in them.
void addOccluder(OcclusionMask& mask, const Shape& shape, const AffineTransform& toDevice) {
    const Fill& fill = shape.fill();
    if (fill.style() != FillStyleColor || !(fill.color().alpha >= 1) || shape.shadow().visible())
        return;
    const std::type_info& type = typeid(shape);
    if (type != typeid(RectangleShape) && type != typeid(OvalShape))
        return;
    AffineTransform t = shape.transform();
    t.append(toDevice);
    if (type == typeid(RectangleShape))
        mask.addRectangle(shape.bounds(), t, kOccluderMargin);
    else
        mask.addOval(shape.bounds(), t, kOccluderMargin);
}

// The scale of a transform that keeps circles circles, or none.
std::optional<double> similarityScale(const AffineTransform& t) {
    const double s = std::sqrt(std::fabs(t.determinant()));
    const double tolerance = 1e-9 * s;
    const bool turn =
        std::fabs(t.m11 - t.m22) <= tolerance && std::fabs(t.m12 + t.m21) <= tolerance;
    const bool mirror =
        std::fabs(t.m11 + t.m22) <= tolerance && std::fabs(t.m12 - t.m21) <= tolerance;
    if (!(s > 0) || !std::isfinite(s) || !(turn || mirror))
        return std::nullopt;
    return s;
}

} // namespace

// The tools are shared by every window; the gesture in progress belongs to
// the canvas that started it.
DrawView* DrawView::s_GestureOwner = nullptr;

DrawView::DrawView(DrawScrollView* scrollView) : QWidget(scrollView), m_ScrollView(scrollView) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    // Every pixel is painted, desk included.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    m_Clock.start();
    m_TextEditor = new TextEditorOverlay(this);
    m_TextEditor->hide();
    m_PrefetchTimer = new QTimer(this);
    m_PrefetchTimer->setSingleShot(true);
    connect(m_PrefetchTimer, &QTimer::timeout, this, &DrawView::prefetchContent);
    m_AutoscrollTimer = new QTimer(this);
    m_AutoscrollTimer->setInterval(kAutoscrollIntervalMs);
    connect(m_AutoscrollTimer, &QTimer::timeout, this, &DrawView::autoscrollTick);

    Toolbox& toolbox = Toolbox::sharedToolbox();
    m_ToolToken = NotificationCenter::defaultCenter().addObserver(
        this, QVSelectedToolDidChangeNotification, &toolbox, [this](const Notification&) {
            invalidateCursor();
            if (Toolbox::sharedToolbox().selectedToolIndex() != Toolbox::ArrowToolIndex)
                setFreeRotating(false);
        });
    invalidateCursor();
}

DrawView::~DrawView() {
    endToolGesture();
    if (s_GestureOwner == this)
        s_GestureOwner = nullptr;
    unbind();
    NotificationCenter::defaultCenter().removeObserver(m_ToolToken);
}

// ---------------------------------------------------------------------------
// Bindings

void DrawView::bind(DrawDocument& document, ShapesController& controller) {
    unbind();
    m_Document = &document;
    m_ShapesController = &controller;
    for (const char* key : {"page", "grid", "printInfo"})
        document.addObserver(this, key);
    controller.addObserver(this, "arrangedObjects");
    controller.addObserver(this, "selectedObjects");
    observeGridAndPage();
    m_DidChangeToken = NotificationCenter::defaultCenter().addObserver(
        this, QVShapeDidChangeNotification, nullptr,
        [this](const Notification& n) { shapeDidChange(n.object); });
    m_WillMoveToken = NotificationCenter::defaultCenter().addObserver(
        this, QVShapesWillMoveNotification, &controller,
        [this](const Notification& n) { shapesWillMove(n.userInfo.toSize()); });
    m_DidMoveToken = NotificationCenter::defaultCenter().addObserver(
        this, QVShapesDidMoveNotification, &controller,
        [this](const Notification& n) { shapesDidMove(n.userInfo.toSize()); });

    document.setView(this);
    // Shapes the document holds already; read ones arrive through setShapes.
    for (const ShapePtr& shape : document.shapes())
        if (shape)
            startObservingShape(*shape);
    document.installLoadedShapes();

    m_DrawnSelection.clear();
    for (const ShapePtr& s : controller.selectedObjects())
        m_DrawnSelection.push_back(objectIdentity(s.get()));
    std::sort(m_DrawnSelection.begin(), m_DrawnSelection.end());
    m_FrameLaidOut = false;
    updateFrame();
    updateRulers();
    setNeedsDisplay();
}

void DrawView::unbind() {
    m_AutoscrollTimer->stop();
    if (m_EditingShape) {
        // The window goes: the edit ends without touching the drawing.
        if (dynamic_cast<TextShape*>(m_EditingShape.get()))
            m_TextEditor->detach();
        m_EditingShape.reset();
        m_CreatingShape = false;
    }
    if (m_ShapesController)
        m_ShapesController->objectDidEndEditing(this);
    for (NotificationCenter::Token* token : {&m_DidChangeToken, &m_WillMoveToken, &m_DidMoveToken})
        if (*token) {
            NotificationCenter::defaultCenter().removeObserver(*token);
            *token = 0;
        }
    m_MovingDrawing = false;
    m_DragTargetShape.reset();
    m_DropKind = DropKind::None;
    m_ObservedShapes.clear();
    m_StaleShapes.clear();
    m_Index.clear();
    m_IndexZoom = 0;
    m_Order.clear();
    m_OrderValid = false;
    m_DrawnSelection.clear();
    stopObservingGridAndPage();
    if (m_Document) {
        m_Document->removeObserver(this);
        if (m_Document->view() == this)
            m_Document->setView(nullptr);
    }
    if (m_ShapesController)
        m_ShapesController->removeObserver(this);
    m_Document = nullptr;
    m_ShapesController = nullptr;
}

void DrawView::observeGridAndPage() {
    stopObservingGridAndPage();
    if (!m_Document)
        return;
    // The grid and page objects themselves: toggling the grid on the object
    // (not through the document's key path) must redraw too.
    m_ObservedGrid = &m_Document->grid();
    for (const char* key : {"visible", "spacing", "minorTicks"})
        m_ObservedGrid->addObserver(this, key, 0);
    m_ObservedPage = &m_Document->page();
    m_ObservedPage->addObserver(this, "color", 0);
}

void DrawView::stopObservingGridAndPage() {
    if (m_ObservedGrid)
        m_ObservedGrid->removeObserver(this);
    if (m_ObservedPage)
        m_ObservedPage->removeObserver(this);
    m_ObservedGrid = nullptr;
    m_ObservedPage = nullptr;
}

void DrawView::observeValueForKeyPath(std::string_view keyPath, KeyValueObservable& object,
                                      const Value&, const Value&) {
    if (m_ShapesController && &object == static_cast<KeyValueObservable*>(m_ShapesController)) {
        if (keyPath == "selectedObjects")
            selectionDidChange();
        else
            m_OrderValid = false;
        return;
    }
    if (m_Document && &object == static_cast<KeyValueObservable*>(m_Document)) {
        if (keyPath == "grid" || keyPath == "page") {
            observeGridAndPage();
        } else if (keyPath == "printInfo") {
            updateFrame();
        }
        setNeedsDisplay();
        return;
    }
    // The grid's or the page's own settings.
    setNeedsDisplay();
}

const ShapeList& DrawView::shapes() const {
    static const ShapeList empty;
    return m_ShapesController ? m_ShapesController->arrangedObjects() : empty;
}

ShapeList DrawView::selectedObjects() const {
    return m_ShapesController ? m_ShapesController->selectedObjects() : ShapeList();
}

const Page& DrawView::page() const {
    static const Page blank;
    return m_Document ? m_Document->page() : blank;
}

const PrintInfo& DrawView::printInfo() const {
    static const PrintInfo defaults;
    return m_Document ? m_Document->printInfo() : defaults;
}

const Grid& DrawView::grid() const {
    static const Grid defaults;
    return m_Document ? m_Document->grid() : defaults;
}

Grid* DrawView::boundGrid() const {
    return m_Document ? &m_Document->grid() : nullptr;
}

Page* DrawView::boundPage() const {
    return m_Document ? &m_Document->page() : nullptr;
}

bool DrawView::hasSelection() const {
    return m_ShapesController && m_ShapesController->selectedCount() > 0;
}

Rect DrawView::selectionBounds() const {
    return m_ShapesController ? m_ShapesController->selectionBounds() : Rect();
}

Rect DrawView::pageRect() const {
    const Size size = printInfo().pageSize();
    return {0, 0, size.width, size.height};
}

Color DrawView::pageColor() const {
    return page().color();
}

Color DrawView::selectedTextBackgroundColor() const {
    return toColor(palette().color(QPalette::Highlight));
}

QColor DrawView::deskColor() const {
    return palette().color(QPalette::Mid);
}

QColor DrawView::pageBorderColor() const {
    return palette().color(QPalette::Shadow);
}

// ---------------------------------------------------------------------------
// Observing shapes

void DrawView::startObservingShape(Shape& shape) {
    const void* id = objectIdentity(&shape);
    observeShapeTree(shape, id, 0);
    m_OrderValid = false;
    if (m_IndexZoom == m_Zoom) {
        const Rect extent = paintExtentOf(shape);
        m_Index.insert(id, extent);
        setNeedsDisplayInRect(extent);
    }
}

void DrawView::stopObservingShape(Shape& shape) {
    const void* id = objectIdentity(&shape);
    if (m_EditingShape.get() == &shape) {
        // The shape left the drawing (an undo): its edit ends with it.
        if (dynamic_cast<TextShape*>(&shape))
            m_TextEditor->detach();
        m_EditingShape.reset();
        m_CreatingShape = false;
        if (m_ShapesController)
            m_ShapesController->objectDidEndEditing(this);
        emit editingShapeChanged();
    }
    if (const std::optional<Rect> extent = m_Index.rectFor(id)) {
        setNeedsDisplayInRect(*extent);
        m_Index.remove(id);
    }
    unobserveShapeTree(shape, id, 0);
    m_OrderValid = false;
}

void DrawView::observeShapeTree(Shape& shape, const void* topLevel, std::size_t depth) {
    ObservedShape& entry = m_ObservedShapes[objectIdentity(&shape)];
    entry.shape = &shape;
    entry.topLevel = topLevel;
    if (const auto* group = dynamic_cast<const GroupShape*>(&shape);
        group && depth < kMaxObservedDepth)
        for (const ShapePtr& member : group->shapes())
            if (member)
                observeShapeTree(*member, topLevel, depth + 1);
}

void DrawView::unobserveShapeTree(Shape& shape, const void* topLevel, std::size_t depth) {
    // Only entries of this tree: a member may already stand in the list on
    // its own (ungrouping inserts before the group has gone).
    auto found = m_ObservedShapes.find(objectIdentity(&shape));
    if (found != m_ObservedShapes.end() && found->second.topLevel == topLevel)
        m_ObservedShapes.erase(found);
    if (const auto* group = dynamic_cast<const GroupShape*>(&shape);
        group && depth < kMaxObservedDepth)
        for (const ShapePtr& member : group->shapes())
            if (member)
                unobserveShapeTree(*member, topLevel, depth + 1);
}

Rect DrawView::paintExtentOf(const Shape& shape) const {
    return canvasPaintExtent(shape, this);
}

void DrawView::shapeDidChange(const void* object) {
    auto found = m_ObservedShapes.find(object);
    if (found == m_ObservedShapes.end())
        return;
    if (m_EditingShape && found->second.shape == m_EditingShape.get() && m_TextEditor->isVisible())
        placeTextEditor();
    if (m_IndexZoom != m_Zoom)
        return; // a full redraw with a fresh index is on its way
    if (m_MovingDrawing)
        return; // the whole drawing's picture moves once the move is over
    auto top = m_ObservedShapes.find(found->second.topLevel);
    if (top == m_ObservedShapes.end() || top->second.stale)
        return;
    // The index still holds the area from before this turn's changes: it is
    // redrawn now, the new one once the changes are over (a group's members
    // each tell of their change, and its extent is measured once).
    top->second.stale = true;
    m_StaleShapes.push_back(top->first);
    if (const std::optional<Rect> old = m_Index.rectFor(top->first))
        setNeedsDisplayInRect(*old);
    else
        invalidateViewportRect({});
}

void DrawView::refreshStaleExtents() {
    const std::vector<const void*> stale = std::move(m_StaleShapes);
    m_StaleShapes.clear();
    for (const void* id : stale) {
        auto found = m_ObservedShapes.find(id);
        if (found == m_ObservedShapes.end() || !found->second.stale)
            continue;
        found->second.stale = false;
        Shape& shape = *found->second.shape;
        // A group may have new members.
        if (dynamic_cast<const GroupShape*>(&shape))
            observeShapeTree(shape, id, 0);
        if (m_IndexZoom != m_Zoom)
            continue;
        const Rect extent = paintExtentOf(shape);
        m_Index.insert(id, extent);
        setNeedsDisplayInRect(extent);
    }
}

void DrawView::shapesWillMove(Size delta) {
    // Only a move of every shape, with the index current, moves pictures;
    // anything less redraws the shapes' old and new areas as any change does.
    m_MovingDrawing = m_ShapesController && m_IndexZoom == m_Zoom && std::isfinite(delta.width) &&
                      std::isfinite(delta.height) && !shapes().empty() &&
                      m_ShapesController->selectedCount() == shapes().size();
}

void DrawView::shapesDidMove(Size delta) {
    if (!m_MovingDrawing)
        return;
    m_MovingDrawing = false;
    translateDrawing(delta);
}

void DrawView::translateDrawing(Size delta) {
    m_Index.translate(delta.width, delta.height);
    if (!m_ShapesCache.isNull() && m_ContentZoom == m_Frame.zoom) {
        const double dpr = m_ShapesCache.devicePixelRatio();
        const double dx = delta.width * m_Frame.zoom, dy = delta.height * m_Frame.zoom;
        if (isWhole(dx * dpr) && isWhole(dy * dpr) && std::fabs(dx) < m_ContentRect.width() &&
            std::fabs(dy) < m_ContentRect.height()) {
            // Areas already waiting are taken out first, where they were.
            for (const Rect& r : m_ContentDirty.rects())
                m_ContentValid -= QRectF(r.x(), r.y(), r.width(), r.height()).toAlignedRect();
            m_ContentDirty.clear();
            shiftPixels(m_ShapesCache, int(std::lround(dx * dpr)), int(std::lround(dy * dpr)));
            m_ContentValid = validAfterMove(m_ContentValid, dx, dy);
        } else {
            // Between device pixels the shapes are drawn anew.
            m_ContentValid = QRegion();
            m_ContentDirty.clear();
        }
    }
    invalidateViewportRect(QRectF(rect()));
    if (m_ScrollView->rulersVisible())
        m_RulersNeedDisplay = true;
}

void DrawView::refreshIndex() {
    if (m_IndexZoom == m_Zoom)
        return;
    m_Index.clear();
    for (const auto& [id, observed] : m_ObservedShapes)
        if (observed.topLevel == id)
            m_Index.insert(id, paintExtentOf(*observed.shape));
    m_IndexZoom = m_Zoom;
}

void DrawView::ensureOrder() {
    if (m_OrderValid)
        return;
    m_Order.clear();
    const ShapeList& list = shapes();
    m_Order.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        m_Order[objectIdentity(list[i].get())] = i;
    m_OrderValid = true;
}

void DrawView::selectionDidChange() {
    std::vector<const void*> now;
    for (const ShapePtr& s : selectedObjects())
        now.push_back(objectIdentity(s.get()));
    std::sort(now.begin(), now.end());
    std::vector<const void*> changed;
    std::set_symmetric_difference(now.begin(), now.end(), m_DrawnSelection.begin(),
                                  m_DrawnSelection.end(), std::back_inserter(changed));
    m_DrawnSelection = std::move(now);
    // Only the handles of shapes that joined or left the selection change.
    if (changed.size() > kSelectionRedrawLimit || m_IndexZoom != m_Zoom) {
        invalidateViewportRect(QRectF(rect()));
    } else {
        for (const void* id : changed)
            if (const std::optional<Rect> extent = m_Index.rectFor(id))
                setOverlayNeedsDisplayInRect(*extent);
    }
    m_RulersNeedDisplay = true;
    if (!m_FlushQueued)
        invalidateViewportRect({});
}

// ---------------------------------------------------------------------------
// Geometry

QPoint DrawView::scrollPosition() const {
    return m_ScrollView->scrollPosition();
}

void DrawView::scrollToPosition(QPoint position) {
    m_ScrollView->scrollToPosition(position);
}

QPointF DrawView::pageOriginInViewport(double devicePixelRatio) const {
    const QPoint s = scrollPosition();
    const double dpr = devicePixelRatio > 0 ? devicePixelRatio : devicePixelRatioF();
    return {alignedToDevicePixel(m_Frame.pageOrigin.x - s.x(), dpr),
            alignedToDevicePixel(m_Frame.pageOrigin.y - s.y(), dpr)};
}

QPointF DrawView::viewportPointForDrawingPoint(Point p) const {
    const QPointF o = pageOriginInViewport();
    return {o.x() + p.x * m_Frame.zoom, o.y() + p.y * m_Frame.zoom};
}

Point DrawView::drawingPointForViewportPoint(QPointF p) const {
    const QPointF o = pageOriginInViewport();
    return {(p.x() - o.x()) / m_Frame.zoom, (p.y() - o.y()) / m_Frame.zoom};
}

QRectF DrawView::viewportRectForDrawingRect(const Rect& r) const {
    const QPointF a = viewportPointForDrawingPoint({r.minX(), r.minY()});
    const QPointF b = viewportPointForDrawingPoint({r.maxX(), r.maxY()});
    return QRectF(a, b);
}

Rect DrawView::drawingRectForViewportRect(const QRectF& r) const {
    const Point a = drawingPointForViewportPoint(r.topLeft());
    const Point b = drawingPointForViewportPoint(r.bottomRight());
    return {a.x, a.y, b.x - a.x, b.y - a.y};
}

Rect DrawView::documentVisibleRect() const {
    return drawingRectForViewportRect(QRectF(0, 0, width(), height()));
}

void DrawView::updateFrame() {
    const Rect visible = documentVisibleRect();
    const bool first = !m_FrameLaidOut;
    m_Frame = qv::canvasFrame(pageRect().size, m_Zoom, Size(width(), height()));
    m_FrameLaidOut = true;
    m_ScrollView->setCanvasSize(
        QSize(int(std::ceil(m_Frame.canvasSize.width)), int(std::ceil(m_Frame.canvasSize.height))));
    if (first)
        scrollToPosition({0, 0});
    else
        centerOnRectSilently(visible);
    placeTextEditor();
    setNeedsDisplay();
}

void DrawView::centerOnRectSilently(const Rect& rect) {
    const Point p = scrollPositionCenteringRect(rect, m_Frame, Size(width(), height()));
    scrollToPosition(QPoint(int(p.x), int(p.y)));
}

void DrawView::centerOnRect(const Rect& rect) {
    centerOnRectSilently(rect);
}

QRect DrawView::idealWindowFrame() const {
    const QWidget* w = window();
    // Any horizontal axis flips y both ways; 0 keeps the numbers small.
    const QRect f = w->frameGeometry(), c = w->geometry();
    const Rect frame = flippedRect(Rect(f.x(), f.y(), f.width(), f.height()), 0);
    const Rect content = flippedRect(Rect(c.x(), c.y(), c.width(), c.height()), 0);
    const Rect ideal = flippedRect(
        qv::idealWindowFrame(frame, content, Size(width(), height()), pageRect().size, m_Zoom), 0);
    return QRect(int(std::lround(ideal.x())), int(std::lround(ideal.y())),
                 int(std::lround(ideal.width())), int(std::lround(ideal.height())));
}

void DrawView::placeTextEditor() {
    auto* text = dynamic_cast<TextShape*>(m_EditingShape.get());
    if (!text || m_TextEditor->shape() != text)
        return;
    m_TextEditor->place(text->bounds(), m_Frame.zoom, viewportPointForDrawingPoint({0, 0}));
}

// ---------------------------------------------------------------------------
// Zoom

void DrawView::setZoom(double zoom) {
    const double clamped = clampedZoom(zoom, m_Zoom);
    if (clamped == m_Zoom)
        return;
    m_Zoom = clamped;
    updateFrame();
    emit zoomChanged(m_Zoom);
}

void DrawView::zoomOnPoint(Point point, bool zoomOut) {
    setZoom(zoomOnPointZoom(m_Zoom, zoomOut));
    centerOnRect({point.x, point.y, 0, 0});
}

void DrawView::zoomOnRect(const Rect& rect, bool zoomOut) {
    const Rect visible = documentVisibleRect();
    setZoom(zoomOnRectZoom(m_Zoom, visible, rect, zoomOut));
    centerOnRect(rect);
}

void DrawView::zoomAboutViewportPoint(double zoom, QPointF viewportPoint) {
    const Point fixed = drawingPointForViewportPoint(viewportPoint);
    setZoom(zoom);
    const Point c = m_Frame.canvasPoint(fixed);
    scrollToPosition(QPoint(int(std::lround(c.x - viewportPoint.x())),
                            int(std::lround(c.y - viewportPoint.y()))));
}

void DrawView::zoomIn() {
    if (const std::optional<double> z = zoomInStep(m_Zoom))
        setZoom(*z);
    else
        beep(tr("The zoom is already at its largest, 1600 %."));
}

void DrawView::zoomOut() {
    if (const std::optional<double> z = zoomOutStep(m_Zoom))
        setZoom(*z);
    else
        beep(tr("The zoom is already at its smallest, 25 %."));
}

void DrawView::zoomActualSize() {
    if (m_Zoom == 1.0)
        beep(tr("The drawing is already at actual size."));
    else
        setZoom(1.0);
}

void DrawView::zoomToSelection() {
    std::vector<Rect> boxes;
    for (const ShapePtr& s : selectedObjects())
        if (s)
            boxes.push_back(s->transformedBounds());
    const std::optional<Rect> area = selectionZoomRect(boxes);
    if (!area) {
        beep(tr("There is no selection to zoom to."));
        return;
    }
    zoomOnRect(*area, false);
}

void DrawView::zoomToFitPage() {
    // A few points of desk around the page, as the ideal window frame leaves.
    setZoom(fitPageZoom(pageRect().size, Size(width(), height()), 4, m_Zoom));
    centerOnRect(pageRect());
}

void DrawView::beep(const QString& reason) {
    QApplication::beep();
    emit beeped(reason);
}

// ---------------------------------------------------------------------------
// Redisplay

void DrawView::setNeedsDisplayInRect(const Rect& rect) {
    // Anyone may change what is drawn, so the content's picture goes too,
    // also beyond the viewport.
    const QRectF area = viewportRectForDrawingRect(snappedInvalidationRect(rect, m_Zoom));
    const QRectF cached = area.translated(scrollPosition()) & QRectF(m_ContentRect);
    if (!cached.isEmpty())
        m_ContentDirty.add(Rect(cached.x(), cached.y(), cached.width(), cached.height()));
    invalidateViewportRect(area);
    if (m_ScrollView->rulersVisible())
        m_RulersNeedDisplay = true;
}

void DrawView::setOverlayNeedsDisplayInRect(const Rect& rect) {
    invalidateViewportRect(viewportRectForDrawingRect(snappedInvalidationRect(rect, m_Zoom)));
}

void DrawView::setNeedsDisplay() {
    m_ContentValid = QRegion();
    m_ContentDirty.clear();
    invalidateViewportRect(QRectF(rect()));
    if (m_ScrollView->rulersVisible())
        m_RulersNeedDisplay = true;
}

void DrawView::invalidateViewportRect(const QRectF& area) {
    const QRectF visible = area & QRectF(rect());
    if (!visible.isEmpty())
        m_Dirty.add(Rect(visible.x(), visible.y(), visible.width(), visible.height()));
    if (!m_FlushQueued && (!m_Dirty.isEmpty() || m_RulersNeedDisplay)) {
        m_FlushQueued = true;
        QMetaObject::invokeMethod(
            this, [this] { flushRedraw(); }, Qt::QueuedConnection);
    }
}

void DrawView::flushRedraw() {
    m_FlushQueued = false;
    refreshStaleExtents();
    for (const Rect& r : m_Dirty.rects())
        update(QRectF(r.x(), r.y(), r.width(), r.height()).toAlignedRect());
    m_Dirty.clear();
    if (m_RulersNeedDisplay) {
        m_RulersNeedDisplay = false;
        if (m_ScrollView->rulersVisible()) {
            m_ScrollView->horizontalRuler()->update();
            m_ScrollView->verticalRuler()->update();
        }
    }
}

void DrawView::viewportDidScroll(int dx, int dy) {
    // Areas waiting to be redrawn moved with the pixels; the old places are
    // kept too, so nothing is missed either way.
    const std::vector<Rect> pending = m_Dirty.rects();
    for (const Rect& r : pending)
        m_Dirty.add(r.offsetBy(dx, dy));
    placeTextEditor();
    if (m_ScrollView->rulersVisible())
        m_RulersNeedDisplay = true;
    invalidateViewportRect({});
}

void DrawView::displayIfNeeded() {
    refreshStaleExtents();
    QRegion region;
    for (const Rect& r : m_Dirty.rects())
        region += QRectF(r.x(), r.y(), r.width(), r.height()).toAlignedRect();
    m_Dirty.clear();
    if (!region.isEmpty())
        repaint(region);
    if (m_RulersNeedDisplay && m_ScrollView->rulersVisible()) {
        m_ScrollView->horizontalRuler()->repaint();
        m_ScrollView->verticalRuler()->repaint();
    }
    m_RulersNeedDisplay = false;
}

void DrawView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    drawRegion(painter, event->region());
}

QRect DrawView::canvasViewportRect() const {
    return QRect(scrollPosition(), size());
}

void DrawView::updateContentCache(const QRegion& canvasRegion, double dpr) {
    // A margin beyond the viewport where scrolling finds content drawn in
    // idle time; only whole device pixels can be moved cleanly, so a
    // fractional ratio keeps none.
    const bool wholePixels = dpr == std::floor(dpr);
    const int margin = wholePixels ? kContentMargin : 0;
    const QRect viewport = canvasViewportRect();
    const QRect wanted = viewport.adjusted(-margin, -margin, margin, margin);
    if (m_PageCache.isNull() || m_PageCache.devicePixelRatio() != dpr ||
        m_ContentZoom != m_Frame.zoom || m_ContentRect.size() != wanted.size()) {
        const QSize pixels = (QSizeF(wanted.size()) * dpr).toSize();
        for (QImage* cache : {&m_PageCache, &m_ShapesCache}) {
            *cache = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            cache->setDevicePixelRatio(dpr);
        }
        m_ContentRect = wanted;
        m_ContentValid = QRegion();
        m_ContentZoom = m_Frame.zoom;
    } else if (!m_ContentRect.contains(viewport) || (!wholePixels && m_ContentRect != wanted)) {
        moveContentCache(wanted);
    }
    for (const Rect& r : m_ContentDirty.rects())
        m_ContentValid -= QRectF(r.x(), r.y(), r.width(), r.height()).toAlignedRect();
    m_ContentDirty.clear();
    renderContent((canvasRegion & m_ContentRect) - m_ContentValid);
    // The margin fills, centred on the viewport again, once the canvas has
    // been left alone for a moment.
    if (margin > 0 && (m_ContentValid != QRegion(m_ContentRect) || m_ContentRect != wanted))
        m_PrefetchTimer->start(kPrefetchDelayMs);
}

void DrawView::moveContentCache(const QRect& wanted) {
    // Keeps what the old and the new place share. Only whole device pixels
    // move cleanly; at a fractional ratio everything is drawn anew.
    const double dpr = m_PageCache.devicePixelRatio();
    if (dpr == std::floor(dpr)) {
        const QPoint shift = (m_ContentRect.topLeft() - wanted.topLeft()) * int(dpr);
        for (QImage* cache : {&m_PageCache, &m_ShapesCache})
            shiftPixels(*cache, shift.x(), shift.y());
        m_ContentValid &= wanted;
    } else {
        m_ContentValid = QRegion();
    }
    m_ContentRect = wanted;
}

bool DrawView::contentPrefetched() const {
    return !m_PrefetchTimer->isActive();
}

void DrawView::renderContent(const QRegion& missing) {
    if (missing.isEmpty())
        return;
    // The canvas's drawing coordinates, whatever the scroll.
    auto drawingRect = [this](const QRect& r) {
        const Point a = m_Frame.drawingPoint({double(r.left()), double(r.top())});
        const Point b = m_Frame.drawingPoint({double(r.right() + 1), double(r.bottom() + 1)});
        return Rect(a.x, a.y, b.x - a.x, b.y - a.y);
    };
    const double dpr = m_PageCache.devicePixelRatio();
    const bool wholePixels = dpr == std::floor(dpr);
    // Each piece is drawn through a picture of its own size over the caches'
    // pixels: Qt's rasterizer works through every row of its device that a
    // path covers, so a strip exposed by a scroll costs only its own rows of
    // the tall shapes crossing it. A fractional ratio draws into the whole
    // caches, whose pixels do not meet canvas pixels at whole numbers.
    std::vector<QRect> pieces;
    if (missing.rectCount() > kMaximumPaintAreas)
        pieces.push_back(missing.boundingRect());
    else
        pieces.assign(missing.begin(), missing.end());
    const QRect cache(QPoint(0, 0), m_ContentRect.size());
    for (const QRect& piece : pieces) {
        const QRect local = piece.translated(-m_ContentRect.topLeft()) & cache;
        if (local.isEmpty())
            continue;
        const QRect part = wholePixels ? local : cache;
        const QRect device = wholePixels
                                 ? QRect(local.topLeft() * int(dpr), local.size() * int(dpr))
                                 : m_PageCache.rect();
        const QRegion clip =
            (missing & piece).translated(-m_ContentRect.topLeft() - part.topLeft());
        // The page's corner on a device pixel of the cache, as in the
        // viewport; the graphics context sets the painter's whole transform,
        // so the piece's place goes into the corner.
        const Point corner{
            alignedToDevicePixel(m_Frame.pageOrigin.x - m_ContentRect.x(), dpr) - part.x(),
            alignedToDevicePixel(m_Frame.pageOrigin.y - m_ContentRect.y(), dpr) - part.y()};
        std::vector<Rect> areas;
        const QRegion own = missing & piece;
        if (own.rectCount() > kMaximumPaintAreas)
            areas.push_back(drawingRect(own.boundingRect()));
        else
            for (const QRect& r : own)
                areas.push_back(drawingRect(r));

        QImage pagePart = pixelsOf(m_PageCache, device);
        QPainter pagePainter(&pagePart);
        pagePainter.setClipRegion(clip);
        drawPage(pagePainter, corner);
        pagePainter.end();

        QImage shapesPart = pixelsOf(m_ShapesCache, device);
        QPainter shapesPainter(&shapesPart);
        shapesPainter.setClipRegion(clip);
        shapesPainter.setCompositionMode(QPainter::CompositionMode_Source);
        shapesPainter.fillRect(clip.boundingRect(), Qt::transparent);
        shapesPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        drawShapes(shapesPainter, areas, corner, device.size());
        shapesPainter.end();
    }
    m_ContentValid += missing;
}

void DrawView::prefetchContent() {
    // A cache for another zoom is made anew by the next paint.
    if (!isVisible() || m_PageCache.isNull() || m_ContentZoom != m_Frame.zoom)
        return;
    refreshStaleExtents();
    refreshIndex();
    ensureOrder();
    for (const Rect& r : m_ContentDirty.rects())
        m_ContentValid -= QRectF(r.x(), r.y(), r.width(), r.height()).toAlignedRect();
    m_ContentDirty.clear();
    // Centred on the viewport again, so that a scroll either way finds
    // content.
    const QRect viewport = canvasViewportRect();
    const QRect wanted =
        viewport.adjusted(-kContentMargin, -kContentMargin, kContentMargin, kContentMargin);
    if (m_ContentRect != wanted && m_ContentRect.size() == wanted.size())
        moveContentCache(wanted);
    const QRegion missing = QRegion(m_ContentRect) - m_ContentValid;
    if (missing.isEmpty())
        return;
    // One band at a time, nearest the viewport first, so that input is
    // never kept waiting long.
    QRect band;
    int best = std::numeric_limits<int>::max();
    for (const QRect& r : missing) {
        const QRect gap = r.united(viewport);
        const int distance = gap.width() + gap.height() - viewport.width() - viewport.height();
        if (distance < best) {
            best = distance;
            band = r;
        }
    }
    if (band.height() > kPrefetchBand && band.width() >= band.height())
        band.setHeight(kPrefetchBand);
    else if (band.width() > kPrefetchBand)
        band.setWidth(kPrefetchBand);
    renderContent(QRegion(band) & missing);
    if (m_ContentValid != QRegion(m_ContentRect))
        m_PrefetchTimer->start(1); // the next band after other events
}

void DrawView::drawPage(QPainter& painter, Point corner) {
    painter.fillRect(painter.clipBoundingRect(), deskColor());
    const double z = m_Frame.zoom;
    QtGraphicsContext gc(painter, AffineTransform(z, 0, 0, z, corner.x, corner.y), true);

    // The border one screen point wide, the page, the grid.
    const double s = 1 / z;
    const Rect page = pageRect();
    BezierPath border = BezierPath::bezierPathWithRect(
        {page.x() - 0.5 * s, page.y() - 0.5 * s, page.width() + 2 * s, page.height() + 2 * s});
    border.setLineWidth(s);
    gc.strokePath(border, toColor(pageBorderColor()));
    gc.fillPath(BezierPath::bezierPathWithRect(page), pageColor());
    if (Grid* grid = boundGrid(); grid && grid->visible())
        grid->drawInRect(gc, page, pageColor(), z);
    gc.finish();
}

void DrawView::drawShapes(QPainter& painter, const std::vector<Rect>& areas, Point corner,
                          QSize devicePixels) {
    std::vector<const void*> found;
    for (const Rect& a : areas)
        m_Index.query(a, found);
    if (found.empty())
        return;
    std::vector<std::pair<std::size_t, Shape*>> visible;
    visible.reserve(found.size());
    for (const void* id : found) {
        auto order = m_Order.find(id);
        auto observed = m_ObservedShapes.find(id);
        if (order != m_Order.end() && observed != m_ObservedShapes.end())
            visible.emplace_back(order->second, observed->second.shape);
    }
    std::sort(visible.begin(), visible.end());
    visible.erase(std::unique(visible.begin(), visible.end()), visible.end());
    const double z = m_Frame.zoom;
    // A busy drawing covers each point many times over: looking from the
    // front, a shape whose whole extent lies under opaque fills drawn after
    // it would change no pixel.
    const double dpr = painter.device()->devicePixelRatioF();
    const AffineTransform toDevice(z * dpr, 0, 0, z * dpr, corner.x * dpr, corner.y * dpr);
    OcclusionMask mask(devicePixels.width(), devicePixels.height());
    std::vector<Shape*> shown;
    shown.reserve(visible.size());
    for (auto it = visible.rbegin(); it != visible.rend(); ++it) {
        Shape& shape = *it->second;
        const std::optional<Rect> extent = m_Index.rectFor(objectIdentity(&shape));
        if (extent && mask.covers(toDevice.transformRect(shapeDrawingWithin(*extent, z))))
            continue;
        shown.push_back(&shape);
        addOccluder(mask, shape, toDevice);
    }
    QtGraphicsContext gc(painter, AffineTransform(z, 0, 0, z, corner.x, corner.y), true);
    for (auto it = shown.rbegin(); it != shown.rend(); ++it)
        (*it)->drawInView(gc, this, *it == m_DragTargetShape.get());
    gc.finish();
}

void DrawView::drawSelectionHandles(OverlaySpriteContext& overlay, const std::vector<Rect>& areas) {
    if (!m_ShapesController)
        return;
    // Shapes with Shape's own handles have them stamped here, from the
    // points of their bounds, without building two circular paths per
    // handle for the context to recognise.
    const HandleLook look = handleLook(*this);
    const AffineTransform toDevice = overlay.currentTransform();
    const OverlaySpriteContext::Mark* mark = nullptr;
    double markScale = 0;
    std::vector<OverlaySpriteContext::Ring> rings;
    const ShapeList& list = shapes();
    for (std::size_t i : m_ShapesController->selectionIndexes()) {
        Shape* shape = list[i].get();
        const std::optional<Rect> extent = m_Index.rectFor(objectIdentity(shape));
        if (!shape || !extent || !overlapsAny(*extent, areas))
            continue;
        if (shape == m_EditingShape.get())
            if (const auto* bezier = dynamic_cast<const BezierShape*>(shape)) {
                bezier->drawReshapeHandlesInView(overlay, this);
                continue;
            }
        if (shape->fill().style() == FillStyleGradient)
            shape->drawGradientControlsInView(overlay, this);
        if (!look.rings.empty() && hasStandardSelectionHandles(*shape)) {
            AffineTransform t = shape->transform();
            t.append(toDevice);
            const std::optional<double> scale = similarityScale(t);
            if (scale && *scale != markScale) {
                rings.clear();
                for (const auto& [radius, color] : look.rings)
                    rings.push_back({radius * *scale, color});
                mark = OverlaySpriteContext::markForRings(rings);
                markScale = *scale;
            }
            if (scale && mark) {
                const Rect b = shape->bounds();
                const double xs[3] = {b.minX(), b.midX(), b.maxX()};
                const double ys[3] = {b.minY(), b.midY(), b.maxY()};
                for (int h = 0; h <= 2; ++h)
                    for (int v = 0; v <= 2; ++v)
                        if (h != 1 || v != 1)
                            overlay.stamp(*mark, t.transformPoint({xs[h] + look.center.x,
                                                                   ys[v] + look.center.y}));
                continue;
            }
        }
        shape->drawSelectionHandlesInView(overlay, this);
    }
}

void DrawView::drawRegion(QPainter& painter, const QRegion& region) {
    if (region.isEmpty())
        return;
    refreshStaleExtents();
    refreshIndex();
    ensureOrder();
    const double dpr = painter.device()->devicePixelRatioF();
    const QPoint scroll = scrollPosition();
    updateContentCache(region.translated(scroll), dpr);
    painter.save();
    painter.setClipRegion(region, Qt::IntersectClip);
    const QPointF cacheOrigin(m_ContentRect.topLeft() - scroll);
    painter.drawImage(cacheOrigin, m_PageCache);
    painter.drawImage(cacheOrigin, m_ShapesCache);

    std::vector<Rect> areas;
    if (region.rectCount() > kMaximumPaintAreas)
        areas.push_back(drawingRectForViewportRect(region.boundingRect()));
    else
        for (const QRect& r : region)
            areas.push_back(drawingRectForViewportRect(r));
    const double z = m_Frame.zoom;
    const QPointF o = pageOriginInViewport(dpr);
    QtGraphicsContext gc(painter, AffineTransform(z, 0, 0, z, o.x(), o.y()), true);
    {
        // Handles of the selected shapes, back to front, their circles stamped.
        const QRect bounds = region.boundingRect();
        OverlaySpriteContext overlay(
            gc, painter,
            QRectF(QPointF(bounds.topLeft()) * dpr, QSizeF(bounds.size()) * dpr).toAlignedRect());
        drawSelectionHandles(overlay, areas);
    }
    if (const auto* text = dynamic_cast<const TextShape*>(m_EditingShape.get()))
        text->drawEditDecoractionInView(gc, this);
    // Another window's gesture draws only there.
    if (!selectedTool().isTracking() || s_GestureOwner == this)
        selectedTool().drawInView(gc, *this);
    if (m_FreeRotating)
        Shape::drawRotateMarkerAtPoint(gc, m_FreeRotateCenter, this);
    gc.finish();
    painter.restore();
}

void DrawView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateFrame();
}

void DrawView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The drawn cursors come at the screen's density, so a window moving to
    // another screen picks its cursor again.
    if (QWindow* handle = window()->windowHandle(); handle && handle != m_WatchedWindow) {
        m_WatchedWindow = handle;
        connect(handle, &QWindow::screenChanged, this, [this] { invalidateCursor(); });
    }
    invalidateCursor();
}

void DrawView::hideEvent(QHideEvent* event) {
    endToolGesture();
    QWidget::hideEvent(event);
}

// ---------------------------------------------------------------------------
// Tools and events

Tool& DrawView::selectedTool() const {
    return Toolbox::sharedToolbox().selectedTool();
}

bool DrawView::toolIsTracking() const {
    return s_GestureOwner == this && selectedTool().isTracking();
}

bool DrawView::anotherViewIsTracking() const {
    return s_GestureOwner && s_GestureOwner != this && selectedTool().isTracking();
}

void DrawView::endToolGesture() {
    m_AutoscrollTimer->stop();
    m_LeftButtonDown = false;
    m_RightButtonActsAsLeft = false;
    if (m_ShapesController && toolIsTracking())
        selectedTool().endGesture(*this, *m_ShapesController);
    if (s_GestureOwner == this)
        s_GestureOwner = nullptr;
}

ToolEvent DrawView::toolEvent(ToolEvent::Type type, QPointF position, unsigned flags) const {
    ToolEvent e;
    e.type = type;
    e.location = drawingPointForViewportPoint(position);
    e.modifierFlags = flags;
    e.clickCount = std::max(1, m_ClickCount);
    e.inView = QRectF(rect()).contains(position);
    e.timestamp = double(m_Clock.nsecsElapsed()) / 1e9;
    return e;
}

void DrawView::sendToTool(const ToolEvent& event) {
    // A gesture of another window is not this canvas's to drive.
    if (!m_ShapesController || anotherViewIsTracking())
        return;
    selectedTool().handleEvent(event, *this, *m_ShapesController);
    if (selectedTool().isTracking())
        s_GestureOwner = this;
    else if (s_GestureOwner == this)
        s_GestureOwner = nullptr;
}

qint64 DrawView::eventTime(const QInputEvent& event) const {
    // Events made without a time (0) are taken as happening now.
    return event.timestamp() != 0 ? qint64(event.timestamp()) : m_Clock.elapsed();
}

bool DrawView::deliverLostRelease(Qt::MouseButtons held) {
    const Qt::MouseButton tracked = m_RightButtonActsAsLeft ? Qt::RightButton : Qt::LeftButton;
    if (!m_LeftButtonDown || (held & tracked))
        return false;
    // The release went elsewhere (a popup's grab, a window move, a focus
    // change): the tool hears it where the pointer was last seen.
    unsigned flags = m_Flags;
    if (m_RightButtonActsAsLeft)
        flags |= AlternateKeyMask;
    m_LeftButtonDown = false;
    m_RightButtonActsAsLeft = false;
    sendToTool(toolEvent(ToolEvent::Type::MouseUp, m_LastPointer, flags));
    return true;
}

void DrawView::invalidateCursor() {
    if (m_Panning)
        return;
    setCursor(toolCursor(selectedTool().cursorForView(*this, m_Flags), *this));
}

void DrawView::setAutoscrollTimerRunning(bool running) {
    if (!running) {
        m_AutoscrollTimer->stop();
        return;
    }
    if (m_AutoscrollTimer->isActive())
        return;
    m_AutoscrollTimer->start();
    // The first tick comes at once, on the next turn of the event loop.
    QTimer::singleShot(0, this, [this] {
        if (m_AutoscrollTimer->isActive())
            autoscrollTick();
    });
}

void DrawView::autoscrollTick() {
    if (!toolIsTracking()) {
        m_AutoscrollTimer->stop();
        return;
    }
    sendToTool(toolEvent(ToolEvent::Type::Periodic, m_LastPointer, m_Flags));
}

void DrawView::autoscrollToPoint(Point point) {
    // Scrolls by as much as the point lies outside the visible area.
    const QPointF q = viewportPointForDrawingPoint(point);
    double dx = 0, dy = 0;
    if (q.x() < 0)
        dx = q.x();
    else if (q.x() > width())
        dx = q.x() - width();
    if (q.y() < 0)
        dy = q.y();
    else if (q.y() > height())
        dy = q.y() - height();
    if (dx == 0 && dy == 0)
        return;
    scrollToPosition(scrollPosition() + QPoint(int(std::lround(dx)), int(std::lround(dy))));
}

void DrawView::mousePressEvent(QMouseEvent* event) {
    handlePress(event);
}

void DrawView::mouseDoubleClickEvent(QMouseEvent* event) {
    // Qt sends this instead of the second press; the click count is ours.
    handlePress(event);
}

void DrawView::handlePress(QMouseEvent* event) {
    const QPointF pos = event->position();
    // A release that never came is delivered before anything else.
    deliverLostRelease(event->buttons() & ~event->button());
    if (m_Panning && !(event->buttons() & Qt::MiddleButton))
        endPan();
    if (event->button() == Qt::MiddleButton) {
        // No pan in the middle of a gesture, nor while the left button is down.
        if (!toolIsTracking() && !anotherViewIsTracking() && !m_LeftButtonDown) {
            m_Panning = true;
            m_PanStart = event->globalPosition();
            m_PanScrollStart = scrollPosition();
            setCursor(Qt::ClosedHandCursor);
        }
        event->accept();
        return;
    }
    // Presses while the view pans are ignored until the pan ends.
    if (m_Panning) {
        event->accept();
        return;
    }
    unsigned flags = modelModifierFlags(event->modifiers());
    bool asLeft = event->button() == Qt::LeftButton;
    if (event->button() == Qt::RightButton &&
        Toolbox::sharedToolbox().selectedToolIndex() == Toolbox::ZoomToolIndex) {
        asLeft = true;
        flags |= AlternateKeyMask;
    }
    if (!asLeft || m_LeftButtonDown) {
        event->ignore();
        return;
    }
    m_RightButtonActsAsLeft = event->button() == Qt::RightButton;
    setFocus(Qt::MouseFocusReason);
    // A gesture another window started ends before this one begins.
    if (anotherViewIsTracking())
        s_GestureOwner->endToolGesture();
    // Clicks are counted by the events' own times, so that a slow handler
    // or a replayed event counts as the user clicked.
    const qint64 now = eventTime(*event);
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    const double reach = QApplication::startDragDistance();
    if (m_LastPressTime >= 0 && now >= m_LastPressTime && now - m_LastPressTime <= interval &&
        QLineF(pos, m_LastPressPosition).length() <= reach)
        ++m_ClickCount;
    else
        m_ClickCount = 1;
    m_LastPressTime = now;
    m_LastPressPosition = pos;
    m_LastPointer = pos;
    m_LeftButtonDown = true;
    sendToTool(toolEvent(ToolEvent::Type::MouseDown, pos, flags));
    event->accept();
}

void DrawView::endPan() {
    m_Panning = false;
    invalidateCursor();
}

void DrawView::mouseMoveEvent(QMouseEvent* event) {
    if (m_Panning && !(event->buttons() & Qt::MiddleButton))
        endPan(); // its release was lost
    if (m_Panning) {
        const QPointF delta = event->globalPosition() - m_PanStart;
        scrollToPosition(m_PanScrollStart - delta.toPoint());
        event->accept();
        return;
    }
    const QPointF pos = event->position();
    deliverLostRelease(event->buttons());
    m_LastPointer = pos;
    const Point d = drawingPointForViewportPoint(pos);
    emit pointerMoved(d.x, d.y);
    unsigned flags = modelModifierFlags(event->modifiers());
    if (m_RightButtonActsAsLeft)
        flags |= AlternateKeyMask;
    sendToTool(
        toolEvent(m_LeftButtonDown ? ToolEvent::Type::MouseDragged : ToolEvent::Type::MouseMoved,
                  pos, flags));
    event->accept();
}

void DrawView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && m_Panning) {
        endPan();
        event->accept();
        return;
    }
    const bool ends =
        m_LeftButtonDown && (m_RightButtonActsAsLeft ? event->button() == Qt::RightButton
                                                     : event->button() == Qt::LeftButton);
    if (!ends) {
        event->ignore();
        return;
    }
    unsigned flags = modelModifierFlags(event->modifiers());
    if (m_RightButtonActsAsLeft)
        flags |= AlternateKeyMask;
    m_LeftButtonDown = false;
    m_RightButtonActsAsLeft = false;
    m_LastPointer = event->position();
    sendToTool(toolEvent(ToolEvent::Type::MouseUp, event->position(), flags));
    event->accept();
}

void DrawView::wheelEvent(QWheelEvent* event) {
    event->accept();
    const QPoint angle = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        const double notches = (angle.y() != 0 ? angle.y() : angle.x()) / 120.0;
        if (notches != 0)
            zoomAboutViewportPoint(m_Zoom * std::pow(2.0, notches / kWheelNotchesPerDoubling),
                                   event->position());
        return;
    }
    QPointF delta = !event->pixelDelta().isNull()
                        ? QPointF(event->pixelDelta())
                        : QPointF(angle) / 120.0 * (QApplication::wheelScrollLines() * 20);
    if ((event->modifiers() & Qt::ShiftModifier) && delta.x() == 0)
        delta = QPointF(delta.y(), 0);
    scrollToPosition(scrollPosition() - delta.toPoint());
}

bool DrawView::event(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        setNeedsDisplay();
    if (event->type() == QEvent::ShortcutOverride && toolIsTracking()) {
        // A gesture takes every key: no menu shortcut fires into it.
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void DrawView::keyPressEvent(QKeyEvent* event) {
    event->accept();
    if (isModifierKey(event->key())) {
        m_Flags = modelModifierFlagsForKey(event->key(), event->modifiers(), true);
        sendToTool(toolEvent(ToolEvent::Type::FlagsChanged, m_LastPointer, m_Flags));
        invalidateCursor();
        return;
    }
    if (toolIsTracking()) {
        ToolEvent e = toolEvent(ToolEvent::Type::KeyDown, m_LastPointer,
                                modelModifierFlags(event->modifiers()));
        e.character = toolCharacter(*event);
        sendToTool(e);
        return;
    }
    // Every other key is taken and ignored: not passed on, not answered
    // with a beep.
    handleCanvasKey(event);
}

void DrawView::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    if (isModifierKey(event->key())) {
        m_Flags = modelModifierFlagsForKey(event->key(), event->modifiers(), false);
        sendToTool(toolEvent(ToolEvent::Type::FlagsChanged, m_LastPointer, m_Flags));
        invalidateCursor();
    }
}

bool DrawView::handleCanvasKey(QKeyEvent* event) {
    if (!m_ShapesController)
        return false;
    const bool command = event->modifiers() & Qt::ControlModifier;
    const double step = command ? 1.0 : grid().minorSpacing();
    switch (event->key()) {
    case Qt::Key_Up:
        nudge(0, -step);
        return true;
    case Qt::Key_Down:
        nudge(0, step);
        return true;
    case Qt::Key_Left:
        nudge(-step, 0);
        return true;
    case Qt::Key_Right:
        nudge(step, 0);
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        m_ShapesController->remove();
        return true;
    default:
        break;
    }
    if (command)
        return false;
    const char letter = physicalLetter(*event);
    if (!letter)
        return false;
    for (std::size_t i = 0; i < Toolbox::ToolCount; ++i)
        if (Toolbox::toolKey(i) == letter) {
            Toolbox::sharedToolbox().setSelectedToolIndex(static_cast<long long>(i));
            return true;
        }
    return false;
}

void DrawView::nudge(double dx, double dy) {
    if (m_ShapesController && m_ShapesController->selectedCount() > 0)
        m_ShapesController->offset(dx, dy);
}

// ---------------------------------------------------------------------------
// Editing

void DrawView::beginEditingShape(const ShapePtr& shape, bool creating) {
    beginEditingShape(shape, true, creating);
}

void DrawView::beginEditingShape(const ShapePtr& shape, bool showEditor, bool creating) {
    if (!shape || !m_ShapesController)
        return;
    auto* text = dynamic_cast<TextShape*>(shape.get());
    const bool bezier = dynamic_cast<BezierShape*>(shape.get()) != nullptr;
    if (!text && !bezier)
        return;
    if (m_EditingShape == shape) {
        if (text && showEditor) {
            m_TextEditor->show();
            m_TextEditor->setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    if (m_EditingShape)
        commitEditing();
    m_CreatingShape = creating;
    m_EditingShape = shape;
    if (text) {
        m_EditingTextHadStorage = text->text() != nullptr;
        m_TextEditor->attach(*text);
        placeTextEditor();
        m_TextEditor->selectAll();
        if (showEditor) {
            m_TextEditor->show();
            m_TextEditor->raise();
            m_TextEditor->setFocus(Qt::OtherFocusReason);
        }
    } else {
        Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::ArrowToolIndex);
    }
    m_ShapesController->objectDidBeginEditing(this);
    if (const std::optional<Rect> extent = m_Index.rectFor(objectIdentity(shape.get())))
        setNeedsDisplayInRect(*extent);
    else
        setNeedsDisplay();
    emit editingShapeChanged();
}

void DrawView::endTextEditing(TextShape& text, bool recordUndo) {
    const bool changed = m_TextEditor->detach();
    if (recordUndo && changed && text.text()) {
        // The editor wrote into the storage, which undo does not see: put the
        // old text back unrecorded and assign the new one as one undo step.
        const RichText edited = text.text()->richText();
        text.text()->setRichText(m_TextEditor->originalText());
        text.setRichText(edited);
    }
    m_TextEditor->hide();
    setFocus(Qt::OtherFocusReason);
}

bool DrawView::commitEditing() {
    if (!m_EditingShape) {
        m_CreatingShape = false;
        return false;
    }
    const ShapePtr shape = m_EditingShape;
    bool removeEmpty = false;
    if (auto* text = dynamic_cast<TextShape*>(shape.get())) {
        endTextEditing(*text, true);
        removeEmpty =
            m_EditingTextHadStorage && text->text() && text->text()->richText().plainText().empty();
    }
    m_EditingShape.reset();
    if (m_ShapesController)
        m_ShapesController->objectDidEndEditing(this);
    if (const std::optional<Rect> extent = m_Index.rectFor(objectIdentity(shape.get())))
        setNeedsDisplayInRect(*extent);
    if (removeEmpty)
        removeShapeFromDrawing(shape);
    m_CreatingShape = false;
    emit editingShapeChanged();
    return true;
}

void DrawView::discardEditing() {
    if (!m_EditingShape) {
        m_CreatingShape = false;
        return;
    }
    const ShapePtr shape = m_EditingShape;
    if (auto* text = dynamic_cast<TextShape*>(shape.get()))
        // The text typed so far stays in a shape that existed before.
        endTextEditing(*text, !m_CreatingShape);
    m_EditingShape.reset();
    setFocus(Qt::OtherFocusReason);
    if (m_ShapesController)
        m_ShapesController->objectDidEndEditing(this);
    if (const std::optional<Rect> extent = m_Index.rectFor(objectIdentity(shape.get())))
        setNeedsDisplayInRect(*extent);
    if (m_CreatingShape)
        removeShapeFromDrawing(shape);
    m_CreatingShape = false;
    emit editingShapeChanged();
}

void DrawView::removeShapeFromDrawing(const ShapePtr& shape) {
    if (!m_ShapesController)
        return;
    // Only a shape of the list itself goes; one inside a group stays.
    const ShapeList& list = m_ShapesController->arrangedObjects();
    const auto it = std::find(list.begin(), list.end(), shape);
    if (it != list.end())
        m_ShapesController->removeObjectsAtArrangedObjectIndexes(
            {static_cast<std::size_t>(it - list.begin())});
}

void DrawView::setFreeRotating(bool on) {
    if (on == m_FreeRotating && !on)
        return;
    // The marker's old and new places.
    const double arm = 12 / m_Zoom;
    auto markerArea = [arm](Point c) { return Rect(c.x - arm, c.y - arm, 2 * arm, 2 * arm); };
    if (m_FreeRotating)
        setOverlayNeedsDisplayInRect(markerArea(m_FreeRotateCenter));
    if (on)
        m_FreeRotateCenter = selectionBounds().center();
    m_FreeRotating = on;
    if (on)
        setOverlayNeedsDisplayInRect(markerArea(m_FreeRotateCenter));
    invalidateCursor();
}

// ---------------------------------------------------------------------------
// Commands

void DrawView::freeRotate() {
    Toolbox::sharedToolbox().setSelectedToolIndex(Toolbox::ArrowToolIndex);
    setFreeRotating(true);
}

void DrawView::editSelectedShape() {
    const ShapeList selected = selectedObjects();
    if (!selected.empty())
        beginEditingShape(selected.front(), true, false);
}

void DrawView::convertToBezierCurve() {
    if (m_ShapesController && !qv::convertToBezierCurve(*m_ShapesController).empty())
        editSelectedShape();
}

void DrawView::combineBezierCurves() {
    if (m_ShapesController && qv::combineBezierCurves(*m_ShapesController))
        editSelectedShape();
}

void DrawView::applyTextCommand(const TextCommand& command) {
    if (m_TextEditor->shape() && m_TextEditor->isVisible()) {
        m_TextEditor->applyTextCommand(command);
        return;
    }
    // An edit of a selected text shape ends first: the whole text is taken.
    if (m_EditingShape && dynamic_cast<TextShape*>(m_EditingShape.get()))
        commitEditing();
    // Every text shape in the selection, members of groups too. Nothing is
    // removed here: an empty text stays, and a shape whose text did not read
    // has none to change.
    for (TextShape* text : textShapesIn(selectedObjects())) {
        if (!text->text())
            continue;
        RichText changed = text->text()->richText();
        qv::applyTextCommand(changed, command);
        if (!(changed == text->text()->richText()))
            text->setRichText(changed);
    }
}

bool DrawView::respondsToCommand(std::string_view name) const {
    return findCanvasMenuCommand(name) != nullptr;
}

bool DrawView::validateCommand(std::string_view name, MenuItemState& state) const {
    CanvasCommandContext context;
    context.zoom = m_Zoom;
    context.controllerEditing = m_ShapesController && m_ShapesController->isEditing();
    context.selected = selectedObjects();
    const std::optional<MenuItemState> result = validateCanvasCommand(name, context);
    if (!result)
        return false;
    state = *result;
    return true;
}

bool DrawView::performCommand(std::string_view name) {
    if (name == "zoomIn")
        zoomIn();
    else if (name == "zoomOut")
        zoomOut();
    else if (name == "zoomActualSize")
        zoomActualSize();
    else if (name == "zoomToSelection")
        zoomToSelection();
    else if (name == "zoomToFitPage")
        zoomToFitPage();
    else if (name == "editSelectedShape")
        editSelectedShape();
    else if (name == "freeRotate")
        freeRotate();
    else if (name == "convertToBezierCurve")
        convertToBezierCurve();
    else if (name == "combineBezierCurves")
        combineBezierCurves();
    else {
        TextCommand command;
        if (name == "bold")
            command.kind = TextCommand::Kind::AddBold;
        else if (name == "italic")
            command.kind = TextCommand::Kind::AddItalic;
        else if (name == "underline")
            command.kind = TextCommand::Kind::ToggleUnderline;
        else if (name == "biggerFont")
            command.kind = TextCommand::Kind::Bigger;
        else if (name == "smallerFont")
            command.kind = TextCommand::Kind::Smaller;
        else if (name.starts_with("align")) {
            command.kind = TextCommand::Kind::SetAlignment;
            if (name == "alignLeft")
                command.alignment = TextAlignment::Left;
            else if (name == "alignCenter")
                command.alignment = TextAlignment::Center;
            else if (name == "alignJustified")
                command.alignment = TextAlignment::Justified;
            else if (name == "alignRight")
                command.alignment = TextAlignment::Right;
            else
                return false;
        } else {
            return false;
        }
        applyTextCommand(command);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Drops

namespace {

// Drawings among the listed files: ".qvdraw" folders.
QStringList droppedDrawings(const QMimeData& mime) {
    QStringList drawings;
    for (const QString& file : listedLocalFiles(mime)) {
        const QFileInfo info(file);
        if (info.isDir() &&
            info.suffix().compare(QLatin1String("qvdraw"), Qt::CaseInsensitive) == 0)
            drawings.append(info.absoluteFilePath());
    }
    return drawings;
}

} // namespace

void DrawView::setDragTarget(const ShapePtr& shape) {
    if (shape == m_DragTargetShape)
        return;
    for (const ShapePtr& s : {m_DragTargetShape, shape})
        if (s) {
            if (const std::optional<Rect> extent = m_Index.rectFor(objectIdentity(s.get())))
                setNeedsDisplayInRect(*extent);
            else
                setNeedsDisplay();
        }
    m_DragTargetShape = shape;
}

void DrawView::updateDragTarget(QPointF position) {
    ShapePtr target;
    if (m_DropKind == DropKind::Picture && m_ShapesController) {
        target = m_ShapesController->shapeAtPoint(drawingPointForViewportPoint(position));
        if (target && !target->usesFill())
            target = nullptr;
    }
    setDragTarget(target);
}

void DrawView::dragEnterEvent(QDragEnterEvent* event) {
    // What the drag offers is looked at once, when it comes in.
    m_DropKind = DropKind::None;
    const QMimeData* mime = event->mimeData();
    if (mime && m_ShapesController) {
        if (!droppedDrawings(*mime).isEmpty())
            m_DropKind = DropKind::Drawing;
        else if (canTakePicture(*mime))
            m_DropKind = DropKind::Picture;
    }
    if (m_DropKind == DropKind::None) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    updateDragTarget(event->position());
}

void DrawView::dragMoveEvent(QDragMoveEvent* event) {
    if (m_DropKind == DropKind::None) {
        event->ignore();
        return;
    }
    updateDragTarget(event->position());
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DrawView::dragLeaveEvent(QDragLeaveEvent* event) {
    m_DropKind = DropKind::None;
    setDragTarget(nullptr);
    event->accept();
}

void DrawView::dropEvent(QDropEvent* event) {
    const DropKind kind = m_DropKind;
    m_DropKind = DropKind::None;
    const ShapePtr target = m_DragTargetShape;
    setDragTarget(nullptr);
    const QMimeData* mime = event->mimeData();
    if (!mime || !m_ShapesController || kind == DropKind::None) {
        event->ignore();
        return;
    }
    if (kind == DropKind::Drawing) {
        for (const QString& path : droppedDrawings(*mime))
            emit openDrawingRequested(path);
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    const std::optional<std::string> name = addPictureFromMimeData(*mime, imageCache());
    const ImagePtr image = name ? imageCache().imageNamed(*name) : nullptr;
    if (!image) {
        // Refused: the drag source learns that nothing was dropped.
        beep(tr("The dropped picture could not be read."));
        event->ignore();
        return;
    }
    const auto& shapes = m_ShapesController->arrangedObjects();
    if (target && std::find(shapes.begin(), shapes.end(), target) != shapes.end()) {
        target->fill().setImageName(*name);
        target->fill().setStyle(FillStyleImage);
    } else {
        const Point at = drawingPointForViewportPoint(event->position());
        const Size size = image->size();
        auto shape = std::make_shared<RectangleShape>();
        shape->setBounds({std::round(at.x - size.width / 2), std::round(at.y - size.height / 2),
                          size.width, size.height});
        shape->stroke().setStyle(0);
        shape->fill().setImagePlacement(0);
        shape->fill().setStyle(FillStyleImage);
        shape->fill().setImageName(*name);
        m_ShapesController->addObject(shape);
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

// ---------------------------------------------------------------------------
// Rulers

void DrawView::updateRulers() {
    if (auto* window = qobject_cast<DrawWindow*>(this->window()); window && window->view() == this)
        window->updateRulers();
    else
        m_ScrollView->setRulersVisible(grid().rulersVisible());
}

} // namespace qv
