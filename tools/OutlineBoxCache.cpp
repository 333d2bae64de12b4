#include "tools/OutlineBoxCache.h"

#include "shapes/GroupShape.h"

#include <algorithm>
#include <cmath>

namespace qv {

namespace {

double largestMagnitude(const Rect& r) {
    return std::max(
        {std::fabs(r.minX()), std::fabs(r.maxX()), std::fabs(r.minY()), std::fabs(r.maxY())});
}

bool isFinite(const Rect& r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

} // namespace

OutlineBoxCache::OutlineBoxCache() {
    m_Token = NotificationCenter::defaultCenter().addObserver(
        this, QVShapeDidChangeNotification, nullptr,
        [this](const Notification& n) { shapeDidChange(n.object); });
}

OutlineBoxCache::~OutlineBoxCache() {
    NotificationCenter::defaultCenter().removeObserver(m_Token);
}

void OutlineBoxCache::clear() {
    m_Order.clear();
    m_Entries.clear();
    m_Owner.clear();
}

void OutlineBoxCache::shapeDidChange(const void* object) {
    if (auto owner = m_Owner.find(object); owner != m_Owner.end())
        object = owner->second;
    if (auto entry = m_Entries.find(object); entry != m_Entries.end())
        entry->second.stale = true;
}

bool OutlineBoxCache::isEntryOf(const Entry& entry, const ShapePtr& shape) {
    // The same object, not a new one at a freed address.
    return !entry.shape.owner_before(shape) && !shape.owner_before(entry.shape);
}

OutlineBoxCache::Entry& OutlineBoxCache::entryFor(const ShapePtr& shape) {
    auto [it, inserted] = m_Entries.try_emplace(objectIdentity(shape.get()));
    Entry& entry = it->second;
    if (inserted || entry.stale || !isEntryOf(entry, shape))
        note(entry, shape);
    return entry;
}

void OutlineBoxCache::note(Entry& entry, const ShapePtr& shape) {
    entry = Entry();
    entry.shape = shape;
    const void* key = objectIdentity(shape.get());
    // A former member (after ungrouping) now stands for itself.
    m_Owner.erase(key);
    registerMembers(*shape, key);
    const std::optional<BezierPath> outline = shape->transformedPath();
    if (!outline || outline->isEmpty())
        return;
    const Rect box = outline->controlPointBounds();
    if (!isFinite(box)) {
        entry.kind = Entry::Unknown;
        return;
    }
    entry.kind = Entry::Boxed;
    entry.box = box;
    // Flattening gives a segment for every line and curve, and a closing
    // segment only after one of those.
    const auto& elements = outline->elements();
    entry.hasSegment = std::any_of(elements.begin(), elements.end(), [](const PathElement& e) {
        return e.type == PathElementType::LineTo || e.type == PathElementType::CurveTo;
    });
}

void OutlineBoxCache::registerMembers(const Shape& shape, const void* topLevel) {
    const auto* group = dynamic_cast<const GroupShape*>(&shape);
    if (!group)
        return;
    for (const ShapePtr& member : group->shapes()) {
        if (!member)
            continue;
        m_Owner[objectIdentity(member.get())] = topLevel;
        registerMembers(*member, topLevel);
    }
}

ShapesController::IndexSet OutlineBoxCache::indexesInRect(const Rect& r, const ShapeList& shapes) {
    // Entries of shapes long gone would only accumulate.
    if (m_Entries.size() > 2 * shapes.size() + 64)
        clear();
    m_Order.resize(shapes.size(), nullptr);
    ShapesController::IndexSet hits;
    const double rMagnitude = largestMagnitude(r);
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        if (!shapes[i])
            continue;
        Entry* known = m_Order[i];
        if (!known || known->stale || !isEntryOf(*known, shapes[i]))
            m_Order[i] = known = &entryFor(shapes[i]);
        const Entry& e = *known;
        if (e.kind == Entry::Never)
            continue;
        if (e.kind == Entry::Boxed) {
            const double magnitude = std::max(rMagnitude, largestMagnitude(e.box));
            // Beyond what the segment test's tolerances can reach: untouched.
            const double reach = 1e-4 * (1 + magnitude);
            if (e.box.maxX() + reach < r.minX() || e.box.minX() - reach > r.maxX() ||
                e.box.maxY() + reach < r.minY() || e.box.minY() - reach > r.maxY())
                continue;
            // Wholly inside, clear of rounding: the first segment starts inside.
            const double room = 1e-6 * (1 + magnitude);
            if (r.minX() < e.box.minX() - room && e.box.maxX() + room < r.maxX() &&
                r.minY() < e.box.minY() - room && e.box.maxY() + room < r.maxY()) {
                if (e.hasSegment)
                    hits.push_back(i);
                continue;
            }
        }
        if (shapes[i]->hitTestRect(r))
            hits.push_back(i);
    }
    return hits;
}

} // namespace qv
