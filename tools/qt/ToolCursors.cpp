#include "tools/qt/ToolCursors.h"

#include "tools/qt/ToolResources.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QWidget>

#include <array>
#include <cmath>
#include <optional>

namespace qv {

namespace {

struct DrawnCursor {
    const char* path;
    QPoint hotSpot;
};

std::optional<DrawnCursor> drawnCursor(CursorKind kind) {
    switch (kind) {
    case CursorKind::Pencil:
        return DrawnCursor{":/tools/cursors/pencil.svg", {7, 20}};
    case CursorKind::FreeRotate:
        return DrawnCursor{":/tools/cursors/free-rotate.svg", {12, 12}};
    case CursorKind::ZoomIn:
        return DrawnCursor{":/tools/cursors/zoom-in.svg", {10, 9}};
    case CursorKind::ZoomOut:
        return DrawnCursor{":/tools/cursors/zoom-out.svg", {10, 9}};
    case CursorKind::Arrow:
    case CursorKind::Crosshair:
        break;
    }
    return std::nullopt;
}

QCursor makeCursor(const DrawnCursor& drawn, qreal ratio) {
    const QImage image = renderSvgImage(QString::fromLatin1(drawn.path), kToolCursorSize, ratio);
    if (image.isNull())
        return QCursor(Qt::CrossCursor); // a missing picture still leaves a usable pointer
    const QPoint spot =
        cursorHotSpotForPlatform(drawn.hotSpot, ratio, QGuiApplication::platformName());
    return QCursor(QPixmap::fromImage(image), spot.x(), spot.y());
}

constexpr std::size_t kKindCount = std::size_t(CursorKind::ZoomOut) + 1;

} // namespace

QCursor toolCursor(CursorKind kind, qreal devicePixelRatio) {
    switch (kind) {
    case CursorKind::Arrow:
        return QCursor(Qt::ArrowCursor);
    case CursorKind::Crosshair:
        return QCursor(Qt::CrossCursor);
    default:
        break;
    }
    // Made once per kind and ratio. Kept for the whole process: cursors that
    // hold pixmaps must not be destroyed after the application object.
    using Cache = std::array<std::array<std::optional<QCursor>, 2>, kKindCount>;
    static Cache* cache = new Cache;
    const bool dense = devicePixelRatio > 1;
    std::optional<QCursor>& slot = (*cache)[std::size_t(kind)][dense ? 1 : 0];
    if (!slot)
        slot = makeCursor(*drawnCursor(kind), dense ? 2 : 1);
    return *slot;
}

QCursor toolCursor(CursorKind kind, const QWidget& widget) {
    return toolCursor(kind, widget.devicePixelRatioF());
}

QPoint toolCursorHotSpot(CursorKind kind) {
    const std::optional<DrawnCursor> drawn = drawnCursor(kind);
    return drawn ? drawn->hotSpot : QPoint();
}

QPoint cursorHotSpotForPlatform(QPoint hotSpot, qreal pixmapRatio, QStringView platformName) {
    if (platformName == u"xcb")
        return QPoint(int(std::lround(hotSpot.x() * pixmapRatio)),
                      int(std::lround(hotSpot.y() * pixmapRatio)));
    return hotSpot;
}

} // namespace qv
