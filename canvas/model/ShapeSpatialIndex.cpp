#include "canvas/model/ShapeSpatialIndex.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

// Beyond this many cells a rectangle is cheaper to test on every query.
constexpr std::int64_t kLargeCellCount = 256;

bool overlaps(const Rect& a, const Rect& b) {
    return a.minX() < b.maxX() && b.minX() < a.maxX() && a.minY() < b.maxY() && b.minY() < a.maxY();
}

} // namespace

ShapeSpatialIndex::ShapeSpatialIndex(double cellSize)
    : m_CellSize(cellSize > 0 && std::isfinite(cellSize) ? cellSize : 128) {}

std::optional<ShapeSpatialIndex::CellRange> ShapeSpatialIndex::cellRange(const Rect& r) const {
    const double v[4] = {r.minX(), r.minY(), r.maxX(), r.maxY()};
    std::int32_t c[4];
    for (int i = 0; i < 4; ++i) {
        const double cell = std::floor(v[i] / m_CellSize);
        // Far-away or non-finite coordinates make the rectangle a large one.
        if (!(std::fabs(cell) < 1e9))
            return std::nullopt;
        c[i] = static_cast<std::int32_t>(cell);
    }
    return CellRange{c[0], c[1], c[2], c[3]};
}

std::uint64_t ShapeSpatialIndex::cellKey(std::int32_t x, std::int32_t y) {
    return (std::uint64_t(std::uint32_t(x)) << 32) | std::uint32_t(y);
}

void ShapeSpatialIndex::link(std::uint32_t slot) {
    Entry& e = m_Entries[slot];
    const std::optional<CellRange> range = cellRange(e.rect);
    e.large = !range || range->count() > kLargeCellCount;
    if (e.large) {
        m_Large.push_back(slot);
        return;
    }
    e.cells = *range;
    for (std::int32_t x = e.cells.x0; x <= e.cells.x1; ++x)
        for (std::int32_t y = e.cells.y0; y <= e.cells.y1; ++y)
            m_Cells[cellKey(x, y)].push_back(slot);
}

void ShapeSpatialIndex::unlink(std::uint32_t slot) {
    const Entry& e = m_Entries[slot];
    auto drop = [slot](std::vector<std::uint32_t>& list) {
        auto it = std::find(list.begin(), list.end(), slot);
        if (it != list.end()) {
            *it = list.back();
            list.pop_back();
        }
    };
    if (e.large) {
        drop(m_Large);
        return;
    }
    for (std::int32_t x = e.cells.x0; x <= e.cells.x1; ++x)
        for (std::int32_t y = e.cells.y0; y <= e.cells.y1; ++y) {
            auto it = m_Cells.find(cellKey(x, y));
            if (it == m_Cells.end())
                continue;
            drop(it->second);
            if (it->second.empty())
                m_Cells.erase(it);
        }
}

void ShapeSpatialIndex::insert(const void* key, const Rect& rect) {
    const Rect r = rect.offsetBy(-m_Offset.width, -m_Offset.height);
    auto found = m_Slots.find(key);
    if (found != m_Slots.end()) {
        Entry& e = m_Entries[found->second];
        const std::optional<CellRange> range = cellRange(r);
        // A small move inside the same cells needs no relinking.
        if (!e.large && range && *range == e.cells) {
            e.rect = r;
            return;
        }
        unlink(found->second);
        e.rect = r;
        link(found->second);
        return;
    }
    std::uint32_t slot;
    if (!m_Free.empty()) {
        slot = m_Free.back();
        m_Free.pop_back();
    } else {
        slot = static_cast<std::uint32_t>(m_Entries.size());
        m_Entries.emplace_back();
    }
    m_Entries[slot] = Entry{key, r, {}, false, 0};
    m_Slots.emplace(key, slot);
    link(slot);
}

bool ShapeSpatialIndex::remove(const void* key) {
    auto found = m_Slots.find(key);
    if (found == m_Slots.end())
        return false;
    unlink(found->second);
    m_Entries[found->second].key = nullptr;
    m_Free.push_back(found->second);
    m_Slots.erase(found);
    return true;
}

void ShapeSpatialIndex::clear() {
    m_Entries.clear();
    m_Free.clear();
    m_Slots.clear();
    m_Cells.clear();
    m_Large.clear();
    m_Offset = Size();
}

void ShapeSpatialIndex::translate(double dx, double dy) {
    m_Offset = Size(m_Offset.width + dx, m_Offset.height + dy);
}

std::optional<Rect> ShapeSpatialIndex::rectFor(const void* key) const {
    auto found = m_Slots.find(key);
    if (found == m_Slots.end())
        return std::nullopt;
    const Rect& r = m_Entries[found->second].rect;
    return Rect(r.x() + m_Offset.width, r.y() + m_Offset.height, r.width(), r.height());
}

void ShapeSpatialIndex::query(const Rect& area, std::vector<const void*>& out) const {
    const Rect a = area.standardized().offsetBy(-m_Offset.width, -m_Offset.height);
    if (!(a.width() > 0) || !(a.height() > 0))
        return;
    if (++m_Stamp == 0) {
        // The stamp wrapped: forget every old mark.
        for (const Entry& e : m_Entries)
            e.stamp = 0;
        m_Stamp = 1;
    }
    auto visit = [&](std::uint32_t slot) {
        const Entry& e = m_Entries[slot];
        if (e.stamp == m_Stamp)
            return;
        e.stamp = m_Stamp;
        if (overlaps(e.rect, a))
            out.push_back(e.key);
    };
    for (std::uint32_t slot : m_Large)
        visit(slot);
    const std::optional<CellRange> range = cellRange(a);
    // An area over more cells than there are filled cells: walk those instead.
    if (!range || range->count() > std::int64_t(m_Cells.size())) {
        for (const auto& [cell, slots] : m_Cells)
            for (std::uint32_t slot : slots)
                visit(slot);
        return;
    }
    for (std::int32_t x = range->x0; x <= range->x1; ++x)
        for (std::int32_t y = range->y0; y <= range->y1; ++y) {
            auto it = m_Cells.find(cellKey(x, y));
            if (it != m_Cells.end())
                for (std::uint32_t slot : it->second)
                    visit(slot);
        }
}

} // namespace qv
