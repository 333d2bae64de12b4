#pragma once
// What a stroke, fill or shadow knows of the shape that owns it: a way to
// announce its changes (for redrawing and undo) and to drop the shape's cached
// fill picture. The styles hold a non-owning pointer to it.

#include <string_view>

namespace qv {

class StyleOwner {
public:
    virtual ~StyleOwner() = default;

    // Change notifications of the shape: exactly one pair per real change.
    virtual void willChange() = 0;
    virtual void didChange() = 0;
    // Key-value announcements of a style property, with the path as seen from
    // the shape ("fill.color", "stroke.width", "shadow.shadowOffsetWidth").
    // Called inside the willChange/didChange pair.
    virtual void styleWillChangeKeyPath(std::string_view keyPath) = 0;
    virtual void styleDidChangeKeyPath(std::string_view keyPath) = 0;
    // Drops the shape's cached gradient or image picture.
    virtual void clearFillCache() = 0;
};

} // namespace qv
