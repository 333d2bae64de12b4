#include "tools/Toolbox.h"

#include "framework/foundation/NotificationCenter.h"
#include "framework/foundation/Screen.h"
#include "framework/foundation/UserDefaults.h"
#include "shapes/OvalShape.h"
#include "shapes/RectangleShape.h"
#include "shapes/RegularPolygonShape.h"
#include "shapes/RoundRectangleShape.h"
#include "styles/Fill.h"
#include "styles/Shadow.h"
#include "styles/Stroke.h"
#include "tools/ArcTool.h"
#include "tools/ArrowTool.h"
#include "tools/BezierTool.h"
#include "tools/FreehandTool.h"
#include "tools/LineTool.h"
#include "tools/PolylineTool.h"
#include "tools/RectangleTool.h"
#include "tools/TextTool.h"
#include "tools/ZoomTool.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace qv {

namespace {

// The template: a shape with no outline of its own that only carries styles.
class TemplateShape : public Shape {
protected:
    ShapePtr newInstance() const override { return std::make_shared<TemplateShape>(); }
};

Toolbox* s_Instance = nullptr;
// Made by sharedToolbox() and never destroyed: the tools live as long as the
// process, and nothing of theirs runs while static objects go away at exit.
Toolbox* s_Shared = nullptr;
UserDefaults* s_Defaults = nullptr;

struct ToolInfo {
    const char* name;
    char key;
};

constexpr ToolInfo kToolInfo[Toolbox::ToolCount] = {
    {"Arrow", 'S'},
    {"Zoom", 'Z'},
    {"Rectangle", 'R'},
    {"Oval", 'O'},
    {"Rounded Rectangle", 'U'},
    {"Arc", 'A'},
    {"Regular Polygon", 'G'},
    {"Text", 'T'},
    {"Line", 'L'},
    {"Polyline", 'P'},
    {"Bézier Curve", 'B'},
    {"Freehand", 'F'},
};

std::string formatNumber(double d) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
    return std::string(buffer, result.ptr);
}

void skipSpaces(std::string_view& s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
}

bool readNumber(std::string_view& s, double& out) {
    skipSpaces(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto result = std::from_chars(s.data(), s.data() + s.size(), out);
    if (result.ec != std::errc())
        return false;
    s.remove_prefix(static_cast<std::size_t>(result.ptr - s.data()));
    return true;
}

bool readChar(std::string_view& s, char c) {
    skipSpaces(s);
    if (s.empty() || s.front() != c)
        return false;
    s.remove_prefix(1);
    return true;
}

} // namespace

ToolboxExistsException::ToolboxExistsException()
    : std::logic_error("A Toolbox has already been instantiated. You cannot instantiate another.") {
}

Toolbox& Toolbox::sharedToolbox() {
    if (!s_Instance)
        s_Shared = new Toolbox;
    return *s_Instance;
}

Toolbox::Toolbox() {
    if (s_Instance)
        throw ToolboxExistsException();
    // In ToolIndex order.
    m_Tools.push_back(std::make_unique<ArrowTool>());
    m_Tools.push_back(std::make_unique<ZoomTool>());
    m_Tools.push_back(RectangleTool::toolWithShapeClass<RectangleShape>());
    m_Tools.push_back(RectangleTool::toolWithShapeClass<OvalShape>());
    m_Tools.push_back(RectangleTool::toolWithShapeClass<RoundRectangleShape>());
    m_Tools.push_back(std::make_unique<ArcTool>());
    m_Tools.push_back(RectangleTool::toolWithShapeClass<RegularPolygonShape>());
    m_Tools.push_back(std::make_unique<TextTool>());
    m_Tools.push_back(std::make_unique<LineTool>());
    m_Tools.push_back(std::make_unique<PolylineTool>());
    m_Tools.push_back(std::make_unique<BezierTool>());
    m_Tools.push_back(std::make_unique<FreehandTool>());
    m_TemplateShape = std::make_shared<TemplateShape>();
    s_Instance = this;
}

Toolbox::~Toolbox() {
    if (s_Instance == this)
        s_Instance = nullptr;
}

void Toolbox::resetSharedToolboxForTesting() {
    delete s_Shared;
    s_Shared = nullptr;
}

void Toolbox::setUserDefaults(UserDefaults* defaults) {
    s_Defaults = defaults;
}

UserDefaults& Toolbox::userDefaults() {
    if (!s_Defaults) {
        static InMemoryUserDefaults fallback;
        return fallback;
    }
    return *s_Defaults;
}

std::size_t Toolbox::indexOfTool(const Tool& tool) const {
    for (std::size_t i = 0; i < m_Tools.size(); ++i)
        if (m_Tools[i].get() == &tool)
            return i;
    return ToolCount;
}

void Toolbox::setSelectedToolIndex(long long index) {
    if (index < 0 || index >= static_cast<long long>(m_Tools.size()))
        index = 0;
    selectIndex(static_cast<std::size_t>(index));
}

void Toolbox::selectIndex(std::size_t index) {
    if (index == m_SelectedToolIndex)
        return;
    m_SelectedToolIndex = index;
    NotificationCenter::defaultCenter().postNotification(QVSelectedToolDidChangeNotification, this);
    m_ToolIsSticky = toolClickOption() != ToolUsedOnce;
}

std::int64_t Toolbox::toolClickOption() const {
    return userDefaults().integerForKey(kClickOptionKey);
}

void Toolbox::toolSingleClicked(std::size_t index) {
    setSelectedToolIndex(static_cast<long long>(index));
    m_StickyMark.reset();
    const std::int64_t option = toolClickOption();
    m_ToolIsSticky = option != DoubleClickKeepsTool && option != ToolUsedOnce;
}

void Toolbox::toolDoubleClicked(std::size_t index) {
    setSelectedToolIndex(static_cast<long long>(index));
    if (toolClickOption() != DoubleClickKeepsTool)
        return;
    m_ToolIsSticky = true;
    if (m_SelectedToolIndex >= 1)
        m_StickyMark = m_SelectedToolIndex;
}

bool Toolbox::isToolMarkedSticky(std::size_t index) const {
    return m_StickyMark == index;
}

void Toolbox::toolFinished(Tool&) {
    if (!m_ToolIsSticky)
        selectIndex(ArrowToolIndex);
}

void Toolbox::setTemplateShape(const Shape& shape) {
    if (ShapePtr copy = shape.copy())
        m_TemplateShape = std::move(copy);
}

const Stroke& Toolbox::stroke() const {
    return m_TemplateShape->stroke();
}

const Fill& Toolbox::fill() const {
    return m_TemplateShape->fill();
}

const Shadow& Toolbox::shadow() const {
    return m_TemplateShape->shadow();
}

Color Toolbox::textForegroundColor() const {
    return m_TemplateShape->stroke().color();
}

void Toolbox::applyTemplateStyles(Shape& shape) const {
    shape.setStroke(m_TemplateShape->stroke());
    shape.setFill(m_TemplateShape->fill());
    shape.setShadow(m_TemplateShape->shadow());
}

const char* Toolbox::toolName(std::size_t index) {
    return index < ToolCount ? kToolInfo[index].name : nullptr;
}

char Toolbox::toolKey(std::size_t index) {
    return index < ToolCount ? kToolInfo[index].key : 0;
}

void Toolbox::saveState(const Rect& paletteFrame) {
    Value::Map record{{kPositionKey, Value(stringFromPoint(frameTopLeftPoint(paletteFrame)))}};
    userDefaults().setObject(Value(std::move(record)), kDefaultsKey);
}

Rect Toolbox::restoreState(Size paletteSize, const std::vector<Rect>& visibleScreenAreas,
                           const Rect& mainScreenVisibleArea) const {
    const Value::Map record = userDefaults().dictionaryForKey(kDefaultsKey);
    if (auto found = record.find(kPositionKey);
        found != record.end() && found->second.kind() == Value::Kind::String) {
        if (const std::optional<Point> p = pointFromString(found->second.toString())) {
            const Rect frame(p->x, p->y - paletteSize.height, paletteSize.width,
                             paletteSize.height);
            if (isFrameOnScreen(frame, visibleScreenAreas))
                return frame;
        }
    }
    return movePaletteHome(paletteSize, mainScreenVisibleArea);
}

Rect Toolbox::movePaletteHome(Size paletteSize, const Rect& v) {
    return Rect(v.x() + kHomeInset, v.y() + v.height() - paletteSize.height - kHomeInset,
                paletteSize.width, paletteSize.height);
}

std::string Toolbox::stringFromPoint(Point p) {
    std::string text = "{";
    text += formatNumber(p.x);
    text += ", ";
    text += formatNumber(p.y);
    text += '}';
    return text;
}

std::optional<Point> Toolbox::pointFromString(std::string_view text) {
    Point p;
    if (!readChar(text, '{') || !readNumber(text, p.x) || !readChar(text, ',') ||
        !readNumber(text, p.y) || !readChar(text, '}'))
        return std::nullopt;
    skipSpaces(text);
    if (!text.empty() || !std::isfinite(p.x) || !std::isfinite(p.y))
        return std::nullopt;
    return p;
}

} // namespace qv
