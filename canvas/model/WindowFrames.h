#pragma once
// Where a document window goes and how large it is, in screen coordinates
// with y growing upwards (a frame's y is its bottom edge): the frame that
// shows the whole page, the zoom button's frame, the growth by the rulers
// and the first window's place. The Qt layer flips its y-down geometry with
// flippedRect at its edge.

#include "framework/foundation/Geometry.h"

namespace qv {

// Between y-down and y-up coordinates about a horizontal axis at `axis`
// (the height of the desktop): y' = axis − (y + h). Its own inverse.
Rect flippedRect(const Rect& r, double axis);

// The frame that shows the whole page at the zoom: the zoomed page plus three
// screen points each way, plus what the window spends outside the scroll
// view's content area (frame − content rectangle, content rectangle − the
// content area `contentSize`). The frame keeps its x and its top edge.
Rect idealWindowFrame(const Rect& frame, const Rect& contentRect, Size contentSize, Size page,
                      double zoom);

// The zoom button's frame: the ideal frame no wider and no taller than the
// default (screen-sized) frame, top-left corner kept, moved inside the
// default frame where it would stick out.
Rect standardWindowFrame(const Rect& ideal, const Rect& defaultFrame);

// The frame after showing (true) or hiding the rulers, whose thicknesses
// are t_v (vertical ruler, a width) and t_h (horizontal ruler, a height):
// (x, y − s·t_h, w + s·t_v, h + s·t_h) with s = ±1, so that the canvas keeps
// its size and the top-left corner stays.
Rect rulerWindowFrame(const Rect& frame, double verticalThickness, double horizontalThickness,
                      bool showing);

// The first window of the session: its left edge 71 points right of the
// visible area's left, its top edge 4 points below the visible area's top,
// its size unchanged, and then kept inside the visible area.
Rect firstWindowFrame(const Rect& frame, const Rect& visibleArea);

// The frame no larger than the area (top-left corner kept) and then moved
// inside it where it sticks out. An empty area leaves the frame as it is.
Rect clampFrameToArea(const Rect& frame, const Rect& area);

} // namespace qv
