#include "framework/foundation/AttributeMap.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace qv;

TEST(FormatReal, PrintsSixteenSignificantDigits) {
    EXPECT_EQ(formatReal(12), "12");
    EXPECT_EQ(formatReal(595), "595");
    EXPECT_EQ(formatReal(0.5), "0.5");
    EXPECT_EQ(formatReal(0.25), "0.25");
    EXPECT_EQ(formatReal(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(formatReal(0.1 + 0.2), "0.3");
    EXPECT_EQ(formatReal(-0.0), "-0");
    EXPECT_EQ(formatReal(-1.5), "-1.5");
    EXPECT_EQ(formatReal(1e16), "1e+16");
    EXPECT_EQ(formatReal(1234567890123456.0), "1234567890123456");
    EXPECT_EQ(formatReal(0.0001), "0.0001");
    EXPECT_EQ(formatReal(0.00001), "1e-05");
    EXPECT_EQ(formatReal(2.0 / 3.0), "0.6666666666666666");
}

TEST(FormatReal, MatchesPrintfOverManyValues) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<int> exponent(-30, 30);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    for (int i = 0; i < 20000; ++i) {
        const double v = mantissa(rng) * std::pow(10.0, exponent(rng));
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.16g", v);
        ASSERT_EQ(formatReal(v), expected) << v;
    }
}

TEST(FormatReal, IgnoresTheProcessLocale) {
    // A program under a locale with a decimal comma still writes points.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(formatReal(0.5), "0.5");
    EXPECT_EQ(parseReal("2.25"), 2.25);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FormatInteger, Decimal) {
    EXPECT_EQ(formatInteger(4), "4");
    EXPECT_EQ(formatInteger(-1), "-1");
    EXPECT_EQ(formatInteger(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

TEST(ParseReal, LongestLeadingDecimalNumber) {
    EXPECT_EQ(parseReal("12"), 12);
    EXPECT_EQ(parseReal("  \t\n-2.5e2xyz"), -250);
    EXPECT_EQ(parseReal("+.5"), 0.5);
    EXPECT_EQ(parseReal("5."), 5);
    EXPECT_EQ(parseReal("1e"), 1);
    EXPECT_EQ(parseReal("1e+"), 1);
    EXPECT_EQ(parseReal("3.25.7"), 3.25);
    EXPECT_EQ(parseReal("0.3333333333333333"), 0.3333333333333333);
}

TEST(ParseReal, NoNumberReadsZero) {
    for (const char* text : {"", " ", "abc", "-", "+", ".", "--1", "+-1", " . 5", "e5"})
        EXPECT_EQ(parseReal(text), 0) << text;
}

TEST(ParseReal, OnlyDecimalSpellings) {
    // Hexadecimal, infinity and NaN spellings are not decimal numbers.
    EXPECT_EQ(parseReal("0x10"), 0);
    EXPECT_EQ(parseReal("inf"), 0);
    EXPECT_EQ(parseReal("nan"), 0);
    EXPECT_EQ(parseReal("infinity"), 0);
}

TEST(ParseReal, OutOfRangeLikeTheCLibrary) {
    EXPECT_EQ(parseReal("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parseReal("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(parseReal("1e-400"), 0);
    EXPECT_TRUE(std::signbit(parseReal("-1e-400")));
    EXPECT_EQ(parseReal("0." + std::string(400, '0') + "1"), 0);
    EXPECT_EQ(parseReal("1e99999999999999999999999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parseReal(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(parseReal("4.9e-324"), 4.9e-324);
}

TEST(ParseReal, ReadsBackEveryWrittenReal) {
    std::mt19937_64 rng(11);
    for (int i = 0; i < 20000; ++i) {
        double v;
        const std::uint64_t bits = rng();
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v))
            continue;
        // %.16g keeps 16 digits, so the value read back is the one printf's
        // reader finds for the same text.
        const std::string text = formatReal(v);
        ASSERT_EQ(parseReal(text), std::strtod(text.c_str(), nullptr)) << text;
    }
}

TEST(ParseInteger, SignAndDigitsOnly) {
    EXPECT_EQ(parseInteger("12.7"), 12);
    EXPECT_EQ(parseInteger(" -4x"), -4);
    EXPECT_EQ(parseInteger("+17"), 17);
    EXPECT_EQ(parseInteger("1e5"), 1);
    EXPECT_EQ(parseInteger(""), 0);
    EXPECT_EQ(parseInteger("x1"), 0);
    EXPECT_EQ(parseInteger("- 1"), 0);
    EXPECT_EQ(parseInteger("0x1F"), 0);
}

TEST(ParseInteger, SaturatesInsteadOfOverflowing) {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(parseInteger("9223372036854775807"), max);
    EXPECT_EQ(parseInteger("-9223372036854775808"), min);
    EXPECT_EQ(parseInteger("9223372036854775808"), max);
    EXPECT_EQ(parseInteger("-9223372036854775809"), min);
    EXPECT_EQ(parseInteger(std::string(1000, '7')), max);
    EXPECT_EQ(parseInteger("-" + std::string(1000, '7')), min);
}

TEST(AttributeMap, KeepsInsertionOrderAndReplacesInPlace) {
    AttributeMap m;
    m.setIntValue(1, "b");
    m.setStringValue("x", "a");
    m.setFloatValue(2.5, "c");
    m.setIntValue(7, "b");
    std::vector<std::string> keys;
    for (const auto& [k, v] : m)
        keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(m.intValueForKey("b"), 7);
    m.remove("a");
    EXPECT_FALSE(m.contains("a"));
    EXPECT_EQ(m.size(), 2u);
    m.remove("absent");
    EXPECT_EQ(m.size(), 2u);
}

TEST(AttributeMap, StoredNumbersReadBackUnchanged) {
    AttributeMap m;
    const double reals[] = {0.1 + 0.2, -0.0, 1e300, 5e-324, 1.0 / 3.0, 595};
    for (double v : reals) {
        m.setFloatValue(v, "r");
        EXPECT_EQ(m.floatValueForKey("r"), v);
        EXPECT_EQ(std::signbit(m.floatValueForKey("r")), std::signbit(v));
    }
    const std::int64_t ints[] = {0, -1, std::numeric_limits<std::int64_t>::max(),
                                 std::numeric_limits<std::int64_t>::min()};
    for (auto v : ints) {
        m.setIntValue(v, "i");
        EXPECT_EQ(m.intValueForKey("i"), v);
        EXPECT_EQ(m.stringValueForKey("i"), formatInteger(v));
    }
}

TEST(AttributeMap, ConvertsBetweenKinds) {
    AttributeMap m;
    m.setStringValue("12.7", "t");
    EXPECT_EQ(m.intValueForKey("t"), 12);
    EXPECT_EQ(m.floatValueForKey("t"), 12.7);
    m.setFloatValue(-3.9, "r");
    EXPECT_EQ(m.intValueForKey("r"), -3);
    m.setFloatValue(1e300, "big");
    EXPECT_EQ(m.intValueForKey("big"), std::numeric_limits<std::int64_t>::max());
    m.setFloatValue(std::nan(""), "nan");
    EXPECT_EQ(m.intValueForKey("nan"), 0);
    m.setIntValue(3, "i");
    EXPECT_EQ(m.floatValueForKey("i"), 3.0);
    EXPECT_EQ(m.stringValueForKey("r"), "-3.9");
    EXPECT_EQ(m.intValueForKey("absent"), 0);
    EXPECT_EQ(m.floatValueForKey("absent"), 0);
    EXPECT_EQ(m.stringValueForKey("absent"), std::nullopt);
}

TEST(AttributeMap, Booleans) {
    AttributeMap m;
    m.setBoolValue(true, "t");
    m.setBoolValue(false, "f");
    EXPECT_EQ(m.stringValueForKey("t"), "yes");
    EXPECT_EQ(m.stringValueForKey("f"), "no");
    EXPECT_TRUE(m.boolValueForKey("t"));
    EXPECT_FALSE(m.boolValueForKey("f"));
    EXPECT_FALSE(m.boolValueForKey("absent"));
    for (const char* yes : {"yes", "true", "1"}) {
        m.setStringValue(yes, "b");
        EXPECT_TRUE(m.boolValueForKey("b")) << yes;
    }
    for (const char* no : {"YES", "True", "01", " yes", "1.0", "y", ""}) {
        m.setStringValue(no, "b");
        EXPECT_FALSE(m.boolValueForKey("b")) << no;
    }
    m.setIntValue(1, "n");
    EXPECT_TRUE(m.boolValueForKey("n"));
    m.setIntValue(2, "n");
    EXPECT_FALSE(m.boolValueForKey("n"));
}
