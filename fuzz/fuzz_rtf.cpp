// Whatever the RTF reader makes of an input, writing it and reading it back
// gives the same text, and writing that again gives the same bytes.
#include "document/RtfReader.h"
#include "document/RtfWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<RichText> text = richTextFromRTF(bytes);
    if (!text) {
        if (bytes.starts_with("{\\rtf"))
            std::abort();
        return 0;
    }
    const std::string rtf = rtfFromRichText(*text);
    const std::optional<RichText> again = richTextFromRTF(rtf);
    if (!again || !(*again == *text))
        std::abort();
    if (rtfFromRichText(*again) != rtf)
        std::abort();
    if (again->plainText() != text->plainText())
        std::abort();
    return 0;
}
