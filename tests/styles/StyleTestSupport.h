#pragma once
// Shared by the style tests: attributes as "key=value" text, a stand-in for
// the shape that owns a style (it records every announcement), key-value
// rows checked with what the owner hears, and file round trips.

#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "framework/foundation/AttributeMap.h"
#include "styles/StyleOwner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace qv::test {

// Attributes written as "key=value key=value", in order.
inline std::string line(const AttributeMap& m) {
    std::string out;
    for (const auto& [key, value] : m)
        out += (out.empty() ? "" : " ") + key + "=" + attributeValueText(value);
    return out;
}

// Attribute values in their file text form, as the reader hands them over.
inline AttributeMap asRead(const AttributeMap& written) {
    AttributeMap m;
    for (const auto& [key, value] : written)
        m.append(key, attributeValueText(value));
    return m;
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

// The values a style answers for `keys`, colours as hex text, space-separated.
inline std::string values(const KeyValueCoding& style, std::initializer_list<const char*> keys) {
    std::string out;
    for (const char* key : keys) {
        const Value v = style.valueForKey(key);
        out +=
            (out.empty() ? "" : " ") +
            (v.kind() == Value::Kind::Color ? v.toColor().hexStringWithAlpha() : v.description());
    }
    return out;
}

// A path from text: "M x y", "L x y", "C x1 y1 x2 y2 x y" (controls first) and "Z".
inline BezierPath pathOf(std::string_view text) {
    std::istringstream in{std::string(text)};
    BezierPath p;
    char op;
    double v[6];
    while (in >> op) {
        for (int i = 0; i < (op == 'C' ? 6 : op == 'Z' ? 0 : 2); ++i)
            in >> v[i];
        op == 'M'   ? p.moveToPoint({v[0], v[1]})
        : op == 'L' ? p.lineToPoint({v[0], v[1]})
        : op == 'C' ? p.curveToPoint({v[4], v[5]}, {v[0], v[1]}, {v[2], v[3]})
                    : p.closePath();
    }
    return p;
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
    std::vector<std::string> events;
};

// A key set to a value twice on a fresh style; the owner hears, `times` over:
// its own will, each announced key's will in order, the fill cache cleared
// (for fills), each key's did in reverse order, its own did. An empty list
// of keys: the value was the style's already, and nothing is heard.
struct KeyRow {
    const char* key;
    Value value;
    std::vector<const char*> announced = {};
    int times = 1;
};

template <class T> void checkKeys(const std::string& name, const std::vector<KeyRow>& rows) {
    for (const KeyRow& row : rows) {
        SCOPED_TRACE(row.key);
        RecordingOwner owner;
        T style;
        style.setShape(&owner);
        EXPECT_TRUE(style.setValueForKey(row.value, row.key));
        EXPECT_TRUE(style.setValueForKey(row.value, row.key));
        EXPECT_EQ(style.valueForKey(row.key), row.value);
        std::vector<std::string> heard;
        for (int i = 0; i < (row.announced.empty() ? 0 : row.times); ++i) {
            heard.push_back("willChange");
            for (const char* k : row.announced)
                heard.push_back("will " + name + "." + k);
            if (name == "fill")
                heard.push_back("clearFillCache");
            for (auto it = row.announced.rbegin(); it != row.announced.rend(); ++it)
                heard.push_back("did " + name + "." + *it);
            heard.push_back("didChange");
        }
        EXPECT_EQ(owner.events, heard);
        // A copy has every value and no owner: its edits reach nobody.
        const auto copy = style.copy();
        EXPECT_EQ(copy->shape(), nullptr);
        EXPECT_EQ(line(copy->elementAttributes()), line(style.elementAttributes()));
        owner.events.clear();
        copy->setValueForKey(T().valueForKey(row.key), row.key);
        EXPECT_TRUE(owner.events.empty());
    }
}

// Values refused by the style's keys: false, and not a word to the owner.
template <class T> void checkRefused(const std::vector<std::pair<const char*, Value>>& rows) {
    RecordingOwner owner;
    T style;
    style.setShape(&owner);
    for (const auto& [key, value] : rows)
        EXPECT_FALSE(style.setValueForKey(value, key)) << key;
    EXPECT_TRUE(style.valueForKey("nonsense").isNull());
    EXPECT_TRUE(owner.events.empty());
}

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

// Write, read, write: the same attributes and (for `sameBytes`) the same file.
template <class T> void expectStableThroughFile(const T& style, bool sameBytes = true) {
    ByteBuffer bytes1, bytes2;
    const auto read = throughFile(style, &bytes1);
    ASSERT_NE(read, nullptr);
    const auto again = throughFile(*read, &bytes2);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(line(again->elementAttributes()), line(read->elementAttributes()));
    EXPECT_TRUE(!sameBytes || bytes1 == bytes2);
}

} // namespace qv::test
