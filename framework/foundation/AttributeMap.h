#pragma once
// A map from attribute name to value that keeps insertion order, which is the
// order in which a writer emits the attributes. Values being written are text,
// reals or integers; values read from a file are always text.
// The typed accessors read text leniently: a real is the longest leading
// decimal number after optional white space, an integer the leading sign and
// digits ("12.7" reads 12); absent or unreadable values read 0.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace qv {

using AttributeValue = std::variant<std::string, double, std::int64_t>;

// Text forms: reals as %.16g (12, 0.5, 0.3333333333333333, -0), integers in
// decimal, text as it stands.
std::string formatReal(double v);
std::string formatInteger(std::int64_t v);
std::string attributeValueText(const AttributeValue& v);
// Lenient readers of text.
double parseReal(std::string_view text);
std::int64_t parseInteger(std::string_view text);

class AttributeMap {
public:
    using Entry = std::pair<std::string, AttributeValue>;

    bool empty() const { return m_Entries.empty(); }
    std::size_t size() const { return m_Entries.size(); }
    auto begin() const { return m_Entries.begin(); }
    auto end() const { return m_Entries.end(); }
    void clear() { m_Entries.clear(); }

    const AttributeValue* find(std::string_view key) const;
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    // Replaces an existing value in place (keeping its position) or appends.
    void set(std::string_view key, AttributeValue value);
    void remove(std::string_view key);
    // Appends without looking for an existing entry, for readers whose source
    // already guarantees unique keys (the XML parser rejects duplicates).
    void append(std::string key, AttributeValue value);
    void reserve(std::size_t n) { m_Entries.reserve(n); }
    // For a reader that fills one map per element: entry `index` (at most
    // size()) becomes the text `value` under `key`, reusing the strings
    // already there; truncate(n) then drops the entries from n on.
    void assignTextAt(std::size_t index, std::string_view key, std::string_view value);
    void truncate(std::size_t n) {
        if (n < m_Entries.size())
            m_Entries.erase(m_Entries.begin() + static_cast<std::ptrdiff_t>(n), m_Entries.end());
    }

    // The text of a value, or nothing when absent.
    std::optional<std::string> stringValueForKey(std::string_view key) const;
    void setStringValue(std::string_view value, std::string_view key);

    std::int64_t intValueForKey(std::string_view key) const;
    void setIntValue(std::int64_t value, std::string_view key);
    double floatValueForKey(std::string_view key) const;
    void setFloatValue(double value, std::string_view key);
    // True exactly for the text "yes", "true" or "1" (case-sensitive).
    bool boolValueForKey(std::string_view key) const;
    // Stores "yes" or "no".
    void setBoolValue(bool value, std::string_view key);

    friend bool operator==(const AttributeMap&, const AttributeMap&) = default;

private:
    std::vector<Entry> m_Entries;
};

} // namespace qv
