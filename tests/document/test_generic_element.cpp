#include "document/QVGenericElement.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(QVGenericElement, AttributesAreReplacedWholeAndRemovedByAnEmptyValue) {
    QVGenericElement e("a");
    EXPECT_EQ(QVGenericElement::classElementName(), std::nullopt);
    e.setIntAttribute(1, "old");
    AttributeMap m;
    m.setStringValue("2", "new");
    e.setElementAttributes(m);
    EXPECT_EQ(e.attributeForKey("old"), nullptr);
    EXPECT_EQ(e.intAttributeForKey("new"), 2);
    EXPECT_EQ(e.elementAttributes(), m);
    e.setAttribute(AttributeValue(std::string("v")), "k");
    EXPECT_EQ(e.attributeForKey("k") ? std::get<std::string>(*e.attributeForKey("k")) : "", "v");
    e.setAttribute(std::nullopt, "new");
    EXPECT_EQ(e.attributeForKey("new"), nullptr);
    e.addStringData("ab");
    e.addStringData("cd");
    EXPECT_EQ(e.stringData(), "abcd");
}

TEST(QVGenericElement, CompoundAttributes) {
    QVGenericElement e("line");
    e.setPointAttribute(Point(1.5, -2), "start");
    e.setSizeAttribute(Size(3, 4));
    EXPECT_EQ(e.floatAttributeForKey("start-x"), 1.5);
    EXPECT_EQ(e.floatAttributeForKey("start-y"), -2);
    EXPECT_EQ(e.pointAttributeForKey("start"), Point(1.5, -2));
    EXPECT_EQ(e.sizeAttribute(), Size(3, 4));
    EXPECT_EQ(e.sizeAttributeForKey(""), Size(3, 4));
    // A missing component reads 0.
    EXPECT_EQ(e.pointAttribute(), Point(0, 0));
    e.setFloatAttribute(7, "x");
    EXPECT_EQ(e.pointAttributeForKey(""), Point(7, 0));

    QVGenericElement r("bounds");
    r.setRectAttribute(Rect(1, 2, 3, 4));
    std::vector<std::string> keys;
    for (const auto& [k, v] : r.attributes())
        keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"x", "y", "w", "h"}));
    EXPECT_EQ(r.rectAttribute(), Rect(1, 2, 3, 4));
    r.setRectAttribute(Rect(5, 6, 7, 8), "page");
    EXPECT_EQ(r.rectAttributeForKey("page"), Rect(5, 6, 7, 8));
    EXPECT_EQ(r.floatAttributeForKey("page-h"), 8);
    // Values read from a file are text.
    AttributeMap text;
    text.setStringValue("12.7", "x");
    text.setStringValue("junk", "y");
    r.setElementAttributes(text);
    EXPECT_EQ(r.pointAttribute(), Point(12.7, 0));
    EXPECT_EQ(r.intAttributeForKey("x"), 12);
}

TEST(QVGenericElement, ChildNamedFindsTheFirst) {
    QVGenericElement e("shape");
    auto a = QVGenericElement::elementNamed("bounds");
    auto b = QVGenericElement::elementNamed("bounds");
    e.addElement(nullptr);
    e.addElement(a);
    e.addElement(b);
    EXPECT_EQ(e.childNamed("bounds"), a);
    EXPECT_EQ(e.childNamed("none"), nullptr);
    EXPECT_EQ(e.children().size(), 3u);
    EXPECT_EQ(e.elementChildren().size(), 3u);
}

TEST(QVGenericElement, DeepTreeIsReleasedWithoutRecursion) {
    // Would exhaust the stack if each level released the next recursively.
    std::weak_ptr<QVGenericElement> deepest;
    {
        auto root = QVGenericElement::elementNamed("e");
        auto* last = root.get();
        for (int i = 0; i < 100'000; ++i) {
            auto child = QVGenericElement::elementNamed("e");
            last->addElement(child);
            last = child.get();
            deepest = child;
        }
    }
    EXPECT_TRUE(deepest.expired());

    // A subtree still held elsewhere survives its parent.
    std::shared_ptr<QVGenericElement> kept;
    {
        auto root = QVGenericElement::elementNamed("e");
        auto middle = QVGenericElement::elementNamed("m");
        root->addElement(middle);
        middle->addElement(QVGenericElement::elementNamed("leaf"));
        kept = middle;
    }
    ASSERT_EQ(kept->children().size(), 1u);
    EXPECT_EQ(kept->children()[0]->elementName(), "leaf");
}
