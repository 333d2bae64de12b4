// Decoding any text and encoding the result gives text that decodes to the
// same bytes, with or without line breaks.
#include "framework/foundation/Base64.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ByteBuffer decoded = dataWithBase64EncodedString(text);
    if (decoded.size() > size / 4 * 3 + 2)
        std::abort();
    for (std::size_t line : {std::size_t{0}, std::size_t{72}, std::size_t{5}}) {
        const std::string encoded = base64Encoding(decoded, line);
        if (dataWithBase64EncodedString(encoded) != decoded)
            std::abort();
        if (line == 72) {
            // Every line but a shorter last one holds exactly 72 characters.
            std::size_t start = 0;
            while (start < encoded.size()) {
                const std::size_t lf = encoded.find('\n', start);
                if (lf == std::string::npos) {
                    if (encoded.size() - start >= 72)
                        std::abort();
                    break;
                }
                if (lf - start != 72)
                    std::abort();
                start = lf + 1;
            }
        }
    }
    return 0;
}
