#include "canvas/model/DirtyRegion.h"

#include <cmath>
#include <limits>

namespace qv {
namespace {

double area(const Rect& r) {
    return r.width() * r.height();
}

// The box around both, whatever their emptiness (they never are here).
Rect hull(const Rect& a, const Rect& b) {
    const double x0 = std::min(a.minX(), b.minX()), y0 = std::min(a.minY(), b.minY());
    const double x1 = std::max(a.maxX(), b.maxX()), y1 = std::max(a.maxY(), b.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

} // namespace

DirtyRegion::DirtyRegion(std::size_t limit) : m_Limit(limit < 1 ? 1 : limit) {}

void DirtyRegion::add(const Rect& rect) {
    if (rect.isEmpty() || !std::isfinite(rect.x()) || !std::isfinite(rect.y()) ||
        !std::isfinite(rect.width()) || !std::isfinite(rect.height()))
        return;
    Rect r = rect.standardized();
    for (const Rect& existing : m_Rects)
        if (existing.containsRect(r))
            return;
    // Rectangles the new one swallows, or overlaps heavily, go into it.
    for (std::size_t i = 0; i < m_Rects.size();) {
        const Rect h = hull(m_Rects[i], r);
        if (r.containsRect(m_Rects[i]) || area(h) <= area(m_Rects[i]) + area(r)) {
            r = h;
            m_Rects[i] = m_Rects.back();
            m_Rects.pop_back();
            i = 0;
        } else {
            ++i;
        }
    }
    m_Rects.push_back(r);
    while (m_Rects.size() > m_Limit)
        mergeCheapestPair();
}

void DirtyRegion::mergeCheapestPair() {
    std::size_t bestI = 0, bestJ = 1;
    double bestWaste = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < m_Rects.size(); ++i)
        for (std::size_t j = i + 1; j < m_Rects.size(); ++j) {
            const double waste =
                area(hull(m_Rects[i], m_Rects[j])) - area(m_Rects[i]) - area(m_Rects[j]);
            if (waste < bestWaste) {
                bestWaste = waste;
                bestI = i;
                bestJ = j;
            }
        }
    m_Rects[bestI] = hull(m_Rects[bestI], m_Rects[bestJ]);
    m_Rects[bestJ] = m_Rects.back();
    m_Rects.pop_back();
}

Rect DirtyRegion::bounds() const {
    Rect b;
    for (const Rect& r : m_Rects)
        b = b.unionWith(r);
    return b;
}

} // namespace qv
