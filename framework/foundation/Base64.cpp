#include "framework/foundation/Base64.h"

#include <array>

namespace qv {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// 0-63 for the alphabet, -1 for bytes that are skipped, -2 for "=".
constexpr std::array<signed char, 256> makeDecodeTable() {
    std::array<signed char, 256> t{};
    for (auto& v : t)
        v = -1;
    for (int i = 0; i < 64; ++i)
        t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
    t['='] = -2;
    return t;
}
constexpr auto kDecode = makeDecodeTable();

} // namespace

std::string base64Encoding(const ByteBuffer& data, std::size_t lineLength) {
    std::string out;
    const std::size_t groups = (data.size() + 2) / 3;
    out.reserve(groups * 4 + (lineLength ? groups * 4 / lineLength + 1 : 0));
    std::size_t counter = 0;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        const std::size_t n = data.size() - i;
        const unsigned b0 = data[i];
        const unsigned b1 = n > 1 ? data[i + 1] : 0;
        const unsigned b2 = n > 2 ? data[i + 2] : 0;
        out += kAlphabet[b0 >> 2];
        out += kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        out += n > 1 ? kAlphabet[((b1 & 0x0F) << 2) | (b2 >> 6)] : '=';
        out += n > 2 ? kAlphabet[b2 & 0x3F] : '=';
        counter += 4;
        if (lineLength > 0 && counter >= lineLength) {
            out += '\n';
            counter = 0;
        }
    }
    return out;
}

ByteBuffer dataWithBase64EncodedString(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return {};
    ByteBuffer out;
    out.reserve(text.size() / 4 * 3);
    unsigned values[4];
    int pending = 0;
    for (const char c : text) {
        const int v = kDecode[static_cast<unsigned char>(c)];
        if (v == -1)
            continue;
        if (v == -2) {
            // A lone value before "=" holds fewer than 8 bits and yields nothing.
            if (pending >= 2)
                out.push_back(static_cast<std::uint8_t>((values[0] << 2) | (values[1] >> 4)));
            if (pending == 3)
                out.push_back(
                    static_cast<std::uint8_t>(((values[1] & 0x0F) << 4) | (values[2] >> 2)));
            return out;
        }
        values[pending++] = static_cast<unsigned>(v);
        if (pending == 4) {
            out.push_back(static_cast<std::uint8_t>((values[0] << 2) | (values[1] >> 4)));
            out.push_back(static_cast<std::uint8_t>(((values[1] & 0x0F) << 4) | (values[2] >> 2)));
            out.push_back(static_cast<std::uint8_t>(((values[2] & 0x03) << 6) | values[3]));
            pending = 0;
        }
    }
    return out;
}

} // namespace qv
