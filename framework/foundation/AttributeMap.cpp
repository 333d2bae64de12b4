#include "framework/foundation/AttributeMap.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace qv {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Keys are a few letters: compared in line, without a call per entry.
bool sameKey(const std::string& a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < b.size(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

std::size_t skipSpace(std::string_view s, std::size_t i) {
    while (i < s.size() && isSpace(s[i]))
        ++i;
    return i;
}

// A real that does not fit: overflow gives infinity and underflow zero, with the
// number's sign, as the C library's reader does. The decimal exponent of the
// leading non-zero digit decides which one it is.
double outOfRangeReal(std::string_view digits, bool negative) {
    std::int64_t leading = 0; // position of the first non-zero digit relative to the point
    bool seenPoint = false, seenNonZero = false;
    std::int64_t intDigits = 0, zerosAfterPoint = 0;
    std::size_t i = 0;
    for (; i < digits.size(); ++i) {
        const char c = digits[i];
        if (c == '.') {
            seenPoint = true;
            continue;
        }
        if (!isDigit(c))
            break;
        if (!seenNonZero && c == '0') {
            if (seenPoint)
                ++zerosAfterPoint;
            continue;
        }
        if (!seenNonZero) {
            seenNonZero = true;
            if (seenPoint)
                leading = -zerosAfterPoint;
        }
        if (!seenPoint)
            ++intDigits;
    }
    if (seenNonZero && intDigits > 0)
        leading = intDigits;
    std::int64_t exponent = 0;
    if (i < digits.size() && (digits[i] == 'e' || digits[i] == 'E')) {
        ++i;
        bool negExp = false;
        if (i < digits.size() && (digits[i] == '+' || digits[i] == '-'))
            negExp = digits[i++] == '-';
        for (; i < digits.size() && isDigit(digits[i]); ++i)
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (digits[i] - '0');
        if (negExp)
            exponent = -exponent;
    }
    const double magnitude =
        (leading + exponent > 0) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

} // namespace

std::string formatReal(double v) {
    // %.16g without the C library's locale: the decimal separator stays a point
    // even when the program runs under a locale that uses a comma.
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 16);
    return std::string(buf, result.ptr);
}

std::string formatInteger(std::int64_t v) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, result.ptr);
}

std::string attributeValueText(const AttributeValue& v) {
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    if (const auto* d = std::get_if<double>(&v))
        return formatReal(*d);
    return formatInteger(std::get<std::int64_t>(v));
}

double parseReal(std::string_view text) {
    std::size_t i = skipSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Only decimal forms: no hexadecimal, infinity or NaN spellings, and no second sign.
    const std::size_t start = i;
    if (i >= text.size())
        return 0;
    if (!isDigit(text[i]) && !(text[i] == '.' && i + 1 < text.size() && isDigit(text[i + 1])))
        return 0;
    const std::string_view rest = text.substr(start);
    double value = 0;
    const auto result =
        std::from_chars(rest.data(), rest.data() + rest.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        return outOfRangeReal(rest, negative);
    if (result.ec != std::errc())
        return 0;
    return negative ? -value : value;
}

std::int64_t parseInteger(std::string_view text) {
    std::size_t i = skipSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Accumulated as a negative number so that the minimum fits; saturates.
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    bool saturated = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        const int d = text[i] - '0';
        if (saturated)
            continue;
        if (value < (min + d) / 10) {
            saturated = true;
            value = min;
            continue;
        }
        value = value * 10 - d;
    }
    if (negative)
        return value;
    if (value == min)
        return std::numeric_limits<std::int64_t>::max();
    return -value;
}

const AttributeValue* AttributeMap::find(std::string_view key) const {
    for (const auto& entry : m_Entries)
        if (sameKey(entry.first, key))
            return &entry.second;
    return nullptr;
}

void AttributeMap::set(std::string_view key, AttributeValue value) {
    for (auto& entry : m_Entries) {
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    m_Entries.emplace_back(std::string(key), std::move(value));
}

void AttributeMap::append(std::string key, AttributeValue value) {
    m_Entries.emplace_back(std::move(key), std::move(value));
}

void AttributeMap::assignTextAt(std::size_t index, std::string_view key, std::string_view value) {
    if (index >= m_Entries.size()) {
        m_Entries.emplace_back(std::string(key), std::string(value));
        return;
    }
    Entry& entry = m_Entries[index];
    entry.first.assign(key);
    if (auto* text = std::get_if<std::string>(&entry.second))
        text->assign(value);
    else
        entry.second = std::string(value);
}

void AttributeMap::remove(std::string_view key) {
    for (auto it = m_Entries.begin(); it != m_Entries.end(); ++it) {
        if (it->first == key) {
            m_Entries.erase(it);
            return;
        }
    }
}

std::optional<std::string> AttributeMap::stringValueForKey(std::string_view key) const {
    const AttributeValue* v = find(key);
    if (!v)
        return std::nullopt;
    return attributeValueText(*v);
}

void AttributeMap::setStringValue(std::string_view value, std::string_view key) {
    set(key, std::string(value));
}

std::int64_t AttributeMap::intValueForKey(std::string_view key) const {
    const AttributeValue* v = find(key);
    if (!v)
        return 0;
    if (const auto* s = std::get_if<std::string>(v))
        return parseInteger(*s);
    if (const auto* i = std::get_if<std::int64_t>(v))
        return *i;
    // A stored real is truncated towards zero; out-of-range values saturate and
    // NaN reads 0, so the conversion is always defined.
    const double d = std::get<double>(*v);
    if (std::isnan(d))
        return 0;
    if (d >= 9223372036854775807.0)
        return std::numeric_limits<std::int64_t>::max();
    if (d <= -9223372036854775808.0)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(d);
}

void AttributeMap::setIntValue(std::int64_t value, std::string_view key) {
    set(key, value);
}

double AttributeMap::floatValueForKey(std::string_view key) const {
    const AttributeValue* v = find(key);
    if (!v)
        return 0;
    if (const auto* s = std::get_if<std::string>(v))
        return parseReal(*s);
    if (const auto* i = std::get_if<std::int64_t>(v))
        return static_cast<double>(*i);
    return std::get<double>(*v);
}

void AttributeMap::setFloatValue(double value, std::string_view key) {
    set(key, value);
}

bool AttributeMap::boolValueForKey(std::string_view key) const {
    const AttributeValue* v = find(key);
    if (!v)
        return false;
    // A stored number counts by its text form, so 1 is true like the text "1".
    const std::string s = attributeValueText(*v);
    return s == "yes" || s == "true" || s == "1";
}

void AttributeMap::setBoolValue(bool value, std::string_view key) {
    set(key, std::string(value ? "yes" : "no"));
}

} // namespace qv
