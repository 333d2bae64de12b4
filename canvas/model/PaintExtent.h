#pragma once
// A box, in drawing coordinates, that holds every pixel the canvas paints for
// one shape at a zoom: the shape itself with its stroke, joins, caps, arrow
// heads and shadow, and whatever the canvas draws over it (selection
// handles, gradient controls, reshape handles, the edit decoration).
//
// A shape's visibleBoundsInView adds a fixed 100 points to every side, which
// covers all of that without measuring it; on a busy page that margin makes
// every small change repaint, and visit, thousands of shapes. This extent
// measures instead, with room to spare, and is what the canvas redraws and
// looks shapes up by. Text can run past its box, so text shapes keep the
// fixed margin.

#include "framework/foundation/Geometry.h"

namespace qv {

class Shape;
class ShapeView;

Rect canvasPaintExtent(const Shape& shape, const ShapeView* view);

// Within a paint extent at the zoom, the part the shape's own drawing can
// reach (antialiasing and the crisp-line shift included): the extent without
// the room kept for what the canvas draws over the shape.
Rect shapeDrawingWithin(const Rect& paintExtent, double zoom);

} // namespace qv
