// Parses any bytes; when they parse, writes the tree back, parses that again
// and checks that the second tree is the first one plus exactly the white
// space that the writer's layout adds to character data. Elements named "r"
// are built by a registered class that ignores character data.
#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace qv;

class Record : public QVSaveableElement {
public:
    static const char* classElementName() { return "r"; }
    std::optional<std::string> elementName() const override { return "r"; }
    AttributeMap elementAttributes() const override { return m_Attributes; }
    ElementList elementChildren() const override { return m_Children; }
    void setElementAttributes(const AttributeMap& a) override { m_Attributes = a; }
    void addElement(const ElementPtr& child) override { m_Children.push_back(child); }

private:
    AttributeMap m_Attributes;
    ElementList m_Children;
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "round trip mismatch: %s\n", what);
    std::abort();
}

bool parse(QVParser& parser, const ByteBuffer& data) {
    parser.registerElementClass<Record>();
    return parser.parseData(data);
}

// The character data a written and re-read element holds: its start tag's
// line feed, its own text and a line feed, then the indentation before and
// the line feed after each child, then the indentation of its end tag.
std::string expectedText(const std::string& text, std::size_t children, std::size_t depth) {
    if (text.empty() && children == 0)
        return {};
    std::string s = "\n";
    if (!text.empty())
        s += text + "\n";
    for (std::size_t i = 0; i < children; ++i)
        s += std::string(depth + 1, '\t') + "\n";
    s += std::string(depth, '\t');
    return s;
}

void compare(const QVSaveableElement& a, const QVSaveableElement& b, std::size_t depth) {
    if (a.elementName() != b.elementName())
        fail("name");
    if (a.elementAttributes() != b.elementAttributes())
        fail("attributes");
    const ElementList ca = a.elementChildren();
    const ElementList cb = b.elementChildren();
    if (ca.size() != cb.size())
        fail("child count");
    const auto* ga = dynamic_cast<const QVGenericElement*>(&a);
    const auto* gb = dynamic_cast<const QVGenericElement*>(&b);
    if (!ga != !gb)
        fail("element class");
    if (ga && gb->stringData() != expectedText(ga->stringData(), ca.size(), depth))
        fail("character data");
    for (std::size_t i = 0; i < ca.size(); ++i)
        compare(*ca[i], *cb[i], depth + 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QVParser first;
    if (!parse(first, ByteBuffer(data, data + size))) {
        if (!first.parserError() || first.parserError()->message.empty())
            fail("failed parse without an error");
        return 0;
    }
    if (first.parserError() || !first.rootElement())
        fail("successful parse without a root");
    const ByteBuffer written = QVWriter::writer().dataWithElement(first.rootElement());
    QVParser second;
    if (!parse(second, written)) {
        std::fprintf(stderr, "%s\n", second.parserError()->description().c_str());
        fail("written file does not parse");
    }
    compare(*first.rootElement(), *second.rootElement(), 0);
    return 0;
}
