#include "document/QVGenericElement.h"
#include "document/QVWriter.h"

#include <gtest/gtest.h>

#include <pthread.h>

using namespace qv;

namespace {

const std::string kDeclaration = "<?xml version=\"1.0\" standalone=\"no\"?>\n";

std::string written(const ElementPtr& root) {
    const ByteBuffer data = QVWriter::writer().dataWithElement(root);
    return std::string(data.begin(), data.end());
}

// Written without the declaration line.
std::string body(const ElementPtr& root) {
    const std::string s = written(root);
    EXPECT_EQ(s.compare(0, kDeclaration.size(), kDeclaration), 0);
    return s.substr(kDeclaration.size());
}

std::shared_ptr<QVGenericElement> element(const char* name) {
    return QVGenericElement::elementNamed(name);
}

// A saved object with a class of its own, whose name can be switched off.
class Thing : public QVSaveableElement {
public:
    std::optional<std::string> name = "thing";
    AttributeMap attributes;
    ElementList children;

    std::optional<std::string> elementName() const override { return name; }
    AttributeMap elementAttributes() const override { return attributes; }
    ElementList elementChildren() const override { return children; }
    void setElementAttributes(const AttributeMap& a) override { attributes = a; }
    void addElement(const ElementPtr& child) override { children.push_back(child); }
};

} // namespace

// An element with string attributes (name, value), character data and children.
ElementPtr el(const char* name, std::vector<std::pair<const char*, const char*>> attributes = {},
              const char* data = nullptr, ElementList children = {}) {
    auto e = element(name);
    for (const auto& [key, value] : attributes)
        e->attributes().setStringValue(value, key);
    if (data)
        e->setStringData(data);
    for (const ElementPtr& child : children)
        e->addElement(child);
    return e;
}

std::shared_ptr<Thing> thing(std::optional<std::string> name, ElementList children = {}) {
    auto t = std::make_shared<Thing>();
    t->name = std::move(name);
    t->children = std::move(children);
    return t;
}

TEST(QVWriter, ExactBytes) {
    ASSERT_EQ(kDeclaration.size(), 38u); // 37 bytes and a line feed
    EXPECT_EQ(written(nullptr), kDeclaration);
    EXPECT_EQ(written(thing(std::nullopt)), kDeclaration);

    auto page = element("page");
    page->setFloatAttribute(595, "w");
    page->setFloatAttribute(0.25, "h");
    page->setFloatAttribute(1.0 / 3.0, "scale");
    page->setIntAttribute(-1, "n");
    page->attributes().setBoolValue(true, "visible");
    page->attributes().setStringValue("#FF0000", "color");
    auto measured = thing("thing");
    measured->attributes.setFloatValue(1.5, "x");
    auto measuredWithChildren = thing("thing", {element("c"), nullptr});
    measuredWithChildren->attributes = measured->attributes;
    const ElementPtr shared = element("s");

    const struct {
        ElementPtr root;
        std::string expected;
    } cases[] = {
        {element("page"), "<page/>\n"},
        // Childless elements are one line, without a space before the slash.
        {el("qvdrawdocument", {}, nullptr, {page}),
         "<qvdrawdocument>\n\t<page w=\"595\" h=\"0.25\" scale=\"0.3333333333333333\" n=\"-1\" "
         "visible=\"yes\" color=\"#FF0000\"/>\n</qvdrawdocument>\n"},
        // Character data starts in column zero, before the children; data
        // ending in a line feed leaves an empty line before the end tag.
        {el("doc", {}, nullptr, {el("printinfo", {}, "QUJD")}),
         "<doc>\n\t<printinfo>\nQUJD\n\t</printinfo>\n</doc>\n"},
        {el("doc", {}, nullptr, {el("printinfo", {}, "QUJD\n")}),
         "<doc>\n\t<printinfo>\nQUJD\n\n\t</printinfo>\n</doc>\n"},
        {el("a", {}, "text", {element("b")}), "<a>\ntext\n\t<b/>\n</a>\n"},
        // Tabs and line breaks in attributes survive a reader's normalisation.
        {el("a", {{"v", "x&y<z\"w>'"}}), "<a v=\"x&amp;y&lt;z&quot;w>'\"/>\n"},
        {el("a", {{"v", "1\t2\n3\r4"}}), "<a v=\"1&#9;2&#10;3&#13;4\"/>\n"},
        // A carriage return would be read as a line feed, and "]]>" is not
        // allowed between tags.
        {el("a", {}, "x & y < z > \"q\" \t\n"), "<a>\nx &amp; y &lt; z > \"q\" \t\n\n</a>\n"},
        {el("a", {}, "a\r\nb]]>c]>d]]]>"), "<a>\na&#13;\nb]]&gt;c]>d]]]&gt;\n</a>\n"},
        // A nameless child is left out with its children; the parent keeps its end tag.
        {el("a", {}, nullptr, {thing(std::nullopt, {element("inner")})}), "<a>\n</a>\n"},
        {el("a", {}, nullptr, {thing(std::nullopt), element("b")}), "<a>\n\t<b/>\n</a>\n"},
        // Only generic elements write character data; null children are skipped.
        {measured, "<thing x=\"1.5\"/>\n"},
        {measuredWithChildren, "<thing x=\"1.5\">\n\t<c/>\n</thing>\n"},
        {el("a", {}, nullptr, {shared, shared}), "<a>\n\t<s/>\n\t<s/>\n</a>\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(body(c.root), c.expected);
}

TEST(QVWriter, DeepTreesWithoutRecursion) {
    // Indentation makes the output grow with the square of the depth, so the
    // tree is only moderately deep; the writer runs on a thread with a small
    // stack that one call per level would overflow.
    constexpr std::size_t depth = 5000;
    auto root = element("e");
    auto* last = root.get();
    for (std::size_t i = 1; i < depth; ++i) {
        auto child = element("e");
        last->addElement(child);
        last = child.get();
    }
    std::string s;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 128 * 1024);
    struct Job {
        ElementPtr root;
        std::string* out;
    } job{root, &s};
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attr,
                  [](void* p) -> void* {
                      auto* j = static_cast<Job*>(p);
                      *j->out = body(j->root);
                      return nullptr;
                  },
                  &job),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);

    // Level d has d tabs on its start and end lines; the deepest is one line.
    std::size_t expected = 0;
    for (std::size_t d = 0; d + 1 < depth; ++d)
        expected += 2 * d + 4 + 5;
    expected += (depth - 1) + 5;
    EXPECT_EQ(s.size(), expected);
    EXPECT_EQ(s.substr(0, 8), "<e>\n\t<e>");
    EXPECT_EQ(s.substr(s.size() - 5), "</e>\n");
}

TEST(QVWriter, ElementInsideItselfIsWrittenOncePerPath) {
    auto thing = std::make_shared<Thing>();
    auto child = element("c");
    thing->children = {child, thing};
    const std::string s = body(thing);
    EXPECT_EQ(s, "<thing>\n\t<c/>\n</thing>\n");
    thing->children.clear(); // break the cycle for the test's own cleanup
}
