#pragma once
// The canvas's arithmetic without a window system: the zoom's limits and
// steps, the area zoomToSelection fits, the snapping of redraw areas at a
// fractional zoom, the canvas size with the page's place on it, and centring.
// The drawing view applies these; tests check them with exact figures.
//
// Screen points are the canvas's pixels before the device pixel ratio;
// drawing coordinates are y-down points of the page.

#include "framework/foundation/Geometry.h"

#include <optional>
#include <span>

namespace qv {

inline constexpr double kMinZoom = 0.25;
inline constexpr double kMaxZoom = 16.0;

// A requested zoom within the limits; one that is not a number keeps
// `current`, so no zoom is ever NaN or infinite.
double clampedZoom(double requested, double current);

// The menu's steps: double below the maximum, halve above the minimum;
// nothing at the limit (the command beeps instead).
std::optional<double> zoomInStep(double zoom);
std::optional<double> zoomOutStep(double zoom);

// The zoom tool's click: one step either way, clamped without a beep.
double zoomOnPointZoom(double zoom, bool zoomOut);

// zoomOnRect: zooming in scales by min(V.w/r.w, V.h/r.h) so that r fills the
// visible rectangle V; zooming out by max(r.w/V.w, r.h/V.h) so that V shrinks
// into r. A side of r that is zero (a flat box) does not take part; when no
// side gives a finite ratio the zoom stays. The result is clamped.
double zoomOnRectZoom(double zoom, const Rect& visible, const Rect& r, bool zoomOut);

// The area zoomToSelection fits: the union of the boxes, where a box with one
// positive side and the other zero counts (a horizontal or vertical line),
// grown on every side by 0.05 (single precision) times its longer side.
// Nothing when no box has a positive side or a coordinate is not finite.
std::optional<Rect> selectionZoomRect(std::span<const Rect> boxes);

// The zoom at which the page and a margin of `margin` screen points on every
// side fit into the viewport, clamped.
double fitPageZoom(Size page, Size viewport, double margin, double current);

bool isWholeZoom(double zoom);

// A redraw area at a fractional zoom, snapped outwards to whole screen
// points and grown by one: with s = 1/zoom, x' = floor(x/s)·s − s,
// w' = ceil(w/s)·s + 2s (likewise y, h). Unchanged at a whole zoom.
Rect snappedInvalidationRect(const Rect& rect, double zoom);

// The canvas for a page at a zoom in a scroll view whose content area is
// `content` screen points: at least the content area, the page centred on it
// when smaller, its top-left corner on a whole screen point.
struct CanvasFrame {
    Size canvasSize;  // screen points
    Point pageOrigin; // screen points from the canvas's top-left to the page's corner
    double zoom = 1;

    // The canvas in drawing coordinates: origin (−ox/z, −oy/z), size (W/z, H/z).
    Rect drawingBounds() const;
    // Canvas screen points of a drawing point, and back.
    Point canvasPoint(Point drawing) const;
    Point drawingPoint(Point canvas) const;
};
CanvasFrame canvasFrame(Size page, double zoom, Size content);

// The scroll position (the canvas point at the viewport's top-left corner)
// that puts r's centre in the middle of a viewport of `viewport` screen
// points, kept within the canvas and rounded to whole screen points.
Point scrollPositionCenteringRect(const Rect& r, const CanvasFrame& frame, Size viewport);

// The visible part of the drawing for a scroll position and viewport size.
Rect visibleDrawingRect(const CanvasFrame& frame, Point scroll, Size viewport);

// A logical position moved to the nearest device pixel, so that a page corner
// at this position is sharp at any device pixel ratio.
double alignedToDevicePixel(double logical, double devicePixelRatio);

} // namespace qv
