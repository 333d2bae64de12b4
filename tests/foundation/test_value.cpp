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
    const std::string& text() const { return m_Text; }

private:
    std::string m_Text;
};

class OtherObject : public ValueObject {
public:
    bool equals(const ValueObject& other) const override {
        return dynamic_cast<const OtherObject*>(&other) != nullptr;
    }
    std::string description() const override { return "Other"; }
};

TEST(Value, EqualityIsExactAndKindSensitive) {
    EXPECT_EQ(Value(0.1f).toDouble(), static_cast<double>(0.1f));
    EXPECT_EQ(Value(nullptr), Value());
    EXPECT_TRUE(Value(std::shared_ptr<const ValueObject>()).isNull());
    EXPECT_TRUE(Value::multipleValues().isMarker());
    EXPECT_TRUE(Value::noSelection().isMarker());
    EXPECT_FALSE(Value().isMarker());

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
         Value(Value::List{Value(Value::Map{{"k", Value("w")}})})}};
    for (const auto& [a, b] : different) {
        EXPECT_NE(a, b) << a.description() << " " << b.description();
        EXPECT_EQ(a, Value(a)) << a.description();
    }
    BezierPath p1;
    p1.moveToPoint({0, 0});
    p1.lineToPoint({1, 1});
    BezierPath p2 = p1;
    EXPECT_EQ(Value(p1), Value(p2));
    p2.setLineWidth(2);
    EXPECT_NE(Value(p1), Value(p2));
}

TEST(Value, ObjectsCompareThroughEquals) {
    EXPECT_EQ(Value(std::make_shared<Tag>("x")), Value(std::make_shared<Tag>("x")));
    EXPECT_NE(Value(std::make_shared<Tag>("x")), Value(std::make_shared<Tag>("y")));
    EXPECT_NE(Value(std::make_shared<Tag>("x")), Value(std::make_shared<OtherObject>()));
    Value v(std::make_shared<Tag>("rich"));
    ASSERT_TRUE(v.toObject<Tag>());
    EXPECT_EQ(v.toObject<Tag>()->text(), "rich");
    EXPECT_FALSE(v.toObject<OtherObject>());
    EXPECT_EQ(v.description(), "Tag(rich)");
}

TEST(Value, NumericReadsAcceptEveryNumberKindAndNumericText) {
    EXPECT_EQ(Value(3).toDouble(), 3.0);
    EXPECT_EQ(Value(true).toDouble(), 1.0);
    EXPECT_EQ(Value("2.5").toDouble(), 2.5);
    EXPECT_EQ(Value(" -4 ").toDouble(), -4.0);
    EXPECT_EQ(Value("abc").toDouble(7), 7.0);
    EXPECT_EQ(Value("2.5x").toDouble(7), 7.0);
    EXPECT_EQ(Value(Point(1, 1)).toDouble(7), 7.0);

    EXPECT_EQ(Value(2.9).toInt(), 2);
    EXPECT_EQ(Value(-2.9).toInt(), -2);
    EXPECT_EQ(Value(1e300).toInt(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(Value(-1e300).toInt(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(Value(std::nan("")).toInt(5), 5);
    EXPECT_EQ(Value("9007199254740993").toInt(), 9007199254740993);
    EXPECT_EQ(Value("12.7").toInt(), 12);
    EXPECT_EQ(Value("").toInt(5), 5);

    EXPECT_TRUE(Value(2).toBool());
    EXPECT_FALSE(Value(0.0).toBool(true));
    EXPECT_TRUE(Value("YES").toBool());
    EXPECT_TRUE(Value("true").toBool());
    EXPECT_FALSE(Value("0").toBool(true));
    EXPECT_TRUE(Value("maybe").toBool(true));
}

TEST(Value, OtherReadsAnswerTheFallbackForAnotherKind) {
    EXPECT_EQ(Value(5).toString("f"), "f");
    EXPECT_EQ(Value(Size(1, 2)).toPoint(Point(9, 9)), Point(9, 9));
    EXPECT_EQ(Value(Point(1, 2)).toPoint(), Point(1, 2));
    EXPECT_EQ(Value(Rect(1, 2, 3, 4)).toRect(), Rect(1, 2, 3, 4));
    EXPECT_EQ(Value(1).toRect(Rect(5, 5, 5, 5)), Rect(5, 5, 5, 5));
    EXPECT_EQ(Value(Rect(1, 2, 3, 4)).toSize(Size(5, 5)), Size(5, 5));
    EXPECT_EQ(Value("#FF0000").toColor(Color::white()), Color::white());
    EXPECT_EQ(Value(1).bezierPath(), nullptr);
    EXPECT_TRUE(Value(1).toList().empty());
    EXPECT_TRUE(Value("x").toMap().empty());
    EXPECT_EQ(Value(1).toObject(), nullptr);
}

TEST(Value, MapKeyPaths) {
    Value defaults(Value::Map{
        {"Toolbox", Value(Value::Map{{"Position", Value("{5, 10}")}})},
        {"flat", Value(3)},
    });
    EXPECT_EQ(defaults.valueForKeyPath("Toolbox.Position"), Value("{5, 10}"));
    EXPECT_EQ(defaults.valueForKeyPath("flat"), Value(3));
    EXPECT_TRUE(defaults.valueForKeyPath("flat.deeper").isNull());
    EXPECT_TRUE(defaults.valueForKeyPath("Toolbox.Missing").isNull());
}

TEST(Value, Descriptions) {
    EXPECT_EQ(Value().description(), "null");
    EXPECT_EQ(Value(0.1).description(), "0.1");
    EXPECT_EQ(Value(-3).description(), "-3");
    EXPECT_EQ(Value("a\"b").description(), "\"a\\\"b\"");
    EXPECT_EQ(Value(Rect(0, 0, 10, 20.5)).description(), "{{0, 0}, {10, 20.5}}");
    EXPECT_EQ(Value(Value::List{Value(1), Value(true)}).description(), "(1, true)");
    EXPECT_EQ(Value(Value::Map{{"a", Value(1)}}).description(), "{a = 1; }");
    EXPECT_EQ(Value::multipleValues().description(), "<multiple values>");
}

} // namespace
} // namespace qv
