#pragma once
// The application's one set of tools: the twelve tools in their fixed order,
// which one is selected, whether it stays selected after use, and the
// template shape whose stroke, fill and shadow every new shape copies.
// The palette window that shows it lives in the Qt layer.

#include "shapes/Shape.h"
#include "tools/Tool.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class UserDefaults;
class Stroke;
class Fill;
class Shadow;

// Posted with the toolbox as object whenever the selected tool changes.
inline constexpr const char* QVSelectedToolDidChangeNotification =
    "QVSelectedToolDidChangeNotification";

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

    // The single instance; made on first request with the defaults given to
    // setUserDefaults (in-memory ones when none were given).
    static Toolbox& sharedToolbox();
    // Where "toolClickOption" is read from; set once by the program at start.
    static void setUserDefaults(UserDefaults* defaults);

    std::size_t toolCount() const { return m_Tools.size(); }
    Tool& toolAtIndex(std::size_t index) const { return *m_Tools.at(index); }
    std::size_t selectedToolIndex() const { return m_SelectedToolIndex; }
    // Out of range selects the arrow tool.
    void setSelectedToolIndex(long long index);
    Tool& selectedTool() const { return *m_Tools[m_SelectedToolIndex]; }

    // Called by a tool when its gesture ends.
    void toolFinished(Tool& tool);

    // The template shape's styles, which new shapes copy.
    Shape& templateShape() const { return *m_TemplateShape; }
    void setTemplateShape(const Shape& shape);
    // A new shape of class T carrying copies of the template's styles.
    template <class T> std::shared_ptr<T> shapeWithClass() const {
        auto shape = std::make_shared<T>();
        applyTemplateStyles(*shape);
        return shape;
    }
    void applyTemplateStyles(Shape& shape) const;

    // The display name and one-letter key of each tool ("Rectangle", 'R').
    static const char* toolName(std::size_t index);
    static char toolKey(std::size_t index);

    ~Toolbox();
    Toolbox(const Toolbox&) = delete;
    Toolbox& operator=(const Toolbox&) = delete;

private:
    Toolbox();

    std::vector<std::unique_ptr<Tool>> m_Tools;
    std::size_t m_SelectedToolIndex = 0;
    ShapePtr m_TemplateShape;
    bool m_ToolIsSticky = true;
};

} // namespace qv
