#include "cli/ValueText.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

namespace qv::cli {

namespace {

std::optional<double> real(std::string_view t) {
    while (!t.empty() && t.front() == ' ')
        t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ')
        t.remove_suffix(1);
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<std::int64_t> integer(std::string_view t) {
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size())
        return std::nullopt;
    return v;
}

std::vector<double> numbers(std::string_view t) {
    std::vector<double> result;
    while (true) {
        const std::size_t comma = t.find(',');
        const std::optional<double> v = real(t.substr(0, comma));
        if (!v)
            return {};
        result.push_back(*v);
        if (comma == std::string_view::npos)
            return result;
        t.remove_prefix(comma + 1);
    }
}

bool isHexColor(std::string_view t) {
    if (t.size() != 7 && t.size() != 9)
        return false;
    if (t[0] != '#')
        return false;
    for (char c : t.substr(1))
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

} // namespace

std::vector<Value> valuesForText(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return {Value(text.substr(1, text.size() - 2))};
    if (text == "yes" || text == "true" || text == "YES")
        return {Value(true)};
    if (text == "no" || text == "false" || text == "NO")
        return {Value(false)};
    if (isHexColor(text))
        return {Value(Color::colorWithHexString(text))};
    if (const std::optional<std::int64_t> i = integer(text))
        return {Value(*i), Value(double(*i))};
    if (const std::optional<double> d = real(text))
        return {Value(*d)};
    const std::vector<double> n = numbers(text);
    if (n.size() == 2)
        return {Value(Point(n[0], n[1])), Value(Size(n[0], n[1]))};
    if (n.size() == 4)
        return {Value(Rect(n[0], n[1], n[2], n[3]))};
    return {Value(std::string(text))};
}

} // namespace qv::cli
