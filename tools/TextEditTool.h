#pragma once
// Arrow sub-tool: a double click on a text shape (also one inside a group)
// opens the in-place editor on it. Any other press commits a text edit in
// progress and goes on to the next sub-tool.

#include "tools/Tool.h"

namespace qv {

class TextEditTool : public Tool {
public:
    // Takes the press without a gesture: the editor takes over.
    bool wantsEvent(const ToolEvent& event, ToolCanvas& view, ShapesController& target) override;
};

} // namespace qv
