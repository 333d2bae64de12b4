#include "framework/foundation/Base64.h"

#include <gtest/gtest.h>

#include <random>

using namespace qv;

namespace {
ByteBuffer bytes(std::string_view s) {
    return ByteBuffer(s.begin(), s.end());
}
ByteBuffer counting(std::size_t n) {
    ByteBuffer b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return b;
}
} // namespace

TEST(Base64Encoding, StandardAlphabetAndPadding) {
    EXPECT_EQ(base64Encoding({}), "");
    EXPECT_EQ(base64Encoding(bytes("f")), "Zg==");
    EXPECT_EQ(base64Encoding(bytes("fo")), "Zm8=");
    EXPECT_EQ(base64Encoding(bytes("foo")), "Zm9v");
    EXPECT_EQ(base64Encoding(bytes("foobar")), "Zm9vYmFy");
    EXPECT_EQ(base64Encoding(ByteBuffer{0xFB, 0xFF, 0xBF}), "+/+/");
    EXPECT_EQ(base64Encoding(ByteBuffer{0, 0, 0}), "AAAA");
}

TEST(Base64Encoding, LinesOfSeventyTwo) {
    const std::string full = base64Encoding(counting(54), 72);
    ASSERT_EQ(full.size(), 73u);
    EXPECT_EQ(full.back(), '\n');
    EXPECT_EQ(full.find('\n'), 72u);

    const std::string longer = base64Encoding(counting(55), 72);
    ASSERT_EQ(longer.size(), 72u + 1 + 4);
    EXPECT_EQ(longer[72], '\n');
    EXPECT_NE(longer.back(), '\n');
    EXPECT_EQ(longer.substr(0, 72), full.substr(0, 72));

    // 53 bytes fill 72 characters with their padding, so the line ends too.
    EXPECT_EQ(base64Encoding(counting(53), 72).find('\n'), 72u);
    EXPECT_EQ(base64Encoding(counting(53), 72).size(), 73u);
    EXPECT_EQ(base64Encoding(counting(54), 0).find('\n'), std::string::npos);
}

TEST(Base64Encoding, LineCounterMovesInGroupsOfFour) {
    // A length that is not a multiple of four breaks at the first group that
    // reaches it, and the count starts again from there.
    const std::string plain = base64Encoding(counting(12));
    EXPECT_EQ(base64Encoding(counting(12), 5),
              plain.substr(0, 8) + "\n" + plain.substr(8, 8) + "\n");
    EXPECT_EQ(base64Encoding(counting(9), 5), plain.substr(0, 8) + "\n" + plain.substr(8, 4));
    const std::string text = base64Encoding(counting(1000), 72);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string::npos) {
            EXPECT_LT(text.size() - start, 72u);
            break;
        }
        EXPECT_EQ(lf - start, 72u);
        start = lf + 1;
    }
}

TEST(Base64Decoding, SkipsWhiteSpaceAndStopsAtPadding) {
    EXPECT_EQ(dataWithBase64EncodedString("Zm9v\nYm Fy\t\r\n"), bytes("foobar"));
    EXPECT_EQ(dataWithBase64EncodedString("Zg=="), bytes("f"));
    EXPECT_EQ(dataWithBase64EncodedString("Zm8="), bytes("fo"));
    EXPECT_EQ(dataWithBase64EncodedString("Zm9v=Zm9v"), bytes("foo"));
    EXPECT_EQ(dataWithBase64EncodedString("Zg==Zm9v"), bytes("f"));
    EXPECT_EQ(dataWithBase64EncodedString("Z!m@9#v$"), bytes("foo"));
    EXPECT_EQ(dataWithBase64EncodedString(std::string_view("Zm\0"
                                                           "9v",
                                                           5)),
              bytes("foo"));
    EXPECT_EQ(dataWithBase64EncodedString(""), ByteBuffer{});
}

TEST(Base64Decoding, DropsAnUnfinishedLastGroup) {
    // Four bytes without their two trailing "=" decode to the first three only.
    const std::string four = base64Encoding(bytes("abcd"));
    ASSERT_EQ(four, "YWJjZA==");
    EXPECT_EQ(dataWithBase64EncodedString(four.substr(0, 6)), bytes("abc"));
    EXPECT_EQ(dataWithBase64EncodedString("YWJjZGU"), bytes("abc"));
    // A single value before "=" holds no whole byte.
    EXPECT_EQ(dataWithBase64EncodedString("YWJjZ="), bytes("abc"));
}

TEST(Base64Decoding, NonAsciiTextGivesNothing) {
    EXPECT_TRUE(dataWithBase64EncodedString("Zm9v\xC3\xA9").empty());
    EXPECT_TRUE(dataWithBase64EncodedString("\x80Zm9v").empty());
}

TEST(Base64, RoundTripsAnyBytesAtAnyLineLength) {
    std::mt19937 rng(3);
    for (std::size_t n = 0; n < 300; ++n) {
        ByteBuffer data(n);
        for (auto& b : data)
            b = static_cast<std::uint8_t>(rng());
        for (std::size_t line : {0u, 4u, 7u, 72u}) {
            const std::string text = base64Encoding(data, line);
            ASSERT_EQ(dataWithBase64EncodedString(text), data) << n << " " << line;
        }
    }
}
