#pragma once
// Which shapes a rectangle touches, as ShapesController::shapesInRect answers
// it (a shape is touched when a segment of its flattened outline is, or for
// a group when a member is), but without flattening every outline at every
// step of a marquee drag.
//
// For each shape it keeps the box of its outline's control points and
// whether the outline has a segment at all. A rectangle that stays clear of
// the box touches nothing; one that holds the box with room to spare
// touches the outline exactly when it has a segment; only the shapes whose
// box straddles an edge of the rectangle need the exact test. Entries stay
// valid until their shape (or a member of it) announces a change, so a
// press on empty canvas costs little more than a walk over the list.

#include "canvas/ShapesController.h"
#include "framework/foundation/NotificationCenter.h"
#include "shapes/Shape.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace qv {

class OutlineBoxCache {
public:
    OutlineBoxCache();
    ~OutlineBoxCache();
    OutlineBoxCache(const OutlineBoxCache&) = delete;
    OutlineBoxCache& operator=(const OutlineBoxCache&) = delete;

    // Indexes, ascending, of the shapes of the list that r touches.
    ShapesController::IndexSet indexesInRect(const Rect& r, const ShapeList& shapes);

    void clear();
    std::size_t size() const { return m_Entries.size(); }

private:
    struct Entry {
        enum Kind {
            Never,   // no outline: touched by nothing
            Boxed,   // every point of the outline lies in box
            Unknown, // no usable box: always the exact test
        };
        std::weak_ptr<Shape> shape;
        Kind kind = Never;
        Rect box;
        bool hasSegment = false;
        bool stale = false;
    };

    Entry& entryFor(const ShapePtr& shape);
    static bool isEntryOf(const Entry& entry, const ShapePtr& shape);
    void note(Entry& entry, const ShapePtr& shape);
    void registerMembers(const Shape& shape, const void* topLevel);
    void shapeDidChange(const void* object);

    std::unordered_map<const void*, Entry> m_Entries;
    // Members of groups, at any depth, to the top-level shape they belong to.
    std::unordered_map<const void*, const void*> m_Owner;
    // The entries of the list walked last, by position: a list that has not
    // changed needs no look-ups.
    std::vector<Entry*> m_Order;
    NotificationCenter::Token m_Token = 0;
};

} // namespace qv
