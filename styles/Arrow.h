#pragma once
// The fixed catalogue of arrow heads. Each head is a small outline in arrow
// units: the tip at the origin, the body along +x (pointing back along the
// line when drawn), one unit = stroke width × arrow size. The catalogue is
// process-wide, built on first use and never changed.

#include "framework/foundation/BezierPath.h"
#include "framework/foundation/Geometry.h"
#include "framework/foundation/Image.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class GraphicsContext;
class Stroke;

class Arrow {
public:
    static constexpr std::int64_t kCount = 19;

    // The catalogue in index order (the index is what strokes and files store).
    static const std::vector<std::unique_ptr<Arrow>>& arrows();
    static const std::vector<std::string>& arrowNames();
    // Null outside 0 to 18.
    static Arrow* arrowAtIndex(std::int64_t index);

    Arrow() = default;
    Arrow(const Arrow&) = delete;
    Arrow& operator=(const Arrow&) = delete;

    const std::string& name() const { return m_Name; }
    void setName(std::string_view name) { m_Name = std::string(name); }
    const std::optional<BezierPath>& unitPath() const { return m_UnitPath; }
    void setUnitPath(std::optional<BezierPath> path);
    bool outline() const { return m_Outline; }
    void setOutline(bool outline) { m_Outline = outline; }
    bool opaque() const { return m_Opaque; }
    void setOpaque(bool opaque) { m_Opaque = opaque; }

    // The transform that puts the unit path with its tip on `tip`, turned
    // towards `from`, scaled by stroke width × size.
    static AffineTransform placementTransform(Point tip, Point from, double unit);
    // Draws the head: filled first when opaque (white for outline heads, else
    // the stroke colour), then stroked with the stroke's width, cap, join and
    // colour, never dashed. Nothing for an arrow without a unit path.
    void drawAtPoint(Point tip, Point from, const Stroke& stroke, double size,
                     GraphicsContext& gc) const;

    // The 48 × 16 point pictures of the inspector's arrow menus: a short line
    // with the head at its left end (start) or right end (end). Null for an
    // arrow without a unit path. They are rendered through `gc`'s offscreen
    // pictures on the first request and kept with the arrow, whatever context
    // later requests them.
    ImagePtr pickerImageStart(GraphicsContext& gc);
    ImagePtr pickerImageEnd(GraphicsContext& gc);
    static constexpr Size kPickerImageSize{48, 16};

private:
    ImagePtr makePickerImage(GraphicsContext& gc, Point tip, Point from) const;

    std::string m_Name;
    std::optional<BezierPath> m_UnitPath;
    bool m_Outline = false;
    bool m_Opaque = false;
    ImagePtr m_StartImage;
    ImagePtr m_EndImage;
};

} // namespace qv
