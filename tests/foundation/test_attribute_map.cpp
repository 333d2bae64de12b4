// Attribute text: reals and integers written and read back exactly (chosen
// figures, the C library over many values, any locale), lenient readers,
// maps that keep order, convert between kinds and are refilled in place, and
// Base64 for the blobs carried in element text.
#include "framework/foundation/AttributeMap.h"
#include "framework/foundation/Base64.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <functional>
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
    // Each kind read as integer, real, text and boolean: text reads as
    // numbers, reals truncate towards zero and saturate, booleans are exactly
    // "yes", "true" or "1".
    using Set = std::function<void(AttributeMap&)>;
    const std::pair<Set, const char*> kinds[] = {
        {[](AttributeMap& m) { m.setStringValue("12.7", "k"); }, "12 12.7 12.7 no"},
        {[](AttributeMap& m) { m.setFloatValue(-3.9, "k"); }, "-3 -3.9 -3.9 no"},
        {[](AttributeMap& m) { m.setFloatValue(1e300, "k"); },
         "9223372036854775807 1e+300 1e+300 no"},
        {[](AttributeMap& m) { m.setFloatValue(std::nan(""), "k"); }, "0 nan nan no"},
        {[](AttributeMap& m) { m.setIntValue(1, "k"); }, "1 1 1 yes"},
        {[](AttributeMap& m) { m.setIntValue(2, "k"); }, "2 2 2 no"},
        {[](AttributeMap& m) { m.setBoolValue(true, "k"); }, "0 0 yes yes"},
        {[](AttributeMap& m) { m.setBoolValue(false, "k"); }, "0 0 no no"},
        {[](AttributeMap&) {}, "0 0 absent no"}};
    for (const auto& [set, reads] : kinds) {
        AttributeMap k;
        set(k);
        EXPECT_EQ(std::to_string(k.intValueForKey("k")) + " " +
                      formatReal(k.floatValueForKey("k")) + " " +
                      k.stringValueForKey("k").value_or("absent") + " " +
                      (k.boolValueForKey("k") ? "yes" : "no"),
                  reads);
    }
    for (const char* text : {"yes", "true", "1", "YES", "True", "01", " yes", "1.0", "y", ""}) {
        m.setStringValue(text, "b");
        EXPECT_EQ(m.boolValueForKey("b"), text == "yes"s || text == "true"s || text == "1"s)
            << text;
    }
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

ByteBuffer bytes(std::string_view s) {
    return ByteBuffer(s.begin(), s.end());
}

TEST(Base64, EncodesInLinesAndDecodesLeniently) {
    const std::pair<std::string, std::string> codes[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"abcd", "YWJjZA=="},
                                                         {"foobar", "Zm9vYmFy"},
                                                         {"\xFB\xFF\xBF", "+/+/"},
                                                         {std::string(3, '\0'), "AAAA"}};
    for (const auto& [raw, text] : codes) {
        EXPECT_EQ(base64Encoding(bytes(raw)), text);
        EXPECT_EQ(dataWithBase64EncodedString(text), bytes(raw));
    }

    // A line feed after each full line, also a last one that is exactly full
    // (53 bytes fill 72 characters with their padding); a length that is not
    // a multiple of four breaks at the first group that reaches it.
    const std::tuple<std::size_t, std::size_t, std::vector<std::size_t>> lined[] = {
        {54, 72, {72, 0}}, {55, 72, {72, 4}},  {53, 72, {72, 0}},
        {54, 0, {72}},     {12, 5, {8, 8, 0}}, {9, 5, {8, 4}}};
    for (const auto& [n, line, expected] : lined) {
        ByteBuffer data(n);
        for (std::size_t i = 0; i < n; ++i)
            data[i] = std::uint8_t(i * 37 + 11);
        const std::string text = base64Encoding(data, line);
        std::vector<std::size_t> lengths{0};
        std::string plain;
        for (char c : text)
            c == '\n' ? lengths.push_back(0) : (plain += c, void(++lengths.back()));
        EXPECT_EQ(lengths, expected) << n << " " << line;
        EXPECT_EQ(plain, base64Encoding(data)) << n << " " << line;
    }

    // Skipping what is not in the alphabet, stopping at "=", dropping an
    // unfinished last group (a single value before "=" holds no whole byte);
    // non-ASCII text gives nothing.
    const std::pair<std::string, std::string> decoded[] = {{"Zm9v\nYm Fy\t\r\n", "foobar"},
                                                           {"Zm9v=Zm9v", "foo"},
                                                           {"Zg==Zm9v", "f"},
                                                           {"Z!m@9#v$", "foo"},
                                                           {std::string("Zm\0"
                                                                        "9v",
                                                                        5),
                                                            "foo"},
                                                           {"YWJjZA", "abc"},
                                                           {"YWJjZGU", "abc"},
                                                           {"YWJjZ=", "abc"},
                                                           {"Zm9v\xC3\xA9", ""},
                                                           {"\x80Zm9v", ""}};
    for (const auto& [text, raw] : decoded)
        EXPECT_EQ(dataWithBase64EncodedString(text), bytes(raw)) << text;

    std::mt19937 rng(3);
    for (std::size_t n = 0; n < 300; ++n) {
        ByteBuffer data(n);
        for (auto& b : data)
            b = static_cast<std::uint8_t>(rng());
        for (std::size_t line : {0u, 4u, 7u, 72u}) {
            const std::string text = base64Encoding(data, line);
            ASSERT_EQ(dataWithBase64EncodedString(text), data) << n << " " << line;
            for (std::size_t at = 0, lf; (lf = text.find('\n', at)) != std::string::npos;
                 at = lf + 1)
                EXPECT_EQ(lf - at, (line + 3) / 4 * 4);
        }
    }
}

} // namespace
