#pragma once
// Which pixels of a picture the shapes drawn so far paint opaque, so that a
// shape lying wholly beneath them can be left out. Shapes are offered front
// to back: a shape is hidden when every pixel its paint extent meets is
// covered; one that is drawn adds the pixels lying wholly inside its opaque
// fill. Where a pixel is painted opaque, nothing drawn before it shows, so
// leaving out a hidden shape changes no pixel.
//
// Coordinates are device pixels of the picture, (0, 0) at its corner. Each
// row keeps its covered pixels as a few sorted runs.

#include "framework/foundation/AffineTransform.h"
#include "framework/foundation/Geometry.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace qv {

class OcclusionMask {
public:
    OcclusionMask(int width, int height);

    // Whether every pixel the rectangle meets is covered (an empty or
    // non-finite rectangle never is; pixels beyond the picture show nothing
    // and count as covered).
    bool covers(const Rect& deviceRect) const;

    // Covers the pixels that lie, with `margin` device pixels to spare, inside
    // the rectangle or the oval inscribed in it, given in a frame that
    // `toDevice` maps to device pixels.
    void addRectangle(const Rect& rect, const AffineTransform& toDevice, double margin);
    void addOval(const Rect& rect, const AffineTransform& toDevice, double margin);

    // Pixels covered so far.
    std::int64_t coveredPixelCount() const;

private:
    // Covered pixels [first, second) of one row.
    using Runs = std::vector<std::pair<int, int>>;

    // Covers, in every row from y0 to y1, the pixels lying wholly within the
    // span `chord` gives at the row's top and bottom edges.
    template <class Chord> void addRows(double y0, double y1, Chord chord);
    void cover(int y, int x0, int x1);

    int m_Width;
    int m_Height;
    std::vector<Runs> m_Rows;
};

} // namespace qv
