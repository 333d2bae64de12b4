#include "framework/foundation/Color.h"

#include <algorithm>
#include <cstdio>

namespace qv {
namespace {

// A digit's value: its code less 87 for "a"-"f", less 48 otherwise, after
// lower-casing. Other characters are not rejected; they fold into the byte.
int digitValue(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z')
        c = static_cast<unsigned char>(c - 'A' + 'a');
    return (c >= 'a' && c <= 'f') ? c - 87 : c - 48;
}

int hexToByte(char high, char low) {
    const int v = 16 * digitValue(high) + digitValue(low);
    return ((v % 256) + 256) % 256;
}

// byte / 255 in single precision, widened.
double component(int byte) {
    return static_cast<double>(static_cast<float>(byte) / 255.0f);
}

// The integer part of 255 × c. Out-of-range components (never produced by the
// readers) are kept within int so the conversion stays defined; NaN gives 0.
int truncatedByte(double c) {
    const double v = 255.0 * c;
    if (!(v == v))
        return 0;
    return static_cast<int>(std::clamp(v, -2147483648.0, 2147483647.0));
}

} // namespace

Color Color::colorWithHexString(std::string_view s) {
    Color c = black();
    if (s.empty() || s[0] != '#')
        return c;
    const std::size_t n = s.size();
    if (n > 6) {
        c.red = component(hexToByte(s[1], s[2]));
        c.green = component(hexToByte(s[3], s[4]));
        c.blue = component(hexToByte(s[5], s[6]));
    }
    if (n > 8)
        c.alpha = component(hexToByte(s[7], s[8]));
    return c;
}

Color Color::colorWithHexString(const std::optional<std::string>& text) {
    return text ? colorWithHexString(std::string_view(*text)) : black();
}

Color Color::colorWithHexString(const char* text) {
    return text ? colorWithHexString(std::string_view(text)) : black();
}

Color Color::colorWithHexString(const std::string& text) {
    return colorWithHexString(std::string_view(text));
}

std::string Color::hexString() const {
    char buf[64];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", truncatedByte(red), truncatedByte(green),
                  truncatedByte(blue));
    return buf;
}

std::string Color::hexStringWithAlpha() const {
    char buf[80];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X%02X", truncatedByte(red), truncatedByte(green),
                  truncatedByte(blue), truncatedByte(alpha));
    return buf;
}

double Color::brightness() const {
    return std::max({red, green, blue});
}

} // namespace qv
