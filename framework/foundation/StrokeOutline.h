#pragma once
// The area a solid pen covers along open pieces (such as the pieces a dash
// pattern paints), as polygons to be filled with the non-zero rule.
//
// Each piece is flattened within a tolerance and offset by half the width on
// both sides. Every polygon is the sum of one quad per flat segment plus a
// wedge at each vertex and the caps, all turning the same way, so the winding
// count is positive exactly where the pen passes, even where the curve bends
// tighter than half the width. On the inside of a bend the outline cuts the
// corner where both neighbouring quads surely overlap there, and otherwise
// runs through the vertex.

#include "framework/foundation/BezierPath.h"
#include "framework/foundation/Geometry.h"
#include "framework/foundation/PathDasher.h"

#include <cstddef>
#include <vector>

namespace qv {

struct OutlineStyle {
    double width = 1;
    LineCapStyle cap = LineCapStyle::Butt;
    // Drawn where two elements of a piece meet. Inside a curve (and between
    // the flat segments it becomes) bends get a round sweep where a straight
    // cut would stray more than the tolerance.
    LineJoinStyle join = LineJoinStyle::Miter;
    // Miter length over line width beyond which a miter becomes a bevel.
    double miterLimit = 10;
    // How far the polygons may stray from the true outline, in path units.
    double tolerance = 0.1;
};

// Receives each finished polygon (implicitly closed).
class OutlineSink {
public:
    virtual ~OutlineSink() = default;
    virtual void polygon(const Point* points, std::size_t count) = 0;
};

// Fed like a path (each piece starts with moveTo), it hands one polygon per
// piece to the sink. A piece of zero length shows as a disc (round caps) or
// an upright square (square caps). Points that are not finite are skipped.
class StrokeOutliner final : public DashSink {
public:
    StrokeOutliner(const OutlineStyle& style, OutlineSink& sink);

    void moveTo(Point p) override;
    void lineTo(Point p) override;
    void curveTo(Point control1, Point control2, Point end) override;
    // Outlines the last piece; call once everything has been fed.
    void finish();

private:
    void beginElement();
    void addPoint(Point p);
    void pushPoint(Point p);
    void flush();
    void outlineDot(Point p);
    void outlineDisc(Point p);
    void arc(std::vector<Point>& out, Point centre, Point from, double angle) const;
    void outlinePiece();

    OutlineStyle m_Style;
    OutlineSink& m_Sink;
    double m_Half;
    double m_Tolerance;
    double m_Epsilon;
    double m_ArcStep;  // largest angle per arc segment within the tolerance
    double m_MiterMin; // 1 + cos(turn) at the miter limit
    std::vector<Point> m_Points;
    std::vector<char> m_Corner; // an element boundary: gets the style's join
    // A curve's own tangents at its ends (zero: along the flat segment). Joins
    // and caps follow them, as the curve does, not the first or last chord.
    std::vector<Point> m_TanIn;
    std::vector<Point> m_TanOut;
    std::vector<Point> m_Dir;
    std::vector<double> m_Length;
    std::vector<Point> m_Left;
    std::vector<Point> m_Right;
    std::vector<Point> m_Discs; // round corners next to a segment shorter than h
};

// `tolerance` in device pixels turned into path units under `t` (path to
// device), measured along the direction `t` stretches most.
double outlineTolerance(double tolerance, double m11, double m12, double m21, double m22);

} // namespace qv
