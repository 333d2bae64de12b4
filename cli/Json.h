#pragma once
// A small JSON value for the command-line tool's output: objects keep their
// keys in insertion order, and numbers are written in the shortest form that
// reads back as exactly the same double.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace qv::cli {

class Json {
public:
    using Array = std::vector<Json>;
    using Object = std::vector<std::pair<std::string, Json>>;

    Json() = default;
    Json(std::nullptr_t) {}
    Json(bool b) : m_Data(b) {}
    Json(int i) : m_Data(std::int64_t(i)) {}
    Json(std::int64_t i) : m_Data(i) {}
    Json(std::uint64_t i) : m_Data(i) {}
    Json(double d) : m_Data(d) {}
    Json(const char* s) : m_Data(std::string(s)) {}
    Json(std::string s) : m_Data(std::move(s)) {}
    Json(std::string_view s) : m_Data(std::string(s)) {}
    Json(Array a) : m_Data(std::move(a)) {}

    static Json object() {
        Json j;
        j.m_Data = Object{};
        return j;
    }
    // Appends a key to an object (a null value becomes an object first).
    Json& set(std::string key, Json value);
    // Appends to an array (a null value becomes an array first).
    Json& push(Json value);

    // Two-space indentation; arrays holding only numbers stay on one line.
    std::string dump() const;

private:
    void write(std::string& out, int indent) const;
    bool isScalar() const;

    std::variant<std::monostate, bool, std::int64_t, std::uint64_t, double, std::string, Array,
                 Object>
        m_Data;
};

// The shortest text that reads back as exactly `v`; "null" for NaN and
// infinities, which JSON cannot hold.
std::string jsonNumber(double v);
// The text in double quotes with JSON escapes; invalid UTF-8 bytes become
// U+FFFD so the output is always valid.
std::string jsonString(std::string_view s);

} // namespace qv::cli
