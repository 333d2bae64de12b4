#pragma once
// Cuts a path into the pieces a dash pattern paints, keeping curves as
// curves: a cubic is split at the parameters where its arc length crosses a
// dash boundary, and each piece is the exact sub-curve. Stroking the pieces
// with a solid pen draws the dashed line without flattening anything first.
//
// The pattern restarts with the phase at every subpath; an odd-length pattern
// repeats with painted and blank lengths swapped; a closed subpath is dashed
// along its closing segment too, and its first and last pieces stay apart.

#include "framework/foundation/BezierPath.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace qv {

struct DashOptions {
    // A painted length of zero becomes a piece this long along the path's
    // tangent, so that a round or square cap has a direction to face. Zero
    // drops such pieces (a butt cap shows nothing for them anyway). None is
    // drawn where a subpath ends.
    double dotLength = 0;
    // More pieces than this for one path (a pattern far finer than the path)
    // and the path is drawn solid instead.
    std::size_t maxPieces = 1'000'000;
};

// The painted pieces of `path`, one open subpath each, with the path's stroke
// attributes but no dash. `pattern` holds lengths in path units, starting
// with a painted one; `phase` is how far into the pattern each subpath starts.
// No value means "draw solid": an empty pattern, one with a negative or
// non-finite length or a zero sum, a path of non-finite length, or too many
// pieces.
std::optional<BezierPath> dashedPath(const BezierPath& path, const std::vector<double>& pattern,
                                     double phase, const DashOptions& options = {});

// Where dashPath hands the pieces as it cuts them; each piece starts with a move.
class DashSink {
public:
    virtual ~DashSink() = default;
    virtual void moveTo(Point p) = 0;
    virtual void lineTo(Point p) = 0;
    virtual void curveTo(Point control1, Point control2, Point end) = 0;
};

// dashedPath without the path in between. False means "draw solid"; the sink
// may then have had part of the pieces, which are to be dropped.
bool dashPath(const BezierPath& path, const std::vector<double>& pattern, double phase,
              const DashOptions& options, DashSink& sink);

} // namespace qv
