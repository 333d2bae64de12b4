#include "document/QVGenericElement.h"
#include "document/QVParser.h"
#include "document/QVWriter.h"
#include "framework/foundation/Base64.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

using namespace qv;

namespace {

// An element class of the kind the document registers: keeps its attributes
// and children, has no character data.
class Node : public QVSaveableElement {
public:
    static const char* classElementName() { return "node"; }
    std::optional<std::string> elementName() const override { return "node"; }
    AttributeMap elementAttributes() const override { return attributes; }
    ElementList elementChildren() const override { return children; }
    void setElementAttributes(const AttributeMap& a) override {
        attributes = a;
        ++attributeCalls;
    }
    void addElement(const ElementPtr& child) override { children.push_back(child); }

    AttributeMap attributes;
    ElementList children;
    int attributeCalls = 0;
};

class OtherNode : public Node {
public:
    static std::optional<std::string> classElementName() { return "node"; }
};

class Document : public Node {
public:
    std::optional<std::string> elementName() const override { return "doc"; }
};

std::string text(const ByteBuffer& b) {
    return std::string(b.begin(), b.end());
}

std::shared_ptr<QVGenericElement> generic(const ElementPtr& e) {
    return std::dynamic_pointer_cast<QVGenericElement>(e);
}

bool parses(std::string_view xml, std::string* error = nullptr) {
    QVParser parser;
    const bool ok = parser.parseData(xml);
    EXPECT_EQ(ok, !parser.parserError().has_value());
    if (!ok && error)
        *error = parser.parserError()->message;
    return ok;
}

ByteBuffer write(const QVSaveableElement& root) {
    return QVWriter::writer().dataWithElement(root);
}

} // namespace

TEST(QVParser, InstancesBeforeClassesBeforeGenericElements) {
    auto doc = std::make_shared<Document>();
    auto parser = QVParser::parser();
    parser.registerElementInstance(doc);
    parser.registerElementClass<Node>();
    parser.registerElementClass("doc", [] { return std::make_shared<Node>(); });
    ASSERT_TRUE(parser.parseData("<doc a=\"1\"><node b=\"2\"><x/></node><other/></doc>"));
    EXPECT_EQ(parser.parserError(), std::nullopt);
    EXPECT_EQ(doc->attributes.stringValueForKey("a"), "1");
    ASSERT_EQ(doc->children.size(), 2u);
    auto node = std::dynamic_pointer_cast<Node>(doc->children[0]);
    ASSERT_TRUE(node);
    EXPECT_EQ(node->attributeCalls, 1);
    EXPECT_EQ(node->attributes.stringValueForKey("b"), "2");
    ASSERT_EQ(node->children.size(), 1u);
    EXPECT_EQ(generic(node->children[0])->name(), "x");
    EXPECT_EQ(generic(doc->children[1])->name(), "other");
    EXPECT_EQ(parser.rootElement(), doc);
}

TEST(QVParser, RegistrationsReplaceEarlierOnesAndInstancesAreNeverTheirOwnChildren) {
    QVParser later;
    later.registerElementClass<Node>();
    later.registerElementClass<OtherNode>();
    ASSERT_TRUE(later.parseData("<node/>"));
    EXPECT_TRUE(std::dynamic_pointer_cast<OtherNode>(later.rootElement()));

    // Under an unregistered root, the nested "doc" is the instance, handed to
    // a generic parent; a file without it leaves the instance alone.
    auto doc = std::make_shared<Document>();
    QVParser nested;
    nested.registerElementInstance(doc);
    ASSERT_TRUE(nested.parseData("<something><doc a=\"1\"/></something>"));
    EXPECT_EQ(doc->attributes.stringValueForKey("a"), "1");
    QVParser other;
    other.registerElementInstance(doc);
    ASSERT_TRUE(other.parseData("<root/>"));
    EXPECT_EQ(doc->children.size(), 0u);

    QVParser twice;
    twice.registerElementInstance(doc);
    ASSERT_TRUE(twice.parseData("<doc a=\"outer\"><doc a=\"inner\"/></doc>"));
    EXPECT_EQ(doc->attributes.stringValueForKey("a"), "outer");
    ASSERT_EQ(doc->children.size(), 1u);
    EXPECT_EQ(generic(doc->children[0])->attributes().stringValueForKey("a"), "inner");

    // An instance owned elsewhere.
    Document owned;
    QVParser parser;
    parser.registerElementInstance(owned);
    ASSERT_TRUE(parser.parseData("<doc><node/></doc>"));
    EXPECT_EQ(owned.children.size(), 1u);
    EXPECT_EQ(parser.rootElement().get(), &owned);
}

TEST(QVParser, CharacterDataReachesGenericElementsOnly) {
    QVParser parser;
    parser.registerElementClass<Node>();
    ASSERT_TRUE(
        parser.parseData("<rtf>a&amp;b<node>ignored<t>kept &lt; &#x263A;</t></node>c</rtf>"));
    auto root = generic(parser.rootElement());
    ASSERT_TRUE(root);
    EXPECT_EQ(root->stringData(), "a&bc");
    auto node = std::dynamic_pointer_cast<Node>(root->children().at(0));
    ASSERT_TRUE(node);
    EXPECT_EQ(generic(node->children.at(0))->stringData(), "kept < \xE2\x98\xBA");
}

TEST(QVParser, AttributesAsReadInFileOrder) {
    QVParser parser;
    ASSERT_TRUE(parser.parseData("<a z=\"1\" b=\" 2.5 \" m=\"&quot;&lt;&amp;&#65;\" e=\"\"/>"));
    const auto& attributes = generic(parser.rootElement())->attributes();
    std::vector<std::string> keys;
    for (const auto& [k, v] : attributes) {
        keys.push_back(k);
        EXPECT_TRUE(std::holds_alternative<std::string>(v));
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"z", "b", "m", "e"}));
    EXPECT_EQ(attributes.stringValueForKey("b"), " 2.5 ");
    EXPECT_EQ(attributes.floatValueForKey("b"), 2.5);
    EXPECT_EQ(attributes.stringValueForKey("m"), "\"<&A");
    EXPECT_EQ(attributes.stringValueForKey("e"), "");
}

TEST(QVParser, NamesAsWrittenWithoutNamespaces) {
    QVParser parser;
    ASSERT_TRUE(parser.parseData("<p:a xmlns:p=\"urn:x\" p:b=\"1\"><q:c/></p:a>"));
    auto root = generic(parser.rootElement());
    EXPECT_EQ(root->name(), "p:a");
    EXPECT_EQ(root->attributes().stringValueForKey("xmlns:p"), "urn:x");
    EXPECT_EQ(root->attributes().stringValueForKey("p:b"), "1");
    EXPECT_EQ(generic(root->children().at(0))->name(), "q:c");
}

TEST(QVParser, CommentsProcessingInstructionsAndDeclarationsAreDropped) {
    QVParser parser;
    ASSERT_TRUE(parser.parseData("<?xml version=\"1.0\"?><!DOCTYPE a [<!ELEMENT a ANY>]><!-- c "
                                 "--><a><?pi data?>x<!-- y -->z</a>"));
    EXPECT_EQ(generic(parser.rootElement())->stringData(), "xz");
}

TEST(QVParser, ExternalEntitiesAreNotResolved) {
    const std::string xml = "<!DOCTYPE a [<!ENTITY ext SYSTEM \"file://" QV_SOURCE_DIR
                            "/CMakeLists.txt\">]><a>[&ext;]</a>";
    QVParser parser;
    ASSERT_TRUE(parser.parseData(xml));
    EXPECT_EQ(generic(parser.rootElement())->stringData(), "[]");
}

TEST(QVParser, MalformedInputFailsWithAnError) {
    const char* cases[] = {
        "<a><b></a>",           // unbalanced
        "<a x=\"1\" x=\"2\"/>", // duplicate attribute
        "<a>&nope;</a>",        // undefined entity
        "<a>fish & chips</a>",  // unescaped ampersand
        "",                     // empty
        "<a/><b/>",             // two roots
        "<a x=1/>",             // unquoted value
        "text only",
        "<a>\xC3\x28</a>",         // broken sequence
        "<a>\xED\xA0\x80</a>",     // surrogate
        "<a>\xF4\x90\x80\x80</a>", // beyond U+10FFFF
        "<a>\xC0\xAF</a>",         // overlong
        "<a>\x01</a>",             // control character
    };
    for (const char* xml : cases) {
        QVParser parser;
        EXPECT_FALSE(parser.parseData(xml)) << xml;
        ASSERT_TRUE(parser.parserError()) << xml;
        EXPECT_FALSE(parser.parserError()->message.empty());
        EXPECT_FALSE(parser.parserError()->description().empty());
        EXPECT_EQ(parser.rootElement(), nullptr);
    }
    QVParser parser;
    EXPECT_FALSE(parser.parseData("<a>\n<b></a>"));
    EXPECT_EQ(parser.parserError()->line, 2u);
    EXPECT_TRUE(parser.parseData("<a/>"));
    EXPECT_EQ(parser.parserError(), std::nullopt);
}

TEST(QVParser, ElementsFinishedBeforeAnErrorReachTheirParents) {
    auto doc = std::make_shared<Document>();
    QVParser parser;
    parser.registerElementInstance(doc);
    EXPECT_FALSE(parser.parseData("<doc><page/><grid/><broken></doc>"));
    EXPECT_EQ(doc->children.size(), 2u);
}

TEST(QVParser, BadInputEndsCleanly) {
    std::string error;

    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<e>";
    EXPECT_FALSE(parses(deep, &error));
    EXPECT_NE(error.find("nested deeper"), std::string::npos) << error;

    // Entity expansion bomb: each level ten times the one below.
    std::string bomb = "<!DOCTYPE a [<!ENTITY e0 \"laughlaughlaughlaugh\">";
    for (int i = 1; i <= 12; ++i) {
        bomb += "<!ENTITY e" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j)
            bomb += "&e" + std::to_string(i - 1) + ";";
        bomb += "\">";
    }
    EXPECT_FALSE(parses(bomb + "]><a>&e12;</a>", &error));
    EXPECT_FALSE(parses(bomb + "]><a v=\"&e12;\"/>", &error));

    // One large entity used many times grows quadratically without nesting.
    const std::string big = "<!DOCTYPE a [<!ENTITY big \"" + std::string(100000, 'x') + "\">]><a>";
    std::string quadratic = big;
    for (int i = 0; i < 10000; ++i)
        quadratic += "&big;";
    EXPECT_FALSE(parses(quadratic + "</a>", &error));

    std::string declarations = "<!DOCTYPE a [";
    for (int i = 0; i < 1000; ++i)
        declarations += "<!ENTITY d" + std::to_string(i) + " \"v\">";
    EXPECT_FALSE(parses(declarations + "]><a/>", &error));
    EXPECT_NE(error.find("entity declarations"), std::string::npos) << error;

    EXPECT_FALSE(parses("<a v=\"" + std::string(50 * 1024 * 1024, 'x') + "\"/>", &error));
    EXPECT_NE(error.find("attribute \"v\" longer"), std::string::npos) << error;
}

TEST(QVParser, DepthLimitIsExact) {
    std::string ok, tooDeep;
    for (std::size_t i = 0; i < QVParser::kMaxDepth; ++i)
        ok += "<e>";
    for (std::size_t i = 0; i < QVParser::kMaxDepth; ++i)
        ok += "</e>";
    EXPECT_TRUE(parses(ok));
    tooDeep = "<f>" + ok + "</f>";
    EXPECT_FALSE(parses(tooDeep));
}

TEST(QVParser, LargeInputWithinLimitsParses) {
    const std::string value(QVParser::kMaxAttributeLength, 'v');
    QVParser parser;
    ASSERT_TRUE(
        parser.parseData("<a v=\"" + value + "\">" + std::string(20'000'000, 't') + "</a>"));
    auto root = generic(parser.rootElement());
    EXPECT_EQ(root->attributes().stringValueForKey("v")->size(), value.size());
    EXPECT_EQ(root->stringData().size(), 20'000'000u);
    // A few entities are fine.
    EXPECT_TRUE(parses("<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;&e;</a>"));
}

TEST(QVParser, EveryTruncationOfAFileFails) {
    auto doc = QVGenericElement::elementNamed("qvdrawdocument");
    doc->setIntAttribute(1, "version");
    auto page = QVGenericElement::elementNamed("page");
    page->setRectAttribute(Rect(0, 0, 612, 792));
    doc->addElement(page);
    auto info = QVGenericElement::elementNamed("printinfo");
    info->setStringData(base64Encoding(ByteBuffer(100, 7), 72));
    doc->addElement(info);
    const ByteBuffer data = write(*doc);
    ASSERT_TRUE(parses(text(data)));
    // The last byte is the root's final line feed; without it the file is whole.
    for (std::size_t n = 0; n + 1 < data.size(); ++n) {
        std::string error;
        EXPECT_FALSE(parses(std::string_view(text(data)).substr(0, n), &error)) << n;
        EXPECT_FALSE(error.empty());
    }
}

TEST(QVParser, GenericElementReadBackHoldsTheLayoutWhiteSpace) {
    auto root = QVGenericElement::elementNamed("doc");
    auto rtf = QVGenericElement::elementNamed("rtf");
    const ByteBuffer blob(54, 0xAB); // one full 72-character line
    rtf->setStringData(base64Encoding(blob, 72));
    root->addElement(rtf);
    root->addElement(QVGenericElement::elementNamed("empty"));

    QVParser parser;
    ASSERT_TRUE(parser.parseData(write(*root)));
    auto doc = generic(parser.rootElement());
    // Start tag's line feed; before each child its tabs, after it a line feed.
    EXPECT_EQ(doc->stringData(), "\n\t\n\t\n");
    auto readRtf = generic(doc->childNamed("rtf"));
    ASSERT_TRUE(readRtf);
    EXPECT_EQ(readRtf->stringData(), "\n" + base64Encoding(blob, 72) + "\n\t");
    EXPECT_EQ(dataWithBase64EncodedString(readRtf->stringData()), blob);
    EXPECT_EQ(generic(doc->childNamed("empty"))->stringData(), "");
}

TEST(QVParser, EscapedTextReadsBackUnchanged) {
    auto root = QVGenericElement::elementNamed("a");
    const std::string awkward = "x&y<z>\"'\t\n\r\n]]>\xE2\x98\xBA end";
    root->attributes().setStringValue(awkward, "v");
    auto leaf = QVGenericElement::elementNamed("t");
    leaf->setStringData(awkward);
    root->addElement(leaf);
    QVParser parser;
    ASSERT_TRUE(parser.parseData(write(*root)));
    auto read = generic(parser.rootElement());
    EXPECT_EQ(read->attributes().stringValueForKey("v"), awkward);
    EXPECT_EQ(generic(read->childNamed("t"))->stringData(), "\n" + awkward + "\n\t");
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
    auto node = std::make_shared<Node>();
    fill(node->attributes);
    const int n = pick(rng) % 5;
    for (int i = 0; i < n; ++i)
        node->children.push_back(randomTree(rng, depth - 1));
    return node;
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
        const ByteBuffer second = write(*parser.rootElement());
        ASSERT_EQ(text(second), text(first));
    }
}

TEST(QVParser, KeptFuzzerFindings) {
    // Inputs that once broke reading or writing. Each must either fail with a
    // message, or parse, write back and parse again.
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
        QVParser again;
        EXPECT_TRUE(again.parseData(write(*parser.rootElement()))) << entry.path();
    }
    EXPECT_GT(files, 0);
}

TEST(QVParser, Latin1NameCharactersThatUtf8RefusesAreRefused) {
    // The Latin-1 table of the XML parser accepts these three in names; the
    // same names written back as UTF-8 would not read.
    EXPECT_FALSE(parses("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a\xBA/>"));
    EXPECT_FALSE(parses("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a b\xB5=\"1\"/>"));
    EXPECT_FALSE(parses("<a\xC2\xAA/>"));
    // Other Latin-1 letters are names in both.
    QVParser parser;
    ASSERT_TRUE(
        parser.parseData("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a\xE9 v=\"\xFF\"/>"));
    auto root = generic(parser.rootElement());
    EXPECT_EQ(root->name(), "a\xC3\xA9");
    EXPECT_EQ(root->attributes().stringValueForKey("v"), "\xC3\xBF");
    EXPECT_TRUE(QVParser().parseData(write(*root)));
}
