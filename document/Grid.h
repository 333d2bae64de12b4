#pragma once
// The drawing grid: spacing and subdivisions, whether it is shown, whether
// tools snap to it, and whether the window shows rulers. It answers snapping
// queries on a lattice anchored at the origin and draws itself in colours
// derived from the page colour. The lines of the last drawn rectangle are
// cached and rebuilt when the rectangle or the settings change.

#include "document/QVSaveableElement.h"
#include "framework/foundation/BezierPath.h"
#include "framework/foundation/Color.h"
#include "framework/foundation/Geometry.h"
#include "framework/foundation/KeyValueCoding.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace qv {

class GraphicsContext;

class Grid : public KeyValueObservable, public QVSaveableElement {
public:
    Grid() = default;
    // The five settings; the copy has an empty cache and no observers.
    Grid(const Grid& other);
    Grid& operator=(const Grid&) = delete;
    std::shared_ptr<Grid> copy() const { return std::make_shared<Grid>(*this); }

    bool rulersVisible() const { return m_RulersVisible; }
    void setRulersVisible(bool visible);
    bool visible() const { return m_Visible; }
    void setVisible(bool visible);
    bool snap() const { return m_Snap; }
    void setSnap(bool snap);
    double spacing() const { return m_Spacing; }
    // Below 1 (or not a number) means the default inch, 72.
    void setSpacing(double spacing);
    std::int64_t minorTicks() const { return m_MinorTicks; }
    // At least 1.
    void setMinorTicks(std::int64_t ticks);
    double minorSpacing() const { return m_Spacing / static_cast<double>(m_MinorTicks); }

    // The nearest lattice point (halves away from zero). Ignores snap(): the
    // caller decides whether to snap.
    Point snapPoint(Point p) const;

    // Strokes the grid over `rect` with hairlines one device pixel wide.
    void drawInRect(GraphicsContext& gc, const Rect& rect, const Color& pageColor, double zoom);
    // Builds the lines for `rect`: the lattice from its origin plus the right
    // and bottom edges as major lines.
    void cacheGridInRect(const Rect& rect);
    void clearCache();

    // The minor and major line colours over a page: lighter than a dark (or
    // blue) page, darker than a light one.
    struct LineColors {
        Color minor;
        Color major;
    };
    static LineColors lineColorsForPage(const Color& pageColor);

    const Rect& cacheRect() const { return m_CacheRect; }
    const std::optional<BezierPath>& majorGrid() const { return m_MajorGrid; }
    const std::optional<BezierPath>& minorGrid() const { return m_MinorGrid; }

    // Key-value coding: "rulersVisible", "visible", "snap", "spacing", "minorTicks".
    Value valueForKey(std::string_view key) const override;
    bool setValueForKey(const Value& value, std::string_view key) override;

    // Element "grid"; every attribute is always written.
    static constexpr const char* kElementName = "grid";
    std::optional<std::string> elementName() const override { return kElementName; }
    AttributeMap elementAttributes() const override;
    ElementList elementChildren() const override { return {}; }
    void setElementAttributes(const AttributeMap& attributes) override;
    void addElement(const ElementPtr&) override {}

private:
    bool m_RulersVisible = false;
    bool m_Visible = true;
    bool m_Snap = true;
    double m_Spacing = 72;
    std::int64_t m_MinorTicks = 8;
    Rect m_CacheRect;
    std::optional<BezierPath> m_MajorGrid;
    std::optional<BezierPath> m_MinorGrid;
};

} // namespace qv
