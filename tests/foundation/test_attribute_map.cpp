// Attribute text: reals and integers written and read back exactly (chosen
// figures, the C library over many values, any locale), lenient readers, and
// maps that keep order, convert between kinds and are refilled in place.
#include "framework/foundation/AttributeMap.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace qv;
using namespace std::string_literals;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
constexpr auto kMin = std::numeric_limits<std::int64_t>::min();

TEST(AttributeText, WrittenAsPrintfWritesAndReadLeniently) {
    // Reals as %.16g, chosen figures and many random ones.
    std::vector<double> reals = {12,        595,     0.5,    0.25, 1.0 / 3,
                                 0.1 + 0.2, -0.0,    -1.5,   1e16, 1234567890123456.0,
                                 0.0001,    0.00001, 2.0 / 3};
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<int> exponent(-30, 30);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    for (int i = 0; i < 20000; ++i)
        reals.push_back(mantissa(rng) * std::pow(10.0, exponent(rng)));
    for (double v : reals) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.16g", v);
        ASSERT_EQ(formatReal(v), expected) << v;
    }
    EXPECT_EQ(formatReal(0.1 + 0.2) + " " + formatReal(-0.0) + " " + formatReal(1e-5),
              "0.3 -0 1e-05");
    EXPECT_EQ(formatInteger(kMin), "-9223372036854775808");

    // The longest leading decimal number; none reads zero, and neither do
    // hexadecimal, infinity and NaN spellings; out of range like the C library.
    auto reads = [](double v, std::initializer_list<std::string> texts) {
        for (const std::string& text : texts)
            EXPECT_EQ(parseReal(text), v) << text;
    };
    reads(0, {"", " ", "abc", "-", "+", ".", "--1", "+-1", " . 5", "e5", "0x10", "inf", "nan",
              "infinity", "1e-400", "0." + std::string(400, '0') + "1"});
    reads(1, {"1e", "1e+", "1"});
    reads(kInf, {"1e400", "1e99999999999999999999999", std::string(400, '9')});
    reads(-kInf, {"-1e400"});
    EXPECT_EQ(parseReal("  \t\n-2.5e2xyz"), -250);
    EXPECT_EQ(parseReal("+.5"), 0.5);
    EXPECT_EQ(parseReal("5."), 5);
    EXPECT_EQ(parseReal("3.25.7"), 3.25);
    EXPECT_EQ(parseReal("0.3333333333333333"), 1.0 / 3);
    EXPECT_EQ(parseReal("4.9e-324"), 4.9e-324);
    EXPECT_TRUE(std::signbit(parseReal("-1e-400")));
    // Any finite bit pattern written reads back as printf's own reader reads it.
    std::mt19937_64 patterns(11);
    for (int i = 0; i < 20000; ++i) {
        double v;
        const std::uint64_t bits = patterns();
        std::memcpy(&v, &bits, sizeof v);
        const std::string text = formatReal(v);
        ASSERT_TRUE(!std::isfinite(v) || parseReal(text) == std::strtod(text.c_str(), nullptr))
            << text;
    }

    // Integers: sign and digits only, saturating instead of overflowing.
    auto integers = [](std::int64_t v, std::initializer_list<std::string> texts) {
        for (const std::string& text : texts)
            EXPECT_EQ(parseInteger(text), v) << text;
    };
    integers(0, {"", "x1", "- 1", "0x1F"});
    integers(kMax, {"9223372036854775807", "9223372036854775808", std::string(1000, '7')});
    integers(kMin, {"-9223372036854775808", "-9223372036854775809", "-" + std::string(1000, '7')});
    EXPECT_EQ(parseInteger("12.7") + parseInteger(" -4x") + parseInteger("+17"), 12 - 4 + 17);
    EXPECT_EQ(parseInteger("1e5"), 1);
}

TEST(AttributeText, IgnoresTheProcessLocale) {
    // A program under a locale with a decimal comma still writes points.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(formatReal(0.5), "0.5");
    EXPECT_EQ(parseReal("2.25"), 2.25);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(AttributeMap, KeepsOrderReadsBackExactlyAndConvertsBetweenKinds) {
    AttributeMap m;
    m.setIntValue(1, "b");
    m.setStringValue("x", "a");
    m.setFloatValue(2.5, "c");
    m.setIntValue(7, "b"); // replaced in place
    m.remove("absent");
    std::vector<std::string> keys;
    for (const auto& [k, v] : m)
        keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"b", "a", "c"}));
    m.remove("a");
    EXPECT_EQ(m.size(), 2u);
    EXPECT_FALSE(m.contains("a"));

    for (double v : {0.1 + 0.2, -0.0, 1e300, 5e-324, 1.0 / 3.0}) {
        m.setFloatValue(v, "r");
        EXPECT_EQ(m.floatValueForKey("r"), v);
        EXPECT_EQ(std::signbit(m.floatValueForKey("r")), std::signbit(v));
    }
    for (std::int64_t v : {kMax, kMin}) {
        m.setIntValue(v, "i");
        EXPECT_EQ(m.intValueForKey("i"), v);
        EXPECT_EQ(m.stringValueForKey("i"), formatInteger(v));
    }
    // Text reads as numbers; reals truncate towards zero and saturate.
    m.setStringValue("12.7", "t");
    m.setFloatValue(-3.9, "r");
    m.setFloatValue(1e300, "big");
    m.setFloatValue(std::nan(""), "nan");
    m.setIntValue(3, "i");
    EXPECT_EQ(m.intValueForKey("t"), 12);
    EXPECT_EQ(m.floatValueForKey("t"), 12.7);
    EXPECT_EQ(m.intValueForKey("r"), -3);
    EXPECT_EQ(m.stringValueForKey("r"), "-3.9");
    EXPECT_EQ(m.intValueForKey("big"), kMax);
    EXPECT_EQ(m.intValueForKey("nan"), 0);
    EXPECT_EQ(m.floatValueForKey("i"), 3.0);
    EXPECT_EQ(m.intValueForKey("absent") + m.floatValueForKey("absent"), 0);
    EXPECT_EQ(m.stringValueForKey("absent"), std::nullopt);

    // Booleans: exactly "yes", "true" or "1".
    m.setBoolValue(true, "t");
    m.setBoolValue(false, "f");
    EXPECT_EQ(m.stringValueForKey("t"), "yes");
    EXPECT_EQ(m.stringValueForKey("f"), "no");
    EXPECT_TRUE(m.boolValueForKey("t"));
    EXPECT_FALSE(m.boolValueForKey("f") || m.boolValueForKey("absent"));
    for (const char* text : {"yes", "true", "1", "YES", "True", "01", " yes", "1.0", "y", ""}) {
        m.setStringValue(text, "b");
        EXPECT_EQ(m.boolValueForKey("b"), text == "yes"s || text == "true"s || text == "1"s)
            << text;
    }
    m.setIntValue(1, "n");
    EXPECT_TRUE(m.boolValueForKey("n"));
    m.setIntValue(2, "n");
    EXPECT_FALSE(m.boolValueForKey("n"));
}

// Filling one map element after element, as the reader does: the result is
// always exactly the entries given, whatever the map held before, numbers
// included.
TEST(AttributeMap, RefilledInPlaceHoldsExactlyTheEntriesGiven) {
    std::mt19937 rng(3);
    AttributeMap reused;
    for (int round = 0; round < 200; ++round) {
        const std::size_t count = rng() % 7;
        AttributeMap fresh;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string key = "key" + std::to_string(rng() % 100);
            const std::string value(rng() % 30, char('a' + rng() % 26));
            fresh.append(key, value);
            reused.assignTextAt(i, key, value);
        }
        reused.truncate(count);
        EXPECT_EQ(reused, fresh) << round;
        if (round % 10 == 0) {
            reused.setFloatValue(0.5, "number");
            reused.setIntValue(7, "integer");
        }
    }
    AttributeMap numbers, text;
    numbers.setFloatValue(2.5, "w");
    numbers.setIntValue(3, "n");
    numbers.assignTextAt(0, "x", "12");
    numbers.assignTextAt(1, "y", "");
    numbers.truncate(5); // more than there are: nothing changes
    text.append("x", "12");
    text.append("y", "");
    EXPECT_EQ(numbers, text);
    numbers.truncate(0);
    EXPECT_TRUE(numbers.empty());
}

} // namespace
