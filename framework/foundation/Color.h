#pragma once
// A calibrated (device-independent) RGB colour with alpha, components 0..1.
// In files a colour is "#" and six or eight upper-case hexadecimal digits.

#include <optional>
#include <string>
#include <string_view>

namespace qv {

struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    constexpr Color() = default;
    constexpr Color(double r, double g, double b, double a = 1)
        : red(r), green(g), blue(b), alpha(a) {}
    friend constexpr bool operator==(const Color&, const Color&) = default;

    static constexpr Color black() { return {0, 0, 0, 1}; }
    static constexpr Color white() { return {1, 1, 1, 1}; }
    static constexpr Color clear() { return {0, 0, 0, 0}; }

    // "#RRGGBB" or "#RRGGBBAA". Never fails: text without a leading "#" (or
    // empty) is opaque black, text too short for a part leaves it at black or
    // opaque, and characters that are not hexadecimal digits are folded into the
    // byte by the same arithmetic instead of being rejected.
    static Color colorWithHexString(std::string_view text);
    // Null text (no value at all) reads as opaque black too.
    static Color colorWithHexString(const std::optional<std::string>& text);
    // Without these, a literal or a std::string would match both forms above.
    static Color colorWithHexString(const char* text);
    static Color colorWithHexString(const std::string& text);

    // "#RRGGBB"; each component is truncated, not rounded: 255 × 0.5 gives 7F.
    std::string hexString() const;
    // "#RRGGBBAA".
    std::string hexStringWithAlpha() const;

    // The largest of the three colour components (the HSB brightness).
    double brightness() const;
    Color withAlpha(double a) const { return {red, green, blue, a}; }
};

} // namespace qv
