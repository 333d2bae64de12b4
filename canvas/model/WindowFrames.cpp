#include "canvas/model/WindowFrames.h"

#include <algorithm>

namespace qv {

Rect flippedRect(const Rect& r, double axis) {
    return {r.x(), axis - (r.y() + r.height()), r.width(), r.height()};
}

Rect idealWindowFrame(const Rect& frame, const Rect& contentRect, Size contentSize, Size page,
                      double zoom) {
    const double s = 1 / zoom;
    const double contentWidth =
        (page.width + 3 * s) * zoom + contentRect.width() - contentSize.width;
    const double contentHeight =
        (page.height + 3 * s) * zoom + contentRect.height() - contentSize.height;
    const double width = contentWidth + frame.width() - contentRect.width();
    const double height = contentHeight + frame.height() - contentRect.height();
    return {frame.x(), frame.y() + frame.height() - height, width, height};
}

Rect clampFrameToArea(const Rect& frame, const Rect& area) {
    if (area.isEmpty())
        return frame;
    const double w = std::min(frame.width(), area.width());
    const double h = std::min(frame.height(), area.height());
    const double top = frame.y() + frame.height();
    const double x = std::clamp(frame.x(), area.x(), area.x() + area.width() - w);
    const double y = std::clamp(top - h, area.y(), area.y() + area.height() - h);
    return {x, y, w, h};
}

Rect standardWindowFrame(const Rect& ideal, const Rect& defaultFrame) {
    return clampFrameToArea(ideal, defaultFrame);
}

Rect rulerWindowFrame(const Rect& frame, double verticalThickness, double horizontalThickness,
                      bool showing) {
    const double s = showing ? 1 : -1;
    return {frame.x(), frame.y() - s * horizontalThickness, frame.width() + s * verticalThickness,
            frame.height() + s * horizontalThickness};
}

Rect firstWindowFrame(const Rect& frame, const Rect& visibleArea) {
    const double top = visibleArea.y() + visibleArea.height() - 4;
    const Rect placed(visibleArea.x() + 8 + 63, top - frame.height(), frame.width(),
                      frame.height());
    return clampFrameToArea(placed, visibleArea);
}

} // namespace qv
