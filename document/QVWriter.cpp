#include "document/QVWriter.h"

#include "document/QVGenericElement.h"

#include <unordered_set>
#include <vector>

namespace qv {
namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" standalone=\"no\"?>";

// One element whose start tag is written and whose end tag is not.
struct OpenElement {
    const QVSaveableElement* element;
    std::string name;
    std::size_t depth;
    const ElementList* list; // a generic element's own children, or null to use owned
    ElementList owned;
    std::size_t next = 0;

    const ElementList& children() const { return list ? *list : owned; }
};

} // namespace

void QVWriter::writeString(std::string_view s, ByteBuffer& data) {
    data.insert(data.end(), s.begin(), s.end());
}

void QVWriter::writeIndent(std::size_t depth, ByteBuffer& data) {
    data.insert(data.end(), depth, '\t');
}

void QVWriter::writeAttributeValue(std::string_view value, ByteBuffer& data) {
    for (const char c : value) {
        switch (c) {
        case '&':
            writeString("&amp;", data);
            break;
        case '<':
            writeString("&lt;", data);
            break;
        case '"':
            writeString("&quot;", data);
            break;
        // A reader turns literal tabs and line breaks in a value into spaces;
        // references keep them.
        case '\t':
            writeString("&#9;", data);
            break;
        case '\n':
            writeString("&#10;", data);
            break;
        case '\r':
            writeString("&#13;", data);
            break;
        default:
            data.push_back(static_cast<std::uint8_t>(c));
        }
    }
}

void QVWriter::writeCharacterData(std::string_view text, ByteBuffer& data) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '&':
            writeString("&amp;", data);
            break;
        case '<':
            writeString("&lt;", data);
            break;
        // A reader turns a literal carriage return into a line feed.
        case '\r':
            writeString("&#13;", data);
            break;
        case '>':
            // "]]>" may not appear literally between tags.
            if (i >= 2 && text[i - 1] == ']' && text[i - 2] == ']')
                writeString("&gt;", data);
            else
                data.push_back('>');
            break;
        default:
            data.push_back(static_cast<std::uint8_t>(c));
        }
    }
}

void QVWriter::writeAttributes(const AttributeMap& attributes, ByteBuffer& data) {
    for (const auto& [key, value] : attributes) {
        data.push_back(' ');
        writeString(key, data);
        writeString("=\"", data);
        if (const auto* s = std::get_if<std::string>(&value))
            writeAttributeValue(*s, data);
        else
            writeAttributeValue(attributeValueText(value), data);
        data.push_back('"');
    }
}

ByteBuffer QVWriter::dataWithElement(const ElementPtr& root) const {
    if (!root) {
        ByteBuffer data;
        writeString(kDeclaration, data);
        data.push_back('\n');
        return data;
    }
    return dataWithElement(*root);
}

ByteBuffer QVWriter::dataWithElement(const QVSaveableElement& root) const {
    ByteBuffer data;
    writeString(kDeclaration, data);
    data.push_back('\n');

    std::vector<OpenElement> open;
    std::unordered_set<const QVSaveableElement*> onPath;

    // Writes the start tag (and the whole element when it has no contents);
    // returns true when the element stays open for its children.
    auto start = [&](const QVSaveableElement& e, std::size_t depth) {
        const auto name = e.elementName();
        if (!name || onPath.count(&e))
            return;
        const auto* generic = dynamic_cast<const QVGenericElement*>(&e);
        writeIndent(depth, data);
        data.push_back('<');
        writeString(*name, data);
        if (generic)
            writeAttributes(generic->attributes(), data);
        else
            writeAttributes(e.elementAttributes(), data);

        OpenElement frame{&e, *name, depth, generic ? &generic->children() : nullptr, {}};
        if (!generic)
            frame.owned = e.elementChildren();
        const bool hasText = generic && !generic->stringData().empty();
        if (!hasText && frame.children().empty()) {
            writeString("/>\n", data);
            return;
        }
        writeString(">\n", data);
        if (hasText) {
            writeCharacterData(generic->stringData(), data);
            data.push_back('\n');
        }
        onPath.insert(&e);
        open.push_back(std::move(frame));
    };

    start(root, 0);
    while (!open.empty()) {
        OpenElement& top = open.back();
        const ElementList& children = top.children();
        if (top.next < children.size()) {
            const ElementPtr child = children[top.next++];
            const std::size_t depth = top.depth + 1;
            if (child)
                start(*child, depth); // may reallocate open; top is not used after this
            continue;
        }
        writeIndent(top.depth, data);
        writeString("</", data);
        writeString(top.name, data);
        writeString(">\n", data);
        onPath.erase(top.element);
        open.pop_back();
    }
    return data;
}

} // namespace qv
