#pragma once
// Turns a tree of saveable elements into the bytes of an XML file: a
// declaration line, then one element per line (or start and end tag lines
// around its contents), indented with tabs.

#include "document/QVSaveableElement.h"
#include "framework/foundation/ByteBuffer.h"

#include <string_view>

namespace qv {

class QVWriter {
public:
    static QVWriter writer() { return {}; }

    // The complete file. Never fails: an element without a name is left out
    // together with its children. Deep trees are written without recursion,
    // and an element that is its own ancestor is written only once on a path.
    ByteBuffer dataWithElement(const QVSaveableElement& root) const;
    ByteBuffer dataWithElement(const ElementPtr& root) const;

    // Escaping of text written inside a start tag and between tags.
    static void writeAttributeValue(std::string_view value, ByteBuffer& data);
    static void writeCharacterData(std::string_view text, ByteBuffer& data);

private:
    static void writeAttributes(const AttributeMap& attributes, ByteBuffer& data);
    static void writeIndent(std::size_t depth, ByteBuffer& data);
    static void writeString(std::string_view s, ByteBuffer& data);
};

} // namespace qv
