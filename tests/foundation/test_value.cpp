// Values: exact, kind-sensitive equality, lenient numeric reads, fallbacks
// for other kinds, map key paths and descriptions; user defaults over them.
#include "framework/foundation/UserDefaults.h"
#include "framework/foundation/Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qv {
namespace {

class Tag : public ValueObject {
public:
    explicit Tag(std::string text) : m_Text(std::move(text)) {}
    bool equals(const ValueObject& other) const override {
        auto o = dynamic_cast<const Tag*>(&other);
        return o && o->m_Text == m_Text;
    }
    std::string description() const override { return "Tag(" + m_Text + ")"; }
    std::string m_Text;
};

TEST(Value, EqualityIsExactKindSensitiveAndThroughObjects) {
    BezierPath p1;
    p1.moveToPoint({0, 0});
    p1.lineToPoint({1, 1});
    BezierPath p2 = p1;
    p2.setLineWidth(2);
    const std::pair<Value, Value> different[] = {
        {Value(0.1 + 0.2), Value(0.3)},
        {Value(1), Value(1.0)},
        {Value(1), Value(true)},
        {Value(), Value(0)},
        {Value(""), Value()},
        {Value::multipleValues(), Value::noSelection()},
        {Value(Point(1, 2)), Value(Size(1, 2))},
        {Value(Color(1, 0, 0, 1)), Value(Color(1, 0, 0, 0.5))},
        {Value(Value::List{Value(1)}), Value(Value::List{Value(1), Value(1)})},
        {Value(Value::List{Value(Value::Map{{"k", Value("v")}})}),
         Value(Value::List{Value(Value::Map{{"k", Value("w")}})})},
        {Value(p1), Value(p2)},
        {Value(std::make_shared<Tag>("x")), Value(std::make_shared<Tag>("y"))},
        {Value(std::make_shared<Tag>("x")), Value(Value::Map{})}};
    for (const auto& [a, b] : different) {
        EXPECT_NE(a, b) << a.description() << " " << b.description();
        EXPECT_EQ(a, Value(a)) << a.description();
    }
    EXPECT_EQ(Value(p1), Value(BezierPath(p1)));
    EXPECT_EQ(Value(std::make_shared<Tag>("x")), Value(std::make_shared<Tag>("x")));
    EXPECT_EQ(Value(nullptr), Value());
    EXPECT_TRUE(Value(std::shared_ptr<const ValueObject>()).isNull());
    EXPECT_TRUE(Value::multipleValues().isMarker() && Value::noSelection().isMarker());
    EXPECT_FALSE(Value().isMarker());
    const Value tagged(std::make_shared<Tag>("rich"));
    ASSERT_TRUE(tagged.toObject<Tag>());
    EXPECT_EQ(tagged.toObject<Tag>()->m_Text, "rich");
    EXPECT_EQ(tagged.description(), "Tag(rich)");
}

TEST(Value, ReadsAcceptEveryNumberKindAndNumericTextAndFallBackOtherwise) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    const std::pair<Value, double> doubles[] = {
        {Value(3), 3},           {Value(true), 1},           {Value("2.5"), 2.5},
        {Value(" -4 "), -4},     {Value("abc"), 7},          {Value("2.5x"), 7},
        {Value(Point(1, 1)), 7}, {Value(0.1f), double(0.1f)}};
    for (const auto& [v, d] : doubles)
        EXPECT_EQ(v.toDouble(7), d) << v.description();
    const std::pair<Value, std::int64_t> ints[] = {
        {Value(2.9), 2},          {Value(-2.9), -2},
        {Value(1e300), kMax},     {Value(-1e300), -kMax - 1},
        {Value(std::nan("")), 5}, {Value("9007199254740993"), 9007199254740993},
        {Value("12.7"), 12},      {Value(""), 5}};
    for (const auto& [v, i] : ints)
        EXPECT_EQ(v.toInt(5), i) << v.description();
    for (const Value& yes : {Value(2), Value("YES"), Value("true")})
        EXPECT_TRUE(yes.toBool()) << yes.description();
    for (const Value& no : {Value(0.0), Value("0")})
        EXPECT_FALSE(no.toBool(true)) << no.description();
    EXPECT_TRUE(Value("maybe").toBool(true));

    EXPECT_EQ(Value(5).toString("f"), "f");
    EXPECT_EQ(Value(Size(1, 2)).toPoint(Point(9, 9)), Point(9, 9));
    EXPECT_EQ(Value(Point(1, 2)).toPoint(), Point(1, 2));
    EXPECT_EQ(Value(Rect(1, 2, 3, 4)).toRect(), Rect(1, 2, 3, 4));
    EXPECT_EQ(Value(1).toRect(Rect(5, 5, 5, 5)), Rect(5, 5, 5, 5));
    EXPECT_EQ(Value(Rect(1, 2, 3, 4)).toSize(Size(5, 5)), Size(5, 5));
    EXPECT_EQ(Value("#FF0000").toColor(Color::white()), Color::white());
    EXPECT_EQ(Value(1).bezierPath(), nullptr);
    EXPECT_TRUE(Value(1).toList().empty() && Value("x").toMap().empty());
    EXPECT_EQ(Value(1).toObject(), nullptr);
}

TEST(Value, KeyPathsAndDescriptions) {
    Value defaults(Value::Map{
        {"Toolbox", Value(Value::Map{{"Position", Value("{5, 10}")}})},
        {"flat", Value(3)},
    });
    EXPECT_EQ(defaults.valueForKeyPath("Toolbox.Position"), Value("{5, 10}"));
    EXPECT_EQ(defaults.valueForKeyPath("flat"), Value(3));
    EXPECT_TRUE(defaults.valueForKeyPath("flat.deeper").isNull());
    EXPECT_TRUE(defaults.valueForKeyPath("Toolbox.Missing").isNull());

    const std::pair<Value, const char*> descriptions[] = {
        {Value(), "null"},
        {Value(0.1), "0.1"},
        {Value(-3), "-3"},
        {Value("a\"b"), "\"a\\\"b\""},
        {Value(Rect(0, 0, 10, 20.5)), "{{0, 0}, {10, 20.5}}"},
        {Value(Value::List{Value(1), Value(true)}), "(1, true)"},
        {Value(Value::Map{{"a", Value(1)}}), "{a = 1; }"},
        {Value::multipleValues(), "<multiple values>"}};
    for (const auto& [v, text] : descriptions)
        EXPECT_EQ(v.description(), text);
}

TEST(UserDefaults, StoredValuesHideRegisteredOnesAndTypedReadsConvert) {
    InMemoryUserDefaults d;
    EXPECT_FALSE(d.objectForKey("mode").has_value());
    d.registerDefaults({{"mode", Value(1)}});
    EXPECT_EQ(d.integerForKey("mode"), 1);
    d.setInteger(3, "mode");
    EXPECT_EQ(d.integerForKey("mode"), 3);
    d.removeObject("mode");
    EXPECT_EQ(d.integerForKey("mode"), 1);
    d.setInteger(2, "mode");
    d.setObject(Value(), "mode"); // storing null removes
    EXPECT_EQ(d.integerForKey("mode"), 1);
    // Registering again replaces per key and never stores.
    d.registerDefaults({{"mode", Value(2)}, {"other", Value(true)}});
    EXPECT_EQ(d.integerForKey("mode"), 2);
    EXPECT_TRUE(d.boolForKey("other"));
    EXPECT_TRUE(d.storedValues().empty());

    d.setString("12", "text");
    d.setDouble(2.75, "real");
    d.setBool(true, "flag");
    d.setObject(Value(Value::Map{{"Position", Value("{5, 700}")}}), "Toolbox");
    d.setObject(Value(Value::List{Value(1), Value(2)}), "list");
    EXPECT_EQ(d.integerForKey("text"), 12);
    EXPECT_EQ(d.doubleForKey("text"), 12.0);
    EXPECT_EQ(d.integerForKey("real"), 2);
    EXPECT_EQ(d.stringForKey("real"), "2.75");
    EXPECT_EQ(d.stringForKey("flag"), "1");
    EXPECT_TRUE(d.boolForKey("text"));
    EXPECT_EQ(d.dictionaryForKey("Toolbox").at("Position"), Value("{5, 700}"));
    EXPECT_EQ(d.arrayForKey("list").size(), 2u);
    // Absent or unusable: the zero of the type.
    EXPECT_EQ(d.stringForKey("missing") + d.stringForKey("Toolbox"), "");
    EXPECT_EQ(d.integerForKey("Toolbox"), 0);
    EXPECT_FALSE(d.boolForKey("list"));
    EXPECT_TRUE(d.dictionaryForKey("text").empty());
}

} // namespace
} // namespace qv
