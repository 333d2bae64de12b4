#include "framework/foundation/Screen.h"

namespace qv {

Point frameTopLeftPoint(const Rect& frame) {
    return {frame.x(), frame.y() + frame.height()};
}

bool isFrameOnScreen(const Rect& frame, const std::vector<Rect>& visibleScreenAreas) {
    const double frameTop = frame.y() + frame.height();
    const double frameRight = frame.x() + frame.width();
    for (const Rect& area : visibleScreenAreas) {
        const Rect i = frame.intersection(area);
        if (!(i.width() > 8 && i.height() > 8))
            continue;
        if (i.y() + i.height() != frameTop)
            continue;
        if (i.x() == frame.x() || i.x() + i.width() == frameRight)
            return true;
    }
    return false;
}

} // namespace qv
