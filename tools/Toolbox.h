#pragma once
// The application's one set of tools: the twelve tools in their fixed order,
// which one is selected, whether it stays selected after use, and the
// template shape whose stroke, fill and shadow every new shape copies.
// The palette window that shows it lives in the Qt layer; the arithmetic of
// its position is here, in screen coordinates whose y axis grows upwards.

#include "framework/foundation/Geometry.h"
#include "shapes/Shape.h"
#include "tools/Tool.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class UserDefaults;
class Stroke;
class Fill;
class Shadow;

// Posted with the toolbox as object whenever the selected tool changes.
inline constexpr const char* QVSelectedToolDidChangeNotification =
    "QVSelectedToolDidChangeNotification";

// Raised when a toolbox is made while another exists.
class ToolboxExistsException : public std::logic_error {
public:
    static constexpr const char* kName = "ToolboxExistsException";
    ToolboxExistsException();
    const char* name() const { return kName; }
};

class Toolbox {
public:
    // Tool indexes, in palette order.
    enum ToolIndex : std::size_t {
        ArrowToolIndex = 0,
        ZoomToolIndex,
        RectangleToolIndex,
        OvalToolIndex,
        RoundRectangleToolIndex,
        ArcToolIndex,
        RegularPolygonToolIndex,
        TextToolIndex,
        LineToolIndex,
        PolylineToolIndex,
        BezierToolIndex,
        FreehandToolIndex,
        ToolCount
    };

    // What a click on a palette button does ("toolClickOption").
    enum ClickOption : std::int64_t {
        ToolStaysSelected = 0,    // every tool stays selected after use
        DoubleClickKeepsTool = 1, // used once; a double click keeps it and marks it
        ToolUsedOnce = 2,         // always used once, then the arrow tool again
    };
    static constexpr const char* kClickOptionKey = "toolClickOption";
    // The palette's saved place: {"Position": "{x, y}"}, its top-left corner.
    static constexpr const char* kDefaultsKey = "Toolbox";
    static constexpr const char* kPositionKey = "Position";
    // Distance of the palette's home position from the usable screen's corner.
    static constexpr double kHomeInset = 5;

    // The single instance; made on first request with the defaults given to
    // setUserDefaults (in-memory ones when none were given). A toolbox made
    // directly becomes the shared one; making a second one while it exists
    // throws ToolboxExistsException.
    static Toolbox& sharedToolbox();
    Toolbox();
    ~Toolbox();
    Toolbox(const Toolbox&) = delete;
    Toolbox& operator=(const Toolbox&) = delete;

    // For tests only: destroys the shared instance made by sharedToolbox(),
    // so that the next request starts from a fresh one.
    static void resetSharedToolboxForTesting();

    // Where "toolClickOption" and the palette position are read and written;
    // set once by the program at start (not owned).
    static void setUserDefaults(UserDefaults* defaults);
    static UserDefaults& userDefaults();

    std::size_t toolCount() const { return m_Tools.size(); }
    Tool& toolAtIndex(std::size_t index) const { return *m_Tools.at(index); }
    std::size_t selectedToolIndex() const { return m_SelectedToolIndex; }
    // Out of range selects the arrow tool. A change posts
    // QVSelectedToolDidChangeNotification; the tool then stays selected after
    // use unless the click option says "always used once".
    void setSelectedToolIndex(long long index);
    Tool& selectedTool() const { return *m_Tools[m_SelectedToolIndex]; }
    // The index of a tool of this toolbox, or ToolCount.
    std::size_t indexOfTool(const Tool& tool) const;

    // The click option, read afresh from the user defaults on every use.
    std::int64_t toolClickOption() const;
    // The palette's button actions: the button's tool is selected first (as
    // the palette's buttons do before they act), then the click decides
    // whether it stays selected. A single click clears every mark; a double
    // click with option 1 keeps the tool and marks its button (never the
    // arrow tool's).
    void toolSingleClicked(std::size_t index);
    void toolDoubleClicked(std::size_t index);
    // Whether the button of the tool carries the "kept" mark (drawn while the
    // button is the selected one).
    bool isToolMarkedSticky(std::size_t index) const;
    bool toolIsSticky() const { return m_ToolIsSticky; }

    // Called by a tool when its gesture ends: a tool that is not kept gives
    // way to the arrow tool.
    void toolFinished(Tool& tool);

    // The template shape's styles, which new shapes copy.
    Shape& templateShape() const { return *m_TemplateShape; }
    // Stores a copy.
    void setTemplateShape(const Shape& shape);
    const Stroke& stroke() const;
    const Fill& fill() const;
    const Shadow& shadow() const;
    // Text typed into a new text box takes the template stroke's colour.
    Color textForegroundColor() const;
    // A new shape of class T carrying copies of the template's styles.
    template <class T> std::shared_ptr<T> shapeWithClass() const {
        auto shape = std::make_shared<T>();
        applyTemplateStyles(*shape);
        return shape;
    }
    void applyTemplateStyles(Shape& shape) const;

    // The display name and one-letter key of each tool ("Rectangle", 'R');
    // nullptr and 0 out of range.
    static const char* toolName(std::size_t index);
    static char toolKey(std::size_t index);

    // Palette position, y-up screen coordinates.
    // Stores the frame's top-left corner under "Toolbox" / "Position".
    void saveState(const Rect& paletteFrame);
    // The frame a palette of this size takes at start: at the saved position
    // when that keeps it on one of the screens, else at home.
    Rect restoreState(Size paletteSize, const std::vector<Rect>& visibleScreenAreas,
                      const Rect& mainScreenVisibleArea) const;
    // Top-left corner kHomeInset points inside the main screen's usable area.
    static Rect movePaletteHome(Size paletteSize, const Rect& mainScreenVisibleArea);
    // The "{x, y}" text form of a point; parsing answers nothing for text
    // that does not hold two numbers in that form.
    static std::string stringFromPoint(Point p);
    static std::optional<Point> pointFromString(std::string_view text);

private:
    void selectIndex(std::size_t index);

    std::vector<std::unique_ptr<Tool>> m_Tools;
    std::size_t m_SelectedToolIndex = 0;
    ShapePtr m_TemplateShape;
    bool m_ToolIsSticky = true;
    // Index of the marked button, if any (at most one can be marked).
    std::optional<std::size_t> m_StickyMark;
};

} // namespace qv
