#include "framework/foundation/Color.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

using qv::Color;

namespace {
double byteComponent(int b) {
    return static_cast<double>(static_cast<float>(b) / 255.0f);
}
} // namespace

TEST(ColorHexString, ReadsSixDigits) {
    const Color c = Color::colorWithHexString("#FF8000");
    EXPECT_EQ(c.red, 1.0);
    EXPECT_EQ(c.green, byteComponent(128));
    EXPECT_EQ(c.blue, 0.0);
    EXPECT_EQ(c.alpha, 1.0);
    EXPECT_EQ(c.hexString(), "#FF8000");
    EXPECT_EQ(c.hexStringWithAlpha(), "#FF8000FF");
    EXPECT_EQ(Color::colorWithHexString("#ff8000"), c);
    EXPECT_EQ(Color::colorWithHexString("#Ff8000"), c);
}

TEST(ColorHexString, AlphaNeedsNineCharacters) {
    const Color c = Color::colorWithHexString("#FF800080");
    EXPECT_EQ(c.alpha, byteComponent(128));
    EXPECT_EQ(c.hexStringWithAlpha(), "#FF800080");
    EXPECT_EQ(Color::colorWithHexString("#FF80008").alpha, 1.0);
    EXPECT_EQ(Color::colorWithHexString("#FF80008").hexString(), "#FF8000");
    // Characters after the ninth are ignored.
    EXPECT_EQ(Color::colorWithHexString("#FF800080ZZZ"), c);
}

TEST(ColorHexString, ShortOrUnmarkedTextIsOpaqueBlack) {
    EXPECT_EQ(Color::colorWithHexString("#FF80"), Color::black());
    EXPECT_EQ(Color::colorWithHexString("#FF800"), Color::black());
    EXPECT_EQ(Color::colorWithHexString("FF8000"), Color::black());
    EXPECT_EQ(Color::colorWithHexString(""), Color::black());
    EXPECT_EQ(Color::colorWithHexString("#"), Color::black());
    EXPECT_EQ(Color::colorWithHexString(std::optional<std::string>()), Color::black());
    EXPECT_EQ(Color::colorWithHexString(static_cast<const char*>(nullptr)), Color::black());
    EXPECT_EQ(Color::colorWithHexString(std::optional<std::string>("#00FF00")).green, 1.0);
}

TEST(ColorHexString, NonDigitsFoldIntoTheByte) {
    // 'g' is 103 - 48 = 55; 16 * 55 + 55 = 935, and 935 mod 256 = 167.
    const Color c = Color::colorWithHexString("#GG0000");
    EXPECT_EQ(c.red, byteComponent(167));
    EXPECT_EQ(c.hexString(), "#A70000");
    EXPECT_EQ(Color::colorWithHexString("#gg0000"), c);
}

TEST(ColorHexString, WritingTruncates) {
    EXPECT_EQ(Color(0.999, 0, 0).hexString(), "#FE0000");
    EXPECT_EQ(Color(0.5, 0.5, 0.5, 0.5).hexStringWithAlpha(), "#7F7F7F7F");
    EXPECT_EQ(Color(1, 1, 1, 0).hexStringWithAlpha(), "#FFFFFF00");
}

TEST(ColorHexString, EveryByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        char upper[16], lower[16];
        std::snprintf(upper, sizeof upper, "#%02X%02X%02X%02X", b, 255 - b, b, b);
        std::snprintf(lower, sizeof lower, "#%02x%02x%02x%02x", b, 255 - b, b, b);
        const Color c = Color::colorWithHexString(lower);
        EXPECT_EQ(c.hexStringWithAlpha(), upper) << b;
        EXPECT_EQ(c.hexString(), std::string(upper).substr(0, 7)) << b;
        EXPECT_EQ(Color::colorWithHexString(c.hexStringWithAlpha()), c) << b;
    }
}
