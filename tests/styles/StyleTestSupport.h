#pragma once
// A stand-in for the shape that owns a style: it records every announcement.

#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "framework/foundation/AttributeMap.h"
#include "styles/StyleOwner.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::test {

// Attribute values in their file text form, as the reader hands them over.
inline AttributeMap asRead(const AttributeMap& written) {
    AttributeMap m;
    for (const auto& [key, value] : written)
        m.append(key, attributeValueText(value));
    return m;
}

// Attributes written as "key=value key=value", in order.
inline std::string line(const AttributeMap& m) {
    std::string out;
    for (const auto& [key, value] : m)
        out += (out.empty() ? "" : " ") + key + "=" + attributeValueText(value);
    return out;
}

// The attributes of a "key=value key=value" line, as the reader hands them over.
inline AttributeMap attributes(std::string_view text) {
    AttributeMap m;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(' '), text.size());
        const std::string_view item = text.substr(0, end);
        const std::size_t eq = item.find('=');
        m.append(std::string(item.substr(0, eq)), std::string(item.substr(eq + 1)));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return m;
}

// What the owner hears of one change of `keys` of the style `name`: its own
// will, each key's will in order, the fill cache cleared (`clears`), each
// key's did in reverse order, its own did; `times` such changes in a row.
inline std::vector<std::string> announced(const std::string& name,
                                          std::initializer_list<const char*> keys,
                                          bool clears = false, int times = 1) {
    std::vector<std::string> one{"willChange"};
    for (const char* k : keys)
        one.push_back("will " + name + "." + k);
    if (clears)
        one.push_back("clearFillCache");
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
        one.push_back("did " + name + "." + *it);
    one.push_back("didChange");
    std::vector<std::string> all;
    for (int i = 0; i < times; ++i)
        all.insert(all.end(), one.begin(), one.end());
    return all;
}

class RecordingOwner : public StyleOwner {
public:
    void willChange() override { events.push_back("willChange"); }
    void didChange() override { events.push_back("didChange"); }
    void styleWillChangeKeyPath(std::string_view p) override {
        events.push_back("will " + std::string(p));
    }
    void styleDidChangeKeyPath(std::string_view p) override {
        events.push_back("did " + std::string(p));
    }
    void clearFillCache() override { events.push_back("clearFillCache"); }

    int count(const std::string& event) const {
        int n = 0;
        for (const auto& e : events)
            n += e == event;
        return n;
    }

    std::vector<std::string> events;
};

// Writes a style as a file, reads it back as a new object of its class and
// answers that object (null when the bytes did not parse as one).
template <class T> std::shared_ptr<T> throughFile(const T& style, ByteBuffer* bytes = nullptr) {
    const ByteBuffer data = QVWriter::writer().dataWithElement(style);
    if (bytes)
        *bytes = data;
    QVParser parser = QVParser::parser();
    parser.registerElementClass<T>();
    if (!parser.parseData(data))
        return nullptr;
    return std::dynamic_pointer_cast<T>(parser.rootElement());
}

} // namespace qv::test
