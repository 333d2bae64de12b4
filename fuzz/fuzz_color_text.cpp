// Any text reads as some colour (never fails), and the colour's hexadecimal
// text reads back as the same colour, component for component.
#include "framework/foundation/Color.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Color c = Color::colorWithHexString(text);
    const std::string withAlpha = c.hexStringWithAlpha();
    const std::string opaque = c.hexString();
    if (withAlpha.size() != 9 || opaque.size() != 7 || withAlpha.compare(0, 7, opaque) != 0)
        std::abort();
    if (Color::colorWithHexString(std::string_view(withAlpha)) != c)
        std::abort();
    if (Color::colorWithHexString(std::string_view(opaque)) != c.withAlpha(1))
        std::abort();
    // Six hexadecimal digits come back as the same digits in upper case.
    if (size >= 7 && text[0] == '#') {
        bool hex = true;
        for (std::size_t i = 1; i < 7; ++i)
            hex = hex && std::isxdigit(static_cast<unsigned char>(text[i]));
        if (hex) {
            for (std::size_t i = 1; i < 7; ++i)
                if (opaque[i] != std::toupper(static_cast<unsigned char>(text[i])))
                    std::abort();
        }
    }
    return 0;
}
