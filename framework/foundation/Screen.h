#pragma once
// Window placement rules in screen coordinates whose y axis grows upwards, the
// form in which palette positions are computed and stored. The Qt layer
// converts to and from its own y-down coordinates at the boundary.

#include "framework/foundation/Geometry.h"

#include <vector>

namespace qv {

// The window's top-left corner: (frame.x, frame.y + frame.height).
Point frameTopLeftPoint(const Rect& frame);

// True when some screen's visible area (the screen less menu bar and dock)
// keeps the window usable: the overlap is more than 8 points each way, the
// frame's top edge with its title bar is not cut off, and its left or right
// edge is not cut off either. The edge tests are exact equalities.
bool isFrameOnScreen(const Rect& frame, const std::vector<Rect>& visibleScreenAreas);

} // namespace qv
