// Base64: the standard alphabet and padding, lines counted in groups of four,
// a lenient decoder, and any bytes round-tripped at any line length.
#include "framework/foundation/Base64.h"

#include <gtest/gtest.h>

#include <random>

using namespace qv;

namespace {

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
