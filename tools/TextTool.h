#pragma once
// Draws a text box like a rectangle, or places a 200 × 40 box with a plain
// click, then opens the text editor on it.

#include "tools/RectangleTool.h"

namespace qv {

class TextTool : public RectangleTool {
public:
    // The size of a box placed with a click.
    static constexpr Size kDefaultSize{200, 40};

    TextTool();

protected:
    void commit(ToolCanvas& view, ShapesController& target) override;
};

} // namespace qv
