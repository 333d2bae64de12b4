#pragma once
// Where the shapes of a drawing draw, so that a repaint visits only those
// that meet the dirty area. Keys are opaque (the canvas uses the shapes'
// addresses), rectangles are drawing coordinates. Rectangles go into the
// square cells of a uniform grid they overlap; a rectangle that would span
// very many cells is kept aside and tested on every query. Moving every
// rectangle by the same amount (the whole drawing moved) costs nothing: the
// index keeps one offset for all of them.

#include "framework/foundation/Geometry.h"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace qv {

class ShapeSpatialIndex {
public:
    explicit ShapeSpatialIndex(double cellSize = 128);

    // Adds the key or moves it to a new rectangle.
    void insert(const void* key, const Rect& rect);
    bool remove(const void* key);
    void clear();
    // Moves every rectangle by (dx, dy).
    void translate(double dx, double dy);
    std::size_t size() const { return m_Slots.size(); }
    std::optional<Rect> rectFor(const void* key) const;

    // Appends every key whose rectangle overlaps `area` (touching edges do
    // not count), each once, in no particular order.
    void query(const Rect& area, std::vector<const void*>& out) const;

private:
    struct CellRange {
        std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
        bool operator==(const CellRange&) const = default;
        std::int64_t count() const { return std::int64_t(x1 - x0 + 1) * std::int64_t(y1 - y0 + 1); }
    };
    struct Entry {
        const void* key = nullptr;
        Rect rect;
        CellRange cells;
        bool large = false;
        mutable std::uint32_t stamp = 0;
    };

    std::optional<CellRange> cellRange(const Rect& r) const;
    static std::uint64_t cellKey(std::int32_t x, std::int32_t y);
    void link(std::uint32_t slot);
    void unlink(std::uint32_t slot);

    double m_CellSize;
    // Stored rectangles are the real ones less this offset.
    Size m_Offset;
    std::vector<Entry> m_Entries;
    std::vector<std::uint32_t> m_Free;
    std::unordered_map<const void*, std::uint32_t> m_Slots;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> m_Cells;
    std::vector<std::uint32_t> m_Large;
    mutable std::uint32_t m_Stamp = 0;
};

} // namespace qv
