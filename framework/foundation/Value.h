#pragma once
// The one value type that crosses the key-value layer, the undo manager and
// the user defaults: null, a boolean, a 64-bit integer, a double, text, the
// geometry and colour types, a Bézier path, a list, a string-keyed map, an
// object of a later-defined type, or one of the two selection markers.
//
// A Value is immutable once made; paths, lists, maps and objects are shared
// between copies, so copying is cheap.

#include "framework/foundation/BezierPath.h"
#include "framework/foundation/Color.h"
#include "framework/foundation/Geometry.h"

#include <concepts>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qv {

// Base of value kinds that this layer does not know (rich text and the like).
// Objects are shared and must not change once wrapped in a Value.
class ValueObject {
public:
    virtual ~ValueObject() = default;
    // Called only with another object; implementations usually compare
    // dynamic types first.
    virtual bool equals(const ValueObject& other) const = 0;
    virtual std::string description() const = 0;
};

class Value {
public:
    enum class Kind {
        Null,
        Bool,
        Int,
        Double,
        String,
        Point,
        Size,
        Rect,
        Color,
        BezierPath,
        List,
        Map,
        Object,
        // A selection whose objects answer different values.
        MultipleValues,
        // A selection without objects.
        NoSelection,
    };

    using List = std::vector<Value>;
    using Map = std::map<std::string, Value, std::less<>>;

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : m_Data(b) {}
    template <std::integral T>
    requires(!std::same_as<T, bool>) Value(T i) : m_Data(static_cast<std::int64_t>(i)) {}
    Value(double d) : m_Data(d) {}
    // Widened exactly.
    Value(float f) : m_Data(static_cast<double>(f)) {}
    Value(const char* s) : m_Data(std::string(s ? s : "")) {}
    Value(std::string s) : m_Data(std::move(s)) {}
    Value(std::string_view s) : m_Data(std::string(s)) {}
    Value(Point p) : m_Data(p) {}
    Value(Size s) : m_Data(s) {}
    Value(Rect r) : m_Data(r) {}
    Value(Color c) : m_Data(c) {}
    Value(BezierPath path) : m_Data(std::make_shared<const BezierPath>(std::move(path))) {}
    Value(List list) : m_Data(std::make_shared<const List>(std::move(list))) {}
    Value(Map map) : m_Data(std::make_shared<const Map>(std::move(map))) {}
    // A null object pointer makes a null value.
    Value(std::shared_ptr<const ValueObject> object);

    static Value multipleValues();
    static Value noSelection();

    Kind kind() const;
    bool isNull() const { return kind() == Kind::Null; }
    bool isMultipleValues() const { return kind() == Kind::MultipleValues; }
    bool isNoSelection() const { return kind() == Kind::NoSelection; }
    // Either selection marker.
    bool isMarker() const { return isMultipleValues() || isNoSelection(); }
    // Bool, Int or Double.
    bool isNumber() const;

    // Typed reads. A value of another kind answers the fallback, except that
    // the numeric readers accept every number kind and numeric text
    // ("12", "0.5", "true", "YES"), as stored settings may hold either.
    // toInt truncates a double towards zero and clamps it to the 64-bit range
    // (NaN reads as the fallback).
    bool toBool(bool fallback = false) const;
    std::int64_t toInt(std::int64_t fallback = 0) const;
    double toDouble(double fallback = 0) const;
    std::string toString(const std::string& fallback = {}) const;
    Point toPoint(Point fallback = {}) const;
    Size toSize(Size fallback = {}) const;
    Rect toRect(Rect fallback = {}) const;
    Color toColor(Color fallback = Color::black()) const;
    // Null when the value is not a path.
    const BezierPath* bezierPath() const;
    BezierPath toBezierPath(const BezierPath& fallback = {}) const;
    // An empty list / map when the value is not one.
    const List& toList() const;
    const Map& toMap() const;
    std::shared_ptr<const ValueObject> toObject() const;
    template <class T> std::shared_ptr<const T> toObject() const {
        return std::dynamic_pointer_cast<const T>(toObject());
    }

    // The entry of a map value, or null.
    Value valueForKey(std::string_view key) const;
    // Dotted path through nested maps ("Toolbox.Position"), or null.
    Value valueForKeyPath(std::string_view keyPath) const;

    // Exact comparison: kinds must match (an Int never equals a Double),
    // doubles compare with ==, lists and maps element by element, objects
    // through ValueObject::equals.
    friend bool operator==(const Value& a, const Value& b);

    // Text for logs and test failures: null, true, 12, 0.5, "text",
    // {1, 2}, {{0, 0}, {10, 20}}, rgba(1, 0, 0, 1), (1, 2), {a = 1; }.
    std::string description() const;

private:
    struct MultipleValuesMarker {
        friend bool operator==(MultipleValuesMarker, MultipleValuesMarker) { return true; }
    };
    struct NoSelectionMarker {
        friend bool operator==(NoSelectionMarker, NoSelectionMarker) { return true; }
    };
    using Data =
        std::variant<std::monostate, bool, std::int64_t, double, std::string, Point, Size, Rect,
                     Color, std::shared_ptr<const BezierPath>, std::shared_ptr<const List>,
                     std::shared_ptr<const Map>, std::shared_ptr<const ValueObject>,
                     MultipleValuesMarker, NoSelectionMarker>;
    Data m_Data;
};

// Name of a kind, for messages ("Double", "Map").
const char* valueKindName(Value::Kind kind);

// For GoogleTest failure messages.
void PrintTo(const Value& value, std::ostream* os);

} // namespace qv
