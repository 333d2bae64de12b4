// The reader's reuse of its own storage from tag to tag (attribute maps,
// plain leaves nobody kept) must never let one element see another's
// attributes, text or children; and it brackets only objects it alone holds.

#include "document/QVGenericElement.h"
#include "document/QVParser.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace qv;

namespace {

// What one plain child looked like when its parent got it.
struct Seen {
    std::string name;
    AttributeMap attributes;
    std::string text;
    std::size_t children = 0;

    friend bool operator==(const Seen&, const Seen&) = default;
};

// A parent that looks at its children and keeps none of them, as the shapes do.
class Reader : public QVSaveableElement {
public:
    static const char* classElementName() { return "reader"; }
    std::optional<std::string> elementName() const override { return "reader"; }
    AttributeMap elementAttributes() const override { return {}; }
    ElementList elementChildren() const override { return {}; }
    void setElementAttributes(const AttributeMap& a) override { attributes.push_back(a); }
    void addElement(const ElementPtr& child) override {
        if (auto* g = dynamic_cast<QVGenericElement*>(child.get()))
            seen.push_back({g->name(), g->attributes(), g->stringData(), g->children().size()});
        else if (auto* r = dynamic_cast<Reader*>(child.get()))
            nested.push_back(r->attributes);
    }
    void willReadElement() override { ++brackets; }
    void didReadElement() override { ++brackets; }

    std::vector<Seen> seen;
    std::vector<AttributeMap> attributes;
    std::vector<std::vector<AttributeMap>> nested;
    int brackets = 0;
};

// Random plain leaves (and a few with children) under readers, with what
// each must look like when read.
std::string randomFile(std::mt19937& rng, std::vector<Seen>& expected) {
    std::string xml = "<reader>";
    const int count = 60;
    for (int i = 0; i < count; ++i) {
        Seen s;
        s.name = std::string(1, char('a' + rng() % 5));
        xml += "<" + s.name;
        const int attributes = static_cast<int>(rng() % 6);
        for (int k = 0; k < attributes; ++k) {
            const std::string key = "k" + std::to_string(k);
            // Values short and long, so that strings past the small-string
            // size are reused too.
            const std::string value(rng() % 40, char('0' + rng() % 10));
            s.attributes.append(key, value);
            xml += " " + key + "=\"" + value + "\"";
        }
        switch (rng() % 3) {
        case 0:
            xml += "/>";
            break;
        case 1:
            s.text = "text" + std::to_string(i);
            xml += ">" + s.text + "</" + s.name + ">";
            break;
        default:
            s.children = 1 + rng() % 2;
            xml += ">";
            for (std::size_t c = 0; c < s.children; ++c)
                xml += "<leaf n=\"" + std::to_string(c) + "\"/>";
            xml += "</" + s.name + ">";
            break;
        }
        expected.push_back(std::move(s));
    }
    return xml + "</reader>";
}

} // namespace

TEST(QVParserReuse, EveryPlainChildSeesOnlyItsOwnAttributesTextAndChildren) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        std::vector<Seen> expected;
        const std::string xml = randomFile(rng, expected);
        QVParser parser;
        parser.registerElementClass<Reader>();
        ASSERT_TRUE(parser.parseData(xml)) << xml;
        auto root = std::dynamic_pointer_cast<Reader>(parser.rootElement());
        ASSERT_TRUE(root);
        EXPECT_EQ(root->seen, expected) << xml;
    }
}

TEST(QVParserReuse, ClassElementsGetExactlyTheirAttributesFromTheSharedMap) {
    // Fewer attributes after more, long values after short and none at all.
    const std::string xml = "<reader a=\"1\" b=\"2\" c=\"33333333333333333333\">"
                            "<reader x=\"long value that needs the heap\"/>"
                            "<reader/>"
                            "<reader p=\"5\" q=\"6\"/>"
                            "</reader>";
    QVParser parser;
    parser.registerElementClass<Reader>();
    ASSERT_TRUE(parser.parseData(xml));
    auto root = std::dynamic_pointer_cast<Reader>(parser.rootElement());
    ASSERT_TRUE(root);
    ASSERT_EQ(root->attributes.size(), 1u);
    AttributeMap top;
    top.append("a", std::string("1"));
    top.append("b", std::string("2"));
    top.append("c", std::string("33333333333333333333"));
    EXPECT_EQ(root->attributes[0], top);
    ASSERT_EQ(root->nested.size(), 3u);
    AttributeMap first, third;
    first.append("x", std::string("long value that needs the heap"));
    third.append("p", std::string("5"));
    third.append("q", std::string("6"));
    EXPECT_EQ(root->nested[0], std::vector<AttributeMap>{first});
    EXPECT_EQ(root->nested[1], std::vector<AttributeMap>{AttributeMap()});
    EXPECT_EQ(root->nested[2], std::vector<AttributeMap>{third});
}

TEST(QVParserReuse, OnlyObjectsTheParserAloneHoldsAreBracketed) {
    // Made by the parser: both calls. A registered instance or an object a
    // factory also keeps elsewhere: none, since others may be watching it.
    {
        QVParser parser;
        parser.registerElementClass<Reader>();
        ASSERT_TRUE(parser.parseData("<reader/>"));
        EXPECT_EQ(std::static_pointer_cast<Reader>(parser.rootElement())->brackets, 2);
    }
    {
        auto instance = std::make_shared<Reader>();
        QVParser parser;
        parser.registerElementInstance(instance);
        ASSERT_TRUE(parser.parseData("<reader/>"));
        EXPECT_EQ(instance->brackets, 0);
    }
    {
        auto shared = std::make_shared<Reader>();
        QVParser parser;
        parser.registerElementClass("reader", [shared] { return shared; });
        ASSERT_TRUE(parser.parseData("<reader/>"));
        EXPECT_EQ(shared->brackets, 0);
    }
}
