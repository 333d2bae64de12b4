// The element tree, its XML writer and its reader over expat: exact bytes,
// what each registered or generic element receives, limits on hostile input,
// and write → read → write over random trees.
#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "framework/foundation/Base64.h"
#include "tests/support/SplitList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <pthread.h>
#include <random>

using namespace qv;

namespace {

// An element class of the kind the document registers: keeps its attributes
// and children, has no character data; counts the reader's brackets.
class Node : public QVSaveableElement {
public:
    static const char* classElementName() { return "node"; }
    std::optional<std::string> elementName() const override { return name; }
    AttributeMap elementAttributes() const override { return attributes; }
    ElementList elementChildren() const override { return children; }
    void setElementAttributes(const AttributeMap& a) override {
        attributes = a;
        ++attributeCalls;
    }
    void addElement(const ElementPtr& child) override { children.push_back(child); }
    void willReadElement() override { ++brackets; }
    void didReadElement() override { ++brackets; }

    std::optional<std::string> name = "node";
    AttributeMap attributes;
    ElementList children;
    int attributeCalls = 0, brackets = 0;
};

class OtherNode : public Node {
public:
    static std::optional<std::string> classElementName() { return "node"; }
};

std::shared_ptr<Node> node(std::optional<std::string> name, ElementList children = {}) {
    auto n = std::make_shared<Node>();
    n->name = std::move(name);
    n->children = std::move(children);
    return n;
}

// A parent that looks at its children and keeps none of them, as the shapes do.
class Reader : public Node {
public:
    static const char* classElementName() { return "reader"; }
    void addElement(const ElementPtr& child) override {
        if (auto* g = dynamic_cast<QVGenericElement*>(child.get()))
            seen.push_back(g->name() + "|" + keyValues(g->attributes()) + "|" + g->stringData() +
                           "|" + std::to_string(g->children().size()));
    }
    static std::string keyValues(const AttributeMap& map) {
        std::string s;
        for (const auto& [k, v] : map)
            s += " " + k + "=" + attributeValueText(v);
        return s;
    }
    std::vector<std::string> seen;
};

std::string text(const ByteBuffer& b) {
    return std::string(b.begin(), b.end());
}

std::shared_ptr<QVGenericElement> generic(const ElementPtr& e) {
    return std::dynamic_pointer_cast<QVGenericElement>(e);
}

std::shared_ptr<QVGenericElement>
el(const char* name, std::vector<std::pair<const char*, const char*>> attributes = {},
   const char* data = nullptr, ElementList children = {}) {
    auto e = QVGenericElement::elementNamed(name);
    for (const auto& [key, value] : attributes)
        e->attributes().setStringValue(value, key);
    if (data)
        e->setStringData(data);
    for (const ElementPtr& child : children)
        e->addElement(child);
    return e;
}

ByteBuffer write(const QVSaveableElement& root) {
    return QVWriter::writer().dataWithElement(root);
}

// A tree as one line: name, [key=value] (non-text values marked #), 'data'
// of generic elements, (children).
std::string describe(const ElementPtr& e) {
    if (!e)
        return "null";
    std::string s = e->elementName().value_or("?");
    const auto g = generic(e);
    const auto n = std::dynamic_pointer_cast<Node>(e);
    for (const auto& [k, v] : g ? g->attributes() : n->attributes)
        s += "[" + k + "=" + (std::holds_alternative<std::string>(v) ? "" : "#") +
             attributeValueText(v) + "]";
    if (g && !g->stringData().empty())
        s += " '" + g->stringData() + "'";
    const ElementList& children = g ? g->children() : n->children;
    for (std::size_t i = 0; i < children.size(); ++i)
        s += (i ? " " : " (") + describe(children[i]) + (i + 1 == children.size() ? ")" : "");
    return s;
}

std::optional<std::string> parseError(std::string_view xml) {
    QVParser parser;
    const bool ok = parser.parseData(xml);
    EXPECT_EQ(ok, !parser.parserError().has_value());
    if (ok)
        return std::nullopt;
    EXPECT_EQ(parser.rootElement(), nullptr);
    EXPECT_FALSE(parser.parserError()->description().empty());
    return parser.parserError()->message;
}

using test::split;

const std::string kLatin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";

} // namespace

TEST(QVWriter, ExactBytes) {
    const std::string declaration = "<?xml version=\"1.0\" standalone=\"no\"?>\n";
    EXPECT_EQ(text(QVWriter::writer().dataWithElement(nullptr)), declaration);
    EXPECT_EQ(text(write(*node(std::nullopt))), declaration);

    auto page = el("page");
    page->setFloatAttribute(595, "w");
    page->setFloatAttribute(0.25, "h");
    page->setFloatAttribute(1.0 / 3.0, "scale");
    page->setIntAttribute(-1, "n");
    page->attributes().setBoolValue(true, "visible");
    page->attributes().setStringValue("#FF0000", "color");
    auto measured = node("thing"), measuredWithChildren = node("thing", {el("c"), nullptr});
    measured->attributes.setFloatValue(1.5, "x");
    measuredWithChildren->attributes = measured->attributes;
    const ElementPtr shared = el("s");
    const std::pair<ElementPtr, std::string> cases[] = {
        {el("page"), "<page/>\n"},
        // Childless elements are one line, without a space before the slash.
        {el("qvdrawdocument", {}, nullptr, {page}),
         "<qvdrawdocument>\n\t<page w=\"595\" h=\"0.25\" "
         "scale=\"0.3333333333333333\" n=\"-1\" "
         "visible=\"yes\" color=\"#FF0000\"/>\n</qvdrawdocument>\n"},
        // Character data starts in column zero, before the children; data
        // ending in a line feed leaves an empty line before the end tag.
        {el("doc", {}, nullptr, {el("printinfo", {}, "QUJD")}),
         "<doc>\n\t<printinfo>\nQUJD\n\t</printinfo>\n</doc>\n"},
        {el("doc", {}, nullptr, {el("printinfo", {}, "QUJD\n")}),
         "<doc>\n\t<printinfo>\nQUJD\n\n\t</printinfo>\n</doc>\n"},
        {el("a", {}, "text", {el("b")}), "<a>\ntext\n\t<b/>\n</a>\n"},
        // Tabs and line breaks in attributes survive a reader's normalisation.
        {el("a", {{"v", "x&y<z\"w>'"}}), "<a v=\"x&amp;y&lt;z&quot;w>'\"/>\n"},
        {el("a", {{"v", "1\t2\n3\r4"}}), "<a v=\"1&#9;2&#10;3&#13;4\"/>\n"},
        // A carriage return would be read as a line feed, and "]]>" is not
        // allowed between tags.
        {el("a", {}, "x & y < z > \"q\" \t\n"), "<a>\nx &amp; y &lt; z > \"q\" \t\n\n</a>\n"},
        {el("a", {}, "a\r\nb]]>c]>d]]]>"), "<a>\na&#13;\nb]]&gt;c]>d]]]&gt;\n</a>\n"},
        // A nameless child is left out with its children; the parent keeps its
        // end tag.
        {el("a", {}, nullptr, {node(std::nullopt, {el("inner")})}), "<a>\n</a>\n"},
        {el("a", {}, nullptr, {node(std::nullopt), el("b")}), "<a>\n\t<b/>\n</a>\n"},
        // Only generic elements write character data; null children are skipped.
        {measured, "<thing x=\"1.5\"/>\n"},
        {measuredWithChildren, "<thing x=\"1.5\">\n\t<c/>\n</thing>\n"},
        {el("a", {}, nullptr, {shared, shared}), "<a>\n\t<s/>\n\t<s/>\n</a>\n"},
    };
    for (const auto& [root, expected] : cases)
        EXPECT_EQ(text(write(*root)), declaration + expected);

    // An element inside itself is written once per path.
    auto self = node("thing");
    self->children = {el("c"), self};
    EXPECT_EQ(text(write(*self)), declaration + "<thing>\n\t<c/>\n</thing>\n");
    self->children.clear(); // break the cycle for the test's own cleanup
}

TEST(QVWriter, DeepTreesAreWrittenAndReleasedWithoutRecursion) {
    // Indentation makes the output grow with the square of the depth, so the
    // tree is only moderately deep; the writer runs on a thread with a small
    // stack that one call per level would overflow.
    constexpr std::size_t depth = 5000;
    auto root = el("e");
    auto* last = root.get();
    for (std::size_t i = 1; i < depth; ++i) {
        auto child = el("e");
        last->addElement(child);
        last = child.get();
    }
    std::pair<ElementPtr, std::string> job{root, {}};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 128 * 1024);
    pthread_t thread;
    const auto run = [](void* p) -> void* {
        auto* j = static_cast<std::pair<ElementPtr, std::string>*>(p);
        j->second = text(QVWriter::writer().dataWithElement(j->first));
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, run, &job), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    // The declaration; level d has d tabs on its start and end lines; the deepest
    // is one line.
    std::size_t expected = 38 + (depth - 1) + 5;
    for (std::size_t d = 0; d + 1 < depth; ++d)
        expected += 2 * d + 4 + 5;
    EXPECT_EQ(job.second.size(), expected);
    EXPECT_EQ(job.second.substr(38, 8), "<e>\n\t<e>");

    // Releasing a far deeper tree level by level would exhaust the stack.
    std::weak_ptr<QVGenericElement> deepest;
    for (int i = 0; i < 100'000; ++i) {
        auto child = el("e");
        last->addElement(child);
        last = child.get();
        deepest = child;
    }
    root.reset();
    job.first.reset();
    EXPECT_TRUE(deepest.expired());
    // A subtree still held elsewhere survives its parent.
    auto middle = el("m", {}, nullptr, {el("leaf")});
    el("e", {}, nullptr, {middle}).reset();
    EXPECT_EQ(describe(middle), "m (leaf)");
}

TEST(QVGenericElement, AttributesAreReplacedWholeAndCompoundOnesSplitIntoKeys) {
    auto e = el("a");
    e->setIntAttribute(1, "old");
    AttributeMap m;
    m.setStringValue("2", "new");
    e->setElementAttributes(m);
    e->setAttribute(AttributeValue(std::string("v")), "k");
    e->setAttribute(std::nullopt, "new");
    EXPECT_EQ(e->attributeForKey("new"), nullptr);
    EXPECT_EQ(e->elementAttributes().size(), 1u);
    e->addStringData("ab");
    e->addStringData("cd");
    EXPECT_EQ(describe(e), "a[k=v] 'abcd'");

    auto r = el("bounds");
    r->setRectAttribute(Rect(1, 2, 3, 4));
    r->setRectAttribute(Rect(5, 6, 7, 8), "page");
    r->setPointAttribute(Point(1.5, -2), "start");
    r->setSizeAttribute(Size(9, 10), "s");
    EXPECT_EQ(describe(r), "bounds[x=#1][y=#2][w=#3][h=#4][page-x=#5][page-y=#6]["
                           "page-w=#7][page-h=#8]"
                           "[start-x=#1.5][start-y=#-2][s-w=#9][s-h=#10]");
    EXPECT_EQ(r->rectAttributeForKey("page"), Rect(5, 6, 7, 8));
    // Values read from a file are text; a missing or bad component reads 0.
    AttributeMap text;
    text.setStringValue(" 12.7 ", "x");
    text.setStringValue("junk", "y");
    r->setElementAttributes(text);
    EXPECT_EQ(r->pointAttribute(), Point(12.7, 0));
    EXPECT_EQ(r->sizeAttribute(), Size(0, 0));
    EXPECT_EQ(r->intAttributeForKey("x"), 12);

    // childNamed finds the first.
    auto a = el("bounds"), b = el("bounds");
    e->addElement(nullptr);
    e->addElement(a);
    e->addElement(b);
    EXPECT_EQ(e->childNamed("bounds"), a);
    EXPECT_EQ(e->childNamed("none"), nullptr);
    EXPECT_EQ(e->elementChildren().size(), 3u);
}

// What generic and registered elements receive for each input; every result
// must also write back into a file that reads.
TEST(QVParser, WhatEachElementReceives) {
    auto doc = std::make_shared<Node>();
    doc->name = "doc";
    const struct {
        std::string xml;
        std::string expected;
    } cases[] = {
        // Registered classes get attributes and children, generic elements also
        // text.
        {"<rtf>a&amp;b<node>ignored<t>kept &lt; &#x263A;</t></node>c</rtf>",
         "rtf 'a&bc' (node (t 'kept < \xE2\x98\xBA'))"},
        {"<a z=\"1\" b=\" 2.5 \" m=\"&quot;&lt;&amp;&#65;\" e=\"\"/>",
         "a[z=1][b= 2.5 ][m=\"<&A][e=]"},
        {"<p:a xmlns:p=\"urn:x\" p:b=\"1\"><q:c/></p:a>", "p:a[xmlns:p=urn:x][p:b=1] (q:c)"},
        {"<?xml version=\"1.0\"?><!DOCTYPE a [<!ELEMENT a ANY>]><!-- c "
         "--><a><?pi data?>x<!-- y "
         "-->z</a>",
         "a 'xz'"},
        {"<!DOCTYPE a [<!ENTITY ext SYSTEM \"file://" QV_SOURCE_DIR
         "/CMakeLists.txt\">]><a>[&ext;]</a>",
         "a '[]'"}, // external entities are not resolved
        {"<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;&e;</a>", "a 'xx'"},
        // The reader reuses one attribute map: fewer after more, long after
        // short, none.
        {"<node a=\"1\" b=\"2\" c=\"33333333333333333333\"><node x=\"long value "
         "that needs the "
         "heap\"/><node/><node p=\"5\" q=\"6\"/></node>",
         "node[a=1][b=2][c=33333333333333333333] (node[x=long value that needs "
         "the heap] node "
         "node[p=5][q=6])"},
        // Other Latin-1 letters are names in UTF-8 too.
        {kLatin1 + "<a\xE9 v=\"\xFF\"/>", "a\xC3\xA9[v=\xC3\xBF]"},
        // Under an unregistered root the nested instance is handed to a generic
        // parent.
        {"<something><doc a=\"1\"/></something>", "something (doc[a=1])"},
        // A nested element of the instance's name is not the instance again.
        {"<doc a=\"outer\"><doc a=\"inner\"/></doc>", "doc[a=outer] (doc[a=inner])"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        doc->attributes = {};
        doc->children.clear();
        QVParser parser;
        parser.registerElementClass<Node>();
        parser.registerElementInstance(doc);
        ASSERT_TRUE(parser.parseData(c.xml));
        EXPECT_EQ(describe(parser.rootElement()), c.expected);
        QVParser again;
        EXPECT_TRUE(again.parseData(write(*parser.rootElement())));
    }
}

TEST(QVParser, InstancesBeforeClassesBeforeGenericElementsAndLaterRegistrationsWin) {
    auto doc = std::make_shared<Node>();
    doc->name = "doc";
    auto parser = QVParser::parser();
    parser.registerElementInstance(doc);
    parser.registerElementClass<Node>();
    parser.registerElementClass("doc", [] { return std::make_shared<Node>(); });
    ASSERT_TRUE(parser.parseData("<doc a=\"1\"><node b=\"2\"><x/></node><other/></doc>"));
    EXPECT_EQ(parser.rootElement(), doc);
    EXPECT_EQ(describe(doc), "doc[a=1] (node[b=2] (x) other)");
    EXPECT_EQ(std::dynamic_pointer_cast<Node>(doc->children[0])->attributeCalls, 1);
    // Made by the parser: bracketed; the instance: not, since others may watch
    // it.
    EXPECT_EQ(std::dynamic_pointer_cast<Node>(doc->children[0])->brackets, 2);
    EXPECT_EQ(doc->brackets, 0);
    // A file without the instance leaves it alone.
    QVParser other;
    other.registerElementInstance(doc);
    ASSERT_TRUE(other.parseData("<root/>"));
    EXPECT_EQ(doc->children.size(), 2u);

    QVParser later;
    later.registerElementClass<Node>();
    later.registerElementClass<OtherNode>();
    ASSERT_TRUE(later.parseData("<node/>"));
    EXPECT_TRUE(std::dynamic_pointer_cast<OtherNode>(later.rootElement()));
    // An object a factory also keeps elsewhere is not bracketed either.
    auto shared = std::make_shared<Node>();
    QVParser factory;
    factory.registerElementClass("node", [shared] { return shared; });
    ASSERT_TRUE(factory.parseData("<node/>"));
    EXPECT_EQ(shared->brackets, 0);
    // An instance owned elsewhere.
    Node owned;
    owned.name = "doc";
    QVParser parser2;
    parser2.registerElementInstance(owned);
    ASSERT_TRUE(parser2.parseData("<doc><node/></doc>"));
    EXPECT_EQ(owned.children.size(), 1u);
    EXPECT_EQ(parser2.rootElement().get(), &owned);
    // Elements finished before an error reach their parents.
    auto partial = std::make_shared<Node>();
    partial->name = "doc";
    QVParser broken;
    broken.registerElementInstance(partial);
    EXPECT_FALSE(broken.parseData("<doc><page/><grid/><broken></doc>"));
    EXPECT_EQ(partial->children.size(), 2u);
}

TEST(QVParser, MalformedAndHostileInputFailsWithAMessage) {
    std::string deep, atLimit, bomb = "<!DOCTYPE a [<!ENTITY e0 \"laughlaughlaughlaugh\">";
    for (int i = 0; i < 100000; ++i)
        deep += "<e>";
    for (std::size_t i = 0; i < QVParser::kMaxDepth; ++i)
        atLimit = "<e>" + atLimit + "</e>";
    EXPECT_EQ(parseError(atLimit), std::nullopt);
    // Entity expansion bomb: each level ten times the one below.
    for (int i = 1; i <= 12; ++i) {
        bomb += "<!ENTITY e" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j)
            bomb += "&e" + std::to_string(i - 1) + ";";
        bomb += "\">";
    }
    // One large entity used many times grows quadratically without nesting.
    std::string quadratic = "<!DOCTYPE a [<!ENTITY big \"" + std::string(100000, 'x') + "\">]><a>";
    for (int i = 0; i < 10000; ++i)
        quadratic += "&big;";
    std::string declarations = "<!DOCTYPE a [";
    for (int i = 0; i < 1000; ++i)
        declarations += "<!ENTITY d" + std::to_string(i) + " \"v\">";
    // Unbalanced, duplicate attribute, undefined entity, bare ampersand, empty,
    // two roots, unquoted value, no element; broken UTF-8: a cut sequence, a
    // surrogate, past U+10FFFF, overlong, a control character; Latin-1 name
    // characters that UTF-8 refuses (written back they would not read).
    std::vector<std::string> malformed = split(
        "|<a><b></a>|<a x=\"1\" x=\"2\"/>|<a>&nope;</a>|<a>fish & chips</a>|<a/><b/>|<a x=1/>|"
        "text only|<a>\xC3\x28</a>|<a>\xED\xA0\x80</a>|<a>\xF4\x90\x80\x80</a>|<a>\xC0\xAF</a>|"
        "<a>\x01</a>|<a\xC2\xAA/>|" +
        kLatin1 + "<a\xBA/>|" + kLatin1 + "<a b\xB5=\"1\"/>");
    malformed.insert(malformed.end(),
                     {bomb + "]><a>&e12;</a>", bomb + "]><a v=\"&e12;\"/>", quadratic + "</a>"});
    for (const std::string& xml : malformed)
        EXPECT_FALSE(parseError(xml).value_or("").empty()) << xml.substr(0, 60);
    const std::pair<std::string, const char*> limits[] = {
        {deep, "nested deeper"},
        {"<f>" + atLimit + "</f>", "nested deeper"},
        {declarations + "]><a/>", "entity declarations"},
        {"<a v=\"" + std::string(50 * 1024 * 1024, 'x') + "\"/>", "attribute \"v\" longer"}};
    for (const auto& [xml, message] : limits)
        EXPECT_NE(parseError(xml).value_or("").find(message), std::string::npos) << message;
    QVParser parser;
    EXPECT_FALSE(parser.parseData("<a>\n<b></a>"));
    EXPECT_EQ(parser.parserError()->line, 2u);
    EXPECT_TRUE(parser.parseData("<a/>"));
    EXPECT_EQ(parser.parserError(), std::nullopt);

    // Large input within the limits reads.
    const std::string value(QVParser::kMaxAttributeLength, 'v');
    ASSERT_TRUE(
        parser.parseData("<a v=\"" + value + "\">" + std::string(20'000'000, 't') + "</a>"));
    EXPECT_EQ(generic(parser.rootElement())->attributes().stringValueForKey("v")->size(),
              value.size());
    EXPECT_EQ(generic(parser.rootElement())->stringData().size(), 20'000'000u);
}

TEST(QVParser, WrittenLayoutAndEscapesReadBackAndEveryTruncationFails) {
    auto root = el("doc");
    const ByteBuffer blob(54, 0xAB); // one full 72-character line
    const std::string awkward = "x&y<z>\"'\t\n\r\n]]>\xE2\x98\xBA end";
    root->attributes().setStringValue(awkward, "v");
    root->setIntAttribute(1, "version");
    root->addElement(el("rtf", {}, base64Encoding(blob, 72).c_str()));
    root->addElement(el("t", {}, awkward.c_str()));
    root->addElement(el("empty"));
    const ByteBuffer data = write(*root);
    QVParser parser;
    ASSERT_TRUE(parser.parseData(data));
    auto read = generic(parser.rootElement());
    // Start tag's line feed; before each child its tabs, after it a line feed.
    EXPECT_EQ(read->stringData(), "\n\t\n\t\n\t\n");
    EXPECT_EQ(read->attributes().stringValueForKey("v"), awkward);
    const std::string rtf = generic(read->childNamed("rtf"))->stringData();
    EXPECT_EQ(rtf, "\n" + base64Encoding(blob, 72) + "\n\t");
    EXPECT_EQ(dataWithBase64EncodedString(rtf), blob);
    EXPECT_EQ(generic(read->childNamed("t"))->stringData(), "\n" + awkward + "\n\t");
    EXPECT_EQ(generic(read->childNamed("empty"))->stringData(), "");
    // The last byte is the root's final line feed; without it the file is whole.
    for (std::size_t n = 0; n + 1 < data.size(); ++n)
        EXPECT_FALSE(parseError(std::string_view(text(data)).substr(0, n)).value_or("").empty())
            << n;
}

namespace {

// A random tree of registered nodes with generic leaves, with attribute
// values that exercise escaping and every value kind.
ElementPtr randomTree(std::mt19937& rng, int depth) {
    std::uniform_int_distribution<int> pick(0, 9);
    const char* texts[] = {"plain",       "a&b", "<tag>", "\"quoted\"",  "tab\there",
                           "line\nbreak", "",    "  ",    "caf\xC3\xA9", "]]>"};
    auto fill = [&](AttributeMap& a) {
        const int n = pick(rng) % 5;
        for (int i = 0; i < n; ++i) {
            const std::string key = "k" + std::to_string(i) + (pick(rng) < 3 ? "-x" : "");
            switch (pick(rng) % 3) {
            case 0:
                a.setStringValue(texts[pick(rng)], key);
                break;
            case 1:
                a.setFloatValue(std::ldexp(double(rng()) - 2e9, pick(rng) * 7 - 30), key);
                break;
            default:
                a.setIntValue(std::int64_t(rng()) * (pick(rng) - 5), key);
            }
        }
    };
    if (depth == 0 || pick(rng) < 3) {
        auto leaf = QVGenericElement::elementNamed(pick(rng) < 5 ? "leaf" : "x:y.z-1");
        fill(leaf->attributes());
        return leaf;
    }
    auto n = std::make_shared<Node>();
    fill(n->attributes);
    for (int i = pick(rng) % 5; i > 0; --i)
        n->children.push_back(randomTree(rng, depth - 1));
    return n;
}

} // namespace

TEST(QVParser, WriteReadWriteGivesIdenticalBytes) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round) {
        const ElementPtr tree = randomTree(rng, 6);
        const ByteBuffer first = write(*tree);
        QVParser parser;
        parser.registerElementClass<Node>();
        ASSERT_TRUE(parser.parseData(first)) << parser.parserError()->description() << "\n"
                                             << text(first);
        ASSERT_EQ(text(write(*parser.rootElement())), text(first));
    }
    // Inputs that once broke reading or writing: each fails with a message,
    // or parses, writes back and parses again.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QV_TEST_DATA_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(in)), {});
        ++files;
        QVParser parser;
        if (!parser.parseData(data)) {
            EXPECT_FALSE(parser.parserError()->message.empty()) << entry.path();
            continue;
        }
        EXPECT_EQ(parseError(text(write(*parser.rootElement()))), std::nullopt) << entry.path();
    }
    EXPECT_GT(files, 0);
}

// The reader's reuse of its own storage from tag to tag (attribute maps, plain
// leaves nobody kept) must never let one element see another's attributes,
// text or children.
TEST(QVParser, EveryPlainChildSeesOnlyItsOwnAttributesTextAndChildren) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::string> expected;
        std::string xml = "<reader>";
        for (int i = 0; i < 60; ++i) {
            const std::string name(1, char('a' + rng() % 5));
            AttributeMap attributes;
            xml += "<" + name;
            for (int k = 0, n = static_cast<int>(rng() % 6); k < n; ++k) {
                // Values short and long, so that strings past the small-string
                // size are reused too.
                const std::string key = "k" + std::to_string(k),
                                  value(rng() % 40, char('0' + rng() % 10));
                attributes.append(key, value);
                xml += " " + key + "=\"" + value + "\"";
            }
            std::string data;
            std::size_t children = 0;
            switch (rng() % 3) {
            case 0:
                xml += "/>";
                break;
            case 1:
                data = "text" + std::to_string(i);
                xml += ">" + data + "</" + name + ">";
                break;
            default:
                children = 1 + rng() % 2;
                xml += ">";
                for (std::size_t c = 0; c < children; ++c)
                    xml += "<leaf n=\"" + std::to_string(c) + "\"/>";
                xml += "</" + name + ">";
            }
            expected.push_back(name + "|" + Reader::keyValues(attributes) + "|" + data + "|" +
                               std::to_string(children));
        }
        QVParser parser;
        parser.registerElementClass<Reader>();
        ASSERT_TRUE(parser.parseData(xml + "</reader>")) << xml;
        auto root = std::dynamic_pointer_cast<Reader>(parser.rootElement());
        ASSERT_TRUE(root);
        EXPECT_EQ(root->seen, expected) << xml;
    }
}
