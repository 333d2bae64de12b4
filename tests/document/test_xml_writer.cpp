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

TEST(QVWriter, DeclarationLineThenRoot) {
    ASSERT_EQ(kDeclaration.size(), 38u); // 37 bytes and a line feed
    EXPECT_EQ(written(element("page")), kDeclaration + "<page/>\n");
    EXPECT_EQ(written(nullptr), kDeclaration);
}

TEST(QVWriter, ChildlessElementIsOneLineWithoutSpaceBeforeSlash) {
    auto root = element("qvdrawdocument");
    auto page = element("page");
    page->setFloatAttribute(595, "w");
    page->setFloatAttribute(0.25, "h");
    page->setFloatAttribute(1.0 / 3.0, "scale");
    page->setIntAttribute(-1, "n");
    page->attributes().setBoolValue(true, "visible");
    page->attributes().setStringValue("#FF0000", "color");
    root->addElement(page);
    EXPECT_EQ(body(root), "<qvdrawdocument>\n"
                          "\t<page w=\"595\" h=\"0.25\" scale=\"0.3333333333333333\" n=\"-1\" "
                          "visible=\"yes\" color=\"#FF0000\"/>\n"
                          "</qvdrawdocument>\n");
}

TEST(QVWriter, CharacterDataStartsInColumnZero) {
    auto root = element("doc");
    auto info = element("printinfo");
    info->setStringData("QUJD");
    root->addElement(info);
    EXPECT_EQ(body(root), "<doc>\n\t<printinfo>\nQUJD\n\t</printinfo>\n</doc>\n");
    // Data already ending in a line feed leaves an empty line before the end tag.
    info->setStringData("QUJD\n");
    EXPECT_EQ(body(root), "<doc>\n\t<printinfo>\nQUJD\n\n\t</printinfo>\n</doc>\n");
}

TEST(QVWriter, CharacterDataBeforeChildren) {
    auto root = element("a");
    root->setStringData("text");
    root->addElement(element("b"));
    EXPECT_EQ(body(root), "<a>\ntext\n\t<b/>\n</a>\n");
}

TEST(QVWriter, EscapesAttributeValues) {
    auto root = element("a");
    root->attributes().setStringValue("x&y<z\"w>'", "v");
    EXPECT_EQ(body(root), "<a v=\"x&amp;y&lt;z&quot;w>'\"/>\n");
    // Tabs and line breaks survive a reader's normalisation of attribute values.
    root->attributes().setStringValue("1\t2\n3\r4", "v");
    EXPECT_EQ(body(root), "<a v=\"1&#9;2&#10;3&#13;4\"/>\n");
}

TEST(QVWriter, EscapesCharacterData) {
    auto root = element("a");
    root->setStringData("x & y < z > \"q\" \t\n");
    EXPECT_EQ(body(root), "<a>\nx &amp; y &lt; z > \"q\" \t\n\n</a>\n");
    // A carriage return would be read as a line feed, and "]]>" is not
    // allowed between tags.
    root->setStringData("a\r\nb]]>c]>d]]]>");
    EXPECT_EQ(body(root), "<a>\na&#13;\nb]]&gt;c]>d]]]&gt;\n</a>\n");
}

TEST(QVWriter, NamelessChildIsLeftOutWithItsChildren) {
    auto root = element("a");
    auto hidden = std::make_shared<Thing>();
    hidden->name.reset();
    hidden->children.push_back(element("inner"));
    root->addElement(hidden);
    // The parent still had a child, so it keeps its end tag.
    EXPECT_EQ(body(root), "<a>\n</a>\n");
    root->addElement(element("b"));
    EXPECT_EQ(body(root), "<a>\n\t<b/>\n</a>\n");

    auto nameless = std::make_shared<Thing>();
    nameless->name.reset();
    EXPECT_EQ(written(nameless), kDeclaration);
}

TEST(QVWriter, OnlyGenericElementsWriteCharacterData) {
    auto thing = std::make_shared<Thing>();
    thing->attributes.setFloatValue(1.5, "x");
    EXPECT_EQ(body(thing), "<thing x=\"1.5\"/>\n");
    thing->children.push_back(element("c"));
    thing->children.push_back(nullptr);
    EXPECT_EQ(body(thing), "<thing x=\"1.5\">\n\t<c/>\n</thing>\n");
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

TEST(QVWriter, SameChildTwiceIsWrittenTwice) {
    auto root = element("a");
    auto shared = element("s");
    root->addElement(shared);
    root->addElement(shared);
    EXPECT_EQ(body(root), "<a>\n\t<s/>\n\t<s/>\n</a>\n");
}
