#pragma once
// The areas of the canvas waiting to be redrawn, kept as a few rectangles.
// Every added rectangle stays covered; once there are more than `limit`
// rectangles, the pair whose union wastes the least area is merged, so that
// ten thousand small invalidations cost ten thousand cheap steps and leave a
// short list rather than a region of ten thousand pieces.

#include "framework/foundation/Geometry.h"

#include <cstddef>
#include <vector>

namespace qv {

class DirtyRegion {
public:
    explicit DirtyRegion(std::size_t limit = 8);

    // Empty or non-finite rectangles are ignored.
    void add(const Rect& rect);
    void clear() { m_Rects.clear(); }
    bool isEmpty() const { return m_Rects.empty(); }
    const std::vector<Rect>& rects() const { return m_Rects; }
    Rect bounds() const;

private:
    void mergeCheapestPair();

    std::size_t m_Limit;
    std::vector<Rect> m_Rects;
};

} // namespace qv
