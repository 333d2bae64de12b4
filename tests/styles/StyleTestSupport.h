#pragma once
// A stand-in for the shape that owns a style: it records every announcement.

#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "framework/foundation/AttributeMap.h"
#include "styles/StyleOwner.h"

#include <memory>

#include <string>
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

// Attributes as (name, text) pairs, in written order.
inline std::vector<std::pair<std::string, std::string>> texts(const AttributeMap& m) {
    std::vector<std::pair<std::string, std::string>> t;
    for (const auto& [key, value] : m)
        t.emplace_back(key, attributeValueText(value));
    return t;
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
