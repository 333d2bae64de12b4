#include "framework/foundation/Value.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <ostream>

namespace qv {

namespace {

const Value::List kEmptyList;
const Value::Map kEmptyMap;

std::string formatDouble(double d) {
    if (std::isnan(d))
        return "nan";
    if (std::isinf(d))
        return d < 0 ? "-inf" : "inf";
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
    return std::string(buffer, result.ptr);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// Numeric text as settings stores hand it back; nothing when it is no number.
std::optional<double> parseNumber(std::string_view text) {
    text = trimmed(text);
    if (text == "true" || text == "YES" || text == "yes")
        return 1.0;
    if (text == "false" || text == "NO" || text == "no")
        return 0.0;
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double d = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty())
        return std::nullopt;
    return d;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
    std::string_view t = trimmed(text);
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    std::int64_t i = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), i);
    if (ec == std::errc() && ptr == t.data() + t.size() && !t.empty())
        return i;
    return std::nullopt;
}

std::int64_t truncateToInt(double d, std::int64_t fallback) {
    if (std::isnan(d))
        return fallback;
    constexpr double kMax = 9223372036854775807.0; // rounds to 2^63
    if (d >= kMax)
        return std::numeric_limits<std::int64_t>::max();
    if (d <= -kMax)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(d);
}

} // namespace

Value::Value(std::shared_ptr<const ValueObject> object) {
    if (object)
        m_Data = std::move(object);
}

Value Value::multipleValues() {
    Value v;
    v.m_Data = MultipleValuesMarker{};
    return v;
}

Value Value::noSelection() {
    Value v;
    v.m_Data = NoSelectionMarker{};
    return v;
}

Value::Kind Value::kind() const {
    // The alternatives are declared in the order of Kind.
    return static_cast<Kind>(m_Data.index());
}

bool Value::isNumber() const {
    Kind k = kind();
    return k == Kind::Bool || k == Kind::Int || k == Kind::Double;
}

bool Value::toBool(bool fallback) const {
    switch (kind()) {
    case Kind::Bool:
        return std::get<bool>(m_Data);
    case Kind::Int:
        return std::get<std::int64_t>(m_Data) != 0;
    case Kind::Double:
        return std::get<double>(m_Data) != 0;
    case Kind::String: {
        if (auto d = parseNumber(std::get<std::string>(m_Data)))
            return *d != 0;
        return fallback;
    }
    default:
        return fallback;
    }
}

std::int64_t Value::toInt(std::int64_t fallback) const {
    switch (kind()) {
    case Kind::Bool:
        return std::get<bool>(m_Data) ? 1 : 0;
    case Kind::Int:
        return std::get<std::int64_t>(m_Data);
    case Kind::Double:
        return truncateToInt(std::get<double>(m_Data), fallback);
    case Kind::String: {
        const std::string& s = std::get<std::string>(m_Data);
        // Whole integers are read exactly, beyond the precision of a double.
        if (auto i = parseInteger(s))
            return *i;
        if (auto d = parseNumber(s))
            return truncateToInt(*d, fallback);
        return fallback;
    }
    default:
        return fallback;
    }
}

double Value::toDouble(double fallback) const {
    switch (kind()) {
    case Kind::Bool:
        return std::get<bool>(m_Data) ? 1 : 0;
    case Kind::Int:
        return static_cast<double>(std::get<std::int64_t>(m_Data));
    case Kind::Double:
        return std::get<double>(m_Data);
    case Kind::String:
        return parseNumber(std::get<std::string>(m_Data)).value_or(fallback);
    default:
        return fallback;
    }
}

std::string Value::toString(const std::string& fallback) const {
    if (auto s = std::get_if<std::string>(&m_Data))
        return *s;
    return fallback;
}

Point Value::toPoint(Point fallback) const {
    if (auto p = std::get_if<Point>(&m_Data))
        return *p;
    return fallback;
}

Size Value::toSize(Size fallback) const {
    if (auto s = std::get_if<Size>(&m_Data))
        return *s;
    return fallback;
}

Rect Value::toRect(Rect fallback) const {
    if (auto r = std::get_if<Rect>(&m_Data))
        return *r;
    return fallback;
}

Color Value::toColor(Color fallback) const {
    if (auto c = std::get_if<Color>(&m_Data))
        return *c;
    return fallback;
}

const BezierPath* Value::bezierPath() const {
    if (auto p = std::get_if<std::shared_ptr<const BezierPath>>(&m_Data))
        return p->get();
    return nullptr;
}

BezierPath Value::toBezierPath(const BezierPath& fallback) const {
    const BezierPath* p = bezierPath();
    return p ? *p : fallback;
}

const Value::List& Value::toList() const {
    if (auto l = std::get_if<std::shared_ptr<const List>>(&m_Data))
        return **l;
    return kEmptyList;
}

const Value::Map& Value::toMap() const {
    if (auto m = std::get_if<std::shared_ptr<const Map>>(&m_Data))
        return **m;
    return kEmptyMap;
}

std::shared_ptr<const ValueObject> Value::toObject() const {
    if (auto o = std::get_if<std::shared_ptr<const ValueObject>>(&m_Data))
        return *o;
    return nullptr;
}

Value Value::valueForKey(std::string_view key) const {
    const Map& map = toMap();
    auto it = map.find(key);
    return it == map.end() ? Value() : it->second;
}

Value Value::valueForKeyPath(std::string_view keyPath) const {
    Value current = *this;
    while (true) {
        std::size_t dot = keyPath.find('.');
        if (dot == std::string_view::npos)
            return current.valueForKey(keyPath);
        current = current.valueForKey(keyPath.substr(0, dot));
        keyPath.remove_prefix(dot + 1);
    }
}

bool operator==(const Value& a, const Value& b) {
    if (a.m_Data.index() != b.m_Data.index())
        return false;
    return std::visit(
        [&](const auto& x) -> bool {
            using T = std::decay_t<decltype(x)>;
            const T& y = std::get<T>(b.m_Data);
            if constexpr (std::is_same_v<T, std::shared_ptr<const ValueObject>>) {
                return x == y || x->equals(*y);
            } else if constexpr (std::is_same_v<T, std::shared_ptr<const BezierPath>> ||
                                 std::is_same_v<T, std::shared_ptr<const Value::List>> ||
                                 std::is_same_v<T, std::shared_ptr<const Value::Map>>) {
                return x == y || *x == *y;
            } else if constexpr (std::is_same_v<T, std::monostate>) {
                return true;
            } else {
                return x == y;
            }
        },
        a.m_Data);
}

std::string Value::description() const {
    switch (kind()) {
    case Kind::Null:
        return "null";
    case Kind::Bool:
        return std::get<bool>(m_Data) ? "true" : "false";
    case Kind::Int:
        return std::to_string(std::get<std::int64_t>(m_Data));
    case Kind::Double:
        return formatDouble(std::get<double>(m_Data));
    case Kind::String: {
        std::string out = "\"";
        for (char c : std::get<std::string>(m_Data)) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        return out + "\"";
    }
    case Kind::Point: {
        Point p = std::get<Point>(m_Data);
        return "{" + formatDouble(p.x) + ", " + formatDouble(p.y) + "}";
    }
    case Kind::Size: {
        Size s = std::get<Size>(m_Data);
        return "{" + formatDouble(s.width) + ", " + formatDouble(s.height) + "}";
    }
    case Kind::Rect: {
        Rect r = std::get<Rect>(m_Data);
        return "{{" + formatDouble(r.x()) + ", " + formatDouble(r.y()) + "}, {" +
               formatDouble(r.width()) + ", " + formatDouble(r.height()) + "}}";
    }
    case Kind::Color: {
        Color c = std::get<Color>(m_Data);
        return "rgba(" + formatDouble(c.red) + ", " + formatDouble(c.green) + ", " +
               formatDouble(c.blue) + ", " + formatDouble(c.alpha) + ")";
    }
    case Kind::BezierPath:
        return "BezierPath(" + std::to_string(bezierPath()->elementCount()) + " elements)";
    case Kind::List: {
        std::string out = "(";
        bool first = true;
        for (const Value& v : toList()) {
            if (!first)
                out += ", ";
            first = false;
            out += v.description();
        }
        return out + ")";
    }
    case Kind::Map: {
        std::string out = "{";
        for (const auto& [key, v] : toMap())
            out += key + " = " + v.description() + "; ";
        return out + "}";
    }
    case Kind::Object:
        return toObject()->description();
    case Kind::MultipleValues:
        return "<multiple values>";
    case Kind::NoSelection:
        return "<no selection>";
    }
    return "?";
}

const char* valueKindName(Value::Kind kind) {
    switch (kind) {
    case Value::Kind::Null:
        return "Null";
    case Value::Kind::Bool:
        return "Bool";
    case Value::Kind::Int:
        return "Int";
    case Value::Kind::Double:
        return "Double";
    case Value::Kind::String:
        return "String";
    case Value::Kind::Point:
        return "Point";
    case Value::Kind::Size:
        return "Size";
    case Value::Kind::Rect:
        return "Rect";
    case Value::Kind::Color:
        return "Color";
    case Value::Kind::BezierPath:
        return "BezierPath";
    case Value::Kind::List:
        return "List";
    case Value::Kind::Map:
        return "Map";
    case Value::Kind::Object:
        return "Object";
    case Value::Kind::MultipleValues:
        return "MultipleValues";
    case Value::Kind::NoSelection:
        return "NoSelection";
    }
    return "?";
}

void PrintTo(const Value& value, std::ostream* os) {
    *os << value.description();
}

} // namespace qv
