#pragma once
// Dashed strokes on pixels are filled rather than stroked: our dasher cuts
// the pieces and StrokeOutliner turns them into polygons, which Qt fills with
// the non-zero rule. Qt's own stroker spends most of its time joining the
// many short pieces.

#include "framework/foundation/AffineTransform.h"
#include "framework/foundation/BezierPath.h"
#include "framework/foundation/StrokeOutline.h"

#include <QPainterPath>

#include <cstddef>
#include <optional>

namespace qv {

// How far the polygons may stray from the true outline, in device pixels.
inline constexpr double kDashOutlineTolerance = 0.1;

// A pattern far finer than its path (from a file, say) would make an outline
// of unbounded size; beyond these the stroke is drawn solid, as a line of
// dashes too fine to tell apart looks anyway.
inline constexpr std::size_t kMaxDashOutlinePieces = 100'000;
inline constexpr std::size_t kMaxDashOutlinePoints = 4'000'000;

// The outline style for `path`'s stroke attributes, flattened for `toDevice`.
OutlineStyle outlineStyleForPath(const BezierPath& path, const AffineTransform& toDevice);

// The area a solid pen with `path`'s attributes covers along each subpath of
// `path`, taken as open.
QPainterPath solidOutlinePath(const BezierPath& path, const AffineTransform& toDevice);

// The area `path`'s dashed stroke covers; no value means "draw it solid".
std::optional<QPainterPath> dashOutlinePath(const BezierPath& path,
                                            const AffineTransform& toDevice);

} // namespace qv
